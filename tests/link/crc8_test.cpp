#include "link/crc8.h"

#include <gtest/gtest.h>

#include <string_view>

#include "link/frame.h"

namespace tresvik {
namespace {

std::uint8_t crcOf(std::string_view text) {
    std::uint8_t crc = 0;
    for (const char c : text) {
        crc = Crc8::update(crc, static_cast<std::uint8_t>(c));
    }
    return crc;
}

TEST(Crc8, MatchesThePublishedCheckValues) {
    EXPECT_EQ(crcOf("123456789"), 0xA1);
    EXPECT_EQ(crcOf("abc"), 0x42);
    EXPECT_EQ(crcOf("\xC7"), 0x49);
    EXPECT_EQ(crcOf(""), 0x00);
}

TEST(Crc8, TableAgreesWithTheBitRuleForEveryStateAndByte) {
    for (unsigned crc = 0; crc < 256; ++crc) {
        for (unsigned data = 0; data < 256; ++data) {
            ASSERT_EQ(Crc8::update(static_cast<std::uint8_t>(crc), static_cast<std::uint8_t>(data)),
                      Crc8::bitwiseUpdate(static_cast<std::uint8_t>(crc),
                                          static_cast<std::uint8_t>(data)))
                << crc << " " << data;
        }
    }
}

TEST(Crc8, TableStartsWithTheKnownEntries) {
    const std::uint8_t expected[] = {0x00, 0x5E, 0xBC, 0xE2, 0x61, 0x3F, 0xDD, 0x83};
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(Crc8::kTable[i], expected[i]);
    }
}

TEST(Crc8, WorkedFramesEndWithTheirChecksum) {
    const Bytes frames[] = {
        {0xC7, 0x24, 0x01, 0x00, 0x71},
        {0xC7, 0x01, 0x24, 0x02, 0x01, 0x00, 0x22},
        {0xC7, 0x01, 0x24, 0x06, 0x01, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x98},
        {0xC7, 0x1E, 0x34, 0x08, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x9A},
    };
    for (const Bytes& f : frames) {
        EXPECT_EQ(Crc8::compute(ByteView(f).first(f.size() - 1)), f.back());
    }
}

}  // namespace
}  // namespace tresvik
