#include "decode/value_format.h"
#include "link/frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>

#include "link/crc8.h"

namespace tresvik {
namespace {

const ParameterRow& rowLabelled(std::u16string_view label) {
    const auto table = parameterTable();
    const auto it = std::ranges::find(table, label, &ParameterRow::label);
    EXPECT_NE(it, table.end()) << "no row labelled as asked";
    return *it;
}

std::optional<std::u16string> textOf(std::u16string_view label, const Bytes& payload) {
    const ParameterRow& row = rowLabelled(label);
    return valueText(row, makeFrame(row.messageId, payload));
}

struct TextCase {
    std::u16string_view label;
    Bytes payload;
    std::u16string expected;
};

void expectTexts(const std::vector<TextCase>& cases) {
    for (const TextCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::u16string{c.label}) + " payload of " +
                     std::to_string(c.payload.size()) + " bytes");
        EXPECT_EQ(textOf(c.label, c.payload), c.expected);
    }
}

void expectNoText(std::u16string_view label, const Bytes& payload) {
    SCOPED_TRACE(testing::PrintToString(std::u16string{label}) + " payload of " +
                 std::to_string(payload.size()) + " bytes");
    EXPECT_EQ(textOf(label, payload), std::nullopt);
}

TEST(ValueFormat, WorkedExamplesOfTheNumericAndDurationRows) {
    expectTexts({
        {u"Odometer", {0x40, 0xE2, 0x01}, u"0000617.280"},
        {u"Temperature", {55}, u"-05.0"},
        {u"Temperature", {60}, u"+00.0"},
        {u"Temperature", {80}, u"+20.0"},
        {u"Engine Load [%]", {125}, u"+.0"},
        {u"Engine Load [%]", {100}, u"-25.0"},
        {u"Fuel Level [%]", {0}, u"0000.0"},
        {u"Fuel Level [%]", {0xE8, 0x03}, u"0100.0"},
        {u"RPM", {0x80, 0x0C}, u"0800"},
        {u"Accelerator Position [%]", {250}, u"100.0"},
        {u"Arm - Slope [*]", {0x03, 0x07}, u"-000.5"},
        {u"Arm - Slope [*]", {0x6C, 0x07}, u"+010.0"},
        {u"PRG_NO", {0x00, 0x00, 42, 0x00, 0x00, 0x00}, u"00042"},
        {u"Driver 1 continuous driving time", {90}, u"000001.50"},
        {u"Lifetime", {0x8D, 0x0E}, u"0001:02:05"},
        {u"ID", {0x00, 0x00, 0x12, 0xAB}, u"12AB"},
    });
}

TEST(ValueFormat, RawValueIsZeroUnlessThePayloadHasOneToFourBytes) {
    EXPECT_EQ(rawValue(makeFrame(0x0037, {})), 0);
    EXPECT_EQ(rawValue(makeFrame(0x0037, {1, 2, 3, 4, 5})), 0);
    EXPECT_EQ(rawValue(makeFrame(0x0037, {1, 2, 3, 4, 5, 6})), 0);
    EXPECT_EQ(rawValue(makeFrame(0x0037, {0x01, 0x02, 0x03})), 0x030201);
    EXPECT_EQ(rawValue(makeFrame(0x0037, {0xFF, 0xFF, 0xFF, 0xFF})), -1);
    EXPECT_EQ(rawValue(makeFrame(0x0037, {0xFF, 0xFF, 0xFF})), 0xFFFFFF);
}

