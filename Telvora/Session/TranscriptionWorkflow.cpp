#include "Telvora/Session/TranscriptionWorkflow.h"

#include "Telvora/Session/DocumentWorkflow.h"
#include "Telvora/Session/LongJob.h"
#include "Telvora/Session/Session.h"
#include "Telvora/Session/SessionTexts.h"
#include "Telvora/Session/Settings.h"
#include "Telvora/Transcription/LocalTranscriber.h"
#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Transcript/Transcript.h"

namespace telvora {

TranscriptionWorkflow::TranscriptionWorkflow(Session &session, Settings &settings, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_settings(settings)
{}

LocalTranscriptionOptions TranscriptionWorkflow::options() const
{
    return {m_settings.whisperModel(),      m_settings.language(),      m_settings.vocabulary(),
            m_session.diarization(),        m_session.speakerCount(),   m_session.speakerNames(),
            m_settings.segmentationModel(), m_settings.embeddingModel()};
}

void TranscriptionWorkflow::setOptions(const LocalTranscriptionOptions &options)
{
    m_settings.setWhisperModel(options.model);
    m_settings.setLanguage(options.language);
    m_settings.setVocabulary(options.vocabulary);
    m_session.setDiarization(options.diarization);
    m_session.setSpeakerCount(options.speakerCount);
    m_session.setSpeakerNames(options.speakerNames);
    m_settings.setSegmentationModel(options.segmentationModel);
    m_settings.setEmbeddingModel(options.embeddingModel);
}

bool TranscriptionWorkflow::canTranscribe() const
{
    return !m_session.busy() && !m_session.sourceURL().isEmpty()
        && !DocumentWorkflow::isTextFile(m_session.sourceURL().toLocalFile())
        && (m_session.hasSourcePlayer() || m_session.sourceText().isEmpty());
}

void TranscriptionWorkflow::transcribe()
{
    if (!canTranscribe())
        return;
    if (!LocalTranscriber::isAvailable()) {
        m_session.setErrorMessage(SessionTexts::transcriptionEngineMissing.toString());
        return;
    }
    Request request{m_session.sourceURL(), options(), m_session.sourceText(), m_session.timecodes()};
    const QString status = SessionTexts::transcribingPrefix.toString() + request.options.model
        + SessionTexts::transcribingSuffix.toString();
    LongJob::start(m_session, m_job, status,
                   [this, request](CancellationToken token) { return transcription(request, token); });
}

void TranscriptionWorkflow::cancel() { m_job.cancel(); }

ProgressCallback TranscriptionWorkflow::progressReceiver(const CancellationToken &token)
{
    // The worker's last reports can arrive after the user cancelled or the workflow went,
    // which cancels the token too.
    return [this, token](const TranscriptionProgress &progress) {
        if (!token.isCancelled())
            m_session.setTranscriptionProgress(m_estimator.estimate(progress, m_clock()));
    };
}

QCoro::Task<> TranscriptionWorkflow::transcription(Request request, CancellationToken token)
{
    m_estimator.reset();
    const QByteArray bytes = co_await Job::checked(
        token,
        LocalTranscriber::transcribe(request.source.toLocalFile(), request.options, token, progressReceiver(token)));
    m_session.setTranscriptionProgress(std::nullopt);
    if (m_session.sourceURL() != request.source || m_session.sourceText() != request.text)
        throw TelvoraError(SessionTexts::editedDuringTranscription.toString());

    const Transcript::Decoded transcript = Transcript::decode(bytes, request.timecodes);
    m_session.setSourceText(transcript.text);
    m_session.markSourceUnsaved();
    m_session.setTranscriptSegments(transcript.segments);
    m_session.setDetectedSpeakers(transcript.speakers);
    m_session.setReaderShowsSource(true);
    m_session.setStatus(SessionTexts::transcribed.toString());
    Q_EMIT documentReady();
}

} // namespace telvora
