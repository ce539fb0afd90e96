#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace tresvik {

namespace crc8_detail {

// One byte through the bit rule: polynomial 0x31 processed LSB first (0x8C reflected).
constexpr std::uint8_t bitwiseUpdate(std::uint8_t crc, std::uint8_t data) {
    for (int bit = 0; bit < 8; ++bit) {
        const bool mix = ((crc ^ data) & 1U) != 0;
        crc = static_cast<std::uint8_t>(crc >> 1);
        if (mix) {
            crc ^= 0x8C;
        }
        data = static_cast<std::uint8_t>(data >> 1);
    }
    return crc;
}

constexpr std::array<std::uint8_t, 256> makeTable() {
    std::array<std::uint8_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        table[i] = bitwiseUpdate(0, static_cast<std::uint8_t>(i));
    }
    return table;
}

inline constexpr std::array<std::uint8_t, 256> kTable = makeTable();

}  // namespace crc8_detail

// CRC-8/MAXIM (Dallas 1-Wire): initial value 0, no final XOR, no output reflection.
class Crc8 {
public:
    static constexpr const std::array<std::uint8_t, 256>& kTable = crc8_detail::kTable;

    static constexpr std::uint8_t bitwiseUpdate(std::uint8_t crc, std::uint8_t data) {
        return crc8_detail::bitwiseUpdate(crc, data);
    }

    static constexpr std::uint8_t update(std::uint8_t crc, std::uint8_t data) {
        return crc8_detail::kTable[static_cast<std::uint8_t>(crc ^ data)];
    }

    static constexpr std::uint8_t compute(std::span<const std::uint8_t> bytes,
                                          std::uint8_t crc = 0) {
        for (const std::uint8_t b : bytes) {
            crc = update(crc, b);
        }
        return crc;
    }
};

static_assert(Crc8::kTable[1] == 0x5E && Crc8::kTable[7] == 0x83);

}  // namespace tresvik
