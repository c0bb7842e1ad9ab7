#include "Telvora/Media/AudioWaveform.h"

#include "Telvora/Media/AudioStreamReader_p.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace telvora::AudioWaveform {

namespace {

// Sample `index` of the first channel, as a float in [-1, 1].
float firstChannelSample(const AVFrame *frame, int index)
{
    const auto format = AVSampleFormat(frame->format);
    const int stride = av_sample_fmt_is_planar(format) ? 1 : frame->ch_layout.nb_channels;
    const uint8_t *data = frame->extended_data[0];
    const std::ptrdiff_t at = std::ptrdiff_t(index) * stride;
    switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_U8:
        return (float(data[at]) - 128.0f) / 128.0f;
    case AV_SAMPLE_FMT_S16:
        return float(reinterpret_cast<const int16_t *>(data)[at]) / 32768.0f;
    case AV_SAMPLE_FMT_S32:
        return float(double(reinterpret_cast<const int32_t *>(data)[at]) / 2147483648.0);
    case AV_SAMPLE_FMT_S64:
        return float(double(reinterpret_cast<const int64_t *>(data)[at]) / 9223372036854775808.0);
    case AV_SAMPLE_FMT_FLT:
        return reinterpret_cast<const float *>(data)[at];
    case AV_SAMPLE_FMT_DBL:
        return float(reinterpret_cast<const double *>(data)[at]);
    default:
        return 0;
    }
}

// Compressed audio decodes cleanly only some frames after a seek: reading starts this far
// ahead of the slice and what comes before it is skipped.
constexpr qint64 preroll = 8192;
constexpr int warmUpFrames = 4;

// The peak of up to framesPerBar frames from `start`; none when nothing was read there.
std::optional<float> peakFrom(AudioStreamReader &reader, qint64 start)
{
    if (!reader.seek(std::max<qint64>(0, start - preroll)))
        return std::nullopt;
    float peak = 0;
    qint64 counted = 0;
    int warmUp = start > 0 && !reader.framesStandAlone() ? warmUpFrames : 0;
    while (counted < framesPerBar) {
        const AVFrame *frame = reader.nextFrame();
        if (!frame)
            break;
        // After a seek MP3 gives three silent frames and a distorted one (its bit reservoir
        // refills): those are never counted, even when a fast seek lands them in the slice.
        if (warmUp > 0) {
            --warmUp;
            continue;
        }
        const qint64 position = reader.framePosition(frame);
        // Seeking lands at or before the slice; frames before it are skipped.
        const int first = position < 0 ? 0 : int(std::clamp<qint64>(start - position, 0, frame->nb_samples));
        const int last = int(std::min<qint64>(frame->nb_samples, first + (framesPerBar - counted)));
        for (int i = first; i < last; ++i)
            peak = std::max(peak, std::abs(firstChannelSample(frame, i)));
        counted += last - first;
    }
    if (counted == 0)
        return std::nullopt;
    return peak;
}

} // namespace

QList<double> bars(const QString &path)
{
    try {
        AudioStreamReader reader(path);
        if (!reader.openDecoder())
            return {};
        // An overview needs no sample-exact seek; reading a long MP3 through to each slice would.
        reader.preferFastSeeking();
        const qint64 length = reader.lengthInFrames();
        if (length < 1)
            return {};
        QList<double> result;
        result.reserve(barCount);
        for (int i = 0; i < barCount; ++i) {
            const auto start = qint64(double(i) * double(length) / barCount);
            const std::optional<float> peak = peakFrom(reader, start);
            result.append(peak ? std::clamp(double(*peak), quietest, 1.0) : quietest);
        }
        return result;
    } catch (...) {
        // An unreadable file simply has no overview.
        return {};
    }
}

} // namespace telvora::AudioWaveform
