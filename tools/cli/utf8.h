#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "decode/utf8.h"

namespace tresvik::cli {

// UTF-16 to UTF-8 is the core's, for the command's own texts too.
using tresvik::toUtf8;
// UTF-8 to UTF-16; nothing for malformed input.
std::optional<std::u16string> fromUtf8(std::string_view text);
// A file name given as a UTF-8 argument. On Windows a path made from a plain string reads it in
// the ANSI code page instead.
std::filesystem::path pathFromUtf8(std::string_view text);

}  // namespace tresvik::cli
