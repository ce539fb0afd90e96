#include "decode/value_format.h"

#include <array>
#include <cstddef>

#include "link/bytes.h"

namespace tresvik {

namespace {

constexpr std::array<std::u16string_view, 4> kActivityTexts{
    u"break / rest",
    u"availability",
    u"work",
    u"driving",
};

constexpr std::array<std::u16string_view, 7> kWarningTexts{
    u"no time-related warning detected",
    u"limit #1: 15 min before 4 1/2 h",
    u"limit #2: 4 1/2 h reached(continuous driving time exceeded)",
    u"limit #3: 15 minutes before optional warning 1",
    u"limit #4: optional warning 1 reached",
    u"limit #5: 15 min before optional warning 2",
    u"limit #6: optional warning 2 reached",
};

// Short payloads carry the value itself, little-endian.
constexpr std::size_t kMaxRawLength = 4;

// The prefixed layout: two bytes the unit does not fill, then a 32-bit value.
constexpr std::size_t kLongPayloadLength = 6;

// J1939 time and date scalings.
constexpr int kYearBase = 1985;
constexpr int kTimeOffsetBias = 125;
constexpr int kQuartersPerUnit = 4;

constexpr int kSecondsPerMinute = 60;
constexpr int kSecondsPerHour = 3600;

void appendAscii(std::u16string& out, std::string_view text) {
    for (const char c : text) {
        out.push_back(static_cast<char16_t>(c));
    }
}

// Decimal digits of a magnitude, zero-padded to at least `minDigits`.
void appendDigits(std::u16string& out, std::uint64_t magnitude, int minDigits) {
    std::array<char16_t, 20> digits{};
    int count = 0;
    do {
        digits[count++] = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    for (int pad = count; pad < minDigits; ++pad) {
        out.push_back(u'0');
    }
    while (count > 0) {
        out.push_back(digits[--count]);
    }
}

std::uint64_t magnitudeOf(std::int64_t value) {
    const auto bits = static_cast<std::uint64_t>(value);
    return value < 0 ? ~bits + 1 : bits;
}

// A signed number with at least `minDigits` digits after the sign, as C's "%.Nd".
void appendSigned(std::u16string& out, std::int64_t value, int minDigits) {
    if (value < 0) {
        out.push_back(u'-');
    }
    appendDigits(out, magnitudeOf(value), minDigits);
}

// Upper-case hexadecimal, zero-padded to at least `minDigits`.
void appendHex(std::u16string& out, std::uint32_t value, int minDigits) {
    std::array<char16_t, 8> digits{};
    int count = 0;
    do {
        digits[count++] = static_cast<char16_t>(hexDigit(value));
        value >>= 4;
    } while (value != 0);
    for (int pad = count; pad < minDigits; ++pad) {
        out.push_back(u'0');
    }
    while (count > 0) {
        out.push_back(digits[--count]);
    }
}

// Each byte is the character of the same code; the list shows nothing past a zero byte, so the
// text ends there.
std::u16string characterText(ByteView bytes) {
    std::u16string text;
    for (const std::uint8_t byte : bytes) {
        if (byte == 0) {
            break;
        }
        text.push_back(static_cast<char16_t>(byte));
    }
    return text;
}

std::u16string deviceVersionText(ByteView p) {
    std::u16string text;
    appendHex(text, readLittleEndian16(p.subspan(2)), 3);
    text.push_back(u'_');
    appendHex(text, readLittleEndian16(p.subspan(4)), 2);
    text.push_back(u'_');
    appendHex(text, readLittleEndian16(p.subspan(6)), 2);
    return text;
}

std::u16string softwareDateText(ByteView p) {
    std::u16string text = u"20";
    appendHexByte(text, p[2]);
    text.push_back(u'_');
    appendHexByte(text, p[3]);
    text.push_back(u'_');
    appendHexByte(text, p[4]);
    appendAscii(text, "_rev");
    appendHexByte(text, p[5]);
    return text;
}

std::u16string hexBytesText(ByteView p) {
    std::u16string text;
    if (p.size() > 2) {
        for (const std::uint8_t byte : p.subspan(2)) {
            appendHexByte(text, byte);
        }
    }
    return text;
}

// A value shown as hours with at least four digits, minutes and seconds. A negative count keeps
// one sign in front of the hours and shows the fields of its magnitude.
std::u16string durationText(std::int32_t seconds) {
    const std::uint64_t magnitude = magnitudeOf(seconds);
    std::u16string text;
    if (seconds < 0) {
        text.push_back(u'-');
    }
    appendDigits(text, magnitude / kSecondsPerHour, 4);
    text.push_back(u':');
    appendDigits(text, magnitude % kSecondsPerHour / kSecondsPerMinute, 2);
    text.push_back(u':');
    appendDigits(text, magnitude % kSecondsPerMinute, 2);
    return text;
}

// Little-endian identifiers are shown most significant byte first.
std::u16string identifierText(ByteView idBytes) {
    std::u16string text = u"0x";
    for (std::size_t i = idBytes.size(); i > 0; --i) {
        appendHexByte(text, idBytes[i - 1]);
    }
    return text;
}

std::u16string immobiliserText(ByteView p) {
    std::u16string text = p[2] != 0 ? u"(*) " : u"( ) ";
    text += identifierText(p.subspan(3, 4));
    return text;
}

std::u16string driverStateText(std::uint8_t state) {
    std::u16string text{activityText(state & 0x0FU)};
    appendAscii(text, " - ");
    text += warningText(static_cast<unsigned>(state >> 4));
    return text;
}

std::u16string cardPresenceText(std::uint8_t presence) {
    std::u16string text = u"Card 1 (";
    appendAscii(text, (presence & 0x01U) != 0 ? "*" : "");
    appendAscii(text, "), Card 2(");
    appendAscii(text, (presence & 0x02U) != 0 ? "*" : "");
    text.push_back(u')');
    return text;
}

// Year, month and day; the day byte counts quarter days.
void appendDate(std::u16string& text, std::uint8_t year, std::uint8_t quarterDays,
                std::uint8_t month) {
    appendSigned(text, kYearBase + year, 1);
    text.push_back(u'-');
    appendSigned(text, month, 2);
    text.push_back(u'-');
    appendSigned(text, (quarterDays + kQuartersPerUnit - 1) / kQuartersPerUnit, 2);
}

std::u16string dateText(ByteView p) {
    std::u16string text;
    appendDate(text, p[0], p[1], p[2]);
    return text;
}

// The hour and minute carry the unit's local offsets; the result is printed as computed, even
// outside a day's range.
std::u16string dateTimeText(ByteView p) {
    std::u16string text;
    appendDate(text, p[2], p[3], p[4]);
    text.push_back(u' ');
    appendSigned(text, p[5] + p[0] - kTimeOffsetBias, 2);
    text.push_back(u':');
    appendSigned(text, p[6] + p[1] - kTimeOffsetBias, 2);
    text.push_back(u':');
    appendSigned(text, p[7] / kQuartersPerUnit, 2);
    return text;
}

}  // namespace

std::u16string_view activityText(unsigned index) {
    return index < kActivityTexts.size() ? kActivityTexts[index] : std::u16string_view{};
}

std::u16string_view warningText(unsigned index) {
    return index < kWarningTexts.size() ? kWarningTexts[index] : std::u16string_view{};
}

std::int32_t rawValue(ByteView frame) {
    const ByteView p = frame::payload(frame);
    if (p.empty() || p.size() > kMaxRawLength) {
        return 0;
    }
    return static_cast<std::int32_t>(readLittleEndian(p));
}

std::int32_t longValue(ByteView frame) {
    const ByteView p = frame::payload(frame);
    if (p.size() != kLongPayloadLength) {
        return 0;
    }
    return static_cast<std::int32_t>(readLittleEndian32(p.subspan(2)));
}

double ShownNumber::toDouble() const {
    double scale = 1;
    for (int i = 0; i < decimals; ++i) {
        scale *= 10;
    }
    return static_cast<double>(units) / scale;
}

ShownNumber shownNumber(std::int64_t value, const ParameterRow& row) {
    if (row.formatCode == FormatCode::Duration) {
        return {value, 0};
    }
    // Widened to 64 bits: large counters times 10^decimals leave the 32-bit range.
    std::int64_t scaled = value - row.offset;
    for (int i = 0; i < row.decimals; ++i) {
        scaled *= 10;
    }
    return {scaled * row.multiplier / static_cast<std::int64_t>(row.divisor), row.decimals};
}

std::u16string_view numberUnit(const ParameterRow& row) {
    if (row.formatCode == FormatCode::Duration) {
        return u"s";
    }
    const std::u16string_view label = row.label;
    const std::size_t open = label.rfind(u'[');
    if (!label.ends_with(u']') || open == std::u16string_view::npos) {
        return {};
    }
    return label.substr(open + 1, label.size() - open - 2);
}

std::u16string numericText(std::int64_t value, const ParameterRow& row) {
    const std::int64_t scaled = shownNumber(value, row).units;

    // Digits and point are built from the magnitude so that a negative value with several
    // decimals still gets its zeros between the point and the digits.
    std::u16string text;
    appendDigits(text, magnitudeOf(scaled), row.decimals);
    if (row.decimals > 0) {
        text.insert(text.size() - static_cast<std::size_t>(row.decimals), 1, u'.');
    }

    // Offset rows are signed values and always show their sign; any sign is kept in front of
    // the zeros that fill up the width.
    const bool negative = scaled < 0;
    const bool signedRow = row.offset != 0;
    if (negative || signedRow) {
        text.insert(text.begin(), negative ? u'-' : u'+');
    }
    const std::size_t padAt = negative || signedRow ? 1 : 0;
    const auto width = static_cast<std::size_t>(row.width > 0 ? row.width : 0);
    if (text.size() < width) {
        text.insert(padAt, width - text.size(), u'0');
    }
    return text;
}

std::u16string numericValueText(const ParameterRow& row, std::int32_t raw) {
    if (row.formatCode == FormatCode::Duration) {
        return durationText(raw);
    }
    return numericText(raw, row);
}

std::optional<std::int32_t> numericRaw(const ParameterRow& row, ByteView frame) {
    switch (row.formatCode) {
        case FormatCode::Numeric:
        case FormatCode::Duration:
            return rawValue(frame);
        case FormatCode::PrefixedNumeric:
            if (frame::payload(frame).size() != kLongPayloadLength) {
                return std::nullopt;
            }
            return longValue(frame);
        default:
            return std::nullopt;
    }
}

std::optional<std::u16string> valueText(const ParameterRow& row, ByteView frame) {
    const ByteView p = frame::payload(frame);
    const auto needs = [&p](std::size_t length) { return p.size() >= length; };
    switch (row.formatCode) {
        case FormatCode::Numeric:
        case FormatCode::Duration:
            return numericValueText(row, rawValue(frame));
        case FormatCode::DeviceVersion:
            return needs(8) ? std::optional{deviceVersionText(p)} : std::nullopt;
        case FormatCode::SoftwareDate:
            return needs(6) ? std::optional{softwareDateText(p)} : std::nullopt;
        case FormatCode::HexBytes:
            return hexBytesText(p);
        case FormatCode::PrefixedNumeric:
            if (p.size() != kLongPayloadLength) {
                return std::nullopt;
            }
            return numericValueText(row, longValue(frame));
        case FormatCode::Characters:
            return characterText(p);
        case FormatCode::ImmobiliserId:
            return needs(7) ? std::optional{immobiliserText(p)} : std::nullopt;
        case FormatCode::ImmobiliserBaseId:
            return needs(10) ? std::optional{identifierText(p.subspan(2, 8))} : std::nullopt;
        case FormatCode::DriverName:
            return characterText(p.empty() ? p : p.subspan(1));
        case FormatCode::DriverState:
            return needs(1) ? std::optional{driverStateText(p[0])} : std::nullopt;
        case FormatCode::CardPresence:
            return needs(1) ? std::optional{cardPresenceText(p[0])} : std::nullopt;
        case FormatCode::Date:
            return needs(3) ? std::optional{dateText(p)} : std::nullopt;
        case FormatCode::DateTime:
            return needs(8) ? std::optional{dateTimeText(p)} : std::nullopt;
    }
    return std::nullopt;
}

}  // namespace tresvik
