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

LoudnessMeter::LoudnessMeter(int channels, int rate, const QByteArray &before)
    // The sample peak costs next to nothing; the true peak, four times oversampled, would
    // cost as much as decoding the narration again.
    : m_filter(QByteArray(before + "ebur128=peak=sample:metadata=1").constData(), channels, rate)
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
        if (const std::optional<double> peak = metadataValue(frame, "lavfi.r128.sample_peak"))
            m_loudness.samplePeak = std::max(m_loudness.samplePeak, decibels(*peak));
    }
}

} // namespace telvora
