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
    const QByteArray bytes =
        co_await LocalTranscriber::transcribe(request.source.toLocalFile(), request.options, token);
    token.throwIfCancelled();
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
