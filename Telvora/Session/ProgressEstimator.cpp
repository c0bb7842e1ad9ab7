#include "Telvora/Session/ProgressEstimator.h"

namespace telvora {

TranscriptionProgress ProgressEstimator::estimate(const TranscriptionProgress &reported, Clock::time_point now)
{
    TranscriptionProgress progress = reported;
    progress.secondsLeft.reset();
    if (m_stage != reported.stage) {
        m_stage = reported.stage;
        m_startFraction = reported.fraction;
        m_start = now;
        return progress;
    }
    const double advance = reported.fraction - m_startFraction;
    const std::chrono::duration<double> elapsed = now - m_start;
    if (reported.fraction < 1 && advance >= minimumAdvance && elapsed >= minimumTime)
        progress.secondsLeft = (1 - reported.fraction) * elapsed.count() / advance;
    return progress;
}

} // namespace telvora
