#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "link/crc8.h"
#include "log/recording.h"
#include "log/recording_splitter.h"

namespace tresvik {
namespace {

Bytes withCrc(Bytes frame) {
    frame.push_back(Crc8::compute(frame));
    return frame;
}

std::string recordingOf(const TimedBytes& chunks) {
    std::string text = std::string(kRecordingHeader) + "\n";
    for (const TimedChunk& chunk : chunks) {
        text += formatRecordingLine(chunk);
    }
    return text;
}

// UTF-16LE with CR LF, as the console saves its Log window.
std::string dumpOf(const std::u16string& lines) {
    std::string out;
    for (const char16_t c : lines) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

TEST(RecordingSplitter, CutsFramesGoodAndDamagedAndTheBytesBetweenThemTimedByTheirFirstByte) {
    const Bytes good = withCrc({0xC7, 0x01, 0x24, 0x02, 0x0A, 0x00});
    Bytes damaged = withCrc({0xC7, 0x06, 0x24, 0x01, 0x05});
    damaged.back() ^= 0xFF;
    const std::vector<std::pair<Bytes, std::uint64_t>> arrivals = {
        {{0x5A, 0x3B}, 3}, {good, 40}, {{0x11}, 90}, {damaged, 120}, {{0xC7, 0x01}, 500}};
    const TimedBytes expected = {
        {3, {0x5A, 0x3B}}, {40, good}, {90, {0x11}}, {120, damaged}, {500, {0xC7, 0x01}}};

    RecordingSplitter splitter;
    TimedBytes lines;
    for (const auto& [bytes, start] : arrivals) {
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            for (TimedChunk& line : splitter.push(bytes[i], start + i)) {
                lines.push_back(std::move(line));
            }
        }
    }
    lines.push_back(*splitter.finish());
    EXPECT_FALSE(splitter.finish());
    EXPECT_EQ(lines, expected);

    // Written and read back, the recording gives the same lines.
    const auto parsed = parseRecording(recordingOf(lines));
    ASSERT_TRUE(std::holds_alternative<TimedBytes>(parsed))
        << describe(std::get<RecordingError>(parsed));
    EXPECT_EQ(std::get<TimedBytes>(parsed), expected);
    EXPECT_EQ(formatRecordingLine(expected[0]), "3 5A 3B\n");
}

TEST(Recording, CommentsBlankLinesAndCrLfAreAccepted) {
    const std::string text = std::string(kRecordingHeader) +
                             "\r\n# on /dev/ttyUSB0\r\n\r\n0 C7 01\r\n  7 02 03 \r\n7 04\r\n";
    const auto parsed = parseReplayFile(text);
    ASSERT_TRUE(std::holds_alternative<TimedBytes>(parsed));
    EXPECT_EQ(std::get<TimedBytes>(parsed),
              (TimedBytes{{0, {0xC7, 0x01}}, {7, {0x02, 0x03}}, {7, {0x04}}}));
}

TEST(Recording, MalformedInputIsNamedByLineAndColumn) {
    const std::string h = std::string(kRecordingHeader) + "\n";
    struct Case {
        std::string text;
        std::string error;
    };
    const Case cases[] = {
        {"", "the file is empty"},
        {h + "12 C7 0\n", "line 2, column 7: '0' is not a byte (two hexadecimal digits)"},
        {h + "C7 01\n", "line 2, column 1: 'C7' is not a time offset in milliseconds"},
        {h + "-4 C7\n", "line 2, column 1: '-4' is not a time offset in milliseconds"},
        {h + "99999999999999999999 C7\n",
         "line 2, column 1: '99999999999999999999' is not a time offset in milliseconds"},
        {h + "10 C7\n5 01\n",
         "line 3, column 1: time offset 5 is earlier than the line before (10)"},
        {h + "10\n", "line 2: a time offset without bytes"},
        {"# tresvik recording 2\n0 C7\n",
         "line 1: the first line must be '# tresvik recording 1', not '# tresvik recording 2'"},
        {dumpOf(u"12:00:00.000 - UART Rx - C7 01 \r\n") + "x",
         "text dump has an odd number of bytes (67); it must be UTF-16LE"},
        {dumpOf(u"12:00:00.000 - UART Tx - C7\r\n12:00:00.000 - UART Rx - C7 1\r\n"),
         "line 2, column 29: a received frame line must hold hexadecimal bytes separated by "
         "spaces"},
        {"C7 01\nC7 xyz\n", "line 2, column 4: 'xyz' is not a byte (two hexadecimal digits)"},
    };
    for (const Case& c : cases) {
        const auto parsed = parseReplayFile(c.text);
        ASSERT_TRUE(std::holds_alternative<RecordingError>(parsed)) << c.error;
        EXPECT_EQ(describe(std::get<RecordingError>(parsed)), c.error);
    }
}

TEST(Recording, ADumpReplaysItsReceivedFramesTimedByTheirStampsAcrossMidnight) {
    const std::string dump = dumpOf(
        u"23:59:59.900 - UART Rx - C7 01 24 \r\n"
        u"23:59:59.950 - UART Tx - C7 06 24 02 01 00 73 \r\n"
        u"00:00:00.100 - UART Rx - CRC Error.\r\n"
        u"00:00:00.150 - UART Rx - 5A \r\n"
        u"00:00:00.150 - Port closed\r\n");
    EXPECT_EQ(detectReplayFormat(dump), ReplayFormat::Dump);
    const auto parsed = parseReplayFile(dump);
    ASSERT_TRUE(std::holds_alternative<TimedBytes>(parsed));
    EXPECT_EQ(std::get<TimedBytes>(parsed), (TimedBytes{{0, {0xC7, 0x01, 0x24}}, {250, {0x5A}}}));
}

TEST(Recording, AHexFileSendsEachLineAsOnePieceWithoutTiming) {
    const auto parsed = parseReplayFile("C7 01 24\n\n5a\n");
    ASSERT_TRUE(std::holds_alternative<TimedBytes>(parsed));
    EXPECT_EQ(std::get<TimedBytes>(parsed), (TimedBytes{{0, {0xC7, 0x01, 0x24}}, {0, {0x5A}}}));
}

// The fields of a local time that a recording's start comment shows.
std::vector<int> fieldsOf(const std::tm& t) {
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

TEST(Recording, ItsStartCommentIsReadBackAsTheLocalTimeItWasWrittenWith) {
    std::tm written{};
    written.tm_year = 2026 - 1900;
    written.tm_mon = 11;
    written.tm_mday = 7;
    written.tm_hour = 14;
    written.tm_min = 22;
    written.tm_sec = 1;
    const std::string comment = formatRecordingStart("/dev/pts/3", written);
    EXPECT_EQ(comment, "# port /dev/pts/3, started 2026-12-07 14:22:01\n");
    const std::string h = std::string(kRecordingHeader) + "\n";
    const std::vector<int> fields = {2026, 12, 7, 14, 22, 1};
    const std::string named[] = {
        h + comment + "112 5A 3B\n",
        h + "\r\n  # port /dev/pts/3, started 2026-12-07 14:22:01  \r\n112 5A\r\n",
        h + "# a note\n" + formatRecordingStart("odd, started name", written),
    };
    for (const std::string& text : named) {
        const std::optional<std::tm> start = recordingStartTime(text);
        ASSERT_TRUE(start) << text;
        EXPECT_EQ(fieldsOf(*start), fields) << text;
        EXPECT_LT(start->tm_isdst, 0);
    }
    const std::string unnamed[] = {
        h + "112 5A 3B\n",
        h + "112 5A 3B\n" + comment,
        h + "# port /dev/pts/3\n",
        h + "# port /dev/pts/3, started 2026-13-07 14:22:01\n",
        h + "# port /dev/pts/3, started 2026-12-07 24:00:00\n",
        h + "# port /dev/pts/3, started 2026-12-07 14:22\n",
        h + "# port /dev/pts/3, started 2026-12-07T14:22:01\n",
        h + "# note, started 2026-12-07 14:22:01\n",
    };
    for (const std::string& text : unnamed) {
        EXPECT_FALSE(recordingStartTime(text)) << text;
    }
    EXPECT_EQ(formatRecordingStart("ev\nil\x7F", written),
              "# port ev?il?, started 2026-12-07 14:22:01\n");
}

}  // namespace
}  // namespace tresvik
