#include "log/log_line.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string_view>

#include "link/bytes.h"

namespace tresvik {

namespace {

struct LineStyle {
    std::u16string_view prefix;
    Rgb colour;
};

// Indexed by line class; classes beyond the table get no prefix and black.
constexpr std::array<LineStyle, 9> kLineStyles{{
    {u"", {0, 0, 0}},
    {u"UART Rx - ", {100, 155, 50}},
    {u"UART Tx - ", {20, 105, 0}},
    {u"SCARD Msg - ", {200, 120, 200}},
    {u"SCARD ERROR - ", {255, 0, 0}},
    {u"SCARD Tx - ", {200, 120, 200}},
    {u"SCARD Rx - ", {200, 120, 150}},
    {u"", {255, 0, 0}},
    {u"", kContinuationColour},
}};

const LineStyle& styleOf(LineClass lineClass) {
    const auto index = static_cast<std::size_t>(lineClass);
    return index < kLineStyles.size() ? kLineStyles[index] : kLineStyles[0];
}

}  // namespace

std::u16string_view linePrefix(LineClass lineClass) {
    return styleOf(lineClass).prefix;
}

Rgb lineColour(LineClass lineClass) {
    return styleOf(lineClass).colour;
}

std::u16string formatTimeStamp(const LocalTime& time) {
    char buffer[48];
    const int length = std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d.%03d - ", time.hour,
                                     time.minute, time.second, time.millisecond);
    return std::u16string(buffer, buffer + length);
}

std::u16string renderBytes(std::span<const std::uint8_t> bytes) {
    std::u16string text;
    text.reserve(bytes.size() * 3 + 2);
    for (const std::uint8_t b : bytes) {
        appendHexByte(text, b);
        text.push_back(u' ');
    }
    text.append(u"\r\n");
    return text;
}

LogEntry composeLine(const LocalTime& time, std::u16string_view text, LineClass lineClass) {
    const LineStyle& style = styleOf(lineClass);
    LogEntry entry{formatTimeStamp(time), style.colour};
    entry.text.reserve(entry.text.size() + style.prefix.size() + text.size());
    entry.text.append(style.prefix);
    entry.text.append(text);
    return entry;
}

LocalTime currentLocalTime() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::tm parts = localCalendarTime(system_clock::to_time_t(now));
    const auto millisecond = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    return {parts.tm_hour, parts.tm_min, parts.tm_sec, static_cast<int>(millisecond)};
}

std::tm localCalendarTime(std::time_t seconds) {
    std::tm parts{};
#ifdef _WIN32
    localtime_s(&parts, &seconds);
#else
    localtime_r(&seconds, &parts);
#endif
    return parts;
}

std::optional<std::time_t> localCalendarSeconds(std::tm parts) {
    const std::time_t seconds = std::mktime(&parts);
    if (seconds == static_cast<std::time_t>(-1)) {
        return std::nullopt;
    }
    return seconds;
}

}  // namespace tresvik
