#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/bytes.h"

namespace tresvik {

// The moment a byte reached the console, on the steady clock: immune to the wall clock being set
// while a session runs.
using ArrivalTime = std::chrono::steady_clock::time_point;

// Received bytes in arrival order, each with the moment it arrived. The receive queue collects
// them byte by byte and hands them on every 50 ms; a frame is timed by its first byte, not by the
// drain that delivers it. Bytes that arrived at the same moment share one time stamp.
class ReceivedBytes {
public:
    ReceivedBytes() = default;
    // `bytes` that all arrived at `at`.
    ReceivedBytes(ByteView bytes, ArrivalTime at);

    void push(std::uint8_t byte, ArrivalTime at);
    void append(ByteView bytes, ArrivalTime at);

    ByteView bytes() const { return m_bytes; }
    std::size_t size() const { return m_bytes.size(); }
    bool empty() const { return m_bytes.empty(); }
    // Calls `visit(byte, arrival)` for every byte in order.
    template <typename Visit>
    void forEach(Visit&& visit) const {
        for (std::size_t r = 0; r < m_runs.size(); ++r) {
            const std::size_t end = r + 1 < m_runs.size() ? m_runs[r + 1].first : m_bytes.size();
            for (std::size_t i = m_runs[r].first; i < end; ++i) {
                visit(m_bytes[i], m_runs[r].at);
            }
        }
    }

    // Calls `visit(bytes, arrival)` for every run of bytes that share one arrival, in order.
    template <typename Visit>
    void forEachRun(Visit&& visit) const {
        for (std::size_t r = 0; r < m_runs.size(); ++r) {
            const std::size_t end = r + 1 < m_runs.size() ? m_runs[r + 1].first : m_bytes.size();
            visit(ByteView(m_bytes).subspan(m_runs[r].first, end - m_runs[r].first), m_runs[r].at);
        }
    }

private:
    struct Run {
        std::size_t first = 0;
        ArrivalTime at;
    };
    Bytes m_bytes;
    std::vector<Run> m_runs;
};

}  // namespace tresvik
