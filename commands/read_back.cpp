#include "commands/read_back.h"

#include <cstdint>
#include <string>
#include <utility>

#include "commands/command_table.h"
#include "link/bytes.h"

namespace tresvik {

namespace {

// A reported value frame: header, two sequence bytes, then the 32-bit value.
constexpr std::uint8_t kValuePayloadLength = 6;
constexpr std::size_t kValueOffset = 6;

std::u16string decimal(std::int32_t value) {
    const std::string text = std::to_string(value);
    return std::u16string(text.begin(), text.end());
}

}  // namespace

std::optional<ReadBack> readBack(ByteView frame) {
    if (frame.size() < kValueOffset + 4 || frame::payloadLength(frame) != kValuePayloadLength) {
        return std::nullopt;
    }
    const std::uint16_t id = frame::id(frame);
    const std::optional<int> row = findCommandRow(id);
    if (!row) {
        return std::nullopt;
    }
    const std::uint32_t raw = readLittleEndian32(frame.subspan(kValueOffset));
    return ReadBack{*row, static_cast<std::int32_t>(raw), {}};
}

TxCellUpdate txCellFor(const ReadBack& readBack) {
    const std::u16string value = decimal(readBack.value);
    if (commandRow(readBack.commandRow).messageId == kSetProgramId) {
        // The program row shows the unit's answer in its CMD cell, built from the stored name each
        // time so that a later answer replaces the number instead of adding to it.
        std::u16string text(commandRow(readBack.commandRow).name);
        text += u'(';
        text += value;
        text += u')';
        return TxCellUpdate{readBack.commandRow, 0, std::move(text)};
    }
    return TxCellUpdate{readBack.commandRow, 1, value};
}

}  // namespace tresvik
