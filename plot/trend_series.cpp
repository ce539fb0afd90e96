#include "plot/trend_series.h"

namespace tresvik {

std::size_t TrendSeries::firstAtOrAfter(std::uint64_t timeMs, std::size_t from) const {
    return m_samples.partitionPoint(
        from, [timeMs](const TrendSample& sample) { return sample.timeMs < timeMs; });
}

std::optional<std::size_t> TrendSeries::inForceAt(std::uint64_t timeMs) const {
    // Every sample is in force after the latest time a sample can have.
    const std::size_t after =
        timeMs >= kLastSampleTimeMs ? m_samples.size() : firstAtOrAfter(timeMs + 1);
    if (after == 0) {
        return std::nullopt;
    }
    return after - 1;
}

}  // namespace tresvik
