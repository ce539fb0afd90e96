#include "commands/read_back.h"

#include <gtest/gtest.h>

#include <atomic>

#include "commands/command_encoder.h"
#include "commands/command_table.h"
#include "link/frame_writer.h"
#include "link/transmit_queue.h"
#include "tests/commands/sent_bytes.h"

namespace tresvik {
namespace {

using test::withCrc;

// A value frame as the unit reports it, checksum included; its sequence bytes are arbitrary.
Bytes reported(std::uint16_t id, Bytes valueBytes) {
    Bytes body{
        0xC7, static_cast<std::uint8_t>(id & 0xFF), static_cast<std::uint8_t>(id >> 8), 0x06, 0x5A,
        0xA5};
    body.insert(body.end(), valueBytes.begin(), valueBytes.end());
    return withCrc(body);
}

// The Tx cell a frame's read-back lands in.
std::optional<TxCellUpdate> cellOf(ByteView frame) {
    const std::optional<ReadBack> back = readBack(frame);
    return back ? std::optional(txCellFor(*back)) : std::nullopt;
}

TEST(ReadBack, SpeedLimitReportGoesToTheSettingRowValueCell) {
    const auto update = cellOf(reported(0x4801, {0x78, 0x00, 0x00, 0x00}));
    EXPECT_EQ(update, (TxCellUpdate{25, 1, u"120"}));
}

TEST(ReadBack, TachoIdentifierChangesNothing) {
    EXPECT_FALSE(cellOf(reported(0x240D, {0x01, 0x00, 0x00, 0x00})).has_value());
}

TEST(ReadBack, UnknownIdentifierChangesNothing) {
    EXPECT_FALSE(cellOf(reported(0x1234, {0x01, 0x00, 0x00, 0x00})).has_value());
}

TEST(ReadBack, OnlyLengthSixCarriesAValue) {
    EXPECT_FALSE(cellOf(withCrc({0xC7, 0x01, 0x48, 0x02, 0x01, 0x00})).has_value());
    EXPECT_FALSE(
        cellOf(withCrc({0xC7, 0x01, 0x48, 0x05, 0x01, 0x00, 0x78, 0x00, 0x00})).has_value());
    EXPECT_FALSE(cellOf(withCrc({0xC7, 0x01, 0x48, 0x07, 0x01, 0x00, 0x78, 0x00, 0x00, 0x00, 0x00}))
                     .has_value());
    EXPECT_FALSE(cellOf(withCrc({0xC7, 0x01, 0x48, 0x00})).has_value());
}

TEST(ReadBack, TruncatedSpanIsRefusedWithoutReadingPastIt) {
    const Bytes whole = reported(0x4801, {0x78, 0x00, 0x00, 0x00});
    for (std::size_t size = 0; size < 10; ++size) {
        EXPECT_FALSE(cellOf(ByteView(whole).first(size)).has_value()) << size;
    }
    EXPECT_EQ(cellOf(ByteView(whole).first(10)), (TxCellUpdate{25, 1, u"120"}));
}

struct ValueCase {
    Bytes valueBytes;
    std::u16string text;
};

class ReadBackValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ReadBackValue, ShowsTheSignedValueInDecimal) {
    EXPECT_EQ(cellOf(reported(0x4C02, GetParam().valueBytes)),
              (TxCellUpdate{27, 1, GetParam().text}));
}

INSTANTIATE_TEST_SUITE_P(Values, ReadBackValue,
                         ::testing::Values(ValueCase{{0x00, 0x00, 0x00, 0x00}, u"0"},
                                           ValueCase{{0xD8, 0x0E, 0x00, 0x00}, u"3800"},
                                           ValueCase{{0xFB, 0xFF, 0xFF, 0xFF}, u"-5"},
                                           ValueCase{{0xFF, 0xFF, 0xFF, 0x7F}, u"2147483647"},
                                           ValueCase{{0x00, 0x00, 0x00, 0x80}, u"-2147483648"}));

TEST(ReadBack, NegativeReportTurnsTheRowIntoARequest) {
    const auto update = cellOf(reported(0x4801, {0xFB, 0xFF, 0xFF, 0xFF}));
    ASSERT_TRUE(update.has_value());
    EXPECT_EQ(update->text, u"-5");

    TransmitQueue queue;
    std::atomic<bool> open{true};
    std::atomic<bool> closing{false};
    FrameWriter writer(queue, nullptr, open, closing);
    sendRow(writer, update->row, update->text);
    EXPECT_EQ(queue.takeAll(), withCrc({0xC7, 0x01, 0x48, 0x02, 0x01, 0x00}));
}

TEST(ReadBack, ProgramReportRewritesTheNameCellFromTheStoredName) {
    EXPECT_EQ(cellOf(reported(0x2401, {0x70, 0x2B, 0x00, 0x00})),
              (TxCellUpdate{1, 0, u"Set New Program (11120)"}));
    EXPECT_EQ(cellOf(reported(0x2401, {0x07, 0x00, 0x00, 0x00})),
              (TxCellUpdate{1, 0, u"Set New Program (7)"}));
    EXPECT_EQ(cellOf(reported(0x2401, {0xFF, 0xFF, 0xFF, 0xFF})),
              (TxCellUpdate{1, 0, u"Set New Program (-1)"}));
}

TEST(ReadBack, DebugInfoOfLengthSixUpdatesRowZero) {
    EXPECT_EQ(cellOf(reported(0x2406, {0x2A, 0x00, 0x00, 0x00})), (TxCellUpdate{0, 1, u"42"}));
}

}  // namespace
}  // namespace tresvik
