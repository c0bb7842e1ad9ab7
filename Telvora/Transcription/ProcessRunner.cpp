#include "Telvora/Transcription/ProcessRunner.h"

#include "Telvora/Transcription/OffThread.h"
#include "Telvora/Transcription/ProcessBox.h"
#include "Telvora/Transcription/ProgressRelay.h"
#include "Telvora/Transcription/TranscriptionTexts.h"
#include "Telvora/Transcription/WorkerOutput.h"
#include "TelvoraCore/Errors/Error.h"

#include <QProcessEnvironment>
#include <QTextBoundaryFinder>

#include <cstring>
#include <functional>
#include <memory>
#include <sys/wait.h>

using namespace Qt::Literals::StringLiterals;

namespace telvora::ProcessRunner {

namespace {

constexpr qsizetype tailCharacters = 1800;

struct Finished
{
    QString output;
    int status = 0;
};

QString lastCharacters(const QString &text, qsizetype count)
{
    QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, text);
    boundaries.toEnd();
    qsizetype start = text.size();
    for (qsizetype taken = 0; taken < count; ++taken) {
        const qsizetype previous = boundaries.toPreviousBoundary();
        if (previous < 0)
            break;
        start = previous;
    }
    return text.sliced(start);
}

QString signalName(int signal)
{
    const char *abbreviation = ::sigabbrev_np(signal);
    if (!abbreviation)
        return QString::number(signal);
    return u"%1 (SIG%2)"_s.arg(signal).arg(QLatin1StringView(abbreviation));
}

// Plain functions rather than lambdas inside the coroutine: GCC 12 miscounts the captured
// copies of lambda temporaries in coroutine bodies.
void interruptOnCancel(const CancellationToken &token, const QObject *scope, const std::shared_ptr<ProcessBox> &box)
{
    if (token.isCancelled())
        box->cancel();
    else
        token.onCancel(scope, [box] { box->cancel(); });
}

std::function<Finished()> runToEnd(const std::shared_ptr<ProcessBox> &box, const ProgressCallback &onProgress)
{
    return [box, onProgress] {
        box->launch();
        WorkerOutput output(onProgress);
        Finished result;
        result.status = box->runToEnd([&output](QByteArrayView bytes) { output.append(bytes); });
        const QByteArray bytes = output.finish();
        // Not UTF-8 anywhere, kept or not, shows nothing.
        if (output.wasUtf8())
            result.output = QString::fromUtf8(bytes);
        if (box->cancelled())
            throw Cancelled();
        return result;
    };
}

} // namespace

Environment defaultEnvironment()
{
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    Environment environment;
    const QStringList names = system.keys();
    for (const QString &name : names)
        environment.insert(name, system.value(name));
    environment.insert(u"PATH"_s, u"/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin:"_s + system.value(u"PATH"_s));
    return environment;
}

QString failureMessage(const QString &output)
{
    return TranscriptionTexts::workerFailed.toString() + lastCharacters(output, tailCharacters);
}

QString failureMessage(const QString &output, int status)
{
    const QString message = failureMessage(output);
    if (!WIFSIGNALED(status))
        return message;
    const QString separator = message.endsWith(u'\n') ? QString() : u"\n"_s;
    return message + separator + TranscriptionTexts::endedBySignal.toString().arg(signalName(WTERMSIG(status)));
}

QCoro::Task<QString> run(QString executable, QStringList arguments, std::optional<Environment> environment,
                         CancellationToken token, ProgressCallback onProgress)
{
    Environment childEnvironment = environment ? std::move(*environment) : defaultEnvironment();
    childEnvironment.insert(u"PYTHONUNBUFFERED"_s, u"1"_s);
    auto box = std::make_shared<ProcessBox>(executable, arguments, childEnvironment);

    // The handler lives as long as this run: it must not touch a box of a finished run.
    QObject handlerScope;
    interruptOnCancel(token, &handlerScope, box);
    // Declared after the box's handler and before the wait: the progress posted while the
    // child runs is delivered here before the run resumes, and nothing after it returns.
    const ProgressRelay relay(std::move(onProgress));
    const Finished finished = co_await offThread(runToEnd(box, relay.poster()));

    if (WIFEXITED(finished.status) && WEXITSTATUS(finished.status) == 0)
        co_return finished.output;
    throw TelvoraError(failureMessage(finished.output, finished.status));
}

} // namespace telvora::ProcessRunner
