#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "link/frame.h"

namespace tresvik::test {

// CRC-8 with the reflected polynomial 0x8C, worked out bit by bit, independent of the table the
// writer uses.
inline std::uint8_t maximCrc(ByteView bytes) {
    std::uint8_t crc = 0;
    for (std::uint8_t data : bytes) {
        for (int bit = 0; bit < 8; ++bit) {
            const bool mix = ((crc ^ data) & 1U) != 0;
            crc = static_cast<std::uint8_t>(crc >> 1);
            if (mix) {
                crc = static_cast<std::uint8_t>(crc ^ 0x8C);
            }
            data = static_cast<std::uint8_t>(data >> 1);
        }
    }
    return crc;
}

// The bytes as they must appear in the transmit queue: the body and its checksum.
inline Bytes withCrc(Bytes body) {
    body.push_back(maximCrc(body));
    return body;
}

// One piece of what the writer queued: the 60-byte wake-up preamble or one whole frame.
struct SentPiece {
    bool wakeUp = false;
    Bytes frame;
};

// Cuts the transmit queue into preambles and frames. Nothing else may appear: a byte that starts
// neither, a frame cut short or a frame with a wrong checksum makes the result empty.
inline std::optional<std::vector<SentPiece>> splitSent(const Bytes& queued) {
    constexpr std::size_t kWakeUpLength = 60;
    std::vector<SentPiece> pieces;
    std::size_t pos = 0;
    while (pos < queued.size()) {
        if (queued[pos] == 0x00) {
            if (queued.size() - pos < kWakeUpLength) {
                return std::nullopt;
            }
            for (std::size_t i = 0; i < kWakeUpLength; ++i) {
                if (queued[pos + i] != 0x00) {
                    return std::nullopt;
                }
            }
            pieces.push_back({true, {}});
            pos += kWakeUpLength;
            continue;
        }
        if (queued[pos] != 0xC7 || queued.size() - pos < 5) {
            return std::nullopt;
        }
        const std::size_t size = queued[pos + 3] + std::size_t{5};
        if (queued.size() - pos < size) {
            return std::nullopt;
        }
        const ByteView whole(queued.data() + pos, size);
        if (maximCrc(whole.first(size - 1)) != whole.back()) {
            return std::nullopt;
        }
        pieces.push_back({false, Bytes(whole.begin(), whole.end())});
        pos += size;
    }
    return pieces;
}

inline std::uint16_t sequenceOf(ByteView frame) {
    return static_cast<std::uint16_t>(frame[4] | (frame[5] << 8));
}

}  // namespace tresvik::test
