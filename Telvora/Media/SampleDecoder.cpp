#include "Telvora/Media/SampleDecoder.h"

#include "Telvora/Media/AudioStreamReader_p.h"
#include "Telvora/Media/MediaTexts.h"
#include "Telvora/Media/Resampler_p.h"
#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Errors/FileFailure.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>

namespace telvora::SampleDecoder {

namespace {

// The worker reads little-endian floats; the samples are written in the machine's order.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "the sample file is written in the machine's byte order");

constexpr int sampleRate = 16000;

[[noreturn]] void failWriting(const QFile &file)
{
    throw FileFailure::error(FileFailure::Access::writing, file.fileName(), file);
}

qint64 append(QFile &file, const Resampler &resampler, int frames)
{
    const qint64 bytes = qint64(frames) * qint64(sizeof(float));
    if (bytes > 0 && file.write(reinterpret_cast<const char *>(resampler.planes()[0]), bytes) != bytes)
        failWriting(file);
    return bytes;
}

// FFmpeg ends the stream quietly where a file breaks off. Where the stream's header states
// its length (an MP3's frame count, an MP4 track, a WAV's data size) the samples must come
// near it; where it states none, a last packet cut short tells. A file that states no
// length and was cut where a packet ends (an MP3 without a frame count) reads as complete.
bool endedEarly(const AudioStreamReader &reader, qint64 bytes)
{
    const double declared = reader.declaredSeconds();
    if (declared <= 0)
        return reader.lastPacketCut();
    const double decoded = double(bytes) / (sampleRate * double(sizeof(float)));
    return declared - decoded > std::max(1.0, declared / 100);
}

} // namespace

void decode(const QString &source, const QString &destination, const CancellationToken &token,
            const std::function<void(double)> &onProgress)
{
    AudioStreamReader reader(source);
    if (!reader.hasAudio())
        throw TelvoraError(MediaTexts::noAudioTrack.toString());
    if (!reader.openDecoder())
        throw TelvoraError(MediaTexts::cannotPrepare.toString());

    QFile file(destination);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        failWriting(file);

    Resampler resampler(1, AV_SAMPLE_FMT_FLT, sampleRate);
    qint64 total = 0;
    const double expectedBytes = reader.durationSeconds() * sampleRate * double(sizeof(float));
    while (const AVFrame *frame = reader.nextFrame()) {
        token.throwIfCancelled();
        total += append(file, resampler, resampler.convert(frame));
        if (onProgress && expectedBytes > 0)
            onProgress(std::min(1.0, double(total) / expectedBytes));
    }
    if (reader.readError())
        throw TelvoraError((reader.started() ? MediaTexts::readInterrupted : MediaTexts::readFailed).toString());
    total += append(file, resampler, resampler.convert(nullptr));
    // Buffered bytes reach the disk only here: a full disk shows up now, not as a short file.
    if (!file.flush())
        failWriting(file);
    if (endedEarly(reader, total))
        throw TelvoraError(MediaTexts::endedEarly.toString());
    if (total == 0)
        throw TelvoraError(MediaTexts::noAudio.toString());
}

} // namespace telvora::SampleDecoder
