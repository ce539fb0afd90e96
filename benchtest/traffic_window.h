#pragma once

#include <chrono>
#include <deque>
#include <string>

#include "decode/console_listener.h"
#include "link/bytes.h"

namespace tresvik {

// The latest seconds of traffic in both directions, each frame with what it was decoded to, for
// a failure report that shows what the line carried without a rerun.
class TrafficWindow {
public:
    explicit TrafficWindow(std::chrono::seconds kept) : m_kept(kept) {}

    // Maps steady-clock times to UTC for the lines' time stamps.
    void setClock(ArrivalTime steady, std::chrono::system_clock::time_point utc);

    void received(ByteView frame, ArrivalTime at);
    void damaged(ByteView frame, ArrivalTime at);
    void noise(std::uint8_t byte, ArrivalTime at);
    void sent(ByteView frame, ArrivalTime at);
    // What the last received frame was decoded to ("RPM [rpm] = 1200").
    void decoded(const std::string& text);

    // One line per frame of the kept time before `now`, oldest first:
    // "08:00:01.234Z RX C7 01 .. 5A  RPM [rpm] = 1200".
    std::string lines(ArrivalTime now) const;

private:
    enum class Kind { Received, Damaged, Noise, Sent };
    struct Entry {
        ArrivalTime at;
        Kind kind;
        Bytes bytes;
        std::string decoded;
    };

    void add(Kind kind, ByteView bytes, ArrivalTime at);
    std::string timeText(ArrivalTime at) const;

    std::chrono::seconds m_kept;
    std::deque<Entry> m_entries;
    ArrivalTime m_steadyBase{};
    std::chrono::system_clock::time_point m_utcBase{};
};

}  // namespace tresvik
