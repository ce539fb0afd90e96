#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

#include "link/frame.h"

namespace tresvik {

// Bytes waiting to be written to the port. Frame builders append whole frames; the serial
// worker takes the front byte, writes it and removes it. Each operation holds the lock only for
// itself, so appends and removals never interleave and nobody waits across a port write.
class TransmitQueue {
public:
    void append(ByteView bytes);
    void appendZeros(std::size_t count);
    std::optional<std::uint8_t> front() const;
    void popFront();
    void clear();
    std::size_t size() const;
    bool empty() const { return size() == 0; }
    // Removes and returns everything queued.
    Bytes takeAll();

private:
    mutable std::mutex m_mutex;
    std::deque<std::uint8_t> m_bytes;
};

}  // namespace tresvik
