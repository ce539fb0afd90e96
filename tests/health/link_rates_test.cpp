#include "health/link_rates.h"

#include <gtest/gtest.h>

#include <atomic>

#include "health/link_health.h"
#include "link/frame.h"
#include "link/transmit_queue.h"
#include "session/console_session.h"

namespace tresvik {
namespace {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;
using std::chrono::seconds;

const ArrivalTime kOpen = ArrivalTime{} + std::chrono::hours(2);

// A unit sending at a known pace, each byte timed as it would come off a 9600 baud line.
struct Generator {
    Generator() {
        session.addListener(health);
        session.linkOpened(kOpen, {});
    }

    void send(const Bytes& bytes, nanoseconds at) {
        ReceivedBytes batch;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            batch.push(bytes[i], kOpen + at + lineTime(i, kUnitBaudRate));
        }
        session.receive(batch);
    }

    TransmitQueue queue;
    std::atomic<bool> portOpen{true};
    ConsoleSession session{queue, portOpen, {.trafficLog = false, .idLog = false}};
    LinkHealth health;
};

const Bytes kFrame = makeFrame(0x0039, {0x80, 0x0C});

Bytes damaged(Bytes frame) {
    frame.back() ^= 0x5A;
    return frame;
}

TEST(LinkRates, RatesOverTenAndSixtySecondsMatchWhatTheUnitSent) {
    // 37 frames a second, every 20th with a damaged checksum, and a noise byte every 500 ms.
    constexpr int kFramesPerSecond = 37;
    Generator unit;
    const nanoseconds frameStep = nanoseconds(seconds(1)) / kFramesPerSecond;
    nanoseconds nextNoise = milliseconds(250);
    const nanoseconds now = milliseconds(74600);
    for (int i = 0; i * frameStep < now; ++i) {
        const nanoseconds t = i * frameStep;
        if (t >= nextNoise) {
            unit.send({0x00}, nextNoise);
            nextNoise += milliseconds(500);
        }
        unit.send(i % 20 == 19 ? damaged(kFrame) : kFrame, t);
    }
    const double goodPerSecond = kFramesPerSecond * 19.0 / 20.0;
    const double bytesPerSecond = kFramesPerSecond * kFrame.size() + 2.0;
    const double lineUse = bytesPerSecond * 10 / 9600 * 100;
    for (const seconds window : {seconds(10), seconds(60)}) {
        SCOPED_TRACE(window.count());
        const RateWindow r = unit.health.rates(window, kOpen + now);
        EXPECT_NEAR(r.framesPerSecond, goodPerSecond, goodPerSecond * 0.01);
        EXPECT_NEAR(r.bytesPerSecond, bytesPerSecond, bytesPerSecond * 0.01);
        EXPECT_NEAR(r.lineUsePercent, lineUse, lineUse * 0.01);
        // Rare events are right to within the one a window's edge may cut.
        const double onePerMinute = 60.0 / std::chrono::duration<double>(r.covered).count();
        EXPECT_NEAR(r.checksumErrorsPerMinute, kFramesPerSecond * 3.0, onePerMinute);
        EXPECT_NEAR(r.noiseBytesPerMinute, 120.0, onePerMinute);
    }
}

// Just after the open a window holds less than its length, and its rates are divided by the time
// it really holds.
TEST(LinkRates, AYoungSessionIsDividedByTheTimeItHasRun) {
    Generator unit;
    for (int ms = 0; ms < 3500; ms += 100) {
        unit.send(kFrame, milliseconds(ms));
    }
    const ArrivalTime now = kOpen + milliseconds(3500);
    const RateWindow ten = unit.health.rates(seconds(10), now);
    EXPECT_EQ(ten.covered, milliseconds(3500));
    EXPECT_DOUBLE_EQ(ten.framesPerSecond, 10.0);
    // The last second and the half gone by of the current one.
    const RateWindow one = unit.health.rates(seconds(1), now);
    EXPECT_EQ(one.covered, milliseconds(1500));
    EXPECT_DOUBLE_EQ(one.framesPerSecond, 10.0);
}

TEST(LinkRates, ThePeakIsTheBusiestWholeSecondAndOutlivesTheLastMinute) {
    Generator unit;
    unit.send(Bytes(480, 0x00), seconds(5));
    unit.send(Bytes(96, 0x00), seconds(6));
    // Half the line's 960 bytes a second; the current second does not count until it is whole.
    EXPECT_DOUBLE_EQ(unit.health.peakLineUsePercent(kOpen + milliseconds(5900)), 0.0);
    EXPECT_DOUBLE_EQ(unit.health.peakLineUsePercent(kOpen + seconds(6)), 50.0);
    unit.send(Bytes(9, 0x00), seconds(200));
    EXPECT_DOUBLE_EQ(unit.health.peakLineUsePercent(kOpen + seconds(201)), 50.0);
}

TEST(LinkRates, TheClockStopsWhenThePortCloses) {
    Generator unit;
    for (int ms = 0; ms < 2000; ms += 100) {
        unit.send(kFrame, milliseconds(ms));
    }
    unit.session.linkClosed(kOpen + seconds(2));
    const RateWindow r = unit.health.rates(seconds(10), kOpen + seconds(9));
    EXPECT_EQ(r.covered, seconds(2));
    EXPECT_DOUBLE_EQ(r.framesPerSecond, 10.0);
    EXPECT_EQ(unit.health.countingTime(kOpen + seconds(9)), seconds(2));
}

}  // namespace
}  // namespace tresvik
