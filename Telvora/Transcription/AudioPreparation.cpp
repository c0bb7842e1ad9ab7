#include "Telvora/Transcription/AudioPreparation.h"

#include "Telvora/Media/SampleDecoder.h"

namespace telvora::LocalTranscriber {

void decode(const QString &source, const QString &destination, const CancellationToken &token,
            const ProgressCallback &onProgress)
{
    if (!onProgress) {
        SampleDecoder::decode(source, destination, token);
        return;
    }
    const auto report = [&onProgress](double fraction) {
        onProgress({TranscriptionProgress::Stage::decoding, fraction, std::nullopt});
    };
    report(0);
    SampleDecoder::decode(source, destination, token, report);
    report(1);
}

} // namespace telvora::LocalTranscriber
