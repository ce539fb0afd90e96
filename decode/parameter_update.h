#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "link/received_bytes.h"

namespace tresvik {

// A number exactly as a value text shows it: `units` steps of 10^-decimals, so 12.5 with two
// decimals is 1250 units. Kept as an integer so that nothing is lost or rounded on the way.
struct ShownNumber {
    std::int64_t units = 0;
    int decimals = 0;
    double toDouble() const;
    friend bool operator==(const ShownNumber&, const ShownNumber&) = default;
};

// A new value of one parameter: its row in the parameter table, its text, and for the numeric
// formats (plain, prefixed and durations, the latter in seconds) the integer the frame carried
// and the number the text shows, made from it by shownNumber().
struct ParameterUpdate {
    int row = 0;
    std::u16string text;
    std::optional<std::int32_t> raw;
    std::optional<ShownNumber> number;
    // When the frame's first byte arrived.
    ArrivalTime arrival{};
    friend bool operator==(const ParameterUpdate&, const ParameterUpdate&) = default;
};

}  // namespace tresvik
