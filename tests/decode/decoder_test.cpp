#include "decode/decoder.h"
#include "link/frame.h"

#include <gtest/gtest.h>

#include "link/crc8.h"

namespace tresvik {
namespace {

TEST(Decoder, ProgramNumberFrameSetsValueTextAndReadBack) {
    const DecodeResult r = decodeFrame(makeFrame(0x2401, {0x05, 0x00, 42, 0, 0, 0}), FlagStates{});
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.parameter, (ParameterUpdate{3, u"00042", 42, ShownNumber{42, 0}, {}}));
    EXPECT_EQ(r.programNumber, u"00042");
    EXPECT_FALSE(r.deviceIdSuffix);
    EXPECT_EQ(r.readBack, (ReadBack{1, 42, {}}));
    EXPECT_TRUE(r.flagChanges.empty());
    EXPECT_FALSE(r.debugLine);
}

TEST(Decoder, DeviceIdFrameSetsTextAndSuffixButNoNumber) {
    const DecodeResult r = decodeFrame(makeFrame(0x2421, {0x00, 0x00, 0x12, 0xAB}), FlagStates{});
    EXPECT_EQ(r.parameter, (ParameterUpdate{2, u"12AB", std::nullopt, std::nullopt, {}}));
    EXPECT_EQ(r.deviceIdSuffix, u"_12AB");
    EXPECT_FALSE(r.programNumber);
}

// The number of a numeric value is the one its text shows: sign, offset, decimals and scaling
// included, and a duration in seconds.
struct NumberCase {
    std::uint16_t id;
    Bytes payload;
    std::u16string_view text;
    std::optional<std::int32_t> raw;
    std::optional<ShownNumber> number;
    double asDouble;
};

class DecodedNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(DecodedNumber, MatchesTheText) {
    const NumberCase& c = GetParam();
    const DecodeResult r = decodeFrame(makeFrame(c.id, c.payload), FlagStates{});
    ASSERT_TRUE(r.parameter);
    EXPECT_EQ(r.parameter->text, c.text);
    EXPECT_EQ(r.parameter->raw, c.raw);
    EXPECT_EQ(r.parameter->number, c.number);
    if (c.number) {
        EXPECT_DOUBLE_EQ(r.parameter->number->toDouble(), c.asDouble);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DecodedNumber,
    ::testing::Values(
        NumberCase{0x521C, {90}, u"000001.50", 90, ShownNumber{150, 2}, 1.5},
        NumberCase{0x003A, {50}, u"-10.0", 50, ShownNumber{-100, 1}, -10.0},
        NumberCase{0x003A, {70}, u"+10.0", 70, ShownNumber{100, 1}, 10.0},
        NumberCase{0x0070, {0xE8, 0x03}, u"-080.0", 1000, ShownNumber{-800, 1}, -80.0},
        NumberCase{0x24F1, {0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, u"-1", -1, ShownNumber{-1, 0}, -1.0},
        NumberCase{0x0031, {0x11, 0x0E}, u"0001:00:01", 3601, ShownNumber{3601, 0}, 3601.0},
        NumberCase{0x2422,
                   {0, 0, 0x26, 0x12, 0x07, 0x03},
                   u"2026_12_07_rev03",
                   std::nullopt,
                   std::nullopt,
                   0.0}));

TEST(Decoder, CounterFrameWithoutSixBytePayloadChangesNothingAtAll) {
    for (const std::uint16_t id : {0x2401, 0x24F1, 0x24F2, 0x24F3}) {
        const DecodeResult r = decodeFrame(makeFrame(id, {0x01, 0x00, 0x2A, 0x00}), FlagStates{});
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.parameter);
        EXPECT_FALSE(r.programNumber);
        EXPECT_FALSE(r.readBack);
    }
}

TEST(Decoder, FlagFrameReportsEveryFlagOnceThenOnlyChanges) {
    FlagStates states;
    const DecodeResult first = decodeFrame(makeFrame(0x1020, Bytes(12, 0x00)), states);
    EXPECT_FALSE(first.parameter);
    ASSERT_FALSE(first.flagChanges.empty());
    EXPECT_EQ(first.flagChanges.front(), (FlagUpdate{0, 0, 0, {}}));
    states.apply(first.flagChanges);

    Bytes payload(12, 0x00);
    payload[8] = 0x02;  // bit 64 becomes 2, in row 8 after bit 66
    const DecodeResult second = decodeFrame(makeFrame(0x1020, payload), states);
    EXPECT_EQ(second.flagChanges, (std::vector<FlagUpdate>{{0, 64, 2, {}}}));
}

TEST(Decoder, DebugInfoFrameGivesItsLineWithoutChecksum) {
    const DecodeResult r = decodeFrame(makeFrame(0x2406, {0x01, 0x00}), FlagStates{});
    EXPECT_EQ(r.debugLine, u"C70624020100");
    EXPECT_FALSE(r.parameter);
}

TEST(Decoder, ShortPayloadLeavesTheValueButStillReachesReadBackAndFlags) {
    // "Device" reads eight payload bytes; with fewer its cell keeps its text.
    const DecodeResult r = decodeFrame(makeFrame(0x2420, {1, 2, 3}), FlagStates{});
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(r.parameter);
}

TEST(Decoder, UnknownIdentifierChangesNothing) {
    const DecodeResult r = decodeFrame(makeFrame(0x7777, {1, 2, 3, 4, 5, 6}), FlagStates{});
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(r.parameter);
    EXPECT_FALSE(r.readBack);
    EXPECT_TRUE(r.flagChanges.empty());
}

// What the link's health counts as an unknown identifier is what the decoder makes nothing of, for
// a value-sized payload and a long one alike.
TEST(Decoder, AnIdentifierIsKnownExactlyWhenItsFramesChangeSomething) {
    auto changes = [](const DecodeResult& r) {
        return r.parameter || r.readBack || !r.flagChanges.empty() || r.debugLine;
    };
    for (unsigned id = 0; id <= 0xFFFF; ++id) {
        const auto identifier = static_cast<std::uint16_t>(id);
        const bool changed = changes(decodeFrame(makeFrame(identifier, Bytes(6, 1)), {})) ||
                             changes(decodeFrame(makeFrame(identifier, Bytes(17, 1)), {}));
        ASSERT_EQ(isKnownIdentifier(identifier), changed) << id;
    }
}

}  // namespace
}  // namespace tresvik
