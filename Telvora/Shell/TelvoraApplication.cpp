#include "Telvora/Shell/TelvoraApplication.h"

#include "Telvora/Interface/ConsoleFonts.h"
#include "TelvoraCore/Editorial/Editorial.h"
#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Support/ResourceBundle.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

namespace Flag {
const auto verifyLocalTranscription = u"--verify-local-transcription"_s;
const auto verifyQuintaraAuthoring = u"--verify-quintara-authoring"_s;
} // namespace Flag

namespace Text {
const auto guideLoaded = u"Guia Quintara carregado: %1 bytes de instruções."_s;
const auto localCheckUnavailable = u"A verificação de transcrição local ainda não está disponível neste build."_s;
const auto interactiveUnavailable = u"A interface interativa do Telvora ainda não está disponível neste build."_s;
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

int TelvoraApplication::verifyLocalTranscription(const QStringList &, qsizetype)
{
    printLine(Text::localCheckUnavailable);
    return 1;
}

void TelvoraApplication::installConsoleResources()
{
    // The fonts are the process's own, never installed for the user; a missing one is skipped.
    ConsoleFonts::registerAll(AppResources::bundle());
    if (const std::optional<QString> icon = AppResources::bundle().resource(u"Telvora-icon-v1"_s, u"png"_s))
        QApplication::setWindowIcon(QIcon(*icon));
}

int TelvoraApplication::runInteractive(int argc, char *argv[])
{
    // Resolved before anything else: without its resources the program cannot run at all,
    // and this stops the process with the fatal message.
    AppResources::bundle();
    QApplication application(argc, argv);
    installConsoleResources();
    printLine(Text::interactiveUnavailable);
    return 1;
}

} // namespace telvora
