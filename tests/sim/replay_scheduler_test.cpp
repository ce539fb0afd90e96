#include "tools/sim/replay_scheduler.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>

namespace tresvik::sim {
namespace {

using Clock = ReplayScheduler::Clock;
using std::chrono::milliseconds;

const Clock::time_point kStart = Clock::time_point{} + std::chrono::hours(1);

TimedBytes chunksAt(const std::vector<std::uint64_t>& offsets) {
    TimedBytes chunks;
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        chunks.push_back({offsets[i], Bytes{0xC7, static_cast<std::uint8_t>(i)}});
    }
    return chunks;
}

struct Timing {
    const char* name;
    std::vector<std::uint64_t> offsets;
    ReplayTiming timing;
    double speed;
    std::vector<milliseconds> due;  // of each chunk after the start of the pass
};

void PrintTo(const Timing& timing, std::ostream* out) {
    *out << timing.name;
}

class SimReplayTiming : public ::testing::TestWithParam<Timing> {};

// Each chunk is held until its time and given out the moment it comes, in order.
TEST_P(SimReplayTiming, EachChunkIsDueAtItsTime) {
    const Timing& t = GetParam();
    const TimedBytes chunks = chunksAt(t.offsets);
    ReplayScheduler replay(chunks, t.timing, t.speed);
    replay.restart(kStart);
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        ASSERT_EQ(replay.nextDue(), kStart + t.due[i]) << "chunk " << i;
        if (t.due[i] > milliseconds(0)) {
            EXPECT_EQ(replay.take(kStart + t.due[i] - milliseconds(1)), nullptr) << "chunk " << i;
        }
        const Bytes* taken = replay.take(kStart + t.due[i]);
        ASSERT_NE(taken, nullptr) << "chunk " << i;
        EXPECT_EQ(*taken, chunks[i].bytes);
        EXPECT_EQ(replay.passDone(), i + 1 == chunks.size());
    }
    EXPECT_EQ(replay.nextDue(), std::nullopt);
    EXPECT_EQ(replay.take(kStart + std::chrono::hours(1000)), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Timings, SimReplayTiming,
    ::testing::Values(Timing{"AsRecorded",
                             {0, 40, 40, 1000},
                             ReplayTiming::Recorded,
                             1.0,
                             {milliseconds(0), milliseconds(40), milliseconds(40),
                              milliseconds(1000)}},
                      Timing{"ARecordingThatStartsLateStartsAtOnce",
                             {5000, 5250, 6000},
                             ReplayTiming::Recorded,
                             1.0,
                             {milliseconds(0), milliseconds(250), milliseconds(1000)}},
                      Timing{"TwiceAsFast",
                             {5000, 5250, 6000},
                             ReplayTiming::Recorded,
                             2.0,
                             {milliseconds(0), milliseconds(125), milliseconds(500)}},
                      Timing{"HalfAsFast",
                             {100, 350, 1100},
                             ReplayTiming::Recorded,
                             0.5,
                             {milliseconds(0), milliseconds(500), milliseconds(2000)}},
                      Timing{"BackToBackIgnoresTheOffsets",
                             {5000, 5250, 6000},
                             ReplayTiming::BackToBack,
                             1.0,
                             {milliseconds(0), milliseconds(0), milliseconds(0)}},
                      Timing{"HexChunksAllAtOffsetZero",
                             {0, 0, 0},
                             ReplayTiming::Recorded,
                             3.0,
                             {milliseconds(0), milliseconds(0), milliseconds(0)}}),
    [](const ::testing::TestParamInfo<Timing>& info) { return std::string(info.param.name); });

TEST(SimReplayScheduler, NothingIsDueBeforeTheFirstPassAndEachPassStartsFromTheFirstChunk) {
    ReplayScheduler replay(chunksAt({0, 100, 200}), ReplayTiming::Recorded, 1.0);
    EXPECT_EQ(replay.nextDue(), std::nullopt);
    EXPECT_EQ(replay.take(kStart), nullptr);

    replay.restart(kStart);
    ASSERT_NE(replay.take(kStart), nullptr);
    ASSERT_NE(replay.take(kStart + milliseconds(100)), nullptr);

    // The console closed the port mid-pass and opened it again later: timing restarts too.
    const Clock::time_point again = kStart + std::chrono::seconds(10);
    replay.restart(again);
    const Bytes* first = replay.take(again);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->back(), 0);
    EXPECT_EQ(replay.take(again + milliseconds(99)), nullptr);
    EXPECT_EQ(replay.nextDue(), again + milliseconds(100));
}

// Offsets that no clock can count to, or played very slowly, wait long but never overflow into
// the past.
TEST(SimReplayScheduler, AnAbsurdOffsetIsFarAheadButNeverInThePast) {
    const std::uint64_t huge = std::numeric_limits<std::uint64_t>::max();
    for (const double speed : {1.0, 1e-6}) {
        ReplayScheduler replay(chunksAt({0, huge}), ReplayTiming::Recorded, speed);
        replay.restart(kStart);
        ASSERT_NE(replay.take(kStart), nullptr);
        const std::optional<Clock::time_point> due = replay.nextDue();
        ASSERT_TRUE(due);
        EXPECT_GT(*due, kStart + std::chrono::hours(24 * 300)) << "speed " << speed;
        EXPECT_EQ(replay.take(kStart + std::chrono::hours(24 * 300)), nullptr);
    }
}

}  // namespace
}  // namespace tresvik::sim
