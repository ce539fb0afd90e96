#include "link/frame_assembler.h"

#include <gtest/gtest.h>

#include "link/crc8.h"

namespace tresvik {
namespace {

using Result = FrameAssembler::Result;

struct Outcome {
    Result result;
    Bytes frame;
    friend bool operator==(const Outcome&, const Outcome&) = default;
};

std::vector<Outcome> feed(FrameAssembler& assembler, ByteView bytes) {
    std::vector<Outcome> out;
    for (const std::uint8_t b : bytes) {
        const Result r = assembler.push(b);
        if (r == Result::GoodFrame || r == Result::ChecksumError) {
            out.push_back({r, Bytes(assembler.frame().begin(), assembler.frame().end())});
        }
    }
    return out;
}

Bytes withCrc(Bytes f) {
    f.push_back(Crc8::compute(f));
    return f;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

TEST(FrameAssembler, EmptyPayloadFrameIsOneGoodFrame) {
    FrameAssembler a;
    const Bytes f{0xC7, 0x24, 0x01, 0x00, 0x71};
    EXPECT_EQ(feed(a, f), (std::vector<Outcome>{{Result::GoodFrame, f}}));
    EXPECT_FALSE(a.inFrame());
}

TEST(FrameAssembler, DropsBytesBeforeTheStartByte) {
    FrameAssembler a;
    const Bytes f{0xC7, 0x24, 0x01, 0x00, 0x71};
    EXPECT_EQ(feed(a, concat({{0x00, 0xFF, 0x12}, f})),
              (std::vector<Outcome>{{Result::GoodFrame, f}}));
}

TEST(FrameAssembler, SaysWhichBytesItDiscards) {
    // Noise between frames is discarded byte by byte; a start byte, the bytes of a frame (start
    // bytes among them) and a damaged frame never are.
    FrameAssembler a;
    const Bytes good{0xC7, 0x24, 0x01, 0x00, 0x71};
    const Bytes damaged{0xC7, 0x24, 0x01, 0x01, 0xC7, 0x00};
    const Bytes stream = concat({{0x00, 0xFF}, good, {0x12}, damaged, {0xC6}});
    std::vector<std::size_t> discarded;
    for (std::size_t i = 0; i < stream.size(); ++i) {
        if (a.push(stream[i]) == Result::Discarded) {
            discarded.push_back(i);
        }
    }
    EXPECT_EQ(discarded, (std::vector<std::size_t>{0, 1, 7, 14}));
}

TEST(FrameAssembler, StartByteInsidePayloadIsOrdinaryData) {
    FrameAssembler a;
    const Bytes f = withCrc({0xC7, 0x01, 0x24, 0x03, 0xC7, 0xC7, 0x05});
    EXPECT_EQ(feed(a, f), (std::vector<Outcome>{{Result::GoodFrame, f}}));
}

TEST(FrameAssembler, AcceptsTheLongestFrame) {
    Bytes f{0xC7, 0x10, 0x20, 0xFF};
    for (int i = 0; i < 255; ++i) {
        f.push_back(static_cast<std::uint8_t>(i * 7));
    }
    f = withCrc(f);
    ASSERT_EQ(f.size(), 260U);
    FrameAssembler a;
    EXPECT_EQ(feed(a, f), (std::vector<Outcome>{{Result::GoodFrame, f}}));
}

TEST(FrameAssembler, BadChecksumIsReportedAndTheNextFrameAccepted) {
    FrameAssembler a;
    const Bytes bad{0xC7, 0x24, 0x01, 0x00, 0x72};
    const Bytes good{0xC7, 0x24, 0x01, 0x00, 0x71};
    EXPECT_EQ(feed(a, concat({bad, good})),
              (std::vector<Outcome>{{Result::ChecksumError, bad}, {Result::GoodFrame, good}}));
}

TEST(FrameAssembler, FramesSplitAtEveryPositionAreReassembled) {
    const Bytes stream = concat({{0x55},
                                 withCrc({0xC7, 0x01, 0x24, 0x06, 0x01, 0x00, 0x2A, 0, 0, 0}),
                                 withCrc({0xC7, 0x20, 0x10, 0x02, 0xC7, 0x55}),
                                 {0x00, 0x00},
                                 withCrc({0xC7, 0x24, 0x01, 0x00})});
    FrameAssembler whole;
    const std::vector<Outcome> expected = feed(whole, stream);
    ASSERT_EQ(expected.size(), 3U);
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        FrameAssembler a;
        std::vector<Outcome> got = feed(a, ByteView(stream).first(cut));
        const std::vector<Outcome> rest = feed(a, ByteView(stream).subspan(cut));
        got.insert(got.end(), rest.begin(), rest.end());
        EXPECT_EQ(got, expected) << "cut at " << cut;
    }
}

TEST(FrameAssembler, PartialFrameWaitsWithoutTimeOut) {
    FrameAssembler a;
    const Bytes f = withCrc({0xC7, 0x33, 0x00, 0x02, 0x10, 0x20});
    feed(a, ByteView(f).first(4));
    EXPECT_TRUE(a.inFrame());
    EXPECT_EQ(a.partialSize(), 4U);
    EXPECT_EQ(feed(a, ByteView(f).subspan(4)), (std::vector<Outcome>{{Result::GoodFrame, f}}));
}

TEST(FrameAssembler, CorruptedLengthSwallowsFollowingBytesThenResynchronises) {
    // The first frame's length byte claims 8 payload bytes instead of 1: the assembler takes the
    // start of the next frame as payload, fails the checksum and hunts again.
    Bytes damaged = withCrc({0xC7, 0x31, 0x00, 0x01, 0x05});
    damaged[3] = 0x08;
    const Bytes second = withCrc({0xC7, 0x32, 0x00, 0x01, 0x06});
    const Bytes third = withCrc({0xC7, 0x33, 0x00, 0x01, 0x07});
    const Bytes fourth = withCrc({0xC7, 0x34, 0x00, 0x01, 0x08});
    FrameAssembler a;
    const std::vector<Outcome> got = feed(a, concat({damaged, second, third, fourth}));
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.front().result, Result::ChecksumError);
    EXPECT_EQ(got.front().frame.size(), 13U);
    EXPECT_EQ(got.back(), (Outcome{Result::GoodFrame, fourth}));
}

TEST(FrameAssembler, ResynchronisesAfterAnySingleDamagedByte) {
    // Frames whose only 0xC7 is their start byte: after a damaged byte the assembler may swallow
    // up to one longest frame, then must lock onto the next true start and deliver every later
    // frame intact. It never reports a frame that was not sent as good unless the checksum
    // happens to match by chance, and then the frame is at least well formed.
    std::vector<Bytes> sent;
    Bytes stream;
    for (int i = 0; i < 200; ++i) {
        Bytes payload;
        for (int k = 0; k < i % 9; ++k) {
            payload.push_back(static_cast<std::uint8_t>((k * 31 + i) % 0xC0));
        }
        Bytes f = withCrc(concat({{0xC7, static_cast<std::uint8_t>(i % 0xC0), 0x10,
                                   static_cast<std::uint8_t>(payload.size())},
                                  payload}));
        if (f.back() == 0xC7) {
            continue;
        }
        sent.push_back(f);
        stream.insert(stream.end(), f.begin(), f.end());
    }
    for (std::size_t pos = 0; pos < stream.size(); pos += 3) {
        Bytes damaged = stream;
        damaged[pos] ^= 0x5A;
        FrameAssembler a;
        std::vector<Bytes> good;
        for (const std::uint8_t b : damaged) {
            if (a.push(b) == Result::GoodFrame) {
                good.emplace_back(a.frame().begin(), a.frame().end());
            }
        }
        for (const Bytes& f : good) {
            EXPECT_EQ(f.size(), f[3] + 5U);
        }
        // Every frame starting more than one longest frame after the damage arrives.
        std::size_t start = 0;
        for (const Bytes& f : sent) {
            if (start > pos + frame::kMaxSize + 1) {
                EXPECT_NE(std::find(good.begin(), good.end(), f), good.end())
                    << "damage at " << pos << ", frame at " << start;
            }
            start += f.size();
        }
    }
}

}  // namespace
}  // namespace tresvik
