#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "link/frame.h"

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

// The received bytes held in `data`, or why they cannot be read.
std::variant<Bytes, InputError> parseInput(std::string_view data, InputFormat format);

}  // namespace tresvik::cli
