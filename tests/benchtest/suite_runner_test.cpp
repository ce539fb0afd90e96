#include "benchtest/suite_runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "benchtest/bench_link.h"
#include "benchtest/bench_run_observer.h"
#include "benchtest/junit_report.h"
#include "commands/command_table.h"
#include "decode/parameter_table.h"
#include "health/link_health.h"
#include "link/frame.h"
#include "link/transmit_queue.h"
#include "session/console_session.h"

namespace tresvik {
namespace {

using std::chrono::milliseconds;

const ArrivalTime kOpen = ArrivalTime{} + std::chrono::hours(1);
// The run starts a second after the port opened; times below count from the run's start.
const ArrivalTime kStart = kOpen + std::chrono::seconds(1);

ArrivalTime at(int ms) {
    return kStart + milliseconds(ms);
}

// Row 25 of the Tx window sets the speed limit and the unit reports it back under the same
// identifier.
constexpr int kSpeedLimitRow = 25;

Bytes readBackFrame(int commandRow, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    return makeFrame(
        tresvik::commandRow(commandRow).messageId,
        {0, 0, static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
         static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)});
}

int firstNumericRow() {
    for (int row = 0; row < kParameterCount; ++row) {
        if (parameterRow(row).formatCode == FormatCode::Numeric) {
            return row;
        }
    }
    return -1;
}

Bytes reportFrame(int row, std::int32_t raw) {
    const auto bits = static_cast<std::uint32_t>(raw);
    return makeFrame(
        parameterRow(row).messageId,
        {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
         static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)});
}

Bytes damaged(Bytes frame) {
    frame.back() ^= 0x5A;
    return frame;
}

struct Recorder : BenchLink, BenchRunObserver {
    void requestDrainReport() override { ++drainRequests; }
    void stepFinished(int test, int step, const StepResult& result) override {
        finished.push_back({test, step, result.state});
    }
    void warning(const std::string& text) override { warnings.push_back(text); }
    void runFinished() override { ++runsFinished; }

    struct Finished {
        int test;
        int step;
        StepState state;
        friend bool operator==(const Finished&, const Finished&) = default;
    };
    int drainRequests = 0;
    std::vector<Finished> finished;
    std::vector<std::string> warnings;
    int runsFinished = 0;
};

// A console session with a run listening, fed the unit's bytes at explicit times.
struct Bench {
    explicit Bench(BenchSuite s) : suite(std::move(s)) {
        session.addListener(health);
        session.linkOpened(kOpen, {});
        runner = std::make_unique<SuiteRunner>(suite, session.frameWriter(), recorder, health,
                                               recorder, SuiteRunner::Settings{});
        session.addListener(*runner);
    }
    void receive(const Bytes& bytes, int ms) { session.receive(ReceivedBytes(bytes, at(ms))); }
    // Bytes that straddle a moment: the first `split` at `firstMs`, the rest at `restMs`.
    void receiveSplit(const Bytes& bytes, std::size_t split, int firstMs, int restMs) {
        receive(Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(split)), firstMs);
        receive(Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(split), bytes.end()), restMs);
    }
    const StepResult& result(int test = 0, int step = 0) const {
        return runner->result(test, step);
    }

    BenchSuite suite;
    TransmitQueue queue;
    std::atomic<bool> portOpen{true};
    ConsoleSession session{queue, portOpen, {.trafficLog = false, .idLog = false}};
    LinkHealth health;
    Recorder recorder;
    std::unique_ptr<SuiteRunner> runner;
};

BenchStep speedLimitStep(int timeoutMs, const char* expectedText = "90") {
    BenchStep step;
    step.name = "set 90";
    step.send = SendCommand{kSpeedLimitRow, u"90"};
    Expectation readBack;
    readBack.kind = ExpectReadBack{kSpeedLimitRow, std::string(expectedText)};
    step.expectations.push_back(std::move(readBack));
    step.timeout = milliseconds(timeoutMs);
    return step;
}

BenchSuite oneStep(BenchStep step) {
    return {"suite", {{"test", {std::move(step)}, {}}}};
}

// When the answer comes, against a 500 ms time-out whose clock starts when the send has left the
// port 20 ms after the run started.
struct AnswerCase {
    const char* name;
    int firstByteMs;
    int lastByteMs;
    // When the verdict is looked for, after the answer was handed on.
    int lookMs;
    StepState state;
    std::optional<int> latencyMs;
};

class AnswerTiming : public testing::TestWithParam<AnswerCase> {};

