#include "link/frame_writer.h"

#include "link/crc8.h"
#include "link/traffic_log.h"
#include "link/transmit_queue.h"

namespace tresvik {

FrameWriter::FrameWriter(TransmitQueue& queue, TrafficLog* log, const std::atomic<bool>& portOpen,
                         const std::atomic<bool>& closing)
    : m_queue(queue), m_log(log), m_portOpen(portOpen), m_closing(closing) {}

FrameWriter::Transaction FrameWriter::begin() {
    m_owner.check();
    return Transaction(*this);
}

FrameWriter::Transaction::Transaction(FrameWriter& writer) : m_writer(writer) {}

std::uint16_t FrameWriter::Transaction::nextSequence() {
    return ++m_writer.m_sequence;
}

std::uint8_t FrameWriter::Transaction::WriteFrame(ByteView frameWithoutChecksum) {
    Bytes& buffer = m_writer.m_transmitBuffer;
    std::uint8_t crc = 0;
    for (const std::uint8_t b : frameWithoutChecksum) {
        buffer.push_back(b);
        crc = Crc8::update(crc, b);
    }
    buffer.push_back(crc);
    writeRaw(buffer);
    buffer.clear();
    return crc;
}

void FrameWriter::Transaction::writeRaw(ByteView bytes) {
    if (!m_writer.m_portOpen.load()) {
        return;
    }
    if (m_writer.m_log != nullptr && !m_writer.m_closing.load()) {
        m_writer.m_log->sentFrame(bytes);
    }
    m_writer.m_queue.append(bytes);
}

void FrameWriter::Transaction::queueWakeUp() {
    m_writer.m_queue.appendZeros(kWakeUpLength);
    if (m_writer.m_log != nullptr && !m_writer.m_closing.load()) {
        m_writer.m_log->sentWakeUp();
    }
}

std::uint16_t FrameWriter::sequenceNumber() const {
    m_owner.check();
    return m_sequence;
}

void FrameWriter::setSequenceNumber(std::uint16_t value) {
    m_owner.check();
    m_sequence = value;
}

Bytes requestFrame(std::uint16_t id, std::uint16_t sequence) {
    return makeFrame(id, sequencePayload(sequence), FrameChecksum::Omitted);
}

Bytes valueFrame(std::uint16_t id, std::uint16_t sequence, std::int32_t value) {
    return makeFrame(id, valuePayload(sequence, value), FrameChecksum::Omitted);
}

void sendRequest(FrameWriter& writer, std::uint16_t id) {
    auto tx = writer.begin();
    tx.WriteFrame(requestFrame(id, tx.nextSequence()));
}

void sendRaw(FrameWriter& writer, ByteView bytes) {
    writer.begin().writeRaw(bytes);
}

}  // namespace tresvik
