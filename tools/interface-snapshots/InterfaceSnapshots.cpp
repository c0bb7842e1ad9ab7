// Renders the reader window (with the example document) and the two sheets offscreen
// into PNGs, for the documentation: interface-snapshots <folder>.

#include "Telvora/Interface/Localization/QtTranslations.h"
#include "Telvora/Interface/Reader/ReaderView.h"
#include "Telvora/Interface/Sheets/SettingsView.h"
#include "Telvora/Interface/Sheets/TranscriptionOptionsView.h"
#include "Telvora/Session/Workflows.h"
#include "TelvoraCore/Support/ResourceBundle.h"
#include "tests/support/InMemoryCredentialBackend.h"
#include "tests/support/ScriptedUserPrompts.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {

void registerBundleFonts()
{
    const QDir bundle(AppResources::bundle().path());
    const QStringList fonts = bundle.entryList({u"*.ttf"_s}, QDir::Files);
    for (const QString &font : fonts)
        QFontDatabase::addApplicationFont(bundle.filePath(font));
}

bool save(QWidget &widget, const QString &path)
{
    widget.show();
    QApplication::processEvents();
    const bool saved = widget.grab().save(path);
    std::fprintf(saved ? stdout : stderr, "%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fputs("usage: interface-snapshots <folder>\n", stderr);
        return 2;
    }
    installQtTranslations(application);
    registerBundleFonts();
    const QDir folder(QString::fromLocal8Bit(argv[1]));

    QTemporaryDir scratch;
    QSettings settings(scratch.filePath(u"Telvora.ini"_s), QSettings::IniFormat);
    test::InMemoryCredentialBackend credentials;
    credentials.items.insert(u"openai"_s, "sk-exemplo");
    test::ScriptedUserPrompts prompts;
    Workflows workflows({settings, credentials, prompts, ProviderEndpoints::defaults()});
    workflows.document().loadExample();

    ReaderView reader(workflows);
    reader.resize(760, 900);
    bool saved = save(reader, folder.filePath(u"reader.png"_s));

    SettingsView settingsSheet(workflows, [] { return true; });
    // The keys are read asynchronously: the picture shows the field once it holds the key.
    auto *openAIKey = settingsSheet.findChild<QLineEdit *>(u"openAIKey"_s);
    if (!QTest::qWaitFor([openAIKey] { return !openAIKey || !openAIKey->text().isEmpty(); }, 5000))
        std::fputs("the stored key did not arrive; the settings picture shows an empty field\n", stderr);
    saved = save(settingsSheet, folder.filePath(u"settings.png"_s)) && saved;

    TranscriptionOptionsView options(workflows);
    saved = save(options, folder.filePath(u"transcription-options.png"_s)) && saved;
    return saved ? 0 : 1;
}
