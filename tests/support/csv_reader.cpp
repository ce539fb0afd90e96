#include "tests/support/csv_reader.h"

#include <cstdio>
#include <string>

namespace tresvik::test {

std::optional<std::vector<CsvRecord>> readCsv(std::string_view text) {
    std::vector<CsvRecord> records;
    CsvRecord record;
    std::string field;
    std::size_t i = 0;
    const auto endField = [&] {
        record.push_back(std::move(field));
        field.clear();
    };
    while (i < text.size()) {
        if (text[i] == '"') {
            if (!field.empty()) {
                return std::nullopt;
            }
            ++i;
            for (;; ++i) {
                if (i == text.size()) {
                    return std::nullopt;
                }
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        field.push_back('"');
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                field.push_back(text[i]);
            }
            if (i < text.size() && text[i] != ',' && text[i] != '\r') {
                return std::nullopt;
            }
            continue;
        }
        if (text[i] == ',') {
            endField();
            ++i;
        } else if (text[i] == '\r') {
            if (i + 1 == text.size() || text[i + 1] != '\n') {
                return std::nullopt;
            }
            endField();
            records.push_back(std::move(record));
            record.clear();
            i += 2;
        } else if (text[i] == '\n') {
            return std::nullopt;
        } else {
            field.push_back(text[i]);
            ++i;
        }
    }
    if (!field.empty() || !record.empty()) {
        endField();
        records.push_back(std::move(record));
    }
    return records;
}

std::optional<std::chrono::sys_time<std::chrono::milliseconds>> readUtcTime(std::string_view text) {
    using namespace std::chrono;
    const std::string copy(text);
    int year = 0;
    unsigned month = 0;
    unsigned day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int ms = 0;
    char zone = 0;
    int length = 0;
    if (std::sscanf(copy.c_str(), "%4d-%2u-%2uT%2d:%2d:%2d.%3d%c%n", &year, &month, &day, &hour,
                    &minute, &second, &ms, &zone, &length) != 8 ||
        zone != 'Z' || copy.size() != 24 || length != 24) {
        return std::nullopt;
    }
    const year_month_day date{std::chrono::year{year}, std::chrono::month{month},
                              std::chrono::day{day}};
    if (!date.ok() || hour > 23 || minute > 59 || second > 59) {
        return std::nullopt;
    }
    return sys_days{date} + hours(hour) + minutes(minute) + seconds(second) + milliseconds(ms);
}

}  // namespace tresvik::test
