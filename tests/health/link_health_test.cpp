#include "health/link_health.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "commands/command_table.h"
#include "link/frame.h"
#include "link/frame_writer.h"
#include "link/transmit_queue.h"
#include "session/console_session.h"

namespace tresvik {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

const ArrivalTime kOpen = ArrivalTime{} + std::chrono::hours(1);

ArrivalTime at(int ms) {
    return kOpen + milliseconds(ms);
}

Bytes join(const std::vector<Bytes>& parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes head(const Bytes& bytes, std::size_t count) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
}

Bytes tail(const Bytes& bytes, std::size_t from) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end());
}

Bytes damaged(Bytes frame) {
    frame.back() ^= 0x5A;
    return frame;
}

// A console session whose health is watched, fed at explicit times.
struct Console {
    Console() {
        session.addListener(health);
        session.linkOpened(kOpen, {});
    }
    // `bytes` arriving together, `ms` after the open.
    void receive(const Bytes& bytes, int ms) {
        session.receive(ReceivedBytes(bytes, at(ms)));
        fed += bytes.size();
    }

    TransmitQueue queue;
    std::atomic<bool> portOpen{true};
    ConsoleSession session{queue, portOpen, {.trafficLog = false, .idLog = false}};
    LinkHealth health;
    std::size_t fed = 0;
};

const Bytes kSpeed = makeFrame(0x0039, {0x80, 0x0C});
const Bytes kOdometer = makeFrame(0x0033, {0x40, 0xE2, 0x01, 0x00});
// The longest frame there is: at 9600 baud it takes 271 ms on the line.
const Bytes kLongest = makeFrame(0x2406, Bytes(255, 0x11));

struct Piece {
    Bytes bytes;
    int ms = 0;
};

struct CountCase {
    const char* name;
    std::vector<Piece> pieces;
    bool closeAtEnd;
    LinkHealth::Counters expected;
};

LinkHealth::Counters counts(std::uint64_t good, std::uint64_t checksum, std::uint64_t noise,
                            std::uint64_t cutOff, std::uint64_t unknown = 0) {
    LinkHealth::Counters c;
    c.goodFrames = good;
    c.checksumErrors = checksum;
    c.noiseBytes = noise;
    c.framesCutOff = cutOff;
    c.unknownIdentifiers = unknown;
    return c;
}

// Each frame the assembler completes is counted once, as good, damaged or cut off, and every byte
// it discards as noise, whatever the line did to the frames around them.
TEST(LinkHealth, CountsEveryFrameOnceAndEveryDiscardedByteAsNoise) {
    ASSERT_NE(kSpeed.back(), frame::kStartByte);
    const std::vector<CountCase> cases = {
        {"good frames", {{kSpeed, 0}, {kOdometer, 20}}, false, counts(2, 0, 0, 0)},
        {"damaged checksum", {{damaged(kSpeed), 0}, {kSpeed, 20}}, false, counts(1, 1, 0, 0)},
        {"noise between frames", {{{0x00, 0xFF, 0x12}, 0}, {kSpeed, 5}}, false, counts(1, 0, 3, 0)},
        {"unknown identifier",
         {{makeFrame(0x7777, {1}), 0}, {kSpeed, 5}},
         false,
         counts(2, 0, 0, 0, 1)},
        // A pause inside a frame that still checks: the unit was slow, nothing was lost.
        {"slow but whole",
         {{head(kSpeed, 3), 0}, {tail(kSpeed, 3), 500}},
         false,
         counts(1, 0, 0, 0)},
        // The rest of the cut frame comes from the next one: the assembler completes it with the
        // next frame's first two bytes, and discards the other five.
        {"cut by a quiet line", {{head(kSpeed, 5), 0}, {kSpeed, 500}}, false, counts(0, 0, 5, 1)},
        {"pause below the shortest quiet",
         {{head(damaged(kSpeed), 3), 0}, {tail(damaged(kSpeed), 3), 90}},
         false,
         counts(0, 1, 0, 0)},
        // A long frame may pause for less than it takes as a whole without being cut.
        {"long frame, pause shorter than the frame",
         {{head(damaged(kLongest), 100), 0}, {tail(damaged(kLongest), 100), 250}},
         false,
         counts(0, 1, 0, 0)},
        {"long frame, pause longer than the frame",
         {{head(damaged(kLongest), 100), 0}, {tail(damaged(kLongest), 100), 290}},
         false,
         counts(0, 0, 0, 1)},
        {"unfinished at the close",
         {{kSpeed, 0}, {head(kOdometer, 4), 20}},
         true,
         counts(1, 0, 0, 1)},
    };
    for (const CountCase& c : cases) {
        SCOPED_TRACE(c.name);
        Console console;
        for (const Piece& piece : c.pieces) {
            console.receive(piece.bytes, piece.ms);
        }
        if (c.closeAtEnd) {
            console.session.linkClosed(at(1000));
        }
        const LinkHealth::Counters& got = console.health.counters();
        EXPECT_EQ(got.goodFrames, c.expected.goodFrames);
        EXPECT_EQ(got.checksumErrors, c.expected.checksumErrors);
        EXPECT_EQ(got.noiseBytes, c.expected.noiseBytes);
        EXPECT_EQ(got.framesCutOff, c.expected.framesCutOff);
        EXPECT_EQ(got.unknownIdentifiers, c.expected.unknownIdentifiers);
        EXPECT_EQ(got.bytesReceived, console.fed);
    }
}

