#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "link/bytes.h"

namespace tresvik {

// Bytes received together, `offsetMs` after the recording began: one frame, or the bytes
// between frames (noise, the rest of a damaged frame), as they arrived.
struct TimedChunk {
    std::uint64_t offsetMs = 0;
    Bytes bytes;
    bool operator==(const TimedChunk&) const = default;
};
using TimedBytes = std::vector<TimedChunk>;

struct RecordingError {
    std::size_t line = 0;    // counted from 1; 0 when the file as a whole is at fault
    std::size_t column = 0;  // counted from 1; 0 when the line as a whole is at fault
    std::string message;
};

// A recording is line-based text. Its first line is the header below; every other line is
// "<offset ms> <hex bytes>" (offsets never decrease), a comment beginning with '#', or blank.
inline constexpr std::string_view kRecordingHeader = "# tresvik recording 1";

enum class ReplayFormat {
    Recording,
    Dump,  // a text dump of the Log window saved by the console: UTF-16LE, CR LF
    Hex,   // hexadecimal byte pairs; each non-blank line is sent as one piece, without timing
};

// "<offset> <bytes>\n", the line a recording holds for `chunk`.
std::string formatRecordingLine(const TimedChunk& chunk);

// The comment a recording holds once its port is open: "# port NAME, started YYYY-MM-DD
// HH:MM:SS\n", the local time to the second. A control character in the port's name, which would
// end the comment early, is written as '?'.
std::string formatRecordingStart(std::string_view port, const std::tm& localTime);
// The local time the first such comment of `text` gives, before any line of bytes; nothing when
// there is none or it names no valid time.
std::optional<std::tm> recordingStartTime(std::string_view text);

// Tells the three formats apart by their first bytes.
ReplayFormat detectReplayFormat(std::string_view data);

std::variant<TimedBytes, RecordingError> parseRecording(std::string_view text);
// The received frames of a dump ("UART Rx - " lines), timed by their time stamps; a dump that
// runs past midnight keeps counting up. Lines of other kinds carry no received bytes.
std::variant<TimedBytes, RecordingError> parseDump(std::string_view utf16le);
std::variant<TimedBytes, RecordingError> parseHexLines(std::string_view text);
// Any of the three, as detectReplayFormat() tells.
std::variant<TimedBytes, RecordingError> parseReplayFile(std::string_view data);

// "line N, column C: message", shortened as far as the error names no place.
std::string describe(const RecordingError& error);
// All bytes of `chunks` in order.
Bytes joinChunks(const TimedBytes& chunks);

}  // namespace tresvik
