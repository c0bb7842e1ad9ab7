#include "Telvora/Shell/LocalTranscriptionCheck.h"

#include "Telvora/Session/AtomicFile.h"
#include "Telvora/Shell/TerminationSignal.h"
#include "Telvora/Transcription/LocalTranscriber.h"
#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Errors/ErrorMessage.h"
#include "TelvoraCore/Support/Characters.h"
#include "TelvoraCore/Transcript/Transcript.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace telvora::LocalTranscriptionCheck {

namespace {

const auto noDiarization = u"--no-diarization"_s;
const auto finishedLine = u"Transcrição integrada concluída: %1 falante(s), %2 caracteres; modelo %3."_s;

void printLine(const QString &line)
{
    std::fputs(line.toUtf8().append('\n').constData(), stdout);
    std::fflush(stdout);
}

QCoro::Task<int> check(QString audio, QString output, LocalTranscriptionOptions options, CancellationToken token)
{
    try {
        const QByteArray bytes = co_await LocalTranscriber::transcribe(audio, options, token);
        const Transcript::Decoded transcript = Transcript::decode(bytes, true);
        // The output is often in /tmp, where a link planted under its name must not be followed.
        AtomicFile::writeInSharedFolder(output, bytes);
        printLine(finishedLine.arg(transcript.speakers).arg(Characters::count(transcript.text)).arg(options.model));
        co_return 0;
    } catch (...) {
        printLine(errorMessage(std::current_exception()));
    }
    co_return 1;
}

} // namespace

int run(const QStringList &arguments, qsizetype flagIndex)
{
    const QString audio = QFileInfo(arguments.at(flagIndex + 1)).absoluteFilePath();
    const QString output = QFileInfo(arguments.at(flagIndex + 2)).absoluteFilePath();
    const LocalTranscriptionOptions options{arguments.at(flagIndex + 3),
                                            u"pt"_s,
                                            QString(),
                                            !arguments.contains(noDiarization),
                                            1,
                                            u"Narrador"_s,
                                            QString(),
                                            QString()};

    // An event loop without any window: the coroutine resumes on it, and its outcome ends it.
    int argc = 1;
    char name[] = "telvora";
    char *argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    // A termination signal cancels the transcription, so that its folder goes with it.
    const CancellationToken token;
    const TerminationSignal termination;
    QObject::connect(&termination, &TerminationSignal::received, &application, [token] { token.cancel(); });
    QTimer::singleShot(0, &application, [&] {
        QCoro::connect(check(audio, output, options, token), &application,
                       [](int status) { QCoreApplication::exit(status); });
    });
    return application.exec();
}

} // namespace telvora::LocalTranscriptionCheck
