#include "log/recording.h"

#include <cctype>
#include <charconv>
#include <optional>
#include <utility>

namespace tresvik {

namespace {

constexpr std::uint64_t kDayMs = 24ULL * 60 * 60 * 1000;

constexpr std::string_view kPortComment = "# port ";
constexpr std::string_view kStartedAt = ", started ";
// Where the digits of a start time stand; every other character is as here.
constexpr std::string_view kStartPattern = "0000-00-00 00:00:00";

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
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// A token of the input as it may be shown in an error: printable and short.
std::string printable(std::string_view token) {
    constexpr std::size_t kShown = 32;
    std::string out;
    for (const char c : token.substr(0, kShown)) {
        out += std::isprint(static_cast<unsigned char>(c)) != 0 ? c : '?';
    }
    return token.size() > kShown ? out + "..." : out;
}

// The chunks that `readLine` makes of the lines of `text` (without their line ends, CR LF or
// LF), in order; a line that leaves its chunk empty adds none. The first error ends the reading.
template <typename Char, typename ReadLine>
std::variant<TimedBytes, RecordingError> readChunks(std::basic_string_view<Char> text,
                                                    ReadLine readLine) {
    TimedBytes chunks;
    std::size_t number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        ++number;
        std::size_t end = text.find(Char('\n'), start);
        if (end == std::basic_string_view<Char>::npos) {
            end = text.size();
        }
        std::basic_string_view<Char> line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == Char('\r')) {
            line.remove_suffix(1);
        }
        TimedChunk chunk;
        if (std::optional<RecordingError> error = readLine(number, line, chunk)) {
            return *std::move(error);
        }
        if (!chunk.bytes.empty()) {
            chunks.push_back(std::move(chunk));
        }
    }
    return chunks;
}

// Appends the hex byte pairs of `text`, separated by blanks; on a bad token, says what and
// where (`firstColumn` is the column of the first character of `text`).
std::optional<RecordingError> appendHexPairs(std::string_view text, std::size_t line,
                                             std::size_t firstColumn, Bytes& bytes) {
    std::size_t i = 0;
    while (i < text.size()) {
        if (isSpace(text[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && !isSpace(text[end])) {
            ++end;
        }
        const std::string_view token = text.substr(i, end - i);
        if (token.size() != 2 || hexValue(static_cast<unsigned char>(token[0])) < 0 ||
            hexValue(static_cast<unsigned char>(token[1])) < 0) {
            return RecordingError{
                line, firstColumn + i,
                "'" + printable(token) + "' is not a byte (two hexadecimal digits)"};
        }
        bytes.push_back(
            static_cast<std::uint8_t>(hexValue(static_cast<unsigned char>(token[0])) * 16 +
                                      hexValue(static_cast<unsigned char>(token[1]))));
        i = end;
    }
    return std::nullopt;
}

// Milliseconds since midnight of a log line that begins with "hh:mm:ss.mmm - ".
std::optional<std::uint64_t> timeStampMs(std::u16string_view line) {
    constexpr std::u16string_view kPattern = u"00:00:00.000 - ";
    if (line.size() < kPattern.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kPattern.size(); ++i) {
        const bool digit = line[i] >= u'0' && line[i] <= u'9';
        if (kPattern[i] == u'0' ? !digit : line[i] != kPattern[i]) {
            return std::nullopt;
        }
    }
    auto number = [&](std::size_t at, std::size_t digits) {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < digits; ++i) {
            value = value * 10 + static_cast<std::uint64_t>(line[at + i] - u'0');
        }
        return value;
    };
    return ((number(0, 2) * 60 + number(3, 2)) * 60 + number(6, 2)) * 1000 + number(9, 3);
}

// "YYYY-MM-DD HH:MM:SS" as the parts of a local time, when it is one.
std::optional<std::tm> startTime(std::string_view text) {
    if (text.size() != kStartPattern.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kStartPattern[i] == '0' ? !digit : text[i] != kStartPattern[i]) {
            return std::nullopt;
        }
    }
    const auto number = [&](std::size_t at, std::size_t digits) {
        int value = 0;
        for (std::size_t i = at; i < at + digits; ++i) {
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    std::tm parts{};
    parts.tm_year = number(0, 4) - 1900;
    parts.tm_mon = number(5, 2) - 1;
    parts.tm_mday = number(8, 2);
    parts.tm_hour = number(11, 2);
    parts.tm_min = number(14, 2);
    parts.tm_sec = number(17, 2);
    // Whether summer time was in force is for the time zone to tell.
    parts.tm_isdst = -1;
    // A leap second is 60.
    if (parts.tm_mon > 11 || parts.tm_mday < 1 || parts.tm_mday > 31 || parts.tm_hour > 23 ||
        parts.tm_min > 59 || parts.tm_sec > 60) {
        return std::nullopt;
    }
    return parts;
}

}  // namespace

std::string formatRecordingStart(std::string_view port, const std::tm& localTime) {
    std::string line(kPortComment);
    for (const char c : port) {
        line += static_cast<unsigned char>(c) < 0x20 || c == '\x7F' ? '?' : c;
    }
    line += kStartedAt;
    char time[32];
    std::strftime(time, sizeof time, "%Y-%m-%d %H:%M:%S", &localTime);
    line += time;
    line += '\n';
    return line;
}

std::optional<std::tm> recordingStartTime(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && isSpace(line.front())) {
            line.remove_prefix(1);
        }
        while (!line.empty() && isSpace(line.back())) {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        if (line.front() != '#') {
            return std::nullopt;
        }
        const std::size_t at = line.rfind(kStartedAt);
        if (line.starts_with(kPortComment) && at != std::string_view::npos) {
            return startTime(line.substr(at + kStartedAt.size()));
        }
    }
    return std::nullopt;
}

