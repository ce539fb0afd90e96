#include "tools/sim/replay_scheduler.h"

#include <algorithm>
#include <utility>

namespace tresvik::sim {

namespace {

// A chunk is never due later than this after the start of its pass: recordings with absurd
// offsets, or played very slowly, must not overflow the clock.
constexpr std::chrono::hours kLongestDelay{24 * 365};

}  // namespace

ReplayScheduler::ReplayScheduler(TimedBytes chunks, ReplayTiming timing, double speed)
    : m_chunks(std::move(chunks)), m_next(m_chunks.size()) {
    using Milliseconds = std::chrono::duration<double, std::milli>;
    const Milliseconds longest = kLongestDelay;
    for (const TimedChunk& chunk : m_chunks) {
        Milliseconds delay{0.0};
        if (timing == ReplayTiming::Recorded) {
            // Offsets count from the first chunk: a recording that starts late starts at once.
            delay = Milliseconds(static_cast<double>(chunk.offsetMs - m_chunks.front().offsetMs) /
                                 speed);
        }
        m_delays.push_back(std::chrono::duration_cast<Clock::duration>(std::min(delay, longest)));
    }
}

void ReplayScheduler::restart(Clock::time_point start) {
    m_passStart = start;
    m_next = 0;
}

const Bytes* ReplayScheduler::take(Clock::time_point now) {
    const std::optional<Clock::time_point> due = nextDue();
    if (!due || now < *due) {
        return nullptr;
    }
    return &m_chunks[m_next++].bytes;
}

std::optional<ReplayScheduler::Clock::time_point> ReplayScheduler::nextDue() const {
    if (passDone()) {
        return std::nullopt;
    }
    return m_passStart + m_delays[m_next];
}

}  // namespace tresvik::sim
