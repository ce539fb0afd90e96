#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
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

// The class a producer gives a log line: it selects the line's prefix and colour. The unit's
// log knows these eight; any other value of the byte is a line without prefix, in black.
enum class LineClass : std::uint8_t {
    UartRx = 1,
    UartTx = 2,
    ScardMsg = 3,
    ScardError = 4,
    ScardTx = 5,
    ScardRx = 6,
    // A checksum error or a failed connection, in red.
    Error = 7,
    // Takes the place of the previous line's line end.
    Continuation = 8,
};

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
std::u16string_view linePrefix(LineClass lineClass);
// Colour of a line class; black for classes outside the table.
Rgb lineColour(LineClass lineClass);
// "%02d:%02d:%02d.%03d - "
std::u16string formatTimeStamp(const LocalTime& time);
// Each byte as two upper-case hex digits followed by one space, then CR LF.
std::u16string renderBytes(std::span<const std::uint8_t> bytes);
// Time stamp, class prefix, then the text unchanged.
LogEntry composeLine(const LocalTime& time, std::u16string_view text, LineClass lineClass);
// The current local time, read from the system clock.
LocalTime currentLocalTime();
// `seconds` broken down in the local time zone, on every platform's thread-safe call.
std::tm localCalendarTime(std::time_t seconds);
// The moment that the local date and time `parts` name (summer time as the time zone has it when
// tm_isdst is negative); nothing when the system cannot tell.
std::optional<std::time_t> localCalendarSeconds(std::tm parts);

}  // namespace tresvik
