#include "decode/receive_path.h"

#include "log/id_log.h"
#include "log/log_line.h"
#include "log/log_queue.h"

namespace tresvik {

namespace {
ConsoleListener g_nobodyListens;
}

ReceivePath::ReceivePath(LogQueue* log, const std::atomic<bool>& closing, IdLog* idLog,
                         ConsoleListener* listener, int baudRate)
    : m_log(log),
      m_closing(closing),
      m_idLog(idLog),
      m_listener(listener != nullptr ? listener : &g_nobodyListens),
      m_baudRate(baudRate) {}

bool ReceivePath::cutsFrame(ArrivalTime::duration pause) const {
    if (pause <= kShortestQuiet) {
        return false;
    }
    // Before its length byte has come, how long the frame takes is not known: the shortest
    // pause decides.
    const ByteView partial = m_assembler.partial();
    if (partial.size() < frame::kHeaderSize) {
        return true;
    }
    return pause > lineTime(frame::payloadLength(partial) + frame::kOverhead, m_baudRate);
}

void ReceivePath::push(std::uint8_t byte, ArrivalTime arrival) {
    if (!m_assembler.inFrame()) {
        m_frameArrival = arrival;
        m_frameInterrupted = false;
    } else if (!m_frameInterrupted && cutsFrame(arrival - m_lastArrival)) {
        m_frameInterrupted = true;
    }
    m_lastArrival = arrival;
    switch (m_assembler.push(byte)) {
        case FrameAssembler::Result::None:
            break;
        case FrameAssembler::Result::Discarded:
            ++m_counters.bytesOutsideFrames;
            m_listener->byteDiscarded(byte, arrival);
            break;
        case FrameAssembler::Result::GoodFrame:
            handleGoodFrame(m_assembler.frame());
            break;
        case FrameAssembler::Result::ChecksumError:
            handleChecksumError(m_assembler.frame());
            break;
    }
}

void ReceivePath::push(const ReceivedBytes& bytes) {
    bytes.forEach([this](std::uint8_t b, ArrivalTime at) { push(b, at); });
}

void ReceivePath::push(ByteView bytes, ArrivalTime arrival) {
    for (const std::uint8_t b : bytes) {
        push(b, arrival);
    }
}

void ReceivePath::lineClosed() {
    if (!m_assembler.inFrame()) {
        return;
    }
    m_frameInterrupted = true;
    m_listener->frameCutOff({m_assembler.partial(), m_frameArrival, m_lastArrival, true});
}

void ReceivePath::handleGoodFrame(ByteView frame) {
    ++m_counters.goodFrames;
    // The receive line is logged before anything the decoder causes.
    if (m_log != nullptr && !m_closing.load()) {
        m_log->AppendBytes(frame, LineClass::UartRx);
    }
    m_listener->frameReceived({frame, m_frameArrival, m_lastArrival, m_frameInterrupted});

    DecodeResult result = decodeFrame(frame, m_flags);
    if (!result.ok) {
        return;
    }
    if (result.parameter) {
        result.parameter->arrival = m_frameArrival;
        m_listener->parameterChanged(*result.parameter);
    }
    if (result.programNumber) {
        m_programNumber = std::move(*result.programNumber);
        m_listener->programNumberChanged(m_programNumber);
    }
    if (result.deviceIdSuffix) {
        m_deviceIdSuffix = std::move(*result.deviceIdSuffix);
        m_listener->deviceIdChanged(m_deviceIdSuffix);
    }
    m_flags.apply(result.flagChanges);
    for (FlagUpdate& flag : result.flagChanges) {
        flag.arrival = m_frameArrival;
        m_listener->flagChanged(flag);
    }
    if (result.readBack) {
        result.readBack->arrival = m_frameArrival;
        m_listener->readBackReceived(*result.readBack);
    }
    if (result.debugLine && m_idLog != nullptr && m_idLog->record(*result.debugLine)) {
        m_listener->debugLineRecorded(*result.debugLine);
    }
}

void ReceivePath::handleChecksumError(ByteView frame) {
    ++m_counters.checksumErrors;
    if (m_log != nullptr && !m_closing.load()) {
        m_log->AppendText(u"UART Rx - CRC Error.", LineClass::Error);
        m_log->AppendBytes(frame, LineClass::Error);
    }
    m_listener->checksumError({frame, m_frameArrival, m_lastArrival, m_frameInterrupted});
}

}  // namespace tresvik