std::string formatRecordingLine(const TimedChunk& chunk) {
    std::string line = std::to_string(chunk.offsetMs);
    for (const std::uint8_t byte : chunk.bytes) {
        line.push_back(' ');
        appendHexByte(line, byte);
    }
    line.push_back('\n');
    return line;
}

ReplayFormat detectReplayFormat(std::string_view data) {
    // Any version of the header: parseRecording() names the one it does not know.
    if (data.starts_with("# tresvik recording")) {
        return ReplayFormat::Recording;
    }
    // A dump is UTF-16LE text beginning with a time stamp: a digit, then a zero byte.
    if (data.size() >= 2 && data[1] == '\0') {
        return ReplayFormat::Dump;
    }
    return ReplayFormat::Hex;
}

std::variant<TimedBytes, RecordingError> parseRecording(std::string_view text) {
    if (text.empty()) {
        return RecordingError{0, 0, "the recording is empty"};
    }
    std::optional<std::uint64_t> lastOffset;
    return readChunks(
        text,
        [&](std::size_t number, std::string_view line,
            TimedChunk& chunk) -> std::optional<RecordingError> {
            if (number == 1) {
                if (line != kRecordingHeader) {
                    return RecordingError{number, 0,
                                          "the first line must be '" +
                                              std::string(kRecordingHeader) + "', not '" +
                                              printable(line) + "'"};
                }
                return std::nullopt;
            }
            std::size_t start = 0;
            while (start < line.size() && isSpace(line[start])) {
                ++start;
            }
            if (start == line.size() || line[start] == '#') {
                return std::nullopt;
            }
            std::size_t end = start;
            while (end < line.size() && !isSpace(line[end])) {
                ++end;
            }
            const auto [stop, status] =
                std::from_chars(line.data() + start, line.data() + end, chunk.offsetMs);
            if (status != std::errc() || stop != line.data() + end) {
                return RecordingError{number, start + 1,
                                      "'" + printable(line.substr(start, end - start)) +
                                          "' is not a time offset in milliseconds"};
            }
            if (lastOffset && chunk.offsetMs < *lastOffset) {
                return RecordingError{number, start + 1,
                                      "time offset " + std::to_string(chunk.offsetMs) +
                                          " is earlier than the line before (" +
                                          std::to_string(*lastOffset) + ")"};
            }
            lastOffset = chunk.offsetMs;
            if (auto bad = appendHexPairs(line.substr(end), number, end + 1, chunk.bytes)) {
                return bad;
            }
            if (chunk.bytes.empty()) {
                return RecordingError{number, 0, "a time offset without bytes"};
            }
            return std::nullopt;
        });
}

