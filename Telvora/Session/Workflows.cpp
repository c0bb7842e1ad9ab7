#include "Telvora/Session/Workflows.h"

#include "Telvora/Session/SessionTexts.h"

namespace telvora {

Workflows::Workflows(Services services, QObject *parent)
    : QObject(parent)
    , m_settings(services.settings)
    , m_keychain(services.credentials)
    , m_providers(std::move(services.endpoints))
    , m_prompts(services.prompts)
    , m_playback(m_session)
    , m_narration(m_session, m_settings, m_keychain, m_providers, m_prompts, m_playback)
    , m_transcription(m_session, m_settings)
    , m_generation(m_session, m_settings, m_keychain, m_providers, m_narration)
    , m_document(m_session, m_prompts, m_playback, m_narration)
{
    connect(&m_transcription, &TranscriptionWorkflow::documentReady, this, &Workflows::documentReady);
    connect(&m_generation, &GenerationWorkflow::documentReady, this, &Workflows::documentReady);
    connect(&m_document, &DocumentWorkflow::documentReady, this, &Workflows::documentReady);
    connect(&m_generation, &GenerationWorkflow::settingsRequested, this, &Workflows::settingsRequested);
}

Workflows::~Workflows() = default;

void Workflows::cancel()
{
    m_generation.cancel();
    m_transcription.cancel();
    m_narration.cancel();
    m_document.cancel();
    m_session.setTranscriptionProgress(std::nullopt);
    m_session.setStatus(SessionTexts::cancelling.toString());
}

void Workflows::dismissError() { m_session.setErrorMessage(std::nullopt); }

void Workflows::shutDown()
{
    m_playback.stopSource();
    m_playback.stopAudioPoll();
    m_narration.discardVoice();
}

} // namespace telvora
