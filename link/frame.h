#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tresvik {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// Frame layout: 0xC7, identifier (little-endian), payload length n, n payload bytes, CRC-8.
namespace frame {
inline constexpr std::uint8_t kStartByte = 0xC7;
inline constexpr std::size_t kHeaderSize = 4;
inline constexpr std::size_t kOverhead = 5;
inline constexpr std::size_t kMaxSize = 255 + kOverhead;

// The identifier of a frame of at least three bytes.
inline std::uint16_t id(ByteView f) {
    return static_cast<std::uint16_t>(f[1] | (f[2] << 8));
}
inline std::uint8_t payloadLength(ByteView f) {
    return f[3];
}
// The payload of a complete frame (without the checksum).
inline ByteView payload(ByteView f) {
    return f.subspan(kHeaderSize, f[3]);
}
}  // namespace frame

}  // namespace tresvik
