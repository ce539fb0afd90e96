#pragma once

#include <cstddef>
#include <cstdint>

#include "link/bytes.h"
#include "link/crc8.h"

namespace tresvik {

// Frame layout: 0xC7, identifier (little-endian), payload length n, n payload bytes, CRC-8.
namespace frame {
inline constexpr std::uint8_t kStartByte = 0xC7;
inline constexpr std::size_t kHeaderSize = 4;
inline constexpr std::size_t kOverhead = 5;
inline constexpr std::size_t kMaxSize = 255 + kOverhead;

// The identifier of a frame of at least three bytes.
inline std::uint16_t id(ByteView f) {
    return readLittleEndian16(f.subspan(1));
}
inline std::uint8_t payloadLength(ByteView f) {
    return f[3];
}
// The payload of a complete frame (without the checksum).
inline ByteView payload(ByteView f) {
    return f.subspan(kHeaderSize, f[3]);
}
}  // namespace frame

// Whether a frame is built with its checksum: the frame writer appends the checksum itself as
// it queues a frame, so the frames handed to it are built without one.
enum class FrameChecksum { Appended, Omitted };

// The frame that carries `payload` (at most 255 bytes) under `id`, with or without its checksum.
inline Bytes makeFrame(std::uint16_t id, const Bytes& payload,
                       FrameChecksum checksum = FrameChecksum::Appended) {
    Bytes out;
    out.reserve(payload.size() + frame::kOverhead);
    out.push_back(frame::kStartByte);
    out.push_back(static_cast<std::uint8_t>(id & 0xFF));
    out.push_back(static_cast<std::uint8_t>(id >> 8));
    out.push_back(static_cast<std::uint8_t>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    if (checksum == FrameChecksum::Appended) {
        out.push_back(Crc8::compute(out));
    }
    return out;
}

// The payload of a request, and the start of every other payload the console sends: the
// transmit sequence number, low byte first.
inline Bytes sequencePayload(std::uint16_t sequence) {
    return {static_cast<std::uint8_t>(sequence & 0xFF), static_cast<std::uint8_t>(sequence >> 8)};
}

// The payload of a value frame, six bytes: the sequence number, then the value as a signed 32-bit
// number in two's complement, each low byte first. The console sends it to set a value, and the
// unit answers with it to report one.
inline Bytes valuePayload(std::uint16_t sequence, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    Bytes payload = sequencePayload(sequence);
    for (unsigned shift = 0; shift < 32; shift += 8) {
        payload.push_back(static_cast<std::uint8_t>(bits >> shift & 0xFF));
    }
    return payload;
}

}  // namespace tresvik
