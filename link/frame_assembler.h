#pragma once

#include <cstdint>

#include "link/frame.h"

namespace tresvik {

// Cuts the received byte stream into frames. It hunts for the start byte, then collects
// length + 5 bytes and checks the checksum. There is no time-out: a partial frame waits, across
// disconnects, until enough bytes arrive.
class FrameAssembler {
public:
    // None: the byte was taken into a frame (or starts one). Discarded: a byte between frames
    // that is not a start byte, noise on the line.
    enum class Result { None, Discarded, GoodFrame, ChecksumError };

    Result push(std::uint8_t byte);

    // The frame just completed by push(); valid until the next push().
    ByteView frame() const { return m_completed; }
    bool inFrame() const { return m_inFrame; }
    // Bytes collected of a frame not yet complete.
    std::size_t partialSize() const { return m_inFrame ? m_buffer.size() : 0; }
    // Those bytes themselves, start byte first; valid until the next push().
    ByteView partial() const { return m_inFrame ? ByteView(m_buffer) : ByteView(); }

private:
    Bytes m_buffer;
    Bytes m_completed;
    bool m_inFrame = false;
    std::uint8_t m_crc = 0;
};

}  // namespace tresvik
