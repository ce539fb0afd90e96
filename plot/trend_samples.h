#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "decode/parameter_table.h"
#include "decode/parameter_update.h"
#include "link/received_bytes.h"
#include "plot/chunked_vector.h"
#include "plot/trend_rows.h"
#include "plot/trend_series.h"

namespace tresvik {

// The numeric parameter values of one session with the unit, each kept as it arrived: per
// parameter a series of samples, and across parameters the order they arrived in, one byte each.
// Times count milliseconds from the session's start and never decrease in arrival order, so the
// samples before any moment are the first ones of every series and of the order alike.
//
// A copy is a snapshot: it shares the samples, and keeps showing those there were when it was
// made while the original goes on, so it can be read (a file written from it) on another thread.
class TrendSamples {
public:
    using Utc = std::chrono::system_clock::time_point;

    TrendSamples() = default;
    // A session that began at `start` on the steady clock, when the wall clock read `utcStart`;
    // nothing when the wall-clock time is not known.
    TrendSamples(ArrivalTime start, std::optional<Utc> utcStart);

    // Keeps the integer a frame of `row` carried, timed by its arrival: at the session's start if
    // it came before, at the last sample's time if it came before that. False when it is not
    // kept: `row` has no numeric value, or the session has run for longer than kLastSampleTimeMs.
    bool add(int row, ArrivalTime arrival, std::int32_t raw);

    ArrivalTime start() const { return m_start; }
    const std::optional<Utc>& utcStart() const { return m_utcStart; }
    // Milliseconds from the session's start to `at`, 0 before it.
    std::uint64_t elapsedMs(ArrivalTime at) const;

    // Samples of every row together.
    std::size_t size() const { return m_order.size(); }
    const TrendSeries& series(int row) const;
    // Rows with at least one sample, in row order.
    std::vector<int> rows() const;
    // The number and the text that the list showed for sample `index` of `row`.
    ShownNumber number(int row, std::size_t index) const;
    std::u16string text(int row, std::size_t index) const;
    std::optional<TrendSample> latest(int row) const;
    // The time of the latest sample of all; 0 while there is none.
    std::uint32_t lastTimeMs() const { return m_lastTimeMs; }
    // Samples that came later than kLastSampleTimeMs into the session and were not kept.
    std::size_t notKept() const { return m_notKept; }

    // Calls `visit(row, index)` for each sample from `fromMs` up to, not including, `toMs`, in
    // the order they arrived, until it returns false.
    template <typename Visit>
    void visitInArrivalOrder(std::uint64_t fromMs, std::uint64_t toMs, Visit&& visit) const {
        std::array<std::size_t, kTrendRowCount> next{};
        std::size_t position = 0;
        for (std::size_t row = 0; row < next.size(); ++row) {
            next[row] = m_series[row].firstAtOrAfter(fromMs);
            position += next[row];
        }
        for (; position < m_order.size(); ++position) {
            const std::uint8_t row = m_order[position];
            const std::size_t index = next[row]++;
            if (m_series[row][index].timeMs >= toMs || !visit(int{row}, index)) {
                return;
            }
        }
    }

private:
    // 16 KiB chunks of row numbers, which all fit in a byte.
    static constexpr std::size_t kOrderChunk = 16384;
    static_assert(kTrendRowCount <= 256);

    ArrivalTime m_start{};
    std::optional<Utc> m_utcStart;
    std::array<TrendSeries, kTrendRowCount> m_series;
    ChunkedVector<std::uint8_t, kOrderChunk> m_order;
    std::uint32_t m_lastTimeMs = 0;
    std::size_t m_notKept = 0;
};

}  // namespace tresvik
