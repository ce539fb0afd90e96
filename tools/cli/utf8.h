#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tresvik::cli {

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string toUtf8(std::u16string_view text);
// UTF-8 to UTF-16; nothing for malformed input.
std::optional<std::u16string> fromUtf8(std::string_view text);
// A file name given as a UTF-8 argument. On Windows a path made from a plain string reads it in
// the ANSI code page instead.
std::filesystem::path pathFromUtf8(std::string_view text);

}  // namespace tresvik::cli
