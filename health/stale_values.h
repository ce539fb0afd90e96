#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <optional>

#include "decode/console_listener.h"
#include "decode/parameter_table.h"

namespace tresvik {

// When each parameter row was last set and how often the unit refreshes it, so that a value the
// unit has stopped sending can be told from one it keeps confirming. A row's period is the median
// of the intervals between its latest updates: a report that comes late once, or twice in quick
// succession, does not move it. A value is stale once it has gone without a refresh for
// kPeriodFactor of its periods, and never sooner than kShortestStale. A row set only once in a
// session has no period and is never stale: the unit may report such a value once, or only when
// asked, and has no rhythm to miss. Values outlive a disconnect, as the list keeps
// showing them, but no interval is measured across one.
class StaleValues : public ConsoleListener {
public:
    using Duration = ArrivalTime::duration;

    static constexpr std::chrono::seconds kShortestStale{3};
    static constexpr int kPeriodFactor = 3;
    // How many of a row's latest intervals its period is the median of.
    static constexpr std::size_t kIntervalsKept = 5;

    // Nothing for a row never set, or outside the table.
    std::optional<ArrivalTime> lastSet(int row) const;
    std::optional<Duration> age(int row, ArrivalTime now) const;
    // Nothing before a row's second update in one session.
    std::optional<Duration> period(int row) const;
    // How long the row's value may go without a refresh before it is stale.
    Duration staleAfter(int row) const;
    // False for a row never set, or without a period.
    bool isStale(int row, ArrivalTime now) const;

    void portOpened(ArrivalTime at, std::chrono::system_clock::time_point utc) override;
    void parameterChanged(const ParameterUpdate& update) override;

private:
    struct Row {
        std::optional<ArrivalTime> lastSet;
        // Whether lastSet came in this session, so that the next update makes an interval.
        bool setSinceOpen = false;
        std::array<Duration, kIntervalsKept> intervals{};
        std::size_t intervalCount = 0;
    };

    const Row* find(int row) const;

    std::array<Row, kParameterCount> m_rows{};
};

}  // namespace tresvik
