#include "Telvora/Session/GenerationWorkflow.h"

#include "Telvora/Document/StyledDocument.h"
#include "Telvora/Session/Credentials/KeychainStore.h"
#include "Telvora/Session/LongJob.h"
#include "Telvora/Session/NarrationWorkflow.h"
#include "Telvora/Session/Providers.h"
#include "Telvora/Session/Session.h"
#include "Telvora/Session/SessionTexts.h"
#include "Telvora/Session/Settings.h"
#include "TelvoraCore/Errors/Error.h"

namespace telvora {

GenerationWorkflow::GenerationWorkflow(Session &session, Settings &settings, KeychainStore &keychain,
                                       Providers &providers, NarrationWorkflow &narration, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_settings(settings)
    , m_keychain(keychain)
    , m_providers(providers)
    , m_narration(narration)
{}

void GenerationWorkflow::generate()
{
    if (m_session.busy() || m_job.isRunning() || m_session.sourceText().trimmed().isEmpty())
        return;
    m_started = false;
    m_job.start([this](CancellationToken token) { return preparation(token); },
                [this](const std::exception_ptr &failure) {
                    if (std::exchange(m_started, false))
                        LongJob::finish(m_session, failure);
                    else if (failure)
                        LongJob::report(m_session, failure);
                });
}

void GenerationWorkflow::cancel() { m_job.cancel(); }

QString GenerationWorkflow::documentText(OutputKind kind, const QString &answer)
{
    return kind == OutputKind::quintara ? answer : StyledDocument::plain(answer);
}

// The keys are read before anything shows that work started: a missing one only asks for
// the settings.
QCoro::Task<> GenerationWorkflow::preparation(CancellationToken token)
{
    const QString key = co_await Job::checked(token, m_keychain.read(KeychainAccount::openAI));
    if (key.isEmpty()) {
        requestSettings(SessionTexts::configureOpenAI);
        co_return;
    }
    if (m_session.voiceEnabled() && m_session.provider() == VoiceProvider::elevenLabs) {
        const QString elevenKey = co_await Job::checked(token, m_keychain.read(KeychainAccount::elevenLabs));
        if (elevenKey.isEmpty() || m_session.elevenVoice().isEmpty()) {
            requestSettings(SessionTexts::configureElevenLabs);
            co_return;
        }
    }
    // Another workflow may have started while the keys were read.
    if (m_session.busy())
        co_return;
    Request request{m_session.sourceText(), m_session.outputText(),  m_session.outputKind(), m_session.length(), key,
                    m_settings.textModel(), m_session.voiceEnabled()};
    m_started = true;
    m_session.setBusy(true);
    m_session.setStatus(SessionTexts::generatingPrefix.toString() + request.kind.rawValue().toLower()
                        + SessionTexts::generatingSuffix.toString());
    m_session.setErrorMessage(std::nullopt);
    co_await generation(request, token);
}

QCoro::Task<> GenerationWorkflow::generation(Request request, CancellationToken token)
{
    const ProviderClient client = m_providers.client(token);
    const QString text =
        co_await client.generateEditorial(request.source, request.kind, request.length, request.key, request.model);
    token.throwIfCancelled();
    if (m_session.sourceText() != request.source || m_session.outputText() != request.output)
        throw TelvoraError(SessionTexts::editedDuringGeneration.toString());

    m_session.setGeneratedKind(request.kind);
    m_session.setOutputText(documentText(request.kind, text));
    m_session.markOutputUnsaved();
    m_session.setReaderShowsSource(false);
    Q_EMIT documentReady();
    m_session.setStatus(SessionTexts::textReady.toString());

    // The narration of the fresh document, without playback, within the same busy period.
    if (request.narrate)
        co_await m_narration.synthesize(false, token);
}

void GenerationWorkflow::requestSettings(QStringView statusLine)
{
    m_session.setStatus(statusLine.toString());
    Q_EMIT settingsRequested();
}

} // namespace telvora
