#include "decode/decoder.h"

#include <bitset>

#include "commands/command_table.h"
#include "decode/parameter_table.h"
#include "decode/value_format.h"
#include "flags/flag_grid.h"
#include "link/bytes.h"

namespace tresvik {

std::u16string debugLine(ByteView frame) {
    std::u16string line;
    const std::size_t count = frame.empty() ? 0 : frame.size() - 1;
    line.reserve(2 * count);
    for (std::size_t i = 0; i < count; ++i) {
        appendHexByte(line, frame[i]);
    }
    return line;
}

bool isKnownIdentifier(std::uint16_t id) {
    // The tables are walked row by row wherever a frame is decoded; this is asked of every frame
    // by the link's health counters too, so the answer for each identifier is worked out once.
    static const std::bitset<0x10000> kKnown = [] {
        std::bitset<0x10000> known;
        for (const ParameterRow& row : parameterTable()) {
            known.set(row.messageId);
        }
        for (int g = 0; g < kFlagGroupCount; ++g) {
            known.set(flagGroup(g).messageId);
        }
        for (const CommandRow& row : commandTable()) {
            if (findCommandRow(row.messageId)) {
                known.set(row.messageId);
            }
        }
        known.set(kDebugInfoId);
        return known;
    }();
    return kKnown[id];
}

DecodeResult decodeFrame(ByteView frame, const FlagStates& flags) {
    DecodeResult result;
    const std::uint16_t id = frame::id(frame);
    if (const std::optional<int> index = findParameterRow(id)) {
        const ParameterRow& row = parameterRow(*index);
        if (row.formatCode == FormatCode::PrefixedNumeric && frame::payloadLength(frame) != 6) {
            DecodeResult refused;
            refused.ok = false;
            return refused;
        }
        // Without a text the cell keeps what it shows.
        if (std::optional<std::u16string> text = valueText(row, frame)) {
            if (id == kProgramNumberId) {
                result.programNumber = *text;
            } else if (id == kDeviceIdId) {
                result.deviceIdSuffix = u"_" + *text;
            }
            result.parameter =
                ParameterUpdate{*index, std::move(*text), std::nullopt, std::nullopt, {}};
            if (const std::optional<std::int32_t> raw = numericRaw(row, frame)) {
                result.parameter->raw = raw;
                result.parameter->number = shownNumber(*raw, row);
            }
        }
    }
    result.flagChanges = flags.changesFor(frame);
    result.readBack = readBack(frame);
    if (id == kDebugInfoId) {
        result.debugLine = debugLine(frame);
    }
    return result;
}

}  // namespace tresvik
