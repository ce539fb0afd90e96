#include "link/frame.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace tresvik {
namespace {

TEST(MakeFrame, PutsTheHeaderBeforeThePayloadAndTheChecksumWhenAsked) {
    struct Case {
        std::uint16_t id;
        Bytes payload;
        FrameChecksum checksum;
        Bytes frame;
    };
    const std::vector<Case> cases{
        {0x2401, {0x01, 0x00}, FrameChecksum::Appended, {0xC7, 0x01, 0x24, 0x02, 0x01, 0x00, 0x22}},
        {0x2401, {0x01, 0x00}, FrameChecksum::Omitted, {0xC7, 0x01, 0x24, 0x02, 0x01, 0x00}},
        {0x0124, {}, FrameChecksum::Appended, {0xC7, 0x24, 0x01, 0x00, 0x71}},
        {0x0124, {}, FrameChecksum::Omitted, {0xC7, 0x24, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(makeFrame(c.id, c.payload, c.checksum), c.frame)
            << std::hex << c.id << ", " << c.payload.size() << " payload bytes";
    }
    EXPECT_EQ(makeFrame(0x2401, {0x01, 0x00}), (Bytes{0xC7, 0x01, 0x24, 0x02, 0x01, 0x00, 0x22}));
}

TEST(FramePayloads, SequenceAndValueGoLowByteFirst) {
    EXPECT_EQ(sequencePayload(0xABCD), (Bytes{0xCD, 0xAB}));
    struct Case {
        std::uint16_t sequence;
        std::int32_t value;
        Bytes payload;
    };
    const std::vector<Case> cases{
        {1, 10, {0x01, 0x00, 0x0A, 0x00, 0x00, 0x00}},
        {0x1234, -5, {0x34, 0x12, 0xFB, 0xFF, 0xFF, 0xFF}},
        {0, 0x12345678, {0x00, 0x00, 0x78, 0x56, 0x34, 0x12}},
        {0xFFFF, INT32_MIN, {0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(valuePayload(c.sequence, c.value), c.payload)
            << "sequence " << c.sequence << ", value " << c.value;
    }
}

}  // namespace
}  // namespace tresvik
