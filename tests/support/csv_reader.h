#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tresvik::test {

using CsvRecord = std::vector<std::string>;

// Reads CSV strictly as RFC 4180 has it, the way a spreadsheet that follows it would: records
// ending in CR LF (the last one may lack it), fields separated by commas, a field in double
// quotes holding commas, line ends and doubled quotes. Nothing when the text breaks a rule: a
// bare CR or LF outside quotes, a quote inside an unquoted field, anything but a comma or a line
// end after a closing quote, a quote left open.
std::optional<std::vector<CsvRecord>> readCsv(std::string_view text);

// An ISO 8601 time in UTC with milliseconds, "2026-12-07T13:22:01.112Z"; nothing for any other
// text.
std::optional<std::chrono::sys_time<std::chrono::milliseconds>> readUtcTime(std::string_view text);

}  // namespace tresvik::test
