#include "Telvora/Media/LoudnessMeter_p.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

extern "C" {
#include <libavutil/dict.h>
}

namespace telvora {

namespace {

constexpr double targetLoudness = -16;
// A silent programme has no block above the absolute gate and keeps its level.
constexpr double silence = -70;
// The limiter holds sample peaks a decibel under the true-peak ceiling of -1 dBTP: the
// peaks between samples and the encoder's own overshoot stay under it.
constexpr double sampleCeiling = -2;

// The filter reports its running measure on every frame it lets through.
std::optional<double> metadataValue(const AVFrame *frame, const char *key)
{
    const AVDictionaryEntry *entry = av_dict_get(frame->metadata, key, nullptr, 0);
    if (!entry)
        return std::nullopt;
    return std::strtod(entry->value, nullptr);
}

double decibels(double linear) { return linear > 0 ? 20 * std::log10(linear) : -144; }

} // namespace

QByteArray Loudness::normalisingChain() const
{
    const double gain = integrated > silence ? targetLoudness - integrated : 0;
    QByteArray chain = "volume=" + QByteArray::number(gain, 'f', 3) + "dB:precision=float,";
    if (truePeak + gain > sampleCeiling)
        chain += "alimiter=limit=" + QByteArray::number(std::pow(10, sampleCeiling / 20), 'f', 4)
            + ":level=false:latency=true,";
    return chain + "aformat=sample_fmts=fltp";
}

LoudnessMeter::LoudnessMeter(int channels, int rate)
    : m_filter("ebur128=peak=true:metadata=1", channels, rate)
{}

void LoudnessMeter::add(uint8_t *const *planes, int frames)
{
    m_filter.push(planes, frames);
    readFrames();
}

Loudness LoudnessMeter::result()
{
    m_filter.finish();
    readFrames();
    return m_loudness;
}

void LoudnessMeter::readFrames()
{
    while (const AVFrame *frame = m_filter.pull()) {
        if (const std::optional<double> integrated = metadataValue(frame, "lavfi.r128.I"))
            m_loudness.integrated = *integrated;
        if (const std::optional<double> peak = metadataValue(frame, "lavfi.r128.true_peak"))
            m_loudness.truePeak = std::max(m_loudness.truePeak, decibels(*peak));
    }
}

} // namespace telvora
