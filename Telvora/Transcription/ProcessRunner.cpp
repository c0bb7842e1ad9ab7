#include "Telvora/Transcription/ProcessRunner.h"

#include "Telvora/Transcription/OffThread.h"
#include "Telvora/Transcription/ProcessBox.h"
#include "Telvora/Transcription/ProgressRelay.h"
#include "Telvora/Transcription/TranscriptionTexts.h"
#include "Telvora/Transcription/WorkerOutput.h"
#include "TelvoraCore/Errors/Error.h"

#include <QProcessEnvironment>
#include <QTextBoundaryFinder>

#include <functional>
#include <memory>
#include <sys/wait.h>

using namespace Qt::Literals::StringLiterals;

namespace telvora::ProcessRunner {

namespace {

constexpr qsizetype tailCharacters = 1800;

struct Finished
{
    QByteArray output;
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
        box->readToEnd([&output](QByteArrayView bytes) { output.append(bytes); });
        Finished result;
        result.output = output.finish();
        result.status = box->waitForExit();
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

    const QString text =
        QUtf8StringView(finished.output).isValidUtf8() ? QString::fromUtf8(finished.output) : QString();
    if (WIFEXITED(finished.status) && WEXITSTATUS(finished.status) == 0)
        co_return text;
    throw TelvoraError(failureMessage(text));
}

} // namespace telvora::ProcessRunner