// The frame a close cut off stays in the assembler; completed after the next open, it is that
// session's cut-off frame, never a checksum error, and the session before keeps its own count.
TEST(LinkHealth, AFrameTheCloseCutOffIsCountedOncePerSession) {
    Console console;
    console.receive(head(kOdometer, 6), 0);
    console.session.linkClosed(at(100));
    EXPECT_EQ(console.health.counters().framesCutOff, 1U);

    console.session.linkOpened(at(5000), {});
    EXPECT_EQ(console.health.counters().framesCutOff, 0U);
    console.receive(kSpeed, 5200);
    const LinkHealth::Counters& c = console.health.counters();
    EXPECT_EQ(c.framesCutOff, 1U);
    EXPECT_EQ(c.checksumErrors, 0U);
    EXPECT_EQ(c.bytesReceived, kSpeed.size());
}

TEST(LinkHealth, CountsCommandsAnswersAndTheBytesSentWhileThePortIsOpen) {
    Console console;
    sendRequest(console.session.frameWriter(), 0x2406);
    {
        auto tx = console.session.frameWriter().begin();
        tx.queueWakeUp();
        tx.WriteFrame(valueFrame(kSetProgramId, tx.nextSequence(), 3));
    }
    // The unit reports the value back under the command's identifier.
    console.receive(makeFrame(kSetProgramId, {0, 0, 3, 0, 0, 0}), 100);
    const LinkHealth::Counters& c = console.health.counters();
    EXPECT_EQ(c.commandsSent, 2U);
    EXPECT_EQ(c.bytesSent, 7U + FrameWriter::kWakeUpLength + 11U);
    EXPECT_EQ(c.answersReceived, 1U);

    // Closed, the port neither takes frames nor keeps a preamble beyond the next open.
    console.session.linkClosed(at(200));
    console.portOpen = false;
    sendRequest(console.session.frameWriter(), 0x2406);
    console.session.frameWriter().begin().queueWakeUp();
    EXPECT_EQ(console.health.counters().commandsSent, 2U);
    EXPECT_EQ(console.health.counters().bytesSent, 7U + FrameWriter::kWakeUpLength + 11U);
}

