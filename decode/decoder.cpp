#include "decode/decoder.h"

#include "decode/parameter_table.h"
#include "decode/value_format.h"
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
