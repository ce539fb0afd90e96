#include "decode/receive_path.h"

#include "log/id_log.h"
#include "log/log_line.h"
#include "log/log_queue.h"

namespace tresvik {

namespace {
ReceiveObserver g_silentObserver;
}

ReceivePath::ReceivePath(LogQueue* log, const std::atomic<bool>& closing, IdLog* idLog,
                         ReceiveObserver* observer,
                         std::array<int, kFlagGroupCount> stripImageCounts)
    : m_log(log),
      m_closing(closing),
      m_idLog(idLog),
      m_observer(observer != nullptr ? observer : &g_silentObserver),
      m_flags(stripImageCounts) {}

void ReceivePath::push(std::uint8_t byte) {
    const bool hunting = !m_assembler.inFrame();
    switch (m_assembler.push(byte)) {
        case FrameAssembler::Result::None:
            if (hunting && byte != frame::kStartByte) {
                ++m_counters.bytesOutsideFrames;
            }
            break;
        case FrameAssembler::Result::GoodFrame:
            handleGoodFrame(m_assembler.frame());
            break;
        case FrameAssembler::Result::ChecksumError:
            handleChecksumError(m_assembler.frame());
            break;
    }
}

void ReceivePath::push(ByteView bytes) {
    for (const std::uint8_t b : bytes) {
        push(b);
    }
}

void ReceivePath::handleGoodFrame(ByteView frame) {
    ++m_counters.goodFrames;
    // The receive line is logged before anything the decoder causes.
    if (m_log != nullptr && !m_closing.load()) {
        m_log->AppendBytes(frame, LineClass::UartRx);
    }
    m_observer->frameReceived(frame);

    DecodeResult result = decodeFrame(frame, m_flags);
    if (!result.ok) {
        return;
    }
    if (result.cell) {
        m_observer->valueCellChanged(*result.cell);
    }
    if (result.programNumber) {
        m_programNumber = std::move(*result.programNumber);
        m_observer->programNumberChanged(m_programNumber);
    }
    if (result.deviceIdSuffix) {
        m_deviceIdSuffix = std::move(*result.deviceIdSuffix);
        m_observer->deviceIdChanged(m_deviceIdSuffix);
    }
    m_flags.apply(result.flagChanges);
    for (const FlagCell& cell : result.flagChanges) {
        m_observer->flagCellChanged(cell);
    }
    if (result.txReadBack) {
        m_observer->txCellChanged(*result.txReadBack);
    }
    if (result.debugLine && m_idLog != nullptr && m_idLog->record(*result.debugLine)) {
        m_observer->debugLineRecorded(*result.debugLine);
    }
}

void ReceivePath::handleChecksumError(ByteView frame) {
    ++m_counters.checksumErrors;
    if (m_log != nullptr && !m_closing.load()) {
        m_log->AppendText(u"UART Rx - CRC Error.", LineClass::Error);
        m_log->AppendBytes(frame, LineClass::Error);
    }
    m_observer->checksumError(frame);
}

}  // namespace tresvik
