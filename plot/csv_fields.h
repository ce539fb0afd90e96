#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "decode/parameter_update.h"

namespace tresvik {

// The fields of a CSV file as other programs read it: RFC 4180 quoting, '.' as the decimal
// separator whatever the locale, ISO 8601 times in UTC. Each is appended to UTF-8 text digit by
// digit; no stream or C library call formats a number, so no locale can change one.

// `text` (UTF-8) as one field: in double quotes, each quote doubled, when it holds a comma, a
// quote or a line end; as it is otherwise.
void appendCsvField(std::string& out, std::string_view text);
// The number with its decimals, a minus sign when below zero, and at least one digit before the
// point: {1250, 2} is "12.50", {-5, 2} is "-0.05".
void appendDecimal(std::string& out, ShownNumber number);
// Milliseconds as seconds with three decimals: 112040 is "112.040".
void appendSeconds(std::string& out, std::uint64_t ms);
// "2026-12-07T13:22:01.112Z"; years 0 to 9999.
void appendUtcTime(std::string& out, std::chrono::sys_time<std::chrono::milliseconds> time);

}  // namespace tresvik
