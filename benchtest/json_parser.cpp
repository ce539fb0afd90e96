#include "benchtest/json_parser.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "decode/utf8.h"
#include "link/bytes.h"

namespace tresvik {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Thrown inside the parser and turned into a JsonError at its place; a syntax error ends the read
// wherever in the nesting it is found.
struct SyntaxError {
    std::size_t offset = 0;
    std::string message;
};

struct DecodedChar {
    char32_t codePoint = 0;
    std::size_t length = 0;
};

// The character starting at `pos` (which must be inside `text`); nothing for a malformed
// sequence, an overlong form, a surrogate or a value past U+10FFFF.
std::optional<DecodedChar> decodeUtf8(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        return DecodedChar{lead, 1};
    }
    std::size_t extra = 0;
    char32_t codePoint = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        codePoint = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        codePoint = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        codePoint = lead & 0x07;
        minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    if (pos + extra >= text.size()) {
        return std::nullopt;
    }
    for (std::size_t k = 1; k <= extra; ++k) {
        const auto next = static_cast<unsigned char>(text[pos + k]);
        if ((next & 0xC0) != 0x80) {
            return std::nullopt;
        }
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint < 0xE000)) {
        return std::nullopt;
    }
    return DecodedChar{codePoint, extra + 1};
}

void appendUtf16(std::u16string& out, char32_t codePoint) {
    if (codePoint < 0x10000) {
        out.push_back(static_cast<char16_t>(codePoint));
        return;
    }
    codePoint -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 | (codePoint >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 | (codePoint & 0x3FF)));
}

std::optional<unsigned> hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<unsigned>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<unsigned>(c - 'a' + 10);
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<unsigned>(c - 'A' + 10);
    }
    return std::nullopt;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string hexUnit(char16_t unit) {
    std::string text = "\\u";
    appendHexByte(text, static_cast<std::uint8_t>(unit >> 8));
    appendHexByte(text, static_cast<std::uint8_t>(unit & 0xFF));
    return text;
}

std::string placeText(SourcePlace place) {
    return std::to_string(place.line) + ":" + std::to_string(place.column);
}

// Recursive descent over the text, one function per kind of value.
class Parser {
public:
    explicit Parser(std::string_view text) : m_text(text) {}

    JsonValue document() {
        checkUtf8();
        skipSpace();
        JsonValue top = value(1);
        skipSpace();
        if (!atEnd()) {
            fail(m_pos, "expected the end of the file after the value");
        }
        return top;
    }

    // Places are asked for in increasing order while reading, so each is counted on from the one
    // before; only an error may ask for an earlier one, and then the count starts again.
    SourcePlace placeAt(std::size_t offset) {
        if (offset < m_counted) {
            m_counted = 0;
            m_line = 1;
            m_column = 1;
        }
        for (; m_counted < offset; ++m_counted) {
            const char c = m_text[m_counted];
            const bool crBeforeLf =
                c == '\r' && m_counted + 1 < m_text.size() && m_text[m_counted + 1] == '\n';
            if (c == '\n' || (c == '\r' && !crBeforeLf)) {
                ++m_line;
                m_column = 1;
            } else if (!crBeforeLf && (static_cast<unsigned char>(c) & 0xC0) != 0x80) {
                ++m_column;
            }
        }
        return {m_line, m_column};
    }

private:
    // Everything after this may count a character by its lead byte alone.
    void checkUtf8() const {
        std::size_t pos = 0;
        while (pos < m_text.size()) {
            const std::optional<DecodedChar> decoded = decodeUtf8(m_text, pos);
            if (!decoded) {
                std::string byte;
                appendHexByte(byte, static_cast<std::uint8_t>(m_text[pos]));
                fail(pos, "not valid UTF-8 (byte 0x" + byte + ")");
            }
            pos += decoded->length;
        }
    }

