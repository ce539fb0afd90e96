#include "tools/sim/fault_injector.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>

#include "decode/receive_path.h"
#include "tools/sim/unit_model.h"

namespace tresvik::sim {
namespace {

std::vector<Bytes> someCycles(int count) {
    UnitModel unit;
    std::vector<Bytes> frames;
    for (int i = 0; i < count; ++i) {
        for (Bytes& frame : unit.nextReportCycle()) {
            frames.push_back(std::move(frame));
        }
    }
    return frames;
}

bool sameEmission(const Emission& a, const Emission& b) {
    return a.noise == b.noise && a.frame == b.frame && a.fault == b.fault;
}

TEST(FaultInjector, TheSameSeedDamagesTheSameFramesTheSameWay) {
    const FaultRates rates{0.1, 0.1, 0.1};
    const std::vector<Bytes> frames = someCycles(3);
    FaultInjector first(7, rates);
    FaultInjector again(7, rates);
    FaultInjector other(8, rates);
    int differentFromOther = 0;
    for (const Bytes& frame : frames) {
        const Emission e = first.apply(frame);
        EXPECT_TRUE(sameEmission(e, again.apply(frame)));
        differentFromOther += sameEmission(e, other.apply(frame)) ? 0 : 1;
    }
    EXPECT_GT(differentFromOther, 0);
}

TEST(FaultInjector, WithoutRatesFramesGoOutAsBuilt) {
    FaultInjector faults(1, FaultRates{});
    for (const Bytes& frame : someCycles(1)) {
        const Emission e = faults.apply(frame);
        EXPECT_EQ(e.frame, frame);
        EXPECT_TRUE(e.noise.empty());
        EXPECT_EQ(e.fault, FrameFault::None);
    }
}

TEST(FaultInjector, NoiseNeverHoldsTheStartByteButEveryOtherValue) {
    FaultInjector faults(3, FaultRates{0.0, 1.0, 0.0});
    const Bytes frame = someCycles(1).front();
    std::set<std::uint8_t> seen;
    for (int i = 0; i < 5000; ++i) {
        const Emission e = faults.apply(frame);
        ASSERT_GE(e.noise.size(), 1U);
        ASSERT_LE(e.noise.size(), FaultInjector::kMaxNoise);
        seen.insert(e.noise.begin(), e.noise.end());
    }
    EXPECT_FALSE(seen.contains(frame::kStartByte));
    EXPECT_EQ(seen.size(), 255U);
}

TEST(FaultInjector, DamageTouchesOnlyTheChecksumOrOnlyTheLength) {
    const Bytes frame = someCycles(1).front();
    FaultInjector checksum(5, FaultRates{1.0, 0.0, 0.0});
    FaultInjector length(5, FaultRates{0.0, 0.0, 1.0});
    for (int i = 0; i < 200; ++i) {
        const Emission c = checksum.apply(frame);
        EXPECT_EQ(c.fault, FrameFault::Checksum);
        EXPECT_NE(c.frame.back(), frame.back());
        EXPECT_TRUE(std::equal(frame.begin(), frame.end() - 1, c.frame.begin()));

        const Emission l = length.apply(frame);
        EXPECT_EQ(l.fault, FrameFault::Length);
        EXPECT_NE(l.frame[3], frame[3]);
        Bytes restored = l.frame;
        restored[3] = frame[3];
        EXPECT_EQ(restored, frame);
    }
}

TEST(FaultInjector, RatesAreHonouredOverALongRun) {
    FaultInjector faults(11, FaultRates{0.05, 0.05, 0.0});
    const Bytes frame = someCycles(1).front();
    int damaged = 0;
    int noisy = 0;
    constexpr int kFrames = 20000;
    for (int i = 0; i < kFrames; ++i) {
        const Emission e = faults.apply(frame);
        damaged += e.fault == FrameFault::Checksum ? 1 : 0;
        noisy += e.noise.empty() ? 0 : 1;
    }
    EXPECT_NEAR(damaged, kFrames * 0.05, kFrames * 0.01);
    EXPECT_NEAR(noisy, kFrames * 0.05, kFrames * 0.01);
}

// What the end-to-end check of the simulated unit relies on: with noise and damaged checksums
// on the line, the console still decodes every frame that went out intact.
TEST(FaultInjector, EveryIntactFrameSurvivesNoiseAndDamagedChecksums) {
    FaultInjector faults(2, FaultRates{0.05, 0.05, 0.0});
    const std::atomic<bool> closing{false};
    struct Frames : ConsoleListener {
        void frameReceived(const ReceivedFrame& frame) override {
            good.emplace(frame.bytes.begin(), frame.bytes.end());
        }
        std::multiset<Bytes> good;
    } received;
    ReceivePath console(nullptr, closing, nullptr, &received);
    std::multiset<Bytes> intact;
    std::size_t damaged = 0;
    for (const Bytes& frame : someCycles(20)) {
        const Emission e = faults.apply(frame);
        console.push(e.noise);
        console.push(e.frame);
        if (e.fault == FrameFault::None) {
            intact.insert(e.frame);
        } else {
            ++damaged;
        }
    }
    EXPECT_GT(damaged, 0U);
    EXPECT_EQ(received.good, intact);
    EXPECT_EQ(console.counters().checksumErrors, damaged);
}

// The rule the end-to-end count of the link's health relies on: what a receiver makes of each
// emission follows from the emission alone. A damaged length is one checksum error, the bytes
// past the length it claims are noise, and the next frame is received as it was sent.
TEST(FaultInjector, ADamagedLengthIsOneChecksumErrorAndTheRestOfItsFrameNoise) {
    FaultInjector faults(9, FaultRates{0.05, 0.05, 0.3});
    const std::atomic<bool> closing{false};
    ReceivePath console(nullptr, closing, nullptr, nullptr);
    std::size_t intact = 0;
    std::size_t damaged = 0;
    std::size_t shortened = 0;
    std::size_t noise = 0;
    for (const Bytes& frame : someCycles(20)) {
        const Emission e = faults.apply(frame);
        console.push(e.noise);
        console.push(e.frame);
        intact += e.fault == FrameFault::None ? 1 : 0;
        damaged += e.fault == FrameFault::None ? 0 : 1;
        shortened += e.fault == FrameFault::Length ? 1 : 0;
        noise += e.noise.size() + e.bytesPastLength;
        if (e.fault == FrameFault::Length) {
            EXPECT_LT(e.frame[3], frame[3]);
            EXPECT_EQ(e.bytesPastLength, frame[3] - e.frame[3]);
        }
    }
    EXPECT_GT(shortened, 500U);
    EXPECT_EQ(console.counters().goodFrames, intact);
    EXPECT_EQ(console.counters().checksumErrors, damaged);
    EXPECT_EQ(console.counters().bytesOutsideFrames, noise);
    EXPECT_EQ(console.partialSize(), 0U);
}

}  // namespace
}  // namespace tresvik::sim
