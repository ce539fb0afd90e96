#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "decode/parameter_table.h"
#include "decode/parameter_update.h"
#include "link/frame.h"

namespace tresvik {

// Driver activity and time-related warning texts of the driver state byte.
std::u16string_view activityText(unsigned index);  // empty for 4 and above
std::u16string_view warningText(unsigned index);   // empty for 7 and above

// Payload of length 1 to 4 as an unsigned little-endian number held signed; 0 otherwise.
std::int32_t rawValue(ByteView frame);
// Payload bytes 2 to 5 as a signed little-endian number; only meaningful for length 6.
std::int32_t longValue(ByteView frame);

// The number a numeric row shows for the integer its frame carried: offset, decimals and scaling
// applied; a duration's seconds as they are.
ShownNumber shownNumber(std::int64_t value, const ParameterRow& row);
// The unit of the number shownNumber() gives for `row`: seconds for a duration, otherwise the
// unit in brackets that ends the label ("Fuel Level [%]" gives "%"), or nothing.
std::u16string_view numberUnit(const ParameterRow& row);
// Fixed-point text of a number with the row's offset, decimals, scaling and width.
std::u16string numericText(std::int64_t value, const ParameterRow& row);

// The value text the list shows for the integer a numeric, prefixed numeric or duration row's
// frame carried: a duration as hours, minutes and seconds, any other row as numericText() makes
// it. The text is a function of the integer alone, so a kept integer gives its text back.
std::u16string numericValueText(const ParameterRow& row, std::int32_t raw);

// The integer a numeric, prefixed numeric or duration row's frame carries, from which its text and
// shownNumber() are made; nothing for other formats and wherever valueText() gives no text.
std::optional<std::int32_t> numericRaw(const ParameterRow& row, ByteView frame);

// The value text of `row` for a complete frame (start byte to checksum). Nothing when the row
// keeps its previous text: a prefixed numeric row without a 6-byte payload, or a payload shorter
// than the row's format reads.
std::optional<std::u16string> valueText(const ParameterRow& row, ByteView frame);

}  // namespace tresvik
