#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace tresvik {

// Where a step stands: waiting its turn, running, or with its verdict.
enum class StepState { Waiting, Running, Passed, Failed, Broken, Aborted, Skipped };

// What a step found. A failure (an expectation not met in time) and a broken constraint are
// told apart; Aborted is a fault outside the unit (the port went away, the run was stopped), and
// Skipped a step after a failed one of the same test, or of a test the run never reached.
struct StepResult {
    StepState state = StepState::Waiting;
    // From the moment the send's last byte left the port to the arrival of the last byte of the
    // frame that met the last expectation; nothing for a step that sends nothing or expects
    // nothing.
    std::optional<std::chrono::microseconds> latency;
    // How long the step ran, send to verdict.
    std::chrono::microseconds duration{};
    // One line: what went wrong.
    std::string message;
    // The detail of a failure, each part a few lines: what was expected, what arrived, the last
    // seconds of traffic and the link's counters at that moment.
    std::string expected;
    std::string arrived;
    std::string traffic;
    std::string counters;
};

}  // namespace tresvik
