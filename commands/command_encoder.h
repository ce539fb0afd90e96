#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tresvik {

class FrameWriter;

// A Value text beginning with a minus sign makes its row a request.
bool isRequestText(std::u16string_view valueText);
// Reads a Value text like the C library's wide integer conversion: leading white space, an
// optional sign, digits up to the first non-digit; no digits gives 0. Clamped to 32 bits.
std::int32_t parseValueText(std::u16string_view valueText);
// A Value text as the Tx window's cell keeps it while the engineer types: read as above and
// written back in plain decimal ("12" for "12a", "0" for letters, "-7" for "-7").
std::u16string canonicalValueText(std::u16string_view valueText);
// Sends Tx row `row` (0 to 44) with its current Value text as one indivisible frame build,
// preceded by the wake-up preamble for a program change.
void sendRow(FrameWriter& writer, int row, std::u16string_view valueText);

}  // namespace tresvik
