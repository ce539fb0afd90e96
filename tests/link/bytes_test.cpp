#include "link/bytes.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace tresvik {
namespace {

TEST(Bytes, HexByteAppendsTwoUpperCaseDigitsToEitherTextKind) {
    const struct {
        std::uint8_t byte;
        std::string_view digits;
    } cases[] = {{0x00, "00"}, {0x0A, "0A"}, {0xA0, "A0"}, {0x5F, "5F"}, {0xFF, "FF"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.digits);
        std::string narrow = "x";
        appendHexByte(narrow, c.byte);
        EXPECT_EQ(narrow, "x" + std::string(c.digits));
        std::u16string wide = u"x";
        appendHexByte(wide, c.byte);
        EXPECT_EQ(wide, u"x" + std::u16string(c.digits.begin(), c.digits.end()));
    }
}

TEST(Bytes, FixedWidthReadersTakeTheLowByteFirstAndReadNoFurther) {
    const struct {
        Bytes bytes;
        std::uint16_t first16;
        std::uint32_t first32;
    } cases[] = {
        {{0x34, 0x12, 0x78, 0x56, 0x9A}, 0x1234, 0x56781234},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0x00}, 0xFFFF, 0xFFFFFFFF},
        {{0x01, 0x80, 0x00, 0x80, 0xFF}, 0x8001, 0x80008001},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first32);
        EXPECT_EQ(readLittleEndian16(c.bytes), c.first16);
        EXPECT_EQ(readLittleEndian32(c.bytes), c.first32);
    }
}

TEST(Bytes, ShortNumbersUseEveryByteGiven) {
    const struct {
        Bytes bytes;
        std::uint32_t value;
    } cases[] = {
        {{}, 0},
        {{0x9A}, 0x9A},
        {{0x34, 0x12, 0x78}, 0x781234},
        {{0x01, 0x02, 0x03, 0x84}, 0x84030201},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(readLittleEndian(c.bytes), c.value);
    }
}

}  // namespace
}  // namespace tresvik