TEST_P(AnswerTiming, AStepIsTimedFromTheDrainToTheAnswersLastByte) {
    const AnswerCase& c = GetParam();
    Bench bench(oneStep(speedLimitStep(500)));
    bench.runner->start(at(0), {});
    ASSERT_EQ(bench.recorder.drainRequests, 1);
    // The request went out through the console's writer: a value frame for the speed limit.
    const Bytes queued = bench.queue.takeAll();
    ASSERT_FALSE(queued.empty());
    EXPECT_EQ(frame::id(queued), commandRow(kSpeedLimitRow).messageId);

    const Bytes answer = readBackFrame(kSpeedLimitRow, 90);
    const bool beforeDrain = c.lastByteMs < 20;
    if (!beforeDrain) {
        bench.runner->sendDrained(at(20));
    }
    bench.receiveSplit(answer, 3, c.firstByteMs, c.lastByteMs);
    if (beforeDrain) {
        bench.runner->sendDrained(at(20));
    }
    bench.runner->advance(at(c.lookMs));
    EXPECT_EQ(bench.result().state, c.state);
    if (c.latencyMs) {
        ASSERT_TRUE(bench.result().latency.has_value());
        EXPECT_EQ(*bench.result().latency, milliseconds(*c.latencyMs));
    } else {
        EXPECT_FALSE(bench.result().latency.has_value());
    }
    EXPECT_EQ(bench.runner->finished(), c.state != StepState::Running);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AnswerTiming,
    testing::Values(
        // Armed before the send: an answer while the request is still leaving is caught.
        AnswerCase{"BeforeTheSendCompletes", 5, 10, 30, StepState::Passed, 0},
        AnswerCase{"Promptly", 40, 52, 60, StepState::Passed, 32},
        // The last byte at the deadline is in time; a millisecond later is not.
        AnswerCase{"AtTheDeadline", 510, 520, 700, StepState::Passed, 500},
        AnswerCase{"JustPastTheDeadline", 515, 521, 700, StepState::Failed, std::nullopt},
        // The verdict waits for bytes still on their way through the receive queue.
        AnswerCase{"NeverButTheVerdictWaits", 5000, 5001, 669, StepState::Running, std::nullopt},
        AnswerCase{"Never", 5000, 5001, 670, StepState::Failed, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SuiteRunner, AFrameThatBeganBeforeTheStepArmedMeetsNothing) {
    Bench bench(oneStep(speedLimitStep(500)));
    const Bytes answer = readBackFrame(kSpeedLimitRow, 90);
    // The first bytes came just before the step, the rest after: an old report, not the answer.
    bench.receive(Bytes(answer.begin(), answer.begin() + 2), -1);
    bench.runner->start(at(0), {});
    bench.receive(Bytes(answer.begin() + 2, answer.end()), 1);
    bench.runner->sendDrained(at(20));
    bench.runner->advance(at(700));
    EXPECT_EQ(bench.result().state, StepState::Failed);
}

TEST(SuiteRunner, AFailureReportSaysWhatWasExpectedWhatCameAndWhatTheLineCarried) {
    Bench bench(oneStep(speedLimitStep(500, "95")));
    bench.runner->start(at(0), {});
    bench.runner->sendDrained(at(20));
    bench.receive(readBackFrame(kSpeedLimitRow, 90), 60);
    bench.runner->advance(at(700));
    const StepResult& r = bench.result();
    ASSERT_EQ(r.state, StepState::Failed);
    EXPECT_NE(r.message.find("timed out after 500 ms"), std::string::npos) << r.message;
    EXPECT_NE(r.expected.find("showing \"95\""), std::string::npos) << r.expected;
    EXPECT_NE(r.arrived.find("\"90\""), std::string::npos) << r.arrived;
    // Both directions, the answer decoded.
    EXPECT_NE(r.traffic.find(" TX C7 "), std::string::npos) << r.traffic;
    EXPECT_NE(r.traffic.find(" = 90"), std::string::npos) << r.traffic;
    EXPECT_NE(r.counters.find("good"), std::string::npos) << r.counters;
    const std::string xml = junitReport(*bench.runner, "bench");
    EXPECT_NE(xml.find("<failure message=\"step 'set 90' of 'test': timed out"), std::string::npos)
        << xml;
    EXPECT_EQ(bench.runner->verdict(), RunVerdict::Failed);
}

// Constraints that break while a 3 s wait runs, and what the step then reports.
struct ConstraintCase {
    const char* name;
    ConstraintKind constraint;
    // What the unit sends 300 ms into the wait; nothing when empty.
    Bytes traffic;
    int lookMs;
    StepState state;
    const char* message;
};

class Constraints : public testing::TestWithParam<ConstraintCase> {};

TEST_P(Constraints, ABrokenConstraintIsItsOwnVerdict) {
    const ConstraintCase& c = GetParam();
    BenchStep wait;
    wait.name = "quiet";
    wait.wait = milliseconds(3000);
    wait.constraints.push_back({c.constraint, {}});
    Bench bench(oneStep(wait));
    // The unit had been reporting every 100 ms.
    for (int ms = -900; ms <= 0; ms += 100) {
        bench.receive(reportFrame(firstNumericRow(), 10), ms);
    }
    bench.runner->start(at(0), {});
    if (!c.traffic.empty()) {
        bench.receive(c.traffic, 300);
    }
    bench.runner->advance(at(c.lookMs));
    EXPECT_EQ(bench.result().state, c.state);
    EXPECT_NE(bench.result().message.find(c.message), std::string::npos) << bench.result().message;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Constraints,
    testing::Values(
        ConstraintCase{"ChecksumError", NoChecksumErrors{},
                       damaged(reportFrame(firstNumericRow(), 1)), 400, StepState::Broken,
                       "no checksum errors"},
        ConstraintCase{"ValueLeavesItsRange", ValueStaysInRange{firstNumericRow(), {0, 100}},
                       reportFrame(firstNumericRow(), 10'000'000), 400, StepState::Broken,
                       "stays within"},
        ConstraintCase{"ValueStaysInItsRange", ValueStaysInRange{firstNumericRow(), {0, 100}},
                       reportFrame(firstNumericRow(), 0), 3150, StepState::Passed, ""},
        // Quiet for 2 s after the last good frame: stale, well before the wait ends.
        ConstraintCase{"LinkGoesQuiet", LinkNotStale{}, {}, 1999, StepState::Running, ""},
        ConstraintCase{
            "LinkStaysQuiet", LinkNotStale{}, {}, 2001, StepState::Broken, "link not stale"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SuiteRunner, AFailedStepSkipsTheRestOfItsTestAndTheNextTestRuns) {
    BenchStep quick;
    quick.name = "wait";
    quick.wait = milliseconds(0);
    BenchSuite suite{"suite",
                     {{"first", {speedLimitStep(100), quick}, {}}, {"second", {quick}, {}}}};
    Bench bench(suite);
    bench.runner->start(at(0), {});
    bench.runner->sendDrained(at(10));
    bench.runner->advance(at(500));
    bench.runner->advance(at(501));
    bench.runner->advance(at(800));
    EXPECT_EQ(bench.result(0, 0).state, StepState::Failed);
    EXPECT_EQ(bench.result(0, 1).state, StepState::Skipped);
    EXPECT_EQ(bench.result(1, 0).state, StepState::Passed);
    EXPECT_EQ(bench.runner->verdict(), RunVerdict::Failed);
    EXPECT_EQ(bench.recorder.runsFinished, 1);
}

TEST(SuiteRunner, AnAbortedRunEndsAtOnceWithEveryStepAccountedFor) {
    BenchSuite suite{"suite",
                     {{"first", {speedLimitStep(500)}, {}}, {"second", {speedLimitStep(500)}, {}}}};
    Bench bench(suite);
    bench.runner->start(at(0), {});
    bench.runner->sendDrained(at(10));
    bench.session.linkClosed(at(50));
    EXPECT_EQ(bench.runner->verdict(), RunVerdict::Infrastructure);
    EXPECT_EQ(bench.result(0, 0).state, StepState::Aborted);
    EXPECT_EQ(bench.result(1, 0).state, StepState::Skipped);
    // Every step is told of once, in order.
    const std::vector<Recorder::Finished> told{{0, 0, StepState::Aborted},
                                               {1, 0, StepState::Skipped}};
    EXPECT_EQ(bench.recorder.finished, told);
    const std::string xml = junitReport(*bench.runner, "bench");
    EXPECT_NE(xml.find("<error message=\"step 'set 90' of 'first': the port closed"),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("<skipped"), std::string::npos) << xml;
}

TEST(SuiteRunner, ATimeOutShorterThanTheLineAllowsIsWarnedOfOnce) {
    Bench bench(oneStep(speedLimitStep(20)));
    bench.runner->start(at(0), {});
    ASSERT_EQ(bench.recorder.warnings.size(), 1U);
    EXPECT_NE(bench.recorder.warnings[0].find("'set 90' of 'test'"), std::string::npos);
    // Request and answer, 11 bytes each at 960 bytes/s, and the adapter's 16 ms.
    EXPECT_NE(bench.recorder.warnings[0].find("38.9 ms"), std::string::npos)
        << bench.recorder.warnings[0];
}

}  // namespace
}  // namespace tresvik