    JsonValue value(int depth) {
        const std::size_t start = m_pos;
        if (atEnd()) {
            expected("a value");
        }
        switch (m_text[m_pos]) {
            case '{':
                return object(depth);
            case '[':
                return array(depth);
            case '"': {
                const SourcePlace place = placeAt(start);
                return JsonValue(string(), place);
            }
            case 't':
                return literal("true", true);
            case 'f':
                return literal("false", false);
            case 'n':
                return literal("null", nullptr);
            default:
                break;
        }
        if (m_text[m_pos] == '-' || isDigit(m_text[m_pos])) {
            const SourcePlace place = placeAt(start);
            return JsonValue(number(), place);
        }
        expected("a value");
    }

    JsonValue literal(std::string_view word, JsonValue::Data data) {
        if (m_text.substr(m_pos, word.size()) != word) {
            expected("a value");
        }
        const SourcePlace place = placeAt(m_pos);
        m_pos += word.size();
        return JsonValue(std::move(data), place);
    }

    JsonValue object(int depth) {
        const std::size_t start = m_pos;
        const SourcePlace place = placeAt(start);
        checkDepth(depth);
        ++m_pos;
        JsonValue::Object members;
        std::unordered_map<std::u16string, SourcePlace> seen;
        skipSpace();
        if (consume('}')) {
            return JsonValue(std::move(members), place);
        }
        while (true) {
            if (atEnd() || m_text[m_pos] != '"') {
                expected(members.empty() ? "a key (a string) or '}'" : "a key (a string)");
            }
            const std::size_t keyStart = m_pos;
            const SourcePlace keyPlace = placeAt(keyStart);
            std::u16string key = string();
            const auto [first, inserted] = seen.emplace(key, keyPlace);
            if (!inserted) {
                fail(keyStart, "duplicate key \"" + toUtf8(key) + "\" (first at " +
                                   placeText(first->second) + ")");
            }
            skipSpace();
            if (!consume(':')) {
                expected("':'");
            }
            skipSpace();
            members.push_back({std::move(key), keyPlace, value(depth + 1)});
            skipSpace();
            if (consume('}')) {
                return JsonValue(std::move(members), place);
            }
            if (!consume(',')) {
                expected("',' or '}'");
            }
            skipSpace();
        }
    }

    JsonValue array(int depth) {
        const SourcePlace place = placeAt(m_pos);
        checkDepth(depth);
        ++m_pos;
        JsonValue::Array items;
        skipSpace();
        if (consume(']')) {
            return JsonValue(std::move(items), place);
        }
        while (true) {
            items.push_back(value(depth + 1));
            skipSpace();
            if (consume(']')) {
                return JsonValue(std::move(items), place);
            }
            if (!consume(',')) {
                expected("',' or ']'");
            }
            skipSpace();
        }
    }

    std::u16string string() {
        const std::size_t start = m_pos;
        ++m_pos;
        std::u16string text;
        while (true) {
            // A string cut off by the end of the text, also right after a backslash, is
            // unterminated; so is one that a line break cuts, as that is far more often a missing
            // closing quote than a character meant to be there.
            if (atEnd() || m_text[m_pos] == '\n' || m_text[m_pos] == '\r' ||
                m_text.substr(m_pos) == "\\") {
                fail(start, "unterminated string");
            }
            const auto c = static_cast<unsigned char>(m_text[m_pos]);
            if (c == '"') {
                ++m_pos;
                return text;
            }
            if (c == '\\') {
                escape(text);
            } else if (c < 0x20) {
                std::string code;
                appendHexByte(code, c);
                fail(m_pos,
                     "control character U+00" + code + " in a string; write it as an escape");
            } else {
                const DecodedChar decoded = *decodeUtf8(m_text, m_pos);
                appendUtf16(text, decoded.codePoint);
                m_pos += decoded.length;
            }
        }
    }

