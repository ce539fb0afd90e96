#include "link/frame_writer.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "link/crc8.h"
#include "link/frame_assembler.h"
#include "link/traffic_log.h"
#include "link/transmit_queue.h"

namespace tresvik {
namespace {

struct WriterFixture : ::testing::Test {
    TransmitQueue queue;
    std::atomic<bool> portOpen{true};
    std::atomic<bool> closing{false};
    FrameWriter writer{queue, nullptr, portOpen, closing};
};

using FrameWriterTest = WriterFixture;

TEST_F(FrameWriterTest, AppendsTheChecksumAndQueuesTheFrame) {
    const Bytes body{0xC7, 0x01, 0x24, 0x02, 0x01, 0x00};
    EXPECT_EQ(writer.begin().WriteFrame(body), 0x22);
    EXPECT_EQ(queue.takeAll(), (Bytes{0xC7, 0x01, 0x24, 0x02, 0x01, 0x00, 0x22}));
}

TEST_F(FrameWriterTest, DropsTheFrameWhilePortIsClosedAndLeavesNothingBehind) {
    portOpen = false;
    writer.begin().WriteFrame(Bytes{0xC7, 0x01, 0x24, 0x02, 0x01, 0x00});
    EXPECT_TRUE(queue.empty());
    portOpen = true;
    writer.begin().WriteFrame(Bytes{0xC7, 0x24, 0x01, 0x00});
    EXPECT_EQ(queue.takeAll(), (Bytes{0xC7, 0x24, 0x01, 0x00, 0x71}));
}

TEST_F(FrameWriterTest, SequenceNumberStartsAtOneAndWraps) {
    EXPECT_EQ(writer.begin().nextSequence(), 1);
    writer.setSequenceNumber(65535);
    EXPECT_EQ(writer.begin().nextSequence(), 0);
    EXPECT_EQ(writer.sequenceNumber(), 0);
}

TEST_F(FrameWriterTest, WakeUpPreambleIsQueuedEvenWhilePortIsClosed) {
    portOpen = false;
    writer.begin().queueWakeUp();
    EXPECT_EQ(queue.takeAll(), Bytes(60, 0x00));
}

// Raw bytes go out as given, numbered and checked by nobody, and are logged like a frame.
TEST(FrameWriterRaw, SendsTheBytesAsGivenOnlyWhileThePortIsOpen) {
    struct SentLog : TrafficLog {
        void sentFrame(ByteView frame) override { sent.emplace_back(frame.begin(), frame.end()); }
        void sentWakeUp() override {}
        std::vector<Bytes> sent;
    };
    const Bytes bytes{0xC7, 0x01, 0x24, 0x00, 0x55};
    const struct {
        bool portOpen;
        bool closing;
        Bytes queued;
        std::vector<Bytes> logged;
    } cases[] = {
        {true, false, bytes, {bytes}},
        {true, true, bytes, {}},
        {false, false, {}, {}},
    };
    for (const auto& c : cases) {
        TransmitQueue queue;
        SentLog log;
        const std::atomic<bool> portOpen{c.portOpen};
        const std::atomic<bool> closing{c.closing};
        FrameWriter writer{queue, &log, portOpen, closing};
        sendRaw(writer, bytes);
        EXPECT_EQ(queue.takeAll(), c.queued);
        EXPECT_EQ(log.sent, c.logged);
        EXPECT_EQ(writer.sequenceNumber(), 0);
    }
}

TEST(FrameForms, RequestAndValueFramesMatchTheWorkedExamples) {
    EXPECT_EQ(requestFrame(0x2401, 1), (Bytes{0xC7, 0x01, 0x24, 0x02, 0x01, 0x00}));
    EXPECT_EQ(valueFrame(0x2401, 1, 10),
              (Bytes{0xC7, 0x01, 0x24, 0x06, 0x01, 0x00, 0x0A, 0x00, 0x00, 0x00}));
    EXPECT_EQ(valueFrame(0x4801, 0x1234, -5),
              (Bytes{0xC7, 0x01, 0x48, 0x06, 0x34, 0x12, 0xFB, 0xFF, 0xFF, 0xFF}));
}

// The serial worker takes bytes from the front of the transmit queue while the GUI thread writes
// frames behind them: it sees every frame whole and numbered once.
TEST_F(FrameWriterTest, TheWorkerDrainingMeanwhileSeesEveryFrameWholeAndNumberedOnce) {
    constexpr int kEach = 20000;
    auto producer = [this](std::uint16_t id, int i) {
        auto tx = writer.begin();
        const std::uint16_t seq = tx.nextSequence();
        if (i % 50 == 0) {
            tx.queueWakeUp();
        }
        tx.WriteFrame(valueFrame(id, seq, i));
    };
    // The worker side: removes bytes from the front while the producers append.
    std::atomic<bool> done{false};
    Bytes drained;
    std::thread worker([&] {
        while (!done.load() || !queue.empty()) {
            if (const auto b = queue.front()) {
                drained.push_back(*b);
                queue.popFront();
            }
        }
    });
    for (int i = 0; i < kEach; ++i) {
        producer(0x1111, i);
        producer(0x2222, i);
    }
    done = true;
    worker.join();

    FrameAssembler assembler;
    std::set<std::uint16_t> sequences;
    std::size_t frames = 0;
    for (const std::uint8_t byte : drained) {
        const auto r = assembler.push(byte);
        ASSERT_NE(r, FrameAssembler::Result::ChecksumError);
        if (r == FrameAssembler::Result::GoodFrame) {
            ++frames;
            const ByteView f = assembler.frame();
            sequences.insert(static_cast<std::uint16_t>(f[4] | (f[5] << 8)));
        }
    }
    EXPECT_EQ(frames, 2U * kEach);
    EXPECT_EQ(sequences.size(), static_cast<std::size_t>(2 * kEach));
    EXPECT_EQ(drained.size(), 2U * kEach * 11 + (2 * kEach / 50) * 60);
}

TEST_F(FrameWriterTest, AFrameBuiltOnAnotherThreadStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(std::thread([this] { sendRequest(writer, 0x2406); }).join(),
                 "frame writer used from a thread it does not belong to");
}

}  // namespace
}  // namespace tresvik
