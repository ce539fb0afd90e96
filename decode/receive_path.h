#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "decode/console_listener.h"
#include "decode/decoder.h"
#include "flags/flag_states.h"
#include "link/frame.h"
#include "link/frame_assembler.h"
#include "link/line_rate.h"
#include "link/received_bytes.h"

namespace tresvik {

class IdLog;
class LogQueue;

// The console's receive path from the first byte: frame assembler, traffic log, decoder, flag
// states, program number and device ID texts, ID log. It tells one listener what happened, in
// the order ConsoleListener gives.
//
// It also notices frames the line cut off, without changing what the assembler does with their
// bytes: a frame whose next byte comes later than the whole frame takes at the line's rate (and
// never sooner than kShortestQuiet), or that is unfinished when the port closes, is marked as
// interrupted when it completes.
class ReceivePath {
public:
    struct Counters {
        std::size_t goodFrames = 0;
        std::size_t checksumErrors = 0;
        std::size_t bytesOutsideFrames = 0;
    };

    // A pause inside a frame shorter than this is never taken for a cut: USB-serial adapters
    // hand bytes on in packets every few milliseconds, and the bytes are timed when the GUI
    // thread takes them, which a busy moment of its own delays. A unit that stops in the middle
    // of a frame stays quiet far longer.
    static constexpr std::chrono::milliseconds kShortestQuiet{100};

    // `log`, `idLog` and `listener` may be null. While `closing` is set nothing is logged, but
    // frames are still decoded. `baudRate` is the line's, for how long a frame takes.
    ReceivePath(LogQueue* log, const std::atomic<bool>& closing, IdLog* idLog,
                ConsoleListener* listener, int baudRate = kUnitBaudRate);

    void push(std::uint8_t byte, ArrivalTime arrival);
    void push(const ReceivedBytes& bytes);
    // Bytes whose arrival is not known (a file), or that all arrived at `arrival`.
    void push(ByteView bytes, ArrivalTime arrival = {});
    // The port closed: a frame being collected is cut off (the listener hears it now) and is
    // marked as interrupted when the assembler completes it.
    void lineClosed();

    const FlagStates& flags() const { return m_flags; }
    const std::u16string& programNumber() const { return m_programNumber; }
    const std::u16string& deviceIdSuffix() const { return m_deviceIdSuffix; }
    const Counters& counters() const { return m_counters; }
    // Bytes of a frame still being collected.
    std::size_t partialSize() const { return m_assembler.partialSize(); }

private:
    void handleGoodFrame(ByteView frame);
    void handleChecksumError(ByteView frame);
    // Whether a byte arriving `pause` after the one before it ends a frame the line cut off.
    bool cutsFrame(ArrivalTime::duration pause) const;

    LogQueue* m_log;
    const std::atomic<bool>& m_closing;
    IdLog* m_idLog;
    ConsoleListener* m_listener;
    FrameAssembler m_assembler;
    const int m_baudRate;
    // When the first byte of the frame being collected arrived, and the latest byte.
    ArrivalTime m_frameArrival{};
    ArrivalTime m_lastArrival{};
    bool m_frameInterrupted = false;
    FlagStates m_flags;
    std::u16string m_programNumber = u"NULL";
    std::u16string m_deviceIdSuffix;
    Counters m_counters;
};

}  // namespace tresvik
