#include "Telvora/Shell/TelvoraApplication.h"

#include "Telvora/Document/DocumentFonts.h"
#include "Telvora/Interface/Console/ConsoleFonts.h"
#include "Telvora/Interface/Localization/QtTranslations.h"
#include "Telvora/Interface/QtUserPrompts.h"
#include "Telvora/Session/Credentials/SecretServiceBackend.h"
#include "Telvora/Shell/ApplicationDelegate.h"
#include "Telvora/Shell/CommandLine/CommandLineMode.h"
#include "Telvora/Shell/CommandLineFlags.h"
#include "Telvora/Shell/LocalTranscriptionCheck.h"
#include "Telvora/Shell/SingleInstance.h"
#include "Telvora/Transcription/LocalTranscriber.h"
#include "Telvora/Transcription/TemporaryFolderOwner.h"
#include "TelvoraCore/Editorial/Editorial.h"
#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Support/ResourceBundle.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QSettings>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

namespace Flag = CommandLineFlags;

namespace Text {
const auto guideLoaded = u"Guia Quintara carregado: %1 bytes de instruções."_s;
} // namespace Text

QStringList argumentList(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

// Every line this entry prints goes to standard output, errors included.
void printLine(const QString &line)
{
    std::fputs(line.toUtf8().append('\n').constData(), stdout);
    std::fflush(stdout);
}

// Files the desktop hands over on the command line ("telvora %F"): the plain arguments,
// not options nor the path that follows "--file".
QStringList handedOverFiles(const QStringList &arguments)
{
    QStringList files;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == Flag::file) {
            ++i;
            continue;
        }
        if (!argument.startsWith(u"--"_s))
            files.append(QFileInfo(argument).absoluteFilePath());
    }
    return files;
}

} // namespace

int TelvoraApplication::main(int argc, char *argv[])
{
    // Options are whole, case-sensitive arguments; the program's own path (index 0) is searched too.
    const QStringList arguments = argumentList(argc, argv);
    const qsizetype local = arguments.indexOf(Flag::verifyLocalTranscription);
    if (local >= 0 && arguments.size() > local + 3)
        return verifyLocalTranscription(arguments, local);
    if (arguments.contains(Flag::verifyQuintaraAuthoring))
        return verifyQuintaraAuthoring();
    if (CommandLineMode::isRequested(arguments))
        return CommandLineMode::run(argc, argv);
    return runInteractive(argc, argv);
}

int TelvoraApplication::verifyQuintaraAuthoring()
{
    try {
        const QString text = Editorial::instructions(OutputKind::quintara, OutputLength::short_);
        printLine(Text::guideLoaded.arg(text.toUtf8().size()));
        return 0;
    } catch (const Error &error) {
        printLine(error.message());
        return 1;
    }
}

int TelvoraApplication::verifyLocalTranscription(const QStringList &arguments, qsizetype flagIndex)
{
    return LocalTranscriptionCheck::run(arguments, flagIndex);
}

int TelvoraApplication::runInteractive(int argc, char *argv[])
{
    // Resolved before anything else: without its resources the program cannot run at all,
    // and this stops the process with the fatal message.
    AppResources::bundle();
    const QStringList arguments = argumentList(argc, argv);
    const QStringList files = handedOverFiles(arguments);

    QApplication application(argc, argv);
    QApplication::setOrganizationName(u"Telvora"_s);
    QApplication::setApplicationName(u"Telvora"_s);
    QApplication::setApplicationVersion(u"" TELVORA_VERSION ""_s);
    QApplication::setDesktopFileName(u"telvora"_s);
    QApplication::setQuitOnLastWindowClosed(false);

    // A second start hands its file to the running Telvora and leaves; the check and
    // capture modes always run on their own.
    const bool checking = arguments.contains(Flag::capture) || arguments.contains(Flag::verifyTranscription);
    SingleInstance instance;
    if (!checking) {
        if (instance.handOff(files.value(0)))
            return 0;
        instance.listen();
    }

    installResources(application);
    TemporaryFolderOwner::removeAbandoned();

    QSettings settings(u"Telvora"_s, u"Telvora"_s);
    SecretServiceBackend credentials;
    QtUserPrompts prompts([] { return QApplication::activeWindow(); });
    ApplicationDelegate delegate(
        arguments,
        {settings, credentials, prompts, ProviderEndpoints::fromEnvironment(), &LocalTranscriber::isAvailable});
    QObject::connect(&instance, &SingleInstance::requested, &delegate, [&delegate](const QString &file) {
        if (file.isEmpty())
            delegate.reopen();
        else if (delegate.openFiles({file}))
            delegate.showPanel();
    });
    delegate.didFinishLaunching();
    if (!files.isEmpty())
        delegate.openFiles(files);
    return QApplication::exec();
}

void TelvoraApplication::installResources(QApplication &application)
{
    // The fonts are the process's own, never installed for the user; a missing one is skipped.
    ConsoleFonts::registerAll(AppResources::bundle());
    if (const std::optional<QString> icon = AppResources::bundle().resource(u"Telvora-icon-v1"_s, u"png"_s))
        QApplication::setWindowIcon(QIcon(*icon));
    installQtTranslations(application);
    // Gelasio stands in for the documents' Georgia.
    DocumentFonts::install(AppResources::bundle());
}

} // namespace telvora
