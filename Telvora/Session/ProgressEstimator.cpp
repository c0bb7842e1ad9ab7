#include "Telvora/Session/ProgressEstimator.h"

namespace telvora {

TranscriptionProgress ProgressEstimator::estimate(const TranscriptionProgress &reported, Clock::time_point now)
{
    TranscriptionProgress progress = reported;
    progress.secondsLeft = secondsLeft(int(reported.stage), reported.fraction, now);
    return progress;
}

std::optional<double> ProgressEstimator::secondsLeft(int stage, double fraction, Clock::time_point now)
{
    if (m_stage != stage) {
        m_stage = stage;
        m_startFraction = fraction;
        m_start = now;
        return std::nullopt;
    }
    const double advance = fraction - m_startFraction;
    const std::chrono::duration<double> elapsed = now - m_start;
    if (fraction < 1 && advance >= minimumAdvance && elapsed >= minimumTime)
        return (1 - fraction) * elapsed.count() / advance;
    return std::nullopt;
}

} // namespace telvora
