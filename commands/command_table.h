#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tresvik {

// One command of the Tx window.
struct CommandRow {
    std::uint16_t messageId = 0;
    std::u16string_view name;
    std::u16string_view defaultValue;
};

inline constexpr int kCommandCount = 45;
inline constexpr std::uint16_t kSetProgramId = 0x2401;
inline constexpr std::uint16_t kTachoId = 0x240D;

std::span<const CommandRow> commandTable();
const CommandRow& commandRow(int index);
// First row carrying `id`; never a row for the tacho start/stop identifier.
std::optional<int> findCommandRow(std::uint16_t id);

}  // namespace tresvik
