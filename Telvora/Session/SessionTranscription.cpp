// The transcription workflow: the opened recording becomes the source text.

#include "Telvora/Session/Session.h"

#include "Telvora/Session/SessionTexts.h"
#include "Telvora/Transcription/LocalTranscriber.h"
#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Transcript/Transcript.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

bool Session::hasSourcePlayer() const { return sourcePlayer() != nullptr; }

void Session::setTranscriptionProgress(const std::optional<TranscriptionProgress> &value)
{
    assign(m_transcriptionProgress, value, &Session::transcriptionProgressChanged);
}

ProgressCallback Session::progressReceiver(const CancellationToken &token)
{
    // The worker's last reports can arrive after the session is gone or the user cancelled.
    return [alive = QPointer<Session>(this), token](const TranscriptionProgress &progress) {
        if (alive && !token.isCancelled())
            alive->setTranscriptionProgress(alive->m_progressEstimator.estimate(progress, alive->progressClock()));
    };
}

void Session::transcribe()
{
    if (busy() || sourceURL().isEmpty())
        return;
    if (!hasSourcePlayer() && !sourceText().isEmpty())
        return;
    if (!LocalTranscriber::isAvailable()) {
        setErrorMessage(SessionTexts::transcriptionEngineMissing.toString());
        return;
    }
    TranscriptionRequest request{sourceURL(), transcriptionOptions(), sourceText(), timecodes()};
    setBusy(true);
    setStatus(SessionTexts::transcribingPrefix.toString() + request.options.model
              + SessionTexts::transcribingSuffix.toString());
    setErrorMessage(std::nullopt);
    startJob([this, request](CancellationToken token) { return transcription(request, token); });
}

QCoro::Task<> Session::transcription(TranscriptionRequest request, CancellationToken token)
{
    m_progressEstimator.reset();
    const QByteArray bytes = co_await LocalTranscriber::transcribe(request.source.toLocalFile(), request.options, token,
                                                                   progressReceiver(token));
    token.throwIfCancelled();
    setTranscriptionProgress(std::nullopt);
    if (sourceURL() != request.source || sourceText() != request.text)
        throw TelvoraError(SessionTexts::editedDuringTranscription.toString());

    const Transcript::Decoded transcript = Transcript::decode(bytes, request.timecodes);
    setSourceText(transcript.text);
    sourceBaseline.clear();
    transcriptSegments = transcript.segments;
    setDetectedSpeakers(transcript.speakers);
    setReaderShowsSource(true);
    setStatus(SessionTexts::transcribed.toString());
    if (showReader)
        showReader();
}

} // namespace telvora
