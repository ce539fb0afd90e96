#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>

#include "link/frame.h"

namespace tresvik {

// Bytes waiting to be written to the port. Frame builders append whole frames; the serial
// worker takes the front byte, writes it and removes it. Each operation holds the lock only for
// itself, so appends and removals never interleave and nobody waits across a port write.
class TransmitQueue {
public:
    // Called after every append, on the appending thread, outside the lock: the worker's wake-up.
    // Set once, before anyone appends.
    void setAppendListener(std::function<void()> listener) {
        m_appendListener = std::move(listener);
    }

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
    void appended() const;

    std::function<void()> m_appendListener;
    mutable std::mutex m_mutex;
    std::deque<std::uint8_t> m_bytes;
};

}  // namespace tresvik
