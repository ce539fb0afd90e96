#include "link/frame_assembler.h"

#include "link/crc8.h"

namespace tresvik {

FrameAssembler::Result FrameAssembler::push(std::uint8_t byte) {
    if (!m_inFrame) {
        if (byte != frame::kStartByte) {
            return Result::Discarded;
        }
        m_buffer.clear();
        m_buffer.push_back(byte);
        m_inFrame = true;
        m_crc = Crc8::update(0, byte);
        return Result::None;
    }
    m_buffer.push_back(byte);
    const std::size_t size = m_buffer.size();
    if (size >= frame::kHeaderSize && size == m_buffer[3] + frame::kOverhead) {
        const bool good = byte == m_crc;
        m_inFrame = false;
        m_completed.swap(m_buffer);
        m_buffer.clear();
        return good ? Result::GoodFrame : Result::ChecksumError;
    }
    m_crc = Crc8::update(m_crc, byte);
    return Result::None;
}

}  // namespace tresvik
