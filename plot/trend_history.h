#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "decode/console_listener.h"
#include "decode/parameter_table.h"
#include "plot/min_max_summary.h"
#include "plot/trend_samples.h"

namespace tresvik {

// Every numeric parameter value of the session, for plotting how values moved over hours and for
// exporting exactly what was received. A session begins when the port opens and lasts until it
// opens again, so what a disconnect ends stays to be looked at. Without a port (a file being
// read) begin() starts one. Lives on the thread that feeds the console session, as the session
// does.
class TrendHistory : public ConsoleListener {
public:
    using Utc = std::chrono::system_clock::time_point;

    // Starts a session at `start` on the steady clock, when the wall clock read `utcStart`
    // (nothing when not known). What the session before kept is let go.
    void begin(ArrivalTime start, std::optional<Utc> utcStart);
    bool begun() const { return m_begun; }

    // Keeps the integer a frame of numeric `row` carried; TrendSamples::add tells what is not
    // kept, and before the first session nothing is.
    bool add(int row, ArrivalTime arrival, std::int32_t raw);

    // What the session kept. A copy is a snapshot to be read on another thread while this
    // history goes on.
    const TrendSamples& samples() const { return m_samples; }
    // The samples of `row` (0 to kTrendRowCount - 1) between `fromMs` and `toMs` in `columnCount`
    // equal slices of time, as MinMaxSummary::columns describes them.
    std::vector<TrendColumn> columns(int row, double fromMs, double toMs,
                                     std::size_t columnCount) const;

    void portOpened(ArrivalTime at, Utc utc) override;
    void parameterChanged(const ParameterUpdate& update) override;

private:
    bool m_begun = false;
    TrendSamples m_samples;
    std::array<MinMaxSummary, kTrendRowCount> m_summaries;
};

}  // namespace tresvik
