#pragma once

#include <algorithm>
#include <string_view>

#include "decode/parameter_table.h"

namespace tresvik::test {

// The parameter row with `label`, as the list shows it; -1 when there is none.
inline int rowLabelled(std::u16string_view label) {
    const auto table = parameterTable();
    const auto it = std::ranges::find(table, label, &ParameterRow::label);
    return it == table.end() ? -1 : static_cast<int>(it - table.begin());
}

}  // namespace tresvik::test
