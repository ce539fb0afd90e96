#include "plot/min_max_summary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "plot/trend_history.h"

namespace tresvik {
namespace {

// A numeric row without offset or scaling: the integers are the numbers.
constexpr int kRow = 16;
const ArrivalTime kStart = ArrivalTime{} + std::chrono::hours(1);

void feed(TrendHistory& history, const std::vector<TrendSample>& samples) {
    history.begin(kStart, std::nullopt);
    for (const TrendSample& s : samples) {
        ASSERT_TRUE(history.add(kRow, kStart + std::chrono::milliseconds(s.timeMs), s.raw));
    }
}

// Samples 0 to 20 ms apart, several often in the same millisecond, with values that wander.
std::vector<TrendSample> wanderingSeries(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::uint32_t> gap(0, 20);
    std::uniform_int_distribution<std::int32_t> step(-50, 50);
    std::vector<TrendSample> samples;
    std::uint32_t time = 0;
    std::int32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        time += gap(random);
        value += step(random);
        samples.push_back({time, value});
    }
    return samples;
}

struct View {
    double from;
    double to;
    std::size_t columnCount;
};

// The columns against the samples themselves: each column holds the next samples of the view in
// order, all within its slice of time, with its first, last and extremes taken over them one by
// one, and every sample of the view is in a column.
void expectColumnsDescribeTheSamples(const std::vector<TrendColumn>& columns,
                                     const std::vector<TrendSample>& samples, const View& view) {
    ASSERT_EQ(columns.size(), view.columnCount);
    const auto inView = [&](const TrendSample& s) {
        return s.timeMs >= view.from && s.timeMs < view.to;
    };
    auto next = std::ranges::find_if(samples, inView);
    std::size_t counted = 0;
    const double width = (view.to - view.from) / static_cast<double>(view.columnCount);
    const double tolerance = 1e-6;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const TrendColumn& column = columns[c];
        counted += column.count;
        if (column.count == 0) {
            continue;
        }
        SCOPED_TRACE("column " + std::to_string(c));
        ASSERT_LE(column.count, static_cast<std::size_t>(samples.end() - next));
        const auto end = next + static_cast<std::ptrdiff_t>(column.count);
        EXPECT_EQ(column.first, *next);
        EXPECT_EQ(column.last, *(end - 1));
        const auto [low, high] = std::minmax_element(
            next, end, [](const TrendSample& a, const TrendSample& b) { return a.raw < b.raw; });
        EXPECT_EQ(column.min, low->raw);
        EXPECT_EQ(column.max, high->raw);
        EXPECT_GE(column.first.timeMs, view.from + width * static_cast<double>(c) - tolerance);
        EXPECT_LT(column.last.timeMs, view.from + width * static_cast<double>(c + 1) + tolerance);
        next = end;
    }
    EXPECT_EQ(counted, static_cast<std::size_t>(std::ranges::count_if(samples, inView)));
}

TEST(MinMaxSummary, ColumnsAgreeWithTheSamplesForEverySizeAndView) {
    // Sizes around the buckets' edges (16 samples, then 8 times as many at each level up).
    const std::size_t sizes[] = {0, 1, 15, 16, 17, 127, 128, 129, 1023, 1024, 1025, 8193, 70000};
    TrendHistory history;
    for (const std::size_t size : sizes) {
        SCOPED_TRACE(std::to_string(size) + " samples");
        const std::vector<TrendSample> samples = wanderingSeries(size, static_cast<unsigned>(size));
        feed(history, samples);
        const double last = samples.empty() ? 0 : samples.back().timeMs;
        const View views[] = {
            {0, last + 1, 1},
            {0, last + 1, 7},
            {0, last + 1, 1600},
            {0, last + 1, 3 * size + 2},
            {last * 0.3, last * 0.31, 1600},
            {-500, last / 2, 100},
            {last / 2, 2 * last + 10, 333},
            {0.5, last + 0.5, 999},
            {last + 1, last + 1000, 10},
        };
        for (const View& view : views) {
            SCOPED_TRACE(testing::Message() << "from " << view.from << " to " << view.to << " in "
                                            << view.columnCount << " columns");
            expectColumnsDescribeTheSamples(
                history.columns(kRow, view.from, view.to, view.columnCount), samples, view);
        }
    }
}

TEST(MinMaxSummary, AnEmptyOrBackwardViewHasNoSamples) {
    TrendHistory history;
    feed(history, wanderingSeries(500, 1));
    EXPECT_TRUE(history.columns(kRow, 0, 1000, 0).empty());
    for (const auto& column : history.columns(kRow, 1000, 1000, 4)) {
        EXPECT_EQ(column.count, 0U);
    }
    for (const auto& column : history.columns(kRow, 1000, 10, 4)) {
        EXPECT_EQ(column.count, 0U);
    }
    for (const auto& column : history.columns(kRow, NAN, 1000, 4)) {
        EXPECT_EQ(column.count, 0U);
    }
}

// However far out a plot is zoomed, one sample that stands out shows in the column that holds it,
// wherever it falls among the buckets.
TEST(MinMaxSummary, ASingleSpikeOrDipIsNeverLostFromAZoomedOutView) {
    constexpr std::size_t kCount = 150000;
    constexpr std::int32_t kLevel = 7;
    const std::size_t positions[] = {0,    15,   16,   17,    127,   128,    1023,
                                     1024, 8191, 8192, 65535, 65536, 131071, kCount - 1};
    const std::size_t columnCounts[] = {1, 3, 1600};
    TrendHistory history;
    for (const std::int32_t outlier : {INT32_MAX, INT32_MIN}) {
        for (const std::size_t at : positions) {
            std::vector<TrendSample> samples;
            for (std::size_t i = 0; i < kCount; ++i) {
                samples.push_back({static_cast<std::uint32_t>(10 * i), i == at ? outlier : kLevel});
            }
            feed(history, samples);
            for (const std::size_t columnCount : columnCounts) {
                SCOPED_TRACE(testing::Message()
                             << outlier << " at " << at << " in " << columnCount << " columns");
                const auto columns = history.columns(kRow, 0, 10.0 * kCount, columnCount);
                std::size_t showing = 0;
                for (const TrendColumn& column : columns) {
                    const bool holds = column.count > 0 &&
                                       column.first.timeMs <= samples[at].timeMs &&
                                       samples[at].timeMs <= column.last.timeMs;
                    EXPECT_EQ(column.min, holds ? std::min(outlier, kLevel) : kLevel);
                    EXPECT_EQ(column.max, holds ? std::max(outlier, kLevel) : kLevel);
                    showing += holds ? 1 : 0;
                }
                EXPECT_EQ(showing, 1U);
            }
        }
    }
}

}  // namespace
}  // namespace tresvik
