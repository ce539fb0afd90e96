#include "benchtest/junit_report.h"

#include <cstdio>
#include <ctime>

#include "benchtest/latency_summary.h"
#include "benchtest/suite_runner.h"

namespace tresvik {

namespace {

std::string seconds(std::chrono::microseconds time) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(time.count()) / 1e6);
    return text;
}

std::string milliseconds(std::chrono::microseconds time) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(time.count()) / 1e3);
    return text;
}

// Text for an attribute or element: markup characters escaped, and the control characters XML
// cannot carry at all replaced, so that a value text full of them still gives a readable file.
std::string xmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t' && c != '\r') {
                    out += '?';
                } else {
                    out += c;
                }
        }
    }
    return out;
}

std::string timestamp(std::chrono::system_clock::time_point at) {
    const std::time_t t = std::chrono::system_clock::to_time_t(at);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &t);
#else
    gmtime_r(&t, &utc);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    return text;
}

const char* stateWord(StepState state) {
    switch (state) {
        case StepState::Waiting:
            return "WAIT";
        case StepState::Running:
            return "RUN";
        case StepState::Passed:
            return "PASS";
        case StepState::Failed:
            return "FAIL";
        case StepState::Broken:
            return "BROKEN";
        case StepState::Aborted:
            return "ABORTED";
        case StepState::Skipped:
            return "SKIP";
    }
    return "";
}

struct TestOutcome {
    // The step that decided the test, if one did other than by passing.
    int decidingStep = -1;
    StepState state = StepState::Passed;
};

TestOutcome outcomeOf(const SuiteRunner& run, int test) {
    const auto& steps = run.suite().tests[static_cast<std::size_t>(test)].steps;
    TestOutcome outcome;
    bool anyRan = false;
    for (std::size_t s = 0; s < steps.size(); ++s) {
        const StepResult& r = run.result(test, static_cast<int>(s));
        anyRan = anyRan || r.state != StepState::Skipped;
        if (r.state == StepState::Failed || r.state == StepState::Broken ||
            r.state == StepState::Aborted) {
            return {static_cast<int>(s), r.state};
        }
    }
    if (!anyRan) {
        outcome.state = StepState::Skipped;
    }
    return outcome;
}

}  // namespace

std::string stepLine(const SuiteRunner& run, int test, int step) {
    const StepResult& r = run.result(test, step);
    std::string line = std::string(stateWord(r.state)) + " " + run.stepTitle(test, step);
    if (r.state == StepState::Skipped || r.state == StepState::Waiting) {
        return line;
    }
    line += " in " + milliseconds(r.duration) + " ms";
    if (r.latency) {
        line += " (latency " + milliseconds(*r.latency) + " ms)";
    }
    if (!r.message.empty()) {
        line += ": " + r.message;
    }
    return line;
}

std::string stepDetail(const SuiteRunner& run, int test, int step) {
    const StepResult& r = run.result(test, step);
    std::string text = "step " + run.stepTitle(test, step) + ": " + r.message + "\n";
    if (!r.expected.empty()) {
        text += "\nExpected:\n" + r.expected;
    }
    if (!r.arrived.empty()) {
        text += "\nArrived:\n" + r.arrived;
    }
    text += "\nTraffic before the verdict:\n" +
            (r.traffic.empty() ? std::string("(none)\n") : r.traffic);
    text += "\nLink counters: " + r.counters + "\n";
    return text;
}

std::string junitReport(const SuiteRunner& run, std::string_view hostName) {
    const BenchSuite& suite = run.suite();
    int failures = 0;
    int errors = 0;
    int skipped = 0;
    std::string cases;
    for (std::size_t t = 0; t < suite.tests.size(); ++t) {
        const int test = static_cast<int>(t);
        const TestOutcome outcome = outcomeOf(run, test);
        cases += "    <testcase name=\"" + xmlText(suite.tests[t].name) + "\" classname=\"" +
                 xmlText(suite.name) + "\" time=\"" + seconds(run.testDuration(test)) + "\">\n";
        if (outcome.state == StepState::Skipped) {
            ++skipped;
            cases += "      <skipped message=\"the run ended before this test\"/>\n";
        } else if (outcome.decidingStep >= 0) {
            const StepResult& r = run.result(test, outcome.decidingStep);
            const bool error = outcome.state == StepState::Aborted;
            (error ? errors : failures) += 1;
            const char* element = error ? "error" : "failure";
            const char* type = error                                ? "infrastructure"
                               : outcome.state == StepState::Broken ? "constraint"
                                                                    : "timeout";
            cases +=
                std::string("      <") + element + " message=\"" +
                xmlText("step " + run.stepTitle(test, outcome.decidingStep) + ": " + r.message) +
                "\" type=\"" + type + "\">" + xmlText(stepDetail(run, test, outcome.decidingStep)) +
                "</" + element + ">\n";
        }
        std::string out;
        for (std::size_t s = 0; s < suite.tests[t].steps.size(); ++s) {
            out += stepLine(run, test, static_cast<int>(s)) + "\n";
        }
        cases += "      <system-out>" + xmlText(out) + "</system-out>\n";
        cases += "    </testcase>\n";
    }
    const LatencySummary latency = summarizeLatencies(runLatencies(run));
    const std::string counts = "tests=\"" + std::to_string(suite.tests.size()) + "\" failures=\"" +
                               std::to_string(failures) + "\" errors=\"" + std::to_string(errors) +
                               "\" skipped=\"" + std::to_string(skipped) + "\" time=\"" +
                               seconds(run.runDuration()) + "\"";
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    xml += "<testsuites name=\"" + xmlText(suite.name) + "\" " + counts + ">\n";
    xml += "  <testsuite name=\"" + xmlText(suite.name) + "\" " + counts + " timestamp=\"" +
           timestamp(run.startedUtc()) + "\" hostname=\"" + xmlText(hostName) + "\">\n";
    xml += "    <properties>\n";
    auto property = [&](const std::string& name, const std::string& value) {
        xml += "      <property name=\"" + name + "\" value=\"" + value + "\"/>\n";
    };
    property("latency.steps", std::to_string(latency.count));
    if (latency.count > 0) {
        property("latency.min.ms", milliseconds(latency.min));
        property("latency.median.ms", milliseconds(latency.median));
        property("latency.p95.ms", milliseconds(latency.p95));
        property("latency.max.ms", milliseconds(latency.max));
    }
    xml += "    </properties>\n";
    xml += cases;
    xml += "  </testsuite>\n</testsuites>\n";
    return xml;
}

}  // namespace tresvik
