#pragma once

#include <chrono>
#include <cstddef>

namespace tresvik {

// The unit's line: 9600 baud, 8 data bits, no parity, one stop bit. A byte takes ten bit times on
// the wire (start bit, eight data bits, stop bit), so the line carries 960 bytes a second.
inline constexpr int kUnitBaudRate = 9600;
inline constexpr int kBitsPerByte = 10;

// How long `bytes` take on a line of `baudRate` baud.
constexpr std::chrono::nanoseconds lineTime(std::size_t bytes, int baudRate) {
    return std::chrono::nanoseconds(static_cast<std::chrono::nanoseconds::rep>(bytes) *
                                    kBitsPerByte * 1'000'000'000 / baudRate);
}

}  // namespace tresvik
