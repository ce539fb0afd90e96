#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tresvik {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// Upper-case hexadecimal digit of the low four bits of `value`.
constexpr char hexDigit(unsigned value) {
    return "0123456789ABCDEF"[value & 0x0FU];
}

// Appends `byte` as two upper-case hexadecimal digits, to narrow and UTF-16 text alike.
template <typename Char>
void appendHexByte(std::basic_string<Char>& out, std::uint8_t byte) {
    out.push_back(static_cast<Char>(hexDigit(byte >> 4U)));
    out.push_back(static_cast<Char>(hexDigit(byte)));
}

// The unit sends every number least significant byte first. The readers take the number from
// the start of `bytes`, which must hold at least that many bytes.
constexpr std::uint16_t readLittleEndian16(ByteView bytes) {
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8U);
}

constexpr std::uint32_t readLittleEndian32(ByteView bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8U |
           static_cast<std::uint32_t>(bytes[2]) << 16U |
           static_cast<std::uint32_t>(bytes[3]) << 24U;
}

// All of `bytes`, at most four of them, as one number; 0 when there are none.
constexpr std::uint32_t readLittleEndian(ByteView bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = bytes.size(); i > 0; --i) {
        value = value << 8U | bytes[i - 1];
    }
    return value;
}

}  // namespace tresvik
