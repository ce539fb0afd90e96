#include "plot/min_max_summary.h"

#include <algorithm>
#include <cmath>

namespace tresvik {

void MinMaxSummary::Extremes::take(std::int32_t value) {
    min = std::min(min, value);
    max = std::max(max, value);
}

void MinMaxSummary::Extremes::take(const Extremes& other) {
    min = std::min(min, other.min);
    max = std::max(max, other.max);
}

void MinMaxSummary::add(const TrendSample& sample) {
    if (m_count % kBucketSamples == 0) {
        m_bucketTimes.append(sample.timeMs);
    }
    m_open.take(sample.raw);
    ++m_count;
    if (m_count % kBucketSamples != 0) {
        return;
    }
    // The bucket is complete, and with it perhaps one at each level above.
    Extremes closed = m_open;
    m_open = {};
    for (std::size_t level = 0;; ++level) {
        if (level == m_levels.size()) {
            m_levels.emplace_back();
        }
        Level& buckets = m_levels[level];
        buckets.append(closed);
        if (buckets.size() % kFanOut != 0) {
            return;
        }
        closed = {};
        for (std::size_t i = buckets.size() - kFanOut; i < buckets.size(); ++i) {
            closed.take(buckets[i]);
        }
    }
}

std::size_t MinMaxSummary::firstAtOrAfter(const TrendSeries& series, std::uint64_t timeMs,
                                          std::size_t from) const {
    // The first bucket that begins at `timeMs` or later: the sample sought is in the bucket
    // before it, or is its first.
    const std::size_t fromBucket = from / kBucketSamples;
    const std::size_t bucket = m_bucketTimes.partitionPoint(
        fromBucket, [timeMs](std::uint32_t begins) { return begins < timeMs; });
    const std::size_t start = bucket > fromBucket ? (bucket - 1) * kBucketSamples : from;
    return series.firstAtOrAfter(timeMs, std::max(start, from));
}

MinMaxSummary::Extremes MinMaxSummary::extremes(const TrendSeries& series, std::size_t first,
                                                std::size_t last) const {
    Extremes found;
    const auto takeSample = [&found](const TrendSample& sample) { found.take(sample.raw); };
    const auto takeBucket = [&found](const Extremes& bucket) { found.take(bucket); };
    // Single samples up to the first bucket's edge and back from the last one's.
    std::size_t low = (first + kBucketSamples - 1) / kBucketSamples;
    std::size_t high = last / kBucketSamples;
    if (low >= high) {
        series.visit(first, last, takeSample);
        return found;
    }
    series.visit(first, low * kBucketSamples, takeSample);
    series.visit(high * kBucketSamples, last, takeSample);
    // Then whole buckets: at each level those up to the edges of the level above, whose buckets
    // cover the rest.
    for (std::size_t level = 0; low < high; ++level) {
        const Level& buckets = m_levels[level];
        if (level + 1 == m_levels.size()) {
            buckets.visit(low, high, takeBucket);
            break;
        }
        const std::size_t upLow = (low + kFanOut - 1) / kFanOut;
        const std::size_t upHigh = high / kFanOut;
        if (upLow >= upHigh) {
            buckets.visit(low, high, takeBucket);
            break;
        }
        buckets.visit(low, upLow * kFanOut, takeBucket);
        buckets.visit(upHigh * kFanOut, high, takeBucket);
        low = upLow;
        high = upHigh;
    }
    return found;
}

std::vector<TrendColumn> MinMaxSummary::columns(const TrendSeries& series, double fromMs,
                                                double toMs, std::size_t columnCount) const {
    std::vector<TrendColumn> columns(columnCount);
    if (columnCount == 0 || !(toMs > fromMs)) {
        return columns;
    }
    // The first sample at or after the start of slice `c`, searched from `from` on.
    const auto firstOfSlice = [&](std::size_t c, std::size_t from) {
        const double start = c == columnCount
                                 ? toMs
                                 : fromMs + (toMs - fromMs) * (static_cast<double>(c) /
                                                               static_cast<double>(columnCount));
        const double ms = std::ceil(start);
        if (ms <= 0) {
            return from;
        }
        if (ms > static_cast<double>(kLastSampleTimeMs)) {
            return series.size();
        }
        return firstAtOrAfter(series, static_cast<std::uint64_t>(ms), from);
    };
    std::size_t begin = firstOfSlice(0, 0);
    for (std::size_t c = 0; c < columnCount; ++c) {
        const std::size_t end = firstOfSlice(c + 1, begin);
        TrendColumn& column = columns[c];
        column.count = end - begin;
        if (column.count > 0) {
            column.first = series[begin];
            column.last = series[end - 1];
            const Extremes found = extremes(series, begin, end);
            column.min = found.min;
            column.max = found.max;
        }
        begin = end;
    }
    return columns;
}

}  // namespace tresvik
