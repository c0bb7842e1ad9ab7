// The generation workflow, the outcome report and the cancel request of every long job.

#include "Telvora/Session/Session.h"

#include "Telvora/Document/StyledDocument.h"
#include "Telvora/Session/SessionTexts.h"
#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Provider/ProviderClient.h"

#include <QPointer>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

void Session::generate()
{
    if (busy() || sourceText().trimmed().isEmpty())
        return;
    const QString key = m_keychain.read(u"openai"_s);
    if (key.isEmpty()) {
        requestSettings(SessionTexts::configureOpenAI);
        return;
    }
    if (voiceEnabled() && provider() == VoiceProvider::elevenLabs
        && (m_keychain.read(u"elevenlabs"_s).isEmpty() || elevenVoice().isEmpty())) {
        requestSettings(SessionTexts::configureElevenLabs);
        return;
    }
    GenerationRequest request{sourceText(), outputText(), outputKind(), length(), key, textModel(), voiceEnabled()};
    setBusy(true);
    setStatus(SessionTexts::generatingPrefix.toString() + request.kind.rawValue().toLower()
              + SessionTexts::generatingSuffix.toString());
    setErrorMessage(std::nullopt);
    startJob([this, request](CancellationToken token) { return generation(request, token); });
}

QCoro::Task<> Session::generation(GenerationRequest request, CancellationToken token)
{
    const ProviderClient client(&m_network, m_endpoints, token);
    const QString text =
        co_await client.generateEditorial(request.source, request.kind, request.length, request.key, request.model);
    token.throwIfCancelled();
    if (sourceText() != request.source || outputText() != request.output)
        throw TelvoraError(SessionTexts::editedDuringGeneration.toString());

    setGeneratedKind(request.kind);
    setOutputText(request.kind == OutputKind::quintara ? text : StyledDocument::plain(text));
    outputBaseline.clear();
    setReaderShowsSource(false);
    if (showReader)
        showReader();
    setStatus(SessionTexts::textReady.toString());

    // The narration of the fresh document, without playback, within the same busy period.
    if (request.narrate)
        co_await synthesize(false, token);
}

void Session::requestSettings(QStringView statusLine)
{
    setStatus(statusLine.toString());
    setShowSettings(true);
}

void Session::cancel()
{
    if (job)
        job->token.cancel();
    setTranscriptionProgress(std::nullopt);
    setStatus(SessionTexts::cancelling.toString());
}

void Session::startJob(const std::function<QCoro::Task<>(CancellationToken)> &work)
{
    job.emplace();
    QCoro::Task<> task = runJob(work(job->token));
    // Tasks start eagerly: a job that failed before its first suspension has already
    // cleared `job` by now.
    if (job)
        job->task = std::move(task);
}

QCoro::Task<> Session::runJob(QCoro::Task<> work)
{
    // A transcription can end after its session: the worker process exits in its own time
    // after the destructor's cancel. Nothing of a destroyed session is touched then.
    const QPointer<Session> alive(this);
    try {
        co_await std::move(work);
    } catch (...) {
        if (alive) {
            setTranscriptionProgress(std::nullopt);
            report(std::current_exception());
        }
    }
    if (!alive)
        co_return;
    setTranscriptionProgress(std::nullopt);
    setBusy(false);
    job.reset();
}

void Session::report(std::exception_ptr error)
{
    try {
        std::rethrow_exception(std::move(error));
    } catch (const Cancelled &) {
        setStatus(SessionTexts::cancelled.toString());
    } catch (const Error &failure) {
        showFailure(failure.message());
    } catch (const std::exception &failure) {
        showFailure(QString::fromUtf8(failure.what()));
    } catch (...) {
        // Nothing we call throws other types; still, a job must never end without an outcome.
        showFailure(SessionTexts::unexpectedFailure.toString());
    }
}

void Session::showFailure(const QString &message)
{
    setStatus(SessionTexts::failed.toString());
    setErrorMessage(message);
}

} // namespace telvora
