#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tresvik {

// Plain RGB triple; the log works with fixed colours, never palette or system colours.
struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Line classes chosen by the producers of log lines.
namespace line_class {
inline constexpr std::uint8_t kUartRx = 1;
inline constexpr std::uint8_t kUartTx = 2;
inline constexpr std::uint8_t kScardMsg = 3;
inline constexpr std::uint8_t kScardError = 4;
inline constexpr std::uint8_t kScardTx = 5;
inline constexpr std::uint8_t kScardRx = 6;
inline constexpr std::uint8_t kError = 7;
inline constexpr std::uint8_t kContinuation = 8;
}  // namespace line_class

// The colour that marks a continuation line: it replaces the line end of the line before it.
inline constexpr Rgb kContinuationColour{254, 0, 0};

// One finished line waiting to be shown.
struct LogEntry {
    std::u16string text;
    Rgb colour;
};

// Local wall-clock time of a log line.
struct LocalTime {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// Prefix of a line class ("UART Rx - ", ...); empty for classes without one.
std::u16string_view linePrefix(std::uint8_t lineClass);
// Colour of a line class; black for classes outside the table.
Rgb lineColour(std::uint8_t lineClass);
// "%02d:%02d:%02d.%03d - "
std::u16string formatTimeStamp(const LocalTime& time);
// Each byte as two upper-case hex digits followed by one space, then CR LF.
std::u16string renderBytes(std::span<const std::uint8_t> bytes);
// Time stamp, class prefix, then the text unchanged.
LogEntry composeLine(const LocalTime& time, std::u16string_view text, std::uint8_t lineClass);
// The current local time, read from the system clock.
LocalTime currentLocalTime();

}  // namespace tresvik
