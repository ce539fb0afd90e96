#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "plot/chunked_vector.h"
#include "plot/trend_series.h"

namespace tresvik {

// The samples of one series that fall into one column of a plot: how many, the first and the
// last, and the smallest and largest integer among them. The number a row shows grows with its
// integer, so these are also the extremes of the numbers shown. Only `count` means anything in
// a column without samples.
struct TrendColumn {
    std::size_t count = 0;
    TrendSample first;
    TrendSample last;
    std::int32_t min = 0;
    std::int32_t max = 0;
};

// A summary of one series for plotting a long session quickly: the smallest and largest integer
// of every bucket of kBucketSamples samples, of every kFanOut of those buckets, and so on up.
// Any run of samples is then covered by a few whole buckets and a few samples at its ends, so a
// plot column over hours costs about as much as one over seconds, and a single sample that
// stands out is never lost, however far out the plot is zoomed.
class MinMaxSummary {
public:
    static constexpr std::size_t kBucketSamples = 16;
    static constexpr std::size_t kFanOut = 8;

    // Takes the series' next sample.
    void add(const TrendSample& sample);

    // Cuts the time from `fromMs` to `toMs` (since the session began) into `columnCount` equal
    // slices and describes the samples of `series`, which this summary has followed sample by
    // sample, in each. A sample at time t belongs to the slice whose start is at or before t and
    // whose end is after it; every sample from `fromMs` up to, not including, `toMs` is in exactly
    // one slice.
    std::vector<TrendColumn> columns(const TrendSeries& series, double fromMs, double toMs,
                                     std::size_t columnCount) const;

private:
    struct Extremes {
        std::int32_t min = INT32_MAX;
        std::int32_t max = INT32_MIN;
        void take(std::int32_t value);
        void take(const Extremes& other);
    };
    // 2 KiB chunks: the levels high up hold few buckets each.
    using Level = ChunkedVector<Extremes, 256>;

    // Index of the first sample of `series` at `timeMs` or later, at or after `from`.
    std::size_t firstAtOrAfter(const TrendSeries& series, std::uint64_t timeMs,
                               std::size_t from) const;
    // Extremes of samples `first` up to, not including, `last`.
    Extremes extremes(const TrendSeries& series, std::size_t first, std::size_t last) const;

    // Level 0 holds the buckets of kBucketSamples samples, each level above kFanOut times longer
    // ones; only complete buckets are kept.
    std::vector<Level> m_levels;
    // The time of each level 0 bucket's first sample, the one being filled included: a slice's
    // edge is found among these, a sixteenth of the samples, then among one bucket's samples,
    // which the extremes at the edge read next.
    ChunkedVector<std::uint32_t, 512> m_bucketTimes;
    // The samples of the bucket being filled.
    Extremes m_open;
    std::size_t m_count = 0;
};

}  // namespace tresvik
