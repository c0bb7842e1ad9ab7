#pragma once

#include <cstddef>
#include <vector>

namespace telvora {

/// The average power of the most recent samples of one channel, in decibels.
class LevelMeter
{
public:
    static constexpr double silence = -160.0;

    /// Keeps the last `window` samples (at least one).
    explicit LevelMeter(std::size_t window);

    void add(float sample);
    void clear();
    /// 20·log10 of the RMS over the kept samples, between −160 and 0.
    double averagePower() const;

private:
    std::vector<float> m_samples;
    std::size_t m_next = 0;
    std::size_t m_count = 0;
};

} // namespace telvora
