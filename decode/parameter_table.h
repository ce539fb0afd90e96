#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "decode/format_code.h"

namespace tresvik {

// One value the unit reports: where it stands in the parameter list and how its frames'
// payload becomes the text shown there.
struct ParameterRow {
    std::u16string_view label;
    std::uint16_t messageId = 0;
    FormatCode formatCode = FormatCode::Numeric;
    int width = 0;
    int decimals = 0;
    int multiplier = 1;
    std::uint32_t divisor = 1;
    int offset = 0;
};

inline constexpr int kParameterCount = 162;
inline constexpr int kParameterListItems = 40;
inline constexpr int kParameterListColumns = 10;

// Rows in index order; a row's index is also its place in the list.
std::span<const ParameterRow> parameterTable();
const ParameterRow& parameterRow(int index);
// Index of the row carrying `messageId`, nothing when no row does. The catalogue is small and
// fixed, so this walks it in index order rather than keeping an index of its own.
std::optional<int> findParameterRow(std::uint16_t messageId);

struct ListPosition {
    int item = 0;
    int labelColumn = 0;
    int valueColumn = 0;
};
ListPosition listPosition(int index);
// The row whose label or value stands at (item, column); -1 when none does.
int rowAt(int item, int column);

}  // namespace tresvik
