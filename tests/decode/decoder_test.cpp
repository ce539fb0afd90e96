#include "decode/decoder.h"
#include "link/frame.h"

#include <gtest/gtest.h>

#include "link/crc8.h"

namespace tresvik {
namespace {

TEST(Decoder, ProgramNumberFrameSetsCellTextAndReadBack) {
    const FlagGrid grid;
    const DecodeResult r = decodeFrame(makeFrame(0x2401, {0x05, 0x00, 42, 0, 0, 0}), grid);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.cell, (ValueCellUpdate{3, 1, u"00042"}));
    EXPECT_EQ(r.programNumber, u"00042");
    EXPECT_FALSE(r.deviceIdSuffix);
    EXPECT_EQ(r.txReadBack, (TxCellUpdate{1, 0, u"Set New Program (42)"}));
    EXPECT_TRUE(r.flagChanges.empty());
    EXPECT_FALSE(r.debugLine);
}

TEST(Decoder, DeviceIdFrameSetsCellAndSuffix) {
    const DecodeResult r = decodeFrame(makeFrame(0x2421, {0x00, 0x00, 0x12, 0xAB}), FlagGrid{});
    EXPECT_EQ(r.cell, (ValueCellUpdate{2, 1, u"12AB"}));
    EXPECT_EQ(r.deviceIdSuffix, u"_12AB");
    EXPECT_FALSE(r.programNumber);
}

TEST(Decoder, CounterFrameWithoutSixBytePayloadChangesNothingAtAll) {
    for (const std::uint16_t id : {0x2401, 0x24F1, 0x24F2, 0x24F3}) {
        const DecodeResult r = decodeFrame(makeFrame(id, {0x01, 0x00, 0x2A, 0x00}), FlagGrid{});
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.cell);
        EXPECT_FALSE(r.programNumber);
        EXPECT_FALSE(r.txReadBack);
    }
}

TEST(Decoder, LastRowLandsInTheFifthColumnPair) {
    const DecodeResult r = decodeFrame(makeFrame(0x521C, {90}), FlagGrid{});
    ASSERT_TRUE(r.cell);
    EXPECT_EQ(r.cell->item, 1);
    EXPECT_EQ(r.cell->column, 9);
    EXPECT_EQ(r.cell->text, u"000001.50");
}

TEST(Decoder, FlagFrameChangesFlagsButNoValueCell) {
    const FlagGrid grid;
    const DecodeResult r = decodeFrame(makeFrame(0x1020, Bytes(12, 0x00)), grid);
    EXPECT_FALSE(r.cell);
    EXPECT_EQ(r.flagChanges, grid.changesFor(makeFrame(0x1020, Bytes(12, 0x00))));
    ASSERT_FALSE(r.flagChanges.empty());
    EXPECT_EQ(r.flagChanges.front(), (FlagCell{0, 0, 1}));
}

TEST(Decoder, DebugInfoFrameGivesItsLineWithoutChecksum) {
    const DecodeResult r = decodeFrame(makeFrame(0x2406, {0x01, 0x00}), FlagGrid{});
    EXPECT_EQ(r.debugLine, u"C70624020100");
    EXPECT_FALSE(r.cell);
}

TEST(Decoder, ShortPayloadLeavesTheCellButStillReachesReadBackAndFlags) {
    // "Device" reads eight payload bytes; with fewer its cell keeps its text.
    const DecodeResult r = decodeFrame(makeFrame(0x2420, {1, 2, 3}), FlagGrid{});
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(r.cell);
}

TEST(Decoder, UnknownIdentifierChangesNothing) {
    const DecodeResult r = decodeFrame(makeFrame(0x7777, {1, 2, 3, 4, 5, 6}), FlagGrid{});
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(r.cell);
    EXPECT_FALSE(r.txReadBack);
    EXPECT_TRUE(r.flagChanges.empty());
}

}  // namespace
}  // namespace tresvik
