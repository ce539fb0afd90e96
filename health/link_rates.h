#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>

#include "link/line_rate.h"
#include "link/received_bytes.h"

namespace tresvik {

// What the line carried over one window of time, per second or per minute of the time the
// window really covers.
struct RateWindow {
    std::chrono::seconds length{};
    // Less than `length` while the session is younger than the window, and up to a second more
    // once it is older: the window always ends at the moment asked about.
    std::chrono::nanoseconds covered{};
    double framesPerSecond = 0.0;
    double bytesPerSecond = 0.0;
    double checksumErrorsPerMinute = 0.0;
    double noiseBytesPerMinute = 0.0;
    // bytes/s × 10 bits / baud, as a percentage of what the line can carry.
    double lineUsePercent = 0.0;
};

// Received traffic counted into whole seconds of the steady clock, measured from the start of
// the session, so that rates come from the times the bytes really arrived and never from how
// often someone asks. The last minute's seconds are kept in a ring; a window is the whole seconds
// before the current one plus the part of the current one gone by, and its rates are divided by
// exactly that time. What arrives late (a frame is timed by its first byte, which may belong to a
// second already passed) goes into its own second while the ring still holds it.
class LinkRates {
public:
    static constexpr std::array<std::chrono::seconds, 3> kWindows{
        std::chrono::seconds(1), std::chrono::seconds(10), std::chrono::seconds(60)};

    explicit LinkRates(int baudRate = kUnitBaudRate);

    // Forgets everything and counts seconds from `start`.
    void restart(ArrivalTime start);

    void addBytes(std::size_t count, ArrivalTime at);
    void addFrame(ArrivalTime at);
    void addChecksumError(ArrivalTime at);
    void addNoise(ArrivalTime at);

    // The window of `length` (at most kWindows.back()) that ends at `now`. Meant for the moment
    // after the latest arrival: whatever the current second holds is in it.
    RateWindow over(std::chrono::seconds length, ArrivalTime now) const;
    // The highest line use of any whole second before `now` since the start.
    double peakLineUsePercent(ArrivalTime now) const;
    int baudRate() const { return m_baudRate; }

private:
    struct Second {
        std::int64_t index = -1;
        std::uint64_t frames = 0;
        std::uint64_t bytes = 0;
        std::uint64_t checksumErrors = 0;
        std::uint64_t noiseBytes = 0;
    };
    // A minute of whole seconds, the current one and a spare for what comes late.
    static constexpr std::size_t kKept = 64;

    std::int64_t secondOf(ArrivalTime at) const;
    // The second `at` falls in, emptied first when it is newer than what its place holds; null
    // when the ring has let it go.
    Second* secondFor(ArrivalTime at);
    double lineUsePercent(double bytesPerSecond) const;

    int m_baudRate;
    ArrivalTime m_start{};
    std::array<Second, kKept> m_seconds{};
    // The newest second written to, and where it begins and ends, so that the bytes and frames
    // of one second find their place without a division.
    std::int64_t m_current = -1;
    ArrivalTime m_currentBegin{};
    ArrivalTime m_currentEnd{};
    // The highest line use of the seconds the ring has let go.
    double m_peakLetGo = 0.0;
};

}  // namespace tresvik