TEST(LinkHealth, OpeningThePortOrAResetCountsFromZero) {
    Console console;
    console.receive(join({{0x01}, kSpeed}), 0);
    console.receive(kSpeed, 600);
    ASSERT_EQ(console.health.longestGap(), milliseconds(600));

    console.health.reset(at(1000));
    EXPECT_EQ(console.health.counters().goodFrames, 0U);
    EXPECT_EQ(console.health.counters().bytesReceived, 0U);
    EXPECT_FALSE(console.health.longestGap());
    EXPECT_FALSE(console.health.sinceLastGoodFrame(at(1000)));
    EXPECT_EQ(console.health.countingTime(at(1500)), milliseconds(500));

    console.receive(kSpeed, 1100);
    console.session.linkOpened(at(2000), {});
    EXPECT_EQ(console.health.counters().goodFrames, 0U);
    EXPECT_EQ(console.health.countingSince(), at(2000));
}

TEST(LinkHealth, GapsAreMeasuredBetweenTheFirstBytesOfGoodFrames) {
    Console console;
    console.receive(kSpeed, 100);
    console.receive(damaged(kSpeed), 300);
    console.receive(kSpeed, 500);
    console.receive(kSpeed, 2500);
    console.receive(kSpeed, 2900);
    EXPECT_EQ(console.health.longestGap(), milliseconds(2000));
    EXPECT_EQ(console.health.sinceLastGoodFrame(at(3000)), milliseconds(100));
    // The one long gap is left out.
    EXPECT_EQ(console.health.usualGap(), milliseconds(400));
}

struct StateCase {
    const char* name;
    std::vector<int> goodFramesMs;
    std::vector<int> noiseMs;
    bool closed;
    int nowMs;
    HealthState expected;
};

TEST(LinkHealth, StateFollowsSilenceDamageAndTheUnitsUsualPauses) {
    // A unit that reports in bursts every five seconds, and one that restarted once.
    std::vector<int> bursts;
    for (int burst = 0; burst < 4; ++burst) {
        for (int frame = 0; frame < 10; ++frame) {
            bursts.push_back(burst * 5000 + frame * 20);
        }
    }
    std::vector<int> restarted;
    for (int ms = 0; ms <= 20000; ms += 100) {
        restarted.push_back(ms < 5000 ? ms : ms + 30000);
    }
    const std::vector<StateCase> cases = {
        {"closed", {0}, {}, true, 100, HealthState::Disconnected},
        {"steady frames", {0, 500, 1000}, {}, false, 1500, HealthState::Healthy},
        {"nothing since the open for two seconds", {}, {}, false, 2001, HealthState::Silent},
        {"nothing since the open yet", {}, {}, false, 1999, HealthState::Healthy},
        {"noise nine seconds ago", {0, 500, 9000, 9500}, {600}, false, 9599, HealthState::Warning},
        {"noise ten seconds ago", {0, 500, 9000, 10500}, {500}, false, 10500, HealthState::Healthy},
        {"silence outweighs noise", {0}, {100}, false, 2500, HealthState::Silent},
        {"within three usual pauses of a bursty unit",
         bursts,
         {},
         false,
         15180 + 14000,
         HealthState::Healthy},
        {"beyond three usual pauses of a bursty unit",
         bursts,
         {},
         false,
         15180 + 15100,
         HealthState::Silent},
        {"one long restart leaves the limit at two seconds",
         restarted,
         {},
         false,
         50000 + 2100,
         HealthState::Silent},
    };
    for (const StateCase& c : cases) {
        SCOPED_TRACE(c.name);
        Console console;
        std::size_t noise = 0;
        for (const int ms : c.goodFramesMs) {
            while (noise < c.noiseMs.size() && c.noiseMs[noise] < ms) {
                console.receive({0x00}, c.noiseMs[noise++]);
            }
            console.receive(kSpeed, ms);
        }
        while (noise < c.noiseMs.size()) {
            console.receive({0x00}, c.noiseMs[noise++]);
        }
        if (c.closed) {
            console.session.linkClosed(at(c.nowMs));
        }
        EXPECT_EQ(console.health.state(at(c.nowMs)), c.expected);
    }
}

}  // namespace
}  // namespace tresvik
