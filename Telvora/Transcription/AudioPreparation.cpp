#include "Telvora/Transcription/AudioPreparation.h"

#include "Telvora/Media/SampleDecoder.h"

namespace telvora::LocalTranscriber {

void decode(const QString &source, const QString &destination, const CancellationToken &token)
{
    SampleDecoder::decode(source, destination, token);
}

} // namespace telvora::LocalTranscriber
