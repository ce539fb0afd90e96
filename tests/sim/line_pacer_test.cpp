#include "tools/sim/line_pacer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

namespace tresvik::sim {
namespace {

using Clock = LinePacer::Clock;
using std::chrono::milliseconds;

const Clock::time_point kStart = Clock::time_point{} + std::chrono::hours(1);

double secondsSince(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

struct PacedRun {
    double rate;
    std::size_t bytes;
};

class SimLinePacerRate : public ::testing::TestWithParam<PacedRun> {};

// A writer that sends whatever it may and sleeps as long as the pacer says, on a clock of the
// test's own: the line never carries more than the rate allows plus one burst, and the writer
// neither falls behind nor oversleeps.
TEST_P(SimLinePacerRate, AWriterThatFollowsThePacerSendsAtTheRate) {
    const auto [rate, total] = GetParam();
    const double burst = std::max(1.0, rate * LinePacer::kBurstSeconds);
    LinePacer pacer(rate);
    pacer.restart(kStart);
    Clock::time_point now = kStart;
    std::size_t sent = 0;
    for (int wakes = 0; sent < total; ++wakes) {
        ASSERT_LT(wakes, 100000) << "the writer is never let through";
        const std::size_t count = std::min(pacer.allowance(now), total - sent);
        pacer.spend(count);
        sent += count;
        ASSERT_LE(static_cast<double>(sent), rate * secondsSince(kStart, now) + burst)
            << "after " << secondsSince(kStart, now) << " s";
        if (sent < total) {
            const milliseconds wait = pacer.wait(total - sent, now);
            ASSERT_GT(wait.count(), 0) << "a writer short of credit would spin";
            now += wait;
        }
    }
    const double ideal = static_cast<double>(total) / rate;
    EXPECT_GE(secondsSince(kStart, now), ideal - burst / rate);
    EXPECT_LE(secondsSince(kStart, now), ideal + 0.02);
}

INSTANTIATE_TEST_SUITE_P(Rates, SimLinePacerRate,
                         ::testing::Values(PacedRun{960.0, 960}, PacedRun{960.0, 37},
                                           PacedRun{9600.0, 20000}, PacedRun{3.0, 7},
                                           PacedRun{115200.0, 50000}));

TEST(SimLinePacer, NothingGoesBeforeTheLineStartsAndAPauseEarnsOnlyABurst) {
    LinePacer pacer(960.0);
    pacer.restart(kStart);
    EXPECT_EQ(pacer.allowance(kStart - milliseconds(50)), 0U);
    EXPECT_GE(pacer.wait(10, kStart - milliseconds(50)), milliseconds(50));
    EXPECT_EQ(pacer.allowance(kStart), 0U);

    // A second of silence, as before a replayed chunk that is due late: only 20 ms worth.
    EXPECT_EQ(pacer.allowance(kStart + std::chrono::seconds(1)), 19U);
    pacer.spend(19);
    EXPECT_EQ(pacer.allowance(kStart + std::chrono::seconds(1)), 0U);

    // Starting again forgets the credit.
    pacer.restart(kStart + std::chrono::seconds(5));
    EXPECT_EQ(pacer.allowance(kStart + std::chrono::seconds(5)), 0U);
}

TEST(SimLinePacer, RateZeroLeavesTheLineUnpaced) {
    LinePacer pacer(0.0);
    pacer.restart(kStart);
    EXPECT_EQ(pacer.allowance(kStart), std::numeric_limits<std::size_t>::max());
    pacer.spend(1000000);
    EXPECT_EQ(pacer.allowance(kStart), std::numeric_limits<std::size_t>::max());
    EXPECT_EQ(pacer.wait(1000000, kStart), milliseconds(0));
}

}  // namespace
}  // namespace tresvik::sim
