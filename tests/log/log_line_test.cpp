#include "log/log_line.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace tresvik {
namespace {

constexpr LocalTime kMorning{9, 5, 3, 7};

TEST(LogLine, GoodFrameLineHasTimeStampRxPrefixBytesAndGreen) {
    const std::vector<std::uint8_t> frame{0xC7, 0x01, 0x24, 0x02, 0x0A, 0x00, 0x5F};
    const LogEntry entry = composeLine(kMorning, renderBytes(frame), LineClass::UartRx);
    EXPECT_EQ(entry.text, u"09:05:03.007 - UART Rx - C7 01 24 02 0A 00 5F \r\n");
    EXPECT_EQ(entry.colour, (Rgb{100, 155, 50}));
}

TEST(LogLine, CrcErrorLinesAreRedAndTheByteLineHasNoPrefix) {
    const LogEntry caption = composeLine(kMorning, u"UART Rx - CRC Error.\r\n", LineClass::Error);
    const std::vector<std::uint8_t> frame{0xC7, 0x0A, 0x5F};
    const LogEntry bytes = composeLine(kMorning, renderBytes(frame), LineClass::Error);
    EXPECT_EQ(caption.text, u"09:05:03.007 - UART Rx - CRC Error.\r\n");
    EXPECT_EQ(bytes.text, u"09:05:03.007 - C7 0A 5F \r\n");
    EXPECT_EQ(caption.colour, (Rgb{255, 0, 0}));
    EXPECT_EQ(bytes.colour, (Rgb{255, 0, 0}));
}

TEST(LogLine, EveryClassHasItsPrefixAndColourAndOthersAreBlackWithout) {
    struct Row {
        std::uint8_t lineClass;
        std::u16string_view prefix;
        Rgb colour;
    };
    const Row rows[] = {
        {0, u"", {0, 0, 0}},
        {1, u"UART Rx - ", {100, 155, 50}},
        {2, u"UART Tx - ", {20, 105, 0}},
        {3, u"SCARD Msg - ", {200, 120, 200}},
        {4, u"SCARD ERROR - ", {255, 0, 0}},
        {5, u"SCARD Tx - ", {200, 120, 200}},
        {6, u"SCARD Rx - ", {200, 120, 150}},
        {7, u"", {255, 0, 0}},
        {8, u"", {254, 0, 0}},
        {9, u"", {0, 0, 0}},
        {255, u"", {0, 0, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.lineClass));
        const LogEntry entry =
            composeLine(kMorning, u"text\r\n", static_cast<LineClass>(row.lineClass));
        EXPECT_EQ(entry.text, u"09:05:03.007 - " + std::u16string(row.prefix) + u"text\r\n");
        EXPECT_EQ(entry.colour, row.colour);
    }
}

TEST(LogLine, TimeStampPadsEveryField) {
    EXPECT_EQ(formatTimeStamp({0, 0, 0, 0}), u"00:00:00.000 - ");
    EXPECT_EQ(formatTimeStamp({23, 59, 59, 999}), u"23:59:59.999 - ");
    EXPECT_EQ(formatTimeStamp({7, 8, 9, 45}), u"07:08:09.045 - ");
}

TEST(LogLine, BytesAreTwoUpperCaseDigitsEachFollowedBySpace) {
    const std::vector<std::uint8_t> bytes{0xC7, 0x0A, 0x5F};
    EXPECT_EQ(renderBytes(bytes), u"C7 0A 5F \r\n");
    const std::vector<std::uint8_t> extremes{0x00, 0x0F, 0xAB, 0xFF};
    EXPECT_EQ(renderBytes(extremes), u"00 0F AB FF \r\n");
}

TEST(LogLine, EmptyBufferRendersLineEndAlone) {
    EXPECT_EQ(renderBytes({}), u"\r\n");
}

// Across the year, so that summer and winter time are both met where the zone has them.
TEST(LogLine, ALocalCalendarTimeNamesTheMomentItWasMadeFrom) {
    for (std::time_t t = 1798675200; t < 1798675200 + 366 * 86400; t += 86400 * 7 + 3607) {
        EXPECT_EQ(localCalendarSeconds(localCalendarTime(t)), t) << t;
    }
}

}  // namespace
}  // namespace tresvik
