#include "Telvora/Shell/TelvoraApplication.h"

#include "TelvoraCore/Editorial/Editorial.h"
#include "TelvoraCore/Errors/Error.h"

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

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
    const QStringList arguments = argumentList(argc, argv);
    const qsizetype local = arguments.indexOf(u"--verify-local-transcription"_s);
    if (local >= 0 && arguments.size() > local + 3)
        return verifyLocalTranscription(arguments, local);
    if (arguments.contains(u"--verify-quintara-authoring"_s))
        return verifyQuintaraAuthoring();
    return runInteractive(argc, argv);
}

int TelvoraApplication::verifyQuintaraAuthoring()
{
    try {
        const QString text = Editorial::instructions(OutputKind::quintara, OutputLength::short_);
        printLine(u"Guia Quintara carregado: %1 bytes de instruções."_s.arg(text.toUtf8().size()));
        return 0;
    } catch (const Error &error) {
        printLine(error.message());
        return 1;
    }
}

int TelvoraApplication::verifyLocalTranscription(const QStringList &, qsizetype)
{
    printLine(u"A verificação de transcrição local ainda não está disponível neste build."_s);
    return 1;
}

int TelvoraApplication::runInteractive(int, char *[])
{
    printLine(u"A interface interativa do Telvora ainda não está disponível neste build."_s);
    return 1;
}

} // namespace telvora
