#include "Telvora/Media/LevelMeter.h"

#include <algorithm>
#include <cmath>

namespace telvora {

LevelMeter::LevelMeter(std::size_t window)
    : m_samples(std::max<std::size_t>(window, 1), 0.0f)
{}

void LevelMeter::add(float sample)
{
    m_samples[m_next] = sample;
    m_next = (m_next + 1) % m_samples.size();
    m_count = std::min(m_count + 1, m_samples.size());
}

void LevelMeter::clear()
{
    m_next = 0;
    m_count = 0;
}

double LevelMeter::averagePower() const
{
    if (m_count == 0)
        return silence;
    double sum = 0;
    for (std::size_t i = 0; i < m_count; ++i)
        sum += double(m_samples[i]) * double(m_samples[i]);
    const double rms = std::sqrt(sum / double(m_count));
    if (!(rms > 0))
        return silence;
    return std::clamp(20.0 * std::log10(rms), silence, 0.0);
}

} // namespace telvora
