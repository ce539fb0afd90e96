#include "health/json_writer.h"

#include <charconv>
#include <cmath>

namespace tresvik {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The length of the well-formed UTF-8 sequence at the start of `text` (RFC 3629: no overlong
// forms, no surrogates, nothing above U+10FFFF); 0 when there is none.
std::size_t sequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

}  // namespace

std::string jsonQuoted(std::string_view utf8) {
    std::string out = "\"";
    while (!utf8.empty()) {
        const std::size_t length = sequenceLength(utf8);
        if (length == 0) {
            out += kReplacement;
            utf8.remove_prefix(1);
            continue;
        }
        const char c = utf8.front();
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    constexpr std::string_view kHex = "0123456789abcdef";
                    out += "\\u00";
                    out += kHex[static_cast<unsigned char>(c) >> 4];
                    out += kHex[static_cast<unsigned char>(c) & 0x0F];
                } else {
                    out += utf8.substr(0, length);
                }
        }
        utf8.remove_prefix(length);
    }
    out += '"';
    return out;
}

void JsonWriter::newLine() {
    m_text += '\n';
    m_text.append(2 * m_hasMembers.size(), ' ');
}

void JsonWriter::beginObject() {
    m_text += '{';
    m_hasMembers.push_back(false);
}

void JsonWriter::endObject() {
    const bool hadMembers = m_hasMembers.back();
    m_hasMembers.pop_back();
    if (hadMembers) {
        newLine();
    }
    m_text += '}';
    if (m_hasMembers.empty()) {
        m_text += '\n';
    }
}

void JsonWriter::key(std::string_view name) {
    if (m_hasMembers.back()) {
        m_text += ',';
    }
    m_hasMembers.back() = true;
    newLine();
    m_text += jsonQuoted(name);
    m_text += ": ";
}

void JsonWriter::string(std::string_view utf8) {
    m_text += jsonQuoted(utf8);
}

void JsonWriter::number(std::uint64_t value) {
    m_text += std::to_string(value);
}

void JsonWriter::number(double value, int decimals) {
    if (!std::isfinite(value)) {
        null();
        return;
    }
    // to_chars writes the same digits in every locale; adding zero turns -0 into 0. The largest
    // double has 309 digits before the point.
    char digits[512];
    const auto result = std::to_chars(digits, digits + sizeof digits, value + 0.0,
                                      std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) {
        null();
        return;
    }
    m_text.append(digits, result.ptr);
}

void JsonWriter::null() {
    m_text += "null";
}

}  // namespace tresvik
