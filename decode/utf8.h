#pragma once

#include <string>
#include <string_view>

namespace tresvik {

// UTF-16 to UTF-8, for texts that leave the console as files or output; an unpaired surrogate
// becomes U+FFFD.
void appendUtf8(std::string& out, std::u16string_view text);
std::string toUtf8(std::u16string_view text);

}  // namespace tresvik
