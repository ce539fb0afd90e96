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

// A complete frame, checksum included, carrying `payload` (at most 255 bytes) under `id`.
inline Bytes makeFrame(std::uint16_t id, const Bytes& payload) {
    Bytes out;
    out.reserve(payload.size() + frame::kOverhead);
    out.push_back(frame::kStartByte);
    out.push_back(static_cast<std::uint8_t>(id & 0xFF));
    out.push_back(static_cast<std::uint8_t>(id >> 8));
    out.push_back(static_cast<std::uint8_t>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    out.push_back(Crc8::compute(out));
    return out;
}

}  // namespace tresvik
