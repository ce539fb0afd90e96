#include "plot/trend_history.h"

namespace tresvik {

void TrendHistory::begin(ArrivalTime start, std::optional<Utc> utcStart) {
    m_begun = true;
    m_samples = TrendSamples(start, utcStart);
    m_summaries.fill(MinMaxSummary{});
}

bool TrendHistory::add(int row, ArrivalTime arrival, std::int32_t raw) {
    if (!m_begun || !m_samples.add(row, arrival, raw)) {
        return false;
    }
    const TrendSeries& series = m_samples.series(row);
    m_summaries[static_cast<std::size_t>(row)].add(series[series.size() - 1]);
    return true;
}

std::vector<TrendColumn> TrendHistory::columns(int row, double fromMs, double toMs,
                                               std::size_t columnCount) const {
    return m_summaries[static_cast<std::size_t>(row)].columns(m_samples.series(row), fromMs, toMs,
                                                              columnCount);
}

void TrendHistory::portOpened(ArrivalTime at, Utc utc) {
    begin(at, utc);
}

void TrendHistory::parameterChanged(const ParameterUpdate& update) {
    if (update.raw) {
        add(update.row, update.arrival, *update.raw);
    }
}

}  // namespace tresvik