    void escape(std::u16string& text) {
        const std::size_t start = m_pos;
        ++m_pos;
        const char c = m_text[m_pos];
        ++m_pos;
        switch (c) {
            case '"':
            case '\\':
            case '/':
                text.push_back(static_cast<char16_t>(c));
                return;
            case 'b':
                text.push_back(u'\b');
                return;
            case 'f':
                text.push_back(u'\f');
                return;
            case 'n':
                text.push_back(u'\n');
                return;
            case 'r':
                text.push_back(u'\r');
                return;
            case 't':
                text.push_back(u'\t');
                return;
            case 'u':
                break;
            default:
                fail(start, "unknown escape; one of \\\" \\\\ \\/ \\b \\f \\n \\r \\t \\uXXXX");
        }
        const char16_t unit = hexUnitAt(start);
        if (unit >= 0xDC00 && unit < 0xE000) {
            fail(start, "lone surrogate " + hexUnit(unit) + " in a string");
        }
        if (unit >= 0xD800 && unit < 0xDC00) {
            const std::size_t second = m_pos;
            if (m_text.substr(m_pos, 2) != "\\u") {
                fail(start, "lone surrogate " + hexUnit(unit) + " in a string");
            }
            m_pos += 2;
            const char16_t low = hexUnitAt(second);
            if (low < 0xDC00 || low >= 0xE000) {
                fail(start, "lone surrogate " + hexUnit(unit) + " in a string");
            }
            text.push_back(unit);
            text.push_back(low);
            return;
        }
        text.push_back(unit);
    }

    // The four hex digits after a \u that starts at `escapeStart`.
    char16_t hexUnitAt(std::size_t escapeStart) {
        unsigned unit = 0;
        for (int i = 0; i < 4; ++i) {
            const std::optional<unsigned> digit = atEnd() ? std::nullopt : hexValue(m_text[m_pos]);
            if (!digit) {
                fail(escapeStart, "expected four hex digits after \\u");
            }
            unit = unit << 4 | *digit;
            ++m_pos;
        }
        return static_cast<char16_t>(unit);
    }

    JsonNumber number() {
        const std::size_t start = m_pos;
        consume('-');
        // A leading zero stands alone: a digit after it is no part of the number.
        if (!consume('0') && !digits()) {
            expected("a digit");
        }
        if (consume('.') && !digits()) {
            expected("a digit after '.'");
        }
        if (consume('e') || consume('E')) {
            if (!consume('+')) {
                consume('-');
            }
            if (!digits()) {
                expected("a digit in the exponent");
            }
        }
        const std::string_view text = m_text.substr(start, m_pos - start);
        JsonNumber number{0, std::string(text)};
        const auto [end, error] =
            std::from_chars(text.data(), text.data() + text.size(), number.value);
        if (error != std::errc() || end != text.data() + text.size()) {
            fail(start, "number " + number.text + " is out of range");
        }
        return number;
    }

    bool digits() {
        const std::size_t start = m_pos;
        while (!atEnd() && isDigit(m_text[m_pos])) {
            ++m_pos;
        }
        return m_pos > start;
    }

    void checkDepth(int depth) const {
        if (depth > kJsonDepthLimit) {
            fail(m_pos, "arrays and objects nested deeper than " + std::to_string(kJsonDepthLimit) +
                            " levels");
        }
    }

    void skipSpace() {
        while (!atEnd() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' ||
                            m_text[m_pos] == '\n' || m_text[m_pos] == '\r')) {
            ++m_pos;
        }
    }

    bool consume(char c) {
        if (!atEnd() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    bool atEnd() const { return m_pos >= m_text.size(); }

    [[noreturn]] void expected(std::string_view what) const {
        std::string message = "expected " + std::string(what);
        if (atEnd()) {
            message += ", found the end of the file";
        }
        fail(m_pos, std::move(message));
    }

    [[noreturn]] static void fail(std::size_t offset, std::string message) {
        throw SyntaxError{offset, std::move(message)};
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    std::size_t m_counted = 0;
    int m_line = 1;
    int m_column = 1;
};

}  // namespace

std::variant<JsonValue, JsonError> parseJson(std::string_view text) {
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    Parser parser(text);
    try {
        return parser.document();
    } catch (const SyntaxError& error) {
        return JsonError{parser.placeAt(error.offset), error.message};
    }
}

}  // namespace tresvik
