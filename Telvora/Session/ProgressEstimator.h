#pragma once

#include "Telvora/Transcription/TranscriptionProgress.h"

#include <chrono>
#include <optional>

namespace telvora {

/// Estimates the time left in a transcription's current stage from the pace the stage has
/// kept since its first report. No estimate until the stage has run a few seconds and moved
/// a few percent, so that start-up costs do not make the first guess wild.
class ProgressEstimator
{
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::chrono::seconds minimumTime{5};
    static constexpr double minimumAdvance = 0.03;

    /// `reported` with `secondsLeft` set when it can be estimated at `now`.
    TranscriptionProgress estimate(const TranscriptionProgress &reported, Clock::time_point now);
    /// The seconds left in `stage` (any number that tells the stages of a piece of work
    /// apart) at `fraction` done, when they can be estimated at `now`.
    std::optional<double> secondsLeft(int stage, double fraction, Clock::time_point now);
    void reset() { m_stage.reset(); }

private:
    std::optional<int> m_stage;
    double m_startFraction = 0;
    Clock::time_point m_start;
};

} // namespace telvora
