#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "log/recording.h"

namespace tresvik::cli {

enum class InputFormat {
    Raw,        // the bytes as received from the port
    Hex,        // two hex digits per byte, separated by white space
    Dump,       // a text dump saved by the console: UTF-16LE log lines
    Recording,  // a recording made by monitor --record: time offsets and hex bytes
};

struct InputError {
    std::string message;  // names the problem and where it is
};

// The received bytes held in `data` in arrival order, or why they cannot be read. Recordings
// and dumps time each chunk since they began; raw bytes and hex lines say nothing of time, and
// their chunks are all at 0.
std::variant<TimedBytes, InputError> parseInput(std::string_view data, InputFormat format);

}  // namespace tresvik::cli
