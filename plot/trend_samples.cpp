#include "plot/trend_samples.h"

#include <algorithm>

#include "plot/trend_rows.h"

namespace tresvik {

TrendSamples::TrendSamples(ArrivalTime start, std::optional<Utc> utcStart)
    : m_start(start), m_utcStart(utcStart) {}

bool TrendSamples::add(int row, ArrivalTime arrival, std::int32_t raw) {
    if (!hasTrend(row)) {
        return false;
    }
    const std::uint64_t timeMs = std::max<std::uint64_t>(elapsedMs(arrival), m_lastTimeMs);
    if (timeMs > kLastSampleTimeMs) {
        ++m_notKept;
        return false;
    }
    m_lastTimeMs = static_cast<std::uint32_t>(timeMs);
    m_series[static_cast<std::size_t>(row)].append({m_lastTimeMs, raw});
    m_order.append(static_cast<std::uint8_t>(row));
    return true;
}

std::uint64_t TrendSamples::elapsedMs(ArrivalTime at) const {
    if (at <= m_start) {
        return 0;
    }
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(at - m_start).count());
}

const TrendSeries& TrendSamples::series(int row) const {
    return m_series[static_cast<std::size_t>(row)];
}

std::vector<int> TrendSamples::rows() const {
    std::vector<int> rows;
    for (int row = 0; row < kTrendRowCount; ++row) {
        if (!series(row).empty()) {
            rows.push_back(row);
        }
    }
    return rows;
}

ShownNumber TrendSamples::number(int row, std::size_t index) const {
    return trendNumber(row, series(row)[index].raw);
}

std::u16string TrendSamples::text(int row, std::size_t index) const {
    return trendText(row, series(row)[index].raw);
}

std::optional<TrendSample> TrendSamples::latest(int row) const {
    const TrendSeries& samples = series(row);
    if (samples.empty()) {
        return std::nullopt;
    }
    return samples[samples.size() - 1];
}

}  // namespace tresvik
