#include "plot/plot_axes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace tresvik {
namespace {

constexpr std::int64_t kSecond = 1000;
constexpr std::int64_t kMinute = 60 * kSecond;
constexpr std::int64_t kHour = 60 * kMinute;
// Labels 80, 60 and 45 pixels wide at the three precisions.
constexpr TimeLabelWidths kWidths = {80, 60, 45};

struct TimeCase {
    const char* what;
    double fromMs;
    double toMs;
    double widthPx;
    std::int64_t clockAtStartMs;
    std::int64_t stepMs;
    TimePrecision precision;
    std::int64_t firstTickMs;
};

class TimeTicksTest : public ::testing::TestWithParam<TimeCase> {};

TEST_P(TimeTicksTest, FallOnRoundMomentsOfTheLocalClockWithoutOverlapping) {
    const TimeCase& c = GetParam();
    const TimeTicks ticks = timeTicks(c.fromMs, c.toMs, c.widthPx, kWidths, c.clockAtStartMs);
    EXPECT_EQ(ticks.stepMs, c.stepMs);
    EXPECT_EQ(ticks.precision, c.precision);
    ASSERT_FALSE(ticks.atMs.empty());
    EXPECT_EQ(ticks.atMs.front(), c.firstTickMs);
    for (const std::int64_t at : ticks.atMs) {
        EXPECT_GE(static_cast<double>(at), c.fromMs);
        EXPECT_LE(static_cast<double>(at), c.toMs);
        EXPECT_EQ((c.clockAtStartMs + at) % ticks.stepMs, 0) << "tick at " << at;
    }
    const double pixelsApart = static_cast<double>(ticks.stepMs) / (c.toMs - c.fromMs) * c.widthPx;
    EXPECT_GE(pixelsApart, kWidths[static_cast<std::size_t>(ticks.precision)]);
}

INSTANTIATE_TEST_SUITE_P(
    Zooms, TimeTicksTest,
    ::testing::Values(
        // A second across 1000 pixels: 100 ms apart is the first step that leaves 80 pixels.
        TimeCase{"second", 0, 1000, 1000, 0, 100, TimePrecision::Milliseconds, 0},
        // Connect at 14:03:07.250 local: the first 5 s tick is 14:03:10, 2.75 s in.
        TimeCase{"minute", 0, kMinute, 1000, 14 * kHour + 3 * kMinute + 7250, 5 * kSecond,
                 TimePrecision::Seconds, 2750},
        TimeCase{"hour", 0, kHour, 1000, 14 * kHour + 3 * kMinute + 7250, 5 * kMinute,
                 TimePrecision::Minutes, kMinute + 52750},
        // A day from 14:03 local: two-hourly ticks from 16:00, on the hours midnight starts.
        TimeCase{"day", 0, 24 * kHour, 1000, 14 * kHour + 3 * kMinute, 2 * kHour,
                 TimePrecision::Minutes, kHour + 57 * kMinute},
        TimeCase{"later second", 1234, 2234, 1000, 0, 100, TimePrecision::Milliseconds, 1300},
        // A narrow plot falls back to coarser steps rather than overlap its labels.
        TimeCase{"narrow", 0, kMinute, 200, 0, 30 * kSecond, TimePrecision::Seconds, 0}),
    [](const auto& info) {
        std::string name = info.param.what;
        std::ranges::replace(name, ' ', '_');
        return name;
    });

struct ScaleCase {
    double low;
    double high;
    int maxTicks;
};

class ValueScaleTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(ValueScaleTest, HoldsTheValuesWithFewRoundTicksAndLittleWaste) {
    const ScaleCase& c = GetParam();
    const ValueScale scale = valueScale(c.low, c.high, c.maxTicks);
    EXPECT_LE(scale.low, c.low);
    EXPECT_GE(scale.high, c.high);
    const std::vector<double> ticks = scale.ticks();
    EXPECT_LE(static_cast<int>(ticks.size()), std::max(c.maxTicks, 3));
    EXPECT_GE(ticks.size(), 2U);
    // The step is 1, 2 or 5 times a power of ten.
    const double mantissa = scale.step / std::pow(10.0, std::floor(std::log10(scale.step)));
    EXPECT_TRUE(std::abs(mantissa - 1) < 1e-9 || std::abs(mantissa - 2) < 1e-9 ||
                std::abs(mantissa - 5) < 1e-9)
        << scale.step;
    // The values fill a good share of the lane, whatever their size and sign.
    if (c.high > c.low) {
        EXPECT_GE((c.high - c.low) / (scale.high - scale.low), 0.2);
    }
}

INSTANTIATE_TEST_SUITE_P(Ranges, ValueScaleTest,
                         ::testing::Values(ScaleCase{0, 3000, 5}, ScaleCase{-20, 40, 5},
                                           ScaleCase{-8, 21, 2}, ScaleCase{-8, 21, 3},
                                           ScaleCase{12.31, 12.37, 4}, ScaleCase{-0.5, -0.1, 6},
                                           ScaleCase{1e6, 1.9e6, 8}, ScaleCase{0, 0.001, 3}));

TEST(ValueScale, PutsASingleValueInTheMiddle) {
    for (const double value : {0.0, 42.0, -7.5}) {
        const ValueScale scale = valueScale(value, value, 5);
        EXPECT_LT(scale.low, value);
        EXPECT_GT(scale.high, value);
    }
}

TEST(ValueScale, GivesTheDecimalsTheStepNeeds) {
    EXPECT_EQ(valueScale(0, 3000, 5).decimals, 0);
    EXPECT_EQ(valueScale(12.31, 12.37, 4).decimals, 2);
}

}  // namespace
}  // namespace tresvik
