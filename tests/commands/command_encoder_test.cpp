#include "commands/command_encoder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <set>
#include <string>

#include "commands/command_table.h"
#include "commands/simulation_buttons.h"
#include "link/frame_writer.h"
#include "link/transmit_queue.h"
#include "log/log_queue.h"
#include "tests/commands/sent_bytes.h"
#include "tests/support/memory_log_text.h"

namespace tresvik {
namespace {

using test::withCrc;

struct ParseCase {
    std::u16string text;
    std::int32_t value;
};

class ParseValueText : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseValueText, ReadsLikeTheWideIntegerConversion) {
    EXPECT_EQ(parseValueText(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseValueText,
    ::testing::Values(ParseCase{u"42", 42}, ParseCase{u" 42", 42}, ParseCase{u"\t\n\v\f\r 9", 9},
                      ParseCase{u"+7", 7}, ParseCase{u"-5", -5}, ParseCase{u"12abc", 12},
                      ParseCase{u"abc", 0}, ParseCase{u"", 0}, ParseCase{u"-", 0},
                      ParseCase{u"+", 0}, ParseCase{u"+-3", 0}, ParseCase{u"- 3", 0},
                      ParseCase{u"4 2", 4}, ParseCase{u"007", 7}, ParseCase{u"11120", 11120},
                      ParseCase{u"\u00A05", 0}, ParseCase{u"\uFF15", 0},
                      ParseCase{u"2147483647", 2147483647},
                      ParseCase{u"2147483648", std::numeric_limits<std::int32_t>::max()},
                      ParseCase{u"-2147483648", std::numeric_limits<std::int32_t>::min()},
                      ParseCase{u"-2147483649", std::numeric_limits<std::int32_t>::min()},
                      ParseCase{u"99999999999", 2147483647},
                      ParseCase{u"-99999999999", std::numeric_limits<std::int32_t>::min()},
                      ParseCase{u"000000000000000000000000000000012", 12}));

TEST(ParseValueText, ClampsDigitStringsOfAnyLength) {
    EXPECT_EQ(parseValueText(std::u16string(5000, u'9')), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(parseValueText(u"-" + std::u16string(5000, u'9')),
              std::numeric_limits<std::int32_t>::min());
}

TEST(CanonicalValueText, WritesWhatWasReadBackInPlainDecimal) {
    EXPECT_EQ(canonicalValueText(u"12a"), u"12");
    EXPECT_EQ(canonicalValueText(u"abc"), u"0");
    EXPECT_EQ(canonicalValueText(u"-"), u"0");
    EXPECT_EQ(canonicalValueText(u"-7"), u"-7");
    EXPECT_EQ(canonicalValueText(u" +007"), u"7");
    EXPECT_EQ(canonicalValueText(u"-99999999999"), u"-2147483648");
}

TEST(IsRequestText, OnlyALeadingMinusMakesARequest) {
    EXPECT_TRUE(isRequestText(u"-"));
    EXPECT_TRUE(isRequestText(u"-5"));
    EXPECT_FALSE(isRequestText(u" -5"));
    EXPECT_FALSE(isRequestText(u"0"));
    EXPECT_FALSE(isRequestText(u""));
}

struct EncoderFixture : ::testing::Test {
    TransmitQueue queue;
    std::atomic<bool> portOpen{true};
    std::atomic<bool> closing{false};
    FrameWriter writer{queue, nullptr, portOpen, closing};
};

using SendRow = EncoderFixture;

TEST_F(SendRow, DebugInfoRequestCarriesSequenceOne) {
    sendRow(writer, 0, u"-");
    EXPECT_EQ(queue.takeAll(), withCrc({0xC7, 0x06, 0x24, 0x02, 0x01, 0x00}));
    EXPECT_EQ(writer.sequenceNumber(), 1);
}

TEST_F(SendRow, ProgramValueTenMatchesTheWorkedFrame) {
    sendRow(writer, 1, u"10");
    Bytes expected(60, 0x00);
    const Bytes frame{0xC7, 0x01, 0x24, 0x06, 0x01, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x98};
    expected.insert(expected.end(), frame.begin(), frame.end());
    EXPECT_EQ(queue.takeAll(), expected);
}

TEST_F(SendRow, SpeedLimitValueIsLittleEndian) {
    writer.setSequenceNumber(0x0102);
    sendRow(writer, 25, u"120");
    EXPECT_EQ(queue.takeAll(),
              withCrc({0xC7, 0x01, 0x48, 0x06, 0x03, 0x01, 0x78, 0x00, 0x00, 0x00}));
}

TEST_F(SendRow, ProgramChangeQueuesTheWakeUpBytesAheadOfTheFrame) {
    sendRow(writer, 1, u"11120");
    Bytes expected(60, 0x00);
    const Bytes frame = withCrc({0xC7, 0x01, 0x24, 0x06, 0x01, 0x00, 0x70, 0x2B, 0x00, 0x00});
    expected.insert(expected.end(), frame.begin(), frame.end());
    EXPECT_EQ(queue.takeAll(), expected);
    EXPECT_EQ(writer.sequenceNumber(), 1) << "the preamble takes no sequence number";
}

TEST_F(SendRow, ProgramRequestGetsNoPreamble) {
    sendRow(writer, 1, u"-");
    EXPECT_EQ(queue.takeAll(), withCrc({0xC7, 0x01, 0x24, 0x02, 0x01, 0x00}));
}

TEST_F(SendRow, WakeUpIsQueuedWhilePortIsClosedButTheFrameIsDropped) {
    portOpen = false;
    sendRow(writer, 1, u"11120");
    EXPECT_EQ(queue.takeAll(), Bytes(60, 0x00));
    EXPECT_EQ(writer.sequenceNumber(), 1);
    portOpen = true;
    sendRow(writer, 41, u"0");
    EXPECT_EQ(queue.takeAll(),
              withCrc({0xC7, 0x05, 0x24, 0x06, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00}));
}

struct TextCase {
    int row;
    std::u16string text;
    Bytes body;  // sent with sequence number 1
};

class SendRowText : public EncoderFixture, public ::testing::WithParamInterface<TextCase> {};

TEST_P(SendRowText, SendsTheFrameTheTextCallsFor) {
    sendRow(writer, GetParam().row, GetParam().text);
    EXPECT_EQ(queue.takeAll(), withCrc(GetParam().body));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SendRowText,
    ::testing::Values(
        // A negative text asks for the value instead of sending it.
        TextCase{25, u"-5", {0xC7, 0x01, 0x48, 0x02, 0x01, 0x00}},
        TextCase{25, u"12abc", {0xC7, 0x01, 0x48, 0x06, 0x01, 0x00, 0x0C, 0x00, 0x00, 0x00}},
        TextCase{25, u"abc", {0xC7, 0x01, 0x48, 0x06, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00}},
        TextCase{25, u"", {0xC7, 0x01, 0x48, 0x06, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00}},
        TextCase{25, u" +300", {0xC7, 0x01, 0x48, 0x06, 0x01, 0x00, 0x2C, 0x01, 0x00, 0x00}},
        TextCase{41, u"0", {0xC7, 0x05, 0x24, 0x06, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00}},
        TextCase{27, u"3800", {0xC7, 0x02, 0x4C, 0x06, 0x01, 0x00, 0xD8, 0x0E, 0x00, 0x00}},
        TextCase{43, u"1", {0xC7, 0x0D, 0x24, 0x06, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00}},
        TextCase{2, u"99999999999", {0xC7, 0x32, 0x04, 0x06, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0x7F}},
        TextCase{2, u" -1", {0xC7, 0x32, 0x04, 0x06, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}}));

TEST_F(SendRow, RowOutsideTheTableSendsNothing) {
    sendRow(writer, -1, u"1");
    sendRow(writer, kCommandCount, u"1");
    EXPECT_TRUE(queue.empty());
    EXPECT_EQ(writer.sequenceNumber(), 0);
}

// Transmit lines as the Log window shows them, with a fixed time stamp.
struct LoggedEncoderFixture : EncoderFixture {
    LogQueue log{[] { return LocalTime{10, 20, 30, 40}; }};
    MemoryLogText text;
    FrameWriter loggedWriter{queue, &log, portOpen, closing};

    LoggedEncoderFixture() { log.initialise(text); }

    static std::u16string hexLine(const Bytes& bytes) {
        static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
        std::u16string line = u"10:20:30.040 - UART Tx - ";
        for (const std::uint8_t b : bytes) {
            line += kDigits[b >> 4];
            line += kDigits[b & 0x0F];
            line += u' ';
        }
        return line + u"\r\n";
    }
};

constexpr std::u16string_view kWakeUpLine = u"10:20:30.040 - UART Tx - WakeUp\r\n";

using SendRowLog = LoggedEncoderFixture;

TEST_F(SendRowLog, ProgramChangeLogsWakeUpBeforeTheFrame) {
    sendRow(loggedWriter, 1, u"11120");
    const Bytes frame = withCrc({0xC7, 0x01, 0x24, 0x06, 0x01, 0x00, 0x70, 0x2B, 0x00, 0x00});
    EXPECT_EQ(text.text(), std::u16string(kWakeUpLine) + hexLine(frame));
}

TEST_F(SendRowLog, ProgramChangeWithPortClosedLogsOnlyWakeUp) {
    portOpen = false;
    sendRow(loggedWriter, 1, u"11120");
    EXPECT_EQ(text.text(), kWakeUpLine);
    EXPECT_EQ(queue.takeAll(), Bytes(60, 0x00));
}

TEST_F(SendRowLog, NothingIsLoggedWhileClosingButBytesAreStillQueued) {
    closing = true;
    sendRow(loggedWriter, 1, u"11120");
    EXPECT_TRUE(text.text().empty());
    EXPECT_EQ(queue.takeAll().size(), 60U + 11U);
}

TEST_F(SendRowLog, RequestLogsOneTransmitLine) {
    sendRow(loggedWriter, 26, u"-");
    EXPECT_EQ(text.text(), hexLine(withCrc({0xC7, 0x01, 0x48, 0x02, 0x01, 0x00})));
}

TEST_F(SendRow, TxRowsAndButtonsByTurnsKeepEveryFrameWholeAndNumberedOnce) {
    constexpr int kEach = 5000;
    const auto buttons = simulationButtons();
    for (int i = 0; i < kEach; ++i) {
        const int row = i % kCommandCount;
        sendRow(writer, row, commandRow(row).defaultValue);
        sendSimulation(writer, buttons[static_cast<std::size_t>(i) % buttons.size()]);
    }

    const auto pieces = test::splitSent(queue.takeAll());
    ASSERT_TRUE(pieces.has_value()) << "a frame was split, cut short or corrupted";
    std::multiset<std::uint16_t> sequences;
    std::size_t wakeUps = 0;
    std::size_t rowsSent = 0;
    std::size_t simulationSent = 0;
    for (std::size_t i = 0; i < pieces->size(); ++i) {
        const test::SentPiece& piece = (*pieces)[i];
        if (piece.wakeUp) {
            ++wakeUps;
            // The preamble belongs to the program change right behind it.
            ASSERT_LT(i + 1, pieces->size());
            const Bytes& next = (*pieces)[i + 1].frame;
            ASSERT_FALSE((*pieces)[i + 1].wakeUp);
            EXPECT_EQ(frame::id(next), kSetProgramId);
            EXPECT_EQ(frame::payloadLength(next), 6);
            continue;
        }
        const std::uint16_t seq = test::sequenceOf(piece.frame);
        sequences.insert(seq);
        // Rows and buttons each keep their own order and content.
        if (frame::id(piece.frame) == kSimulationId) {
            const auto& button = simulationButtons()[simulationSent++ % kSimulationButtonCount];
            EXPECT_EQ(piece.frame, withCrc(simulationFrame(seq, button)));
        } else {
            const CommandRow& row = commandRow(static_cast<int>(rowsSent++ % kCommandCount));
            EXPECT_EQ(piece.frame, withCrc(isRequestText(row.defaultValue)
                                               ? requestFrame(row.messageId, seq)
                                               : valueFrame(row.messageId, seq,
                                                            parseValueText(row.defaultValue))));
        }
    }
    EXPECT_EQ(rowsSent, static_cast<std::size_t>(kEach));
    EXPECT_EQ(simulationSent, static_cast<std::size_t>(kEach));
    ASSERT_EQ(sequences.size(), 2U * kEach);
    for (std::uint16_t s = 1; s <= 2 * kEach; ++s) {
        EXPECT_EQ(sequences.count(s), 1U) << s;
    }
    EXPECT_EQ(wakeUps, static_cast<std::size_t>((kEach + kCommandCount - 2) / kCommandCount));
}

}  // namespace
}  // namespace tresvik
