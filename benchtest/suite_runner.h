#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "benchtest/bench_suite.h"
#include "benchtest/step_result.h"
#include "benchtest/traffic_window.h"
#include "decode/console_listener.h"
#include "link/line_rate.h"

namespace tresvik {

class BenchLink;
class BenchRunObserver;
class FrameWriter;
class LinkHealth;

// How a whole run ended: every test passed; a test failed or broke a constraint; or the run could
// not finish for a reason outside the unit (the port went away, the run was stopped).
enum class RunVerdict { Running, Passed, Failed, Infrastructure };

// Runs a bench test suite over the console's session: sends through the frame writer, as the
// console's own windows do, and listens to the session for the answers.
//
// Every expectation of a step is armed before the step sends anything, so an answer that comes
// while the request is still on its way out is caught. The time-out runs from the moment the
// link reports the send drained from the port; a match counts when its frame's last byte arrived
// by the deadline, whenever the receive queue gets round to handing it on. A frame whose first
// byte arrived before the step armed is older than the step and meets nothing.
//
// The clock is whatever the caller passes in, so a test drives time itself. Like the session, it
// lives on the thread that feeds the session; a step that ends inside an event starts the next
// one at the following advance(), never from within the receive path.
class SuiteRunner : public ConsoleListener {
public:
    struct Settings {
        int baudRate = kUnitBaudRate;
        // How long a USB adapter holds received bytes before it hands them on.
        std::chrono::milliseconds adapterLatency{16};
        // How long after a deadline the verdict waits for bytes that arrived in time but are
        // still on their way through the receive queue (handed on every 50 ms).
        std::chrono::milliseconds verdictDelay{150};
        // How much traffic a failure report shows.
        std::chrono::seconds trafficKept{2};
    };

    SuiteRunner(const BenchSuite& suite, FrameWriter& writer, BenchLink& link,
                const LinkHealth& health, BenchRunObserver& observer, Settings settings);
    SuiteRunner(const SuiteRunner&) = delete;
    SuiteRunner& operator=(const SuiteRunner&) = delete;
    ~SuiteRunner() override;

    // Warns of time-outs shorter than the line allows, then runs the first step.
    void start(ArrivalTime now, std::chrono::system_clock::time_point utcNow);
    // The bytes the current step sent have left the port.
    void sendDrained(ArrivalTime at);
    // Time has moved on: time-outs, waits, a stale link, the next step.
    void advance(ArrivalTime now);
    // Ends the run at once with `reason`: the current step is aborted, the rest skipped.
    void abort(const std::string& reason, ArrivalTime now);

    bool finished() const { return m_verdict != RunVerdict::Running; }
    RunVerdict verdict() const { return m_verdict; }
    const BenchSuite& suite() const { return m_suite; }
    const StepResult& result(int test, int step) const;
    std::chrono::system_clock::time_point startedUtc() const { return m_startUtc; }
    // The time a test's steps took, each from its start to its verdict.
    std::chrono::microseconds testDuration(int test) const;
    // From the start to the end of the run (or to now while it runs).
    std::chrono::microseconds runDuration() const;

    // The step's display name with its test: "'set 90' of 'Speed limit reads back'".
    std::string stepTitle(int test, int step) const;
    // What each expectation and constraint means, in words.
    static std::string describe(const Expectation& expectation);
    static std::string describe(const Constraint& constraint);

    void portClosed(ArrivalTime at) override;
    void frameReceived(const ReceivedFrame& frame) override;
    void checksumError(const ReceivedFrame& frame) override;
    void byteDiscarded(std::uint8_t byte, ArrivalTime arrival) override;
    void parameterChanged(const ParameterUpdate& update) override;
    void readBackReceived(const ReadBack& readBack) override;
    void frameSent(ByteView frame) override;
    void wakeUpSent() override;

private:
    enum class Phase { Idle, Sending, Timing, Done };
    struct Watch {
        // The last byte of the frame that met the expectation.
        std::optional<ArrivalTime> metAt;
        // What came instead, for the report.
        std::string seen;
    };

    const BenchStep& step() const;
    StepResult& currentResult();
    void startStep(ArrivalTime now);
    void send(const Send& send);
    // A frame belongs to the step when its first byte came after the step armed.
    bool belongsToStep(ArrivalTime frameStart) const;
    void met(std::size_t expectation, ArrivalTime frameEnd);
    void seen(std::size_t expectation, std::string text);
    void breakConstraint(const Constraint& constraint, const std::string& what, ArrivalTime at);
    void checkDone();
    void finishStep(StepState state, std::string message, ArrivalTime at);
    void fillDetail(StepResult& result, ArrivalTime at) const;
    void nextStep();
    void warnOfShortTimeouts();
    std::chrono::nanoseconds wireTime(const BenchStep& step) const;

    const BenchSuite& m_suite;
    FrameWriter& m_writer;
    BenchLink& m_link;
    const LinkHealth& m_health;
    BenchRunObserver& m_observer;
    const Settings m_settings;

    std::vector<std::vector<StepResult>> m_results;
    RunVerdict m_verdict = RunVerdict::Running;
    ArrivalTime m_start{};
    ArrivalTime m_now{};
    std::chrono::system_clock::time_point m_startUtc{};
    ArrivalTime m_end{};

    int m_test = 0;
    int m_step = 0;
    Phase m_phase = Phase::Idle;
    // The step is over and the next starts at the following advance().
    bool m_stepOver = false;
    ArrivalTime m_armedAt{};
    ArrivalTime m_clockStart{};
    std::vector<Watch> m_watches;
    // The arrival of the first and last byte of the frame whose events are being told.
    ArrivalTime m_frameStart{};
    ArrivalTime m_frameEnd{};
    TrafficWindow m_traffic;
};

}  // namespace tresvik
