#pragma once

#include <algorithm>
#include <cstdint>

#include "link/crc8.h"
#include "link/frame.h"

namespace tresvik::test {

// A complete frame as the unit sends it: start byte, identifier, length, payload, checksum.
inline Bytes frameWith(std::uint16_t id, const Bytes& payload) {
    Bytes f(payload.size() + frame::kOverhead);
    f[0] = frame::kStartByte;
    f[1] = static_cast<std::uint8_t>(id & 0xFF);
    f[2] = static_cast<std::uint8_t>(id >> 8);
    f[3] = static_cast<std::uint8_t>(payload.size());
    std::ranges::copy(payload, f.begin() + frame::kHeaderSize);
    f.back() = Crc8::compute(ByteView{f}.first(f.size() - 1));
    return f;
}

}  // namespace tresvik::test