std::variant<TimedBytes, RecordingError> parseDump(std::string_view utf16le) {
    if (utf16le.size() % 2 != 0) {
        return RecordingError{0, 0,
                              "text dump has an odd number of bytes (" +
                                  std::to_string(utf16le.size()) + "); it must be UTF-16LE"};
    }
    std::u16string text(utf16le.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(utf16le[2 * i]) |
                                        static_cast<unsigned char>(utf16le[2 * i + 1]) << 8U);
    }
    constexpr std::u16string_view kRxPrefix = u"UART Rx - ";
    constexpr std::size_t kStampLength = 15;
    std::optional<std::uint64_t> previousStamp;
    std::uint64_t offset = 0;
    return readChunks(
        std::u16string_view(text),
        [&](std::size_t number, std::u16string_view line,
            TimedChunk& chunk) -> std::optional<RecordingError> {
            const std::optional<std::uint64_t> stamp = timeStampMs(line);
            if (!stamp || line.substr(kStampLength, kRxPrefix.size()) != kRxPrefix) {
                return std::nullopt;
            }
            if (previousStamp) {
                // The stamps are times of day: one earlier than the last means midnight passed.
                offset += (*stamp + kDayMs - *previousStamp) % kDayMs;
            }
            previousStamp = stamp;
            const std::u16string_view body = line.substr(kStampLength + kRxPrefix.size());
            if (body == u"CRC Error.") {
                return std::nullopt;
            }
            chunk.offsetMs = offset;
            for (std::size_t pos = 0; pos < body.size(); pos += 3) {
                if (pos + 1 >= body.size() || hexValue(body[pos]) < 0 ||
                    hexValue(body[pos + 1]) < 0 ||
                    (pos + 2 < body.size() && body[pos + 2] != u' ')) {
                    return RecordingError{number, kStampLength + kRxPrefix.size() + pos + 1,
                                          "a received frame line must hold hexadecimal bytes "
                                          "separated by spaces"};
                }
                chunk.bytes.push_back(
                    static_cast<std::uint8_t>(hexValue(body[pos]) * 16 + hexValue(body[pos + 1])));
            }
            return std::nullopt;
        });
}

std::variant<TimedBytes, RecordingError> parseHexLines(std::string_view text) {
    return readChunks(text, [](std::size_t number, std::string_view line, TimedChunk& chunk) {
        return appendHexPairs(line, number, 1, chunk.bytes);
    });
}

std::variant<TimedBytes, RecordingError> parseReplayFile(std::string_view data) {
    if (data.empty()) {
        return RecordingError{0, 0, "the file is empty"};
    }
    switch (detectReplayFormat(data)) {
        case ReplayFormat::Recording:
            return parseRecording(data);
        case ReplayFormat::Dump:
            return parseDump(data);
        case ReplayFormat::Hex:
            break;
    }
    return parseHexLines(data);
}

std::string describe(const RecordingError& error) {
    if (error.line == 0) {
        return error.message;
    }
    std::string place = "line " + std::to_string(error.line);
    if (error.column != 0) {
        place += ", column " + std::to_string(error.column);
    }
    return place + ": " + error.message;
}

Bytes joinChunks(const TimedBytes& chunks) {
    Bytes bytes;
    for (const TimedChunk& chunk : chunks) {
        bytes.insert(bytes.end(), chunk.bytes.begin(), chunk.bytes.end());
    }
    return bytes;
}

}  // namespace tresvik
