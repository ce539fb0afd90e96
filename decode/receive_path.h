#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "commands/read_back.h"
#include "decode/decoder.h"
#include "flags/flag_grid.h"
#include "link/frame.h"
#include "link/frame_assembler.h"

namespace tresvik {

class IdLog;
class LogQueue;

// What the console does with received frames; the main window shows it, the command line prints
// it. Every call happens on the thread that feeds the receive path, in the order listed in
// DecodeResult.
class ReceiveObserver {
public:
    virtual ~ReceiveObserver() = default;
    virtual void frameReceived(ByteView /*frame*/) {}
    virtual void checksumError(ByteView /*frame*/) {}
    virtual void valueCellChanged(const ValueCellUpdate& /*update*/) {}
    virtual void programNumberChanged(const std::u16string& /*text*/) {}
    virtual void deviceIdChanged(const std::u16string& /*suffix*/) {}
    virtual void flagCellChanged(const FlagCell& /*cell*/) {}
    virtual void txCellChanged(const TxCellUpdate& /*update*/) {}
    virtual void debugLineRecorded(const std::u16string& /*line*/) {}
};

// The console's receive path from the first byte: frame assembler, traffic log, decoder, flag
// grid, program number and device ID texts, ID log.
class ReceivePath {
public:
    struct Counters {
        std::size_t goodFrames = 0;
        std::size_t checksumErrors = 0;
        std::size_t bytesOutsideFrames = 0;
    };

    // `log` and `idLog` may be null. While `closing` is set nothing is logged, but frames are
    // still decoded.
    ReceivePath(LogQueue* log, const std::atomic<bool>& closing, IdLog* idLog,
                ReceiveObserver* observer,
                std::array<int, kFlagGroupCount> stripImageCounts = kDefaultStripImageCounts);

    void push(std::uint8_t byte);
    void push(ByteView bytes);

    const FlagGrid& flags() const { return m_flags; }
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
    ReceiveObserver* m_observer;
    FrameAssembler m_assembler;
    FlagGrid m_flags;
    std::u16string m_programNumber = u"NULL";
    std::u16string m_deviceIdSuffix;
    Counters m_counters;
};

}  // namespace tresvik
