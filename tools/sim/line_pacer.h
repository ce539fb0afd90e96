#pragma once

#include <chrono>
#include <cstddef>

namespace tresvik::sim {

// Holds what the simulated unit writes to the port to the line rate. Time earns credit for
// bytes; a pause earns at most a short burst's worth, so that bytes held up (by a full port, or
// a replayed chunk that came late) are never sent faster than the line to catch up.
class LinePacer {
public:
    using Clock = std::chrono::steady_clock;

    // The most credit a pause earns: 20 ms worth of bytes.
    static constexpr double kBurstSeconds = 0.02;
    // A writer waiting for credit is woken for about 10 ms worth of bytes at a time.
    static constexpr double kWakeSeconds = 0.01;

    // `rate` in bytes a second; 0 for a line that takes bytes as fast as the port does.
    explicit LinePacer(double rate);

    // The line starts again at `from`, with no credit: nothing may be written before then.
    void restart(Clock::time_point from);
    // How many bytes may be written at `now`.
    std::size_t allowance(Clock::time_point now);
    void spend(std::size_t count);
    // How long after `now` a writer with `pending` bytes to write should look again.
    std::chrono::milliseconds wait(std::size_t pending, Clock::time_point now) const;

private:
    double m_rate;
    double m_credit = 0.0;
    Clock::time_point m_lastCredit;
};

}  // namespace tresvik::sim
