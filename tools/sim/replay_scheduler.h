#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

#include "log/recording.h"

namespace tresvik::sim {

enum class ReplayTiming {
    Recorded,    // each chunk at its recorded offset from the first, divided by the speed
    BackToBack,  // every chunk as soon as the line has sent the one before
};

// When each chunk of a replay is due on the line. A pass plays the chunks once, from the first;
// the line's pacing, not this, holds a chunk that is due while the one before is still going.
class ReplayScheduler {
public:
    using Clock = std::chrono::steady_clock;

    // `speed` > 0: 2 plays twice as fast as recorded. Only Recorded timing uses it.
    ReplayScheduler(TimedBytes chunks, ReplayTiming timing, double speed);

    // A pass begins at `start` with the first chunk; until the first pass, nothing is due.
    void restart(Clock::time_point start);
    // The next chunk of the pass if its time has come at `now`; it is taken from the pass.
    const Bytes* take(Clock::time_point now);
    // When the next chunk of the pass is due; nothing once every chunk has been taken.
    std::optional<Clock::time_point> nextDue() const;
    bool passDone() const { return m_next == m_chunks.size(); }

private:
    TimedBytes m_chunks;
    std::vector<Clock::duration> m_delays;  // of each chunk after the start of a pass
    Clock::time_point m_passStart;
    std::size_t m_next;
};

}  // namespace tresvik::sim
