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
#include "link/received_bytes.h"

namespace tresvik {

class IdLog;
class LogQueue;

// The console's receive path from the first byte: frame assembler, traffic log, decoder, flag
// states, program number and device ID texts, ID log. It tells one listener what happened, in
// the order ConsoleListener gives.
class ReceivePath {
public:
    struct Counters {
        std::size_t goodFrames = 0;
        std::size_t checksumErrors = 0;
        std::size_t bytesOutsideFrames = 0;
    };

    // `log`, `idLog` and `listener` may be null. While `closing` is set nothing is logged, but
    // frames are still decoded.
    ReceivePath(LogQueue* log, const std::atomic<bool>& closing, IdLog* idLog,
                ConsoleListener* listener);

    void push(std::uint8_t byte, ArrivalTime arrival);
    void push(const ReceivedBytes& bytes);
    // Bytes whose arrival is not known (a file), or that all arrived at `arrival`.
    void push(ByteView bytes, ArrivalTime arrival = {});

    const FlagStates& flags() const { return m_flags; }
    const std::u16string& programNumber() const { return m_programNumber; }
    const std::u16string& deviceIdSuffix() const { return m_deviceIdSuffix; }
    const Counters& counters() const { return m_counters; }
    // Bytes of a frame still being collected.
    std::size_t partialSize() const { return m_assembler.partialSize(); }

private:
    void handleGoodFrame(ByteView frame);
    void handleChecksumError(ByteView frame);

    LogQueue* m_log;
    const std::atomic<bool>& m_closing;
    IdLog* m_idLog;
    ConsoleListener* m_listener;
    FrameAssembler m_assembler;
    // When the first byte of the frame being collected arrived.
    ArrivalTime m_frameArrival{};
    FlagStates m_flags;
    std::u16string m_programNumber = u"NULL";
    std::u16string m_deviceIdSuffix;
    Counters m_counters;
};

}  // namespace tresvik
