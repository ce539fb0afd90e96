#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "decode/console_listener.h"
#include "health/link_rates.h"
#include "link/line_rate.h"

namespace tresvik {

// What a readout of the link shows, most serious first: Disconnected (neutral), Silent (red: no
// good frame for longer than the unit's usual pauses allow), Warning (amber: damage seen in the
// last ten seconds), Healthy (green).
enum class HealthState { Disconnected, Silent, Warning, Healthy };

// How well the line to the unit carries frames: exact counts since the port opened (or since
// reset()), the gaps between good frames, the rates of LinkRates and a state for a readout. It
// listens to the console session and, like it, lives on the thread that feeds the session.
//
// Every frame the assembler completes is counted once, when it completes: as a good frame when
// its checksum holds, as cut off when the line went quiet inside it or the port closed on it,
// otherwise as a checksum error. A frame the port closes on is counted as cut off at the close;
// the assembler keeps its bytes, and should they be completed after the next open, that session
// counts the frame as cut off too (or as good, should its checksum hold). Bytes the assembler
// discards between frames, including those after a cut-off or damaged frame until the next start
// byte, are noise. So every byte received is in exactly one good, damaged or cut-off frame, in
// the noise, or in the frame still being collected.
class LinkHealth : public ConsoleListener {
public:
    using Duration = ArrivalTime::duration;

    struct Counters {
        std::uint64_t bytesReceived = 0;
        // Frames and wake-up preambles queued for the port while it was open.
        std::uint64_t bytesSent = 0;
        std::uint64_t goodFrames = 0;
        std::uint64_t checksumErrors = 0;
        std::uint64_t noiseBytes = 0;
        std::uint64_t framesCutOff = 0;
        // Good frames whose identifier nothing in the console knows (isKnownIdentifier).
        std::uint64_t unknownIdentifiers = 0;
        // Frames sent through the frame writer; a wake-up preamble is not a command.
        std::uint64_t commandsSent = 0;
        // Values the unit reported back under a Tx command's identifier.
        std::uint64_t answersReceived = 0;
    };

    // Damage this recent makes a Warning.
    static constexpr std::chrono::seconds kWarningTime{10};
    // No good frame for max(kShortestSilence, kSilenceFactor × usual gap) makes a connected line
    // Silent.
    static constexpr std::chrono::seconds kShortestSilence{2};
    static constexpr int kSilenceFactor = 3;
    // How many of the latest gaps between good frames the usual gap is taken from.
    static constexpr std::size_t kGapsKept = 256;

    explicit LinkHealth(int baudRate = kUnitBaudRate);

    // Counts from zero again, from `now`, whether the port is open or not.
    void reset(ArrivalTime now);

    const Counters& counters() const { return m_counters; }
    bool connected() const { return m_connected; }
    // When counting began: the last open, or reset().
    ArrivalTime countingSince() const { return m_since; }
    // How long counting has gone on at `now`; the time stops when the port closes.
    Duration countingTime(ArrivalTime now) const;

    // The longest time between two good frames, first byte to first byte; nothing before two.
    std::optional<Duration> longestGap() const;
    // Nothing before the first good frame.
    std::optional<Duration> sinceLastGoodFrame(ArrivalTime now) const;
    // How long the unit usually leaves between good frames: the second longest of the latest
    // kGapsKept gaps. Long enough to take in the pauses of a unit that reports in bursts, while
    // one long gap (the unit restarting) is left out. Zero before two gaps.
    Duration usualGap() const;
    // How long a connected line may go without a good frame before it is Silent.
    Duration silenceLimit() const;
    HealthState state(ArrivalTime now) const;

    // The rates of one of LinkRates::kWindows ending at `now`, or at the close once the port has
    // closed.
    RateWindow rates(std::chrono::seconds window, ArrivalTime now) const;
    double peakLineUsePercent(ArrivalTime now) const;
    int baudRate() const { return m_rates.baudRate(); }

    void portOpened(ArrivalTime at, std::chrono::system_clock::time_point utc) override;
    void portClosed(ArrivalTime at) override;
    void bytesReceived(const ReceivedBytes& bytes) override;
    void frameReceived(const ReceivedFrame& frame) override;
    void checksumError(const ReceivedFrame& frame) override;
    void byteDiscarded(std::uint8_t byte, ArrivalTime arrival) override;
    void frameCutOff(const ReceivedFrame& frame) override;
    void readBackReceived(const ReadBack& readBack) override;
    void frameSent(ByteView frame) override;
    void wakeUpSent() override;

private:
    ArrivalTime clockStop(ArrivalTime now) const;
    void damageSeen(ArrivalTime at);

    Counters m_counters;
    LinkRates m_rates;
    bool m_connected = false;
    ArrivalTime m_since{};
    std::optional<ArrivalTime> m_closedAt;
    std::optional<ArrivalTime> m_lastGoodFrame;
    std::optional<ArrivalTime> m_lastDamage;
    Duration m_longestGap{};
    std::array<Duration, kGapsKept> m_gaps{};
    std::size_t m_gapCount = 0;
};

}  // namespace tresvik
