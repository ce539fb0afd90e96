#include "tools/cli/byte_input.h"

#include <cctype>

#include "link/bytes.h"

namespace tresvik::cli {

namespace {

int hexValue(char32_t c) {
    if (c >= '0' && c <= '9') {
        return static_cast<int>(c - '0');
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<int>(c - 'A' + 10);
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<int>(c - 'a' + 10);
    }
    return -1;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string printable(std::string_view token) {
    std::string out;
    for (const char c : token.substr(0, 16)) {
        out += std::isprint(static_cast<unsigned char>(c)) != 0 ? c : '?';
    }
    return token.size() > 16 ? out + "..." : out;
}

std::variant<Bytes, InputError> parseHex(std::string_view data) {
    Bytes bytes;
    std::size_t line = 1;
    std::size_t lineStart = 0;
    std::size_t i = 0;
    while (i < data.size()) {
        if (isSpace(data[i])) {
            if (data[i] == '\n') {
                ++line;
                lineStart = i + 1;
            }
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < data.size() && !isSpace(data[end])) {
            ++end;
        }
        const std::string_view token = data.substr(i, end - i);
        if (token.size() != 2 || hexValue(static_cast<unsigned char>(token[0])) < 0 ||
            hexValue(static_cast<unsigned char>(token[1])) < 0) {
            return InputError{"line " + std::to_string(line) + ", column " +
                              std::to_string(i - lineStart + 1) + ": '" + printable(token) +
                              "' is not a byte (two hexadecimal digits)"};
        }
        bytes.push_back(
            static_cast<std::uint8_t>(hexValue(static_cast<unsigned char>(token[0])) * 16 +
                                      hexValue(static_cast<unsigned char>(token[1]))));
        i = end;
    }
    return bytes;
}

// A log line begins with "hh:mm:ss.mmm - ".
bool hasTimeStamp(std::u16string_view line) {
    constexpr std::u16string_view kPattern = u"00:00:00.000 - ";
    if (line.size() < kPattern.size()) {
        return false;
    }
    for (std::size_t i = 0; i < kPattern.size(); ++i) {
        const bool digit = line[i] >= u'0' && line[i] <= u'9';
        if (kPattern[i] == u'0' ? !digit : line[i] != kPattern[i]) {
            return false;
        }
    }
    return true;
}

std::variant<Bytes, InputError> parseDump(std::string_view data) {
    if (data.size() % 2 != 0) {
        return InputError{"text dump has an odd number of bytes (" + std::to_string(data.size()) +
                          "); it must be UTF-16LE"};
    }
    const ByteView dump(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
    std::u16string text(data.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(readLittleEndian16(dump.subspan(2 * i)));
    }
    constexpr std::u16string_view kRxPrefix = u"UART Rx - ";
    constexpr std::size_t kStampLength = 15;
    Bytes bytes;
    std::size_t lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        ++lineNumber;
        std::size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos) {
            end = text.size();
        }
        std::u16string_view line(text.data() + start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == u'\r') {
            line.remove_suffix(1);
        }
        if (!hasTimeStamp(line) || line.substr(kStampLength, kRxPrefix.size()) != kRxPrefix) {
            continue;
        }
        std::u16string_view body = line.substr(kStampLength + kRxPrefix.size());
        if (body == u"CRC Error.") {
            continue;
        }
        std::size_t pos = 0;
        while (pos < body.size()) {
            const std::size_t column = kStampLength + kRxPrefix.size() + pos + 1;
            if (pos + 1 >= body.size() || hexValue(body[pos]) < 0 || hexValue(body[pos + 1]) < 0 ||
                (pos + 2 < body.size() && body[pos + 2] != u' ')) {
                return InputError{"dump line " + std::to_string(lineNumber) + ", column " +
                                  std::to_string(column) +
                                  ": a received frame line must hold hexadecimal bytes "
                                  "separated by spaces"};
            }
            bytes.push_back(
                static_cast<std::uint8_t>(hexValue(body[pos]) * 16 + hexValue(body[pos + 1])));
            pos += 3;
        }
    }
    return bytes;
}

}  // namespace

std::variant<Bytes, InputError> parseInput(std::string_view data, InputFormat format) {
    switch (format) {
        case InputFormat::Hex:
            return parseHex(data);
        case InputFormat::Dump:
            return parseDump(data);
        case InputFormat::Raw:
            break;
    }
    return Bytes(data.begin(), data.end());
}

}  // namespace tresvik::cli
