#include "Telvora/Session/ProgressEstimator.h"

#include <gtest/gtest.h>

using namespace telvora;
using namespace std::chrono_literals;

namespace {

using Stage = TranscriptionProgress::Stage;

struct Report
{
    Stage stage;
    double fraction;
    std::chrono::milliseconds at;
};

} // namespace

TEST(ProgressEstimator, TimeLeftFromThePaceOfTheStageSoFar)
{
    const struct
    {
        const char *name;
        std::vector<Report> reports;
        std::optional<double> secondsLeft; // after the last report
    } cases[]{
        {"first report of a stage: nothing to go on", {{Stage::recognition, 0.2, 0s}}, std::nullopt},
        {"steady pace", {{Stage::recognition, 0, 0s}, {Stage::recognition, 0.25, 60s}}, 180},
        {"pace counted from the stage's first report",
         {{Stage::recognition, 0.1, 0s}, {Stage::recognition, 0.35, 30s}, {Stage::recognition, 0.4, 90s}},
         180},
        {"too early: under five seconds",
         {{Stage::recognition, 0, 0s}, {Stage::recognition, 0.5, 4900ms}},
         std::nullopt},
        {"too little: under three percent",
         {{Stage::recognition, 0, 0s}, {Stage::recognition, 0.02, 60s}},
         std::nullopt},
        {"a new stage starts over",
         {{Stage::recognition, 0, 0s},
          {Stage::recognition, 0.9, 90s},
          {Stage::diarization, 0, 100s},
          {Stage::diarization, 0.02, 110s}},
         std::nullopt},
        {"a finished stage has none", {{Stage::recognition, 0, 0s}, {Stage::recognition, 1, 60s}}, std::nullopt},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ProgressEstimator estimator;
        const ProgressEstimator::Clock::time_point start{};
        TranscriptionProgress last;
        for (const Report &report : c.reports)
            last = estimator.estimate({report.stage, report.fraction, 99}, start + report.at);
        EXPECT_EQ(last.stage, c.reports.back().stage);
        EXPECT_EQ(last.fraction, c.reports.back().fraction);
        ASSERT_EQ(last.secondsLeft.has_value(), c.secondsLeft.has_value());
        if (c.secondsLeft) {
            EXPECT_NEAR(*last.secondsLeft, *c.secondsLeft, 1e-9);
        }
    }
}
