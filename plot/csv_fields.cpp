#include "plot/csv_fields.h"

#include <array>

namespace tresvik {

namespace {

// Decimal digits of `value`, zero-padded to at least `minDigits`.
void appendDigits(std::string& out, std::uint64_t value, int minDigits) {
    std::array<char, 20> digits{};
    int count = 0;
    do {
        digits[static_cast<std::size_t>(count++)] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int pad = count; pad < minDigits; ++pad) {
        out.push_back('0');
    }
    while (count > 0) {
        out.push_back(digits[static_cast<std::size_t>(--count)]);
    }
}

}  // namespace

void appendCsvField(std::string& out, std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.append(text);
        return;
    }
    out.push_back('"');
    for (const char c : text) {
        if (c == '"') {
            out.push_back('"');
        }
        out.push_back(c);
    }
    out.push_back('"');
}

void appendDecimal(std::string& out, ShownNumber number) {
    const auto bits = static_cast<std::uint64_t>(number.units);
    const std::uint64_t magnitude = number.units < 0 ? ~bits + 1 : bits;
    if (number.units < 0) {
        out.push_back('-');
    }
    std::uint64_t scale = 1;
    for (int i = 0; i < number.decimals; ++i) {
        scale *= 10;
    }
    appendDigits(out, magnitude / scale, 1);
    if (number.decimals > 0) {
        out.push_back('.');
        appendDigits(out, magnitude % scale, number.decimals);
    }
}

void appendSeconds(std::string& out, std::uint64_t ms) {
    appendDecimal(out, {static_cast<std::int64_t>(ms), 3});
}

void appendUtcTime(std::string& out, std::chrono::sys_time<std::chrono::milliseconds> time) {
    using namespace std::chrono;
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{time - day};
    appendDigits(out, static_cast<std::uint64_t>(static_cast<int>(date.year())), 4);
    out.push_back('-');
    appendDigits(out, static_cast<unsigned>(date.month()), 2);
    out.push_back('-');
    appendDigits(out, static_cast<unsigned>(date.day()), 2);
    out.push_back('T');
    appendDigits(out, static_cast<std::uint64_t>(clock.hours().count()), 2);
    out.push_back(':');
    appendDigits(out, static_cast<std::uint64_t>(clock.minutes().count()), 2);
    out.push_back(':');
    appendDigits(out, static_cast<std::uint64_t>(clock.seconds().count()), 2);
    out.push_back('.');
    appendDigits(out, static_cast<std::uint64_t>(clock.subseconds().count()), 3);
    out.push_back('Z');
}

}  // namespace tresvik