TEST(ValueFormat, LongValueReadsBytesTwoToFiveOfASixBytePayloadOnly) {
    EXPECT_EQ(longValue(makeFrame(0x2401, {0xAA, 0xBB, 0x01, 0x02, 0x03, 0x04})), 0x04030201);
    EXPECT_EQ(longValue(makeFrame(0x2401, {0, 0, 0x00, 0x00, 0x00, 0x80})),
              std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(longValue(makeFrame(0x2401, {0, 0, 42, 0})), 0);
}

TEST(ValueFormat, PayloadsWithoutARawValueShowZero) {
    expectTexts({
        {u"Fuel Level [%]", {}, u"0000.0"},
        {u"Fuel Level [%]", {1, 2, 3, 4, 5}, u"0000.0"},
        {u"Fuel Level [%]", {1, 2, 3, 4, 5, 6, 7}, u"0000.0"},
        {u"Lifetime", {}, u"0000:00:00"},
        {u"Temperature", {}, u"-60.0"},
    });
}

TEST(ValueFormat, LargeCountersKeepTheirTrueValue) {
    expectTexts({
        // 2,147,484 km/200 × 1000 leaves the 32-bit range before the division.
        {u"Odometer", {0x9C, 0xC4, 0x20}, u"0010737.420"},
        {u"Odometer", {0xFF, 0xFF, 0xFF, 0x7F}, u"10737418.235"},
        {u"Harvesting Efficiency", {0xFF, 0xFF, 0xFF, 0x7F}, u"21474.83647"},
    });
}

TEST(ValueFormat, NegativeValuesInRowsWithoutOffsetKeepTheSignInFront) {
    expectTexts({
        {u"Odometer", {0xFF, 0xFF, 0xFF, 0xFF}, u"-000000.005"},
        {u"Distance To Service [km]", {0xFF, 0xFF, 0xFF, 0xFF}, u"-0000001"},
        {u"Driver 1 continuous driving time", {0xD4, 0xFE, 0xFF, 0xFF}, u"-00005.00"},
        {u"Battery Level [%]", {0xFB, 0xFF, 0xFF, 0xFF}, u"-00.05"},
    });
}

TEST(ValueFormat, ScaledQuotientIsTruncatedTowardZeroInSignedArithmetic) {
    expectTexts({
        // -10 / 256 is zero: no sign.
        {u"Speed", {0xFF, 0xFF, 0xFF, 0xFF}, u"000.0"},
        // -3000 / 256 is -11.
        {u"Speed", {0xD4, 0xFE, 0xFF, 0xFF}, u"-01.1"},
        {u"Speed", {0x2C, 0x01}, u"001.1"},
    });
}

TEST(ValueFormat, NumericTextPutsDecimalZerosBetweenPointAndDigitsForNegatives) {
    const ParameterRow twoDecimals{u"", 0x0031, FormatCode::Numeric, 0, 2, 1, 100, 0};
    EXPECT_EQ(numericText(-5, twoDecimals), u"-.05");
    EXPECT_EQ(numericText(5, twoDecimals), u".05");
    EXPECT_EQ(numericText(-1234, twoDecimals), u"-12.34");
    const ParameterRow signedThreeDecimals{u"", 0x0031, FormatCode::Numeric, 8, 3, 1, 1000, 100};
    EXPECT_EQ(numericText(99, signedThreeDecimals), u"-000.001");
    EXPECT_EQ(numericText(100, signedThreeDecimals), u"+000.000");
}

TEST(ValueFormat, PrefixedRowsChangeOnlyForASixBytePayload) {
    expectNoText(u"PRG_NO", {0, 0, 42, 0});
    expectNoText(u"PRG_NO", {});
    expectNoText(u"PRG_NO", {0, 0, 42, 0, 0, 0, 0});
    expectNoText(u"DBG_EXCEPTION", {0, 0, 1, 0, 0});
    expectTexts({
        {u"PRG_NO", {0, 0, 0xA0, 0x86, 0x01, 0x00}, u"100000"},
        {u"DBG_EE_WR", {0xFF, 0xFF, 7, 0, 0, 0}, u"7"},
        {u"DBG_SOFT_RESET", {0, 0, 0x00, 0x00, 0x00, 0x80}, u"-2147483648"},
    });
}

TEST(ValueFormat, DurationShowsHoursWithAtLeastFourDigits) {
    expectTexts({
        {u"Lifetime", {0x00}, u"0000:00:00"},
        {u"Lifetime Count", {0x3B}, u"0000:00:59"},
        {u"Eco Total driving time [h]", {0x80, 0x3F, 0x5C, 0x02}, u"11000:00:00"},
        {u"Lifetime", {0x73, 0xF1, 0xFF, 0xFF}, u"-0001:02:05"},
        {u"Lifetime", {0x00, 0x00, 0x00, 0x80}, u"-596523:14:08"},
    });
}

// A kept integer gives back the text its frame gave, for every numeric row and integers at the
// edges of the rows' offsets and of the 32-bit range.
TEST(ValueFormat, EveryNumericRowShowsForItsIntegerTheTextItsFrameShows) {
    for (int index = 0; index < kParameterCount; ++index) {
        const ParameterRow& row = parameterRow(index);
        if (!hasNumericValue(row.formatCode)) {
            continue;
        }
        SCOPED_TRACE(testing::PrintToString(std::u16string(row.label)));
        for (const std::int32_t raw :
             {0, 1, -1, 250, 3725, 123456789, row.offset, row.offset - 1,
              std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()}) {
            const auto bits = static_cast<std::uint32_t>(raw);
            Bytes payload = {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                             static_cast<std::uint8_t>(bits >> 16),
                             static_cast<std::uint8_t>(bits >> 24)};
            if (row.formatCode == FormatCode::PrefixedNumeric) {
                payload.insert(payload.begin(), {0xAA, 0xBB});
            }
            const Bytes frame = makeFrame(row.messageId, payload);
            EXPECT_EQ(numericRaw(row, frame), raw);
            EXPECT_EQ(valueText(row, frame), numericValueText(row, raw)) << raw;
        }
    }
}

TEST(ValueFormat, ANumbersUnitEndsItsLabelInBracketsAndADurationCountsSeconds) {
    const std::pair<std::u16string_view, std::u16string_view> listed[] = {
        {u"Fuel Level [%]", u"%"},
        {u"Battery Temperature [*C]", u"*C"},
        {u"Salt Spread [g/m2]", u"g/m2"},
        {u"Wind Speed [m/s]", u"m/s"},
        {u"Odometer", u""},
        {u"Lifetime", u"s"},
        {u"Eco Permited RPM time [h]", u"s"},
    };
    for (const auto& [label, unit] : listed) {
        EXPECT_EQ(numberUnit(rowLabelled(label)), unit)
            << testing::PrintToString(std::u16string(label));
    }
    const std::pair<std::u16string_view, std::u16string_view> odd[] = {
        {u"Inner [x] label", u""}, {u"Empty []", u""}, {u"Closed only]", u""}, {u"[", u""},
        {u"Two [a] [b]", u"b"},
    };
    for (const auto& [label, unit] : odd) {
        const ParameterRow row{label, 0x0031, FormatCode::Numeric, 0, 0, 1, 1, 0};
        EXPECT_EQ(numberUnit(row), unit) << testing::PrintToString(std::u16string(label));
    }
}

TEST(ValueFormat, DeviceVersionIsThreeSixteenBitNumbersInHex) {
    expectTexts({
        {u"Device", {0xFF, 0xFF, 0x34, 0x12, 0x05, 0x00, 0xAB, 0x00}, u"1234_05_AB"},
        {u"Device", {0, 0, 0x01, 0x00, 0x23, 0x01, 0x0C, 0x00, 0x99}, u"001_123_0C"},
    });
    expectNoText(u"Device", {0, 0, 1, 0, 2, 0, 3});
}

TEST(ValueFormat, SoftwareDateIsFourHexBytesWithCenturyAndRevision) {
    expectTexts({{u"Sw. Date", {0, 0, 0x23, 0x04, 0x1F, 0x0A}, u"2023_04_1F_rev0A"}});
    expectNoText(u"Sw. Date", {0, 0, 0x23, 0x04, 0x1F});
}

TEST(ValueFormat, HexBytesSkipTheFirstTwoPayloadBytes) {
    expectTexts({
        {u"DBG_FLG", {0x11, 0x22, 0x0a, 0xff, 0x00}, u"0AFF00"},
        {u"DBG_FLG", {0x11, 0x22}, u""},
        {u"ID", {0x11}, u""},
        {u"ID", {}, u""},
    });
}

TEST(ValueFormat, CharactersEndAtTheFirstZeroByteAndKeepLatin1Codes) {
    expectTexts({
        {u"VIN", {'W', 'V', '1', 'Z', 'Z', 'Z'}, u"WV1ZZZ"},
        {u"VIN", {'A', 'B', 0x00, 'C', 'D'}, u"AB"},
        {u"VIN", {0x00, 'A'}, u""},
        {u"VIN", {}, u""},
        {u"Driver1 ID", {'D', 0xE9, 0xFF}, u"D\u00E9\u00FF"},
        {u"Driver1 Name", {0x05, 'J', 'o', 'e'}, u"Joe"},
        {u"Driver2 Lastname", {'X', 'M', 0x00, 'Z'}, u"M"},
        {u"Driver1 Name", {0x05}, u""},
        {u"Driver1 Name", {}, u""},
    });
}

TEST(ValueFormat, ImmobiliserIdentifiersAreShownMostSignificantByteFirst) {
    expectTexts({
        {u"Immo ID 1", {0, 0, 0x01, 0x78, 0x56, 0x34, 0x12}, u"(*) 0x12345678"},
        {u"Immo ID 5", {0, 0, 0x00, 0x0D, 0xF0, 0xAD, 0x0B}, u"( ) 0x0BADF00D"},
        {u"Immo ID BASE",
         {0, 0, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0xA8},
         u"0xA807060504030201"},
    });
    expectNoText(u"Immo ID 2", {0, 0, 1, 0x78, 0x56, 0x34});
    expectNoText(u"Immo ID BASE", {0, 0, 1, 2, 3, 4, 5, 6, 7});
}

TEST(ValueFormat, DriverStateJoinsActivityAndWarningTexts) {
    expectTexts({
        {u"Driver1 state", {0x00}, u"break / rest - no time-related warning detected"},
        {u"Driver2 state",
         {0x23},
         u"driving - limit #2: 4 1/2 h reached(continuous driving time exceeded)"},
        {u"Driver1 state", {0x04}, u" - no time-related warning detected"},
        {u"Driver1 state", {0x62}, u"work - limit #6: optional warning 2 reached"},
        {u"Driver1 state", {0x71}, u"availability - "},
        {u"Driver1 state", {0xFF}, u" - "},
    });
    expectNoText(u"Driver1 state", {});
}

TEST(ValueFormat, CardPresenceMarksEachInsertedCard) {
    expectTexts({
        {u"Tachograph driver's card presence", {0x00}, u"Card 1 (), Card 2()"},
        {u"Tachograph driver's card presence", {0x03}, u"Card 1 (*), Card 2(*)"},
        {u"Tachograph driver's card presence", {0x01}, u"Card 1 (*), Card 2()"},
        {u"Tachograph driver's card presence", {0x02}, u"Card 1 (), Card 2(*)"},
        {u"Tachograph driver's card presence", {0xFC}, u"Card 1 (), Card 2()"},
    });
    expectNoText(u"Tachograph driver's card presence", {});
}

TEST(ValueFormat, DownloadDateCountsYearsFrom1985AndQuarterDays) {
    expectTexts({
        {u"Driver 1 Card Next Mandatory Download Date", {38, 57, 7}, u"2023-07-15"},
        {u"Driver 2 Card Next Mandatory Download Date", {0, 0, 0}, u"1985-00-00"},
        {u"Driver 1 Card Next Mandatory Download Date", {255, 255, 12, 9}, u"2240-12-64"},
    });
    expectNoText(u"Driver 1 Card Next Mandatory Download Date", {38, 57});
}

TEST(ValueFormat, RestPeriodEndAddsTheLocalOffsetsAndPrintsTheTimeAsComputed) {
    expectTexts({
        {u"Driver 1 End Of Last Daily Rest Period",
         {125, 125, 38, 60, 7, 14, 30, 83},
         u"2023-07-15 14:30:20"},
        {u"Driver 1 End Of Second Last Weekly Rest Period",
         {127, 95, 1, 4, 2, 8, 45, 3},
         u"1986-02-01 10:15:00"},
        {u"Driver 2 End Of Last Daily Rest Period",
         {122, 120, 38, 60, 7, 0, 2, 0},
         u"2023-07-15 -03:-03:00"},
        {u"Driver 2 End Of Second Last Weekly Rest Period",
         {135, 125, 38, 60, 7, 23, 0, 239},
         u"2023-07-15 33:00:59"},
    });
    expectNoText(u"Driver 1 End Of Last Daily Rest Period", {125, 125, 38, 60, 7, 14, 30});
}

// The unit writes a request's sequence number into the two prefix bytes of its answer, so
// those bytes must never reach the text, while every other format shows its first two bytes.
TEST(ValueFormat, OnlyFormatsWithTheSequencePrefixIgnoreTheFirstTwoBytes) {
    const struct {
        FormatCode code;
        std::size_t payloadLength;
    } cases[] = {
        {FormatCode::Numeric, 4},
        {FormatCode::DeviceVersion, 8},
        {FormatCode::SoftwareDate, 6},
        {FormatCode::HexBytes, 6},
        {FormatCode::PrefixedNumeric, 6},
        {FormatCode::Characters, 8},
        {FormatCode::Duration, 4},
        {FormatCode::ImmobiliserId, 7},
        {FormatCode::ImmobiliserBaseId, 10},
        {FormatCode::DriverName, 8},
        {FormatCode::DriverState, 2},
        {FormatCode::CardPresence, 2},
        {FormatCode::Date, 3},
        {FormatCode::DateTime, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.code));
        const ParameterRow row{u"", 0x0031, c.code, 0, 0, 1, 1, 0};
        Bytes payload(c.payloadLength, 0x31);
        const std::optional<std::u16string> before = valueText(row, makeFrame(0x0031, payload));
        payload[0] = 0x33;
        payload[1] = 0x33;
        const std::optional<std::u16string> after = valueText(row, makeFrame(0x0031, payload));
        ASSERT_TRUE(before && after);
        EXPECT_EQ(*before == *after, hasSequencePrefix(c.code));
    }
}

TEST(ValueFormat, UnknownFormatCodeLeavesTheCellUnchanged) {
    const ParameterRow row{u"", 0x0031, static_cast<FormatCode>(14), 0, 0, 1, 1, 0};
    EXPECT_EQ(valueText(row, makeFrame(0x0031, {1})), std::nullopt);
}

}  // namespace
}  // namespace tresvik
