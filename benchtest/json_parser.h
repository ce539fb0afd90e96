#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "benchtest/bench_suite.h"
#include "benchtest/json_value.h"

namespace tresvik {

// Why a text is not JSON, and the place (line, and column in characters) where reading stopped.
struct JsonError {
    SourcePlace place;
    std::string message;
};

// Arrays and objects inside each other at most this deep; a deeper document is refused rather
// than read by ever deeper recursion.
inline constexpr int kJsonDepthLimit = 64;

// A whole UTF-8 document holding one value (RFC 8259, nothing added: no comments, no trailing
// commas), optionally after a byte-order mark. Every value keeps its place, so that a reader can
// name where a value it refuses was written. An object with a key twice is refused, as is a
// string with a lone surrogate, a number too large for a double, and input that is not UTF-8.
// Lines end at LF, CR LF or CR; columns count characters, not bytes, from 1.
std::variant<JsonValue, JsonError> parseJson(std::string_view text);

}  // namespace tresvik
