#include "health/stale_values.h"

#include <algorithm>

namespace tresvik {

const StaleValues::Row* StaleValues::find(int row) const {
    if (row < 0 || row >= kParameterCount) {
        return nullptr;
    }
    return &m_rows[static_cast<std::size_t>(row)];
}

std::optional<ArrivalTime> StaleValues::lastSet(int row) const {
    const Row* r = find(row);
    return r != nullptr ? r->lastSet : std::nullopt;
}

std::optional<StaleValues::Duration> StaleValues::age(int row, ArrivalTime now) const {
    const std::optional<ArrivalTime> set = lastSet(row);
    if (!set) {
        return std::nullopt;
    }
    return now - *set;
}

std::optional<StaleValues::Duration> StaleValues::period(int row) const {
    const Row* r = find(row);
    if (r == nullptr || r->intervalCount == 0) {
        return std::nullopt;
    }
    const std::size_t kept = std::min(r->intervalCount, kIntervalsKept);
    std::array<Duration, kIntervalsKept> sorted = r->intervals;
    const auto end = sorted.begin() + static_cast<std::ptrdiff_t>(kept);
    // Of an even number, the lower middle: a late report pulls the period up least.
    const auto middle = sorted.begin() + static_cast<std::ptrdiff_t>((kept - 1) / 2);
    std::nth_element(sorted.begin(), middle, end);
    return *middle;
}

StaleValues::Duration StaleValues::staleAfter(int row) const {
    const Duration own = kPeriodFactor * period(row).value_or(Duration::zero());
    return std::max<Duration>(kShortestStale, own);
}

bool StaleValues::isStale(int row, ArrivalTime now) const {
    // A value that has come only once has no rhythm to miss: the unit may report it once, or
    // only when asked.
    const std::optional<Duration> since = age(row, now);
    return since && period(row) && *since >= staleAfter(row);
}

void StaleValues::portOpened(ArrivalTime /*at*/, std::chrono::system_clock::time_point /*utc*/) {
    for (Row& row : m_rows) {
        row.setSinceOpen = false;
    }
}

void StaleValues::parameterChanged(const ParameterUpdate& update) {
    if (update.row < 0 || update.row >= kParameterCount) {
        return;
    }
    Row& row = m_rows[static_cast<std::size_t>(update.row)];
    if (row.setSinceOpen && update.arrival >= *row.lastSet) {
        row.intervals[row.intervalCount % kIntervalsKept] = update.arrival - *row.lastSet;
        ++row.intervalCount;
    }
    row.lastSet = update.arrival;
    row.setSinceOpen = true;
}

}  // namespace tresvik
