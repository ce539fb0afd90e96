#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

// tresvik-cli test against tresvik-sim, each in its own process on one pseudo-terminal at the
// unit's line rate, with the example suites as an engineer would run them.
namespace tresvik {
namespace {

using test::ChildProcess;
using test::TempFolder;

constexpr int kTimeoutMs = 90000;

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class BenchTestEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.valid()); }

    void startUnit(std::vector<std::string> args = {}) {
        ASSERT_TRUE(
            m_unit.start(TRESVIK_SIM_PATH, args, {"XDG_RUNTIME_DIR=" + m_folder.path().string()}));
        const std::optional<std::string> line = m_unit.readLine(kTimeoutMs);
        ASSERT_TRUE(line && line->starts_with("port: ")) << m_unit.errors();
        m_port = line->substr(6);
    }

    // Starts `tresvik-cli test` on example `suite` with a JUnit report and a recording.
    void startRun(const std::string& suite, const std::string& port) {
        ASSERT_TRUE(m_run.start(TRESVIK_CLI_PATH,
                                {"test", std::string(TRESVIK_EXAMPLES_DIR) + "/" + suite, "--port",
                                 port, "--junit", junit().string(), "--record", record().string()},
                                {"XDG_RUNTIME_DIR=" + m_folder.path().string()}));
    }

    std::filesystem::path junit() const { return m_folder.path() / "report.xml"; }
    std::filesystem::path record() const { return m_folder.path() / "run.rec"; }

    // The report is what CI servers read: it must hold to their schema.
    void expectValidReport() {
        ChildProcess lint;
        ASSERT_TRUE(lint.start("/usr/bin/xmllint",
                               {"--noout", "--schema", TRESVIK_JUNIT_SCHEMA, junit().string()}));
        EXPECT_TRUE(lint.waitForExit(kTimeoutMs)) << lint.errors() << fileText(junit());
    }

    TempFolder m_folder{"tresvik-bench"};
    ChildProcess m_unit;
    ChildProcess m_run;
    std::string m_port;
};

TEST_F(BenchTestEndToEnd, TheSmokeSuitePassesAndItsReportAndRecordingHoldUp) {
    startUnit();
    startRun("smoke.json", m_port);
    EXPECT_TRUE(m_run.waitForExit(kTimeoutMs, 0)) << m_run.errors();
    const std::string progress = m_run.errors();
    EXPECT_TRUE(has(progress, "suite 'Smoke': passed")) << progress;
    EXPECT_TRUE(has(progress, "latency over 4 steps")) << progress;
    expectValidReport();
    const std::string report = fileText(junit());
    EXPECT_TRUE(has(report, "tests=\"3\" failures=\"0\" errors=\"0\"")) << report;

    // The recording is one the console's own tools read back, with the read-backs in it.
    ChildProcess decode;
    ASSERT_TRUE(
        decode.start(TRESVIK_CLI_PATH, {"decode", "--recording", "--events", record().string()}));
    EXPECT_TRUE(decode.waitForExit(kTimeoutMs)) << decode.errors();
    EXPECT_TRUE(has(decode.output(), "TX\t25\t1\t90")) << decode.output().substr(0, 2000);
}

TEST_F(BenchTestEndToEnd, TheFailingSuiteSaysWhatWentWrong) {
    startUnit();
    startRun("failing.json", m_port);
    EXPECT_TRUE(m_run.waitForExit(kTimeoutMs, 1)) << m_run.errors();
    const std::string progress = m_run.errors();
    EXPECT_TRUE(has(progress, "FAIL 'set 80, expect 95'")) << progress;
    EXPECT_TRUE(has(progress, "SKIP 'never reached'")) << progress;
    expectValidReport();
    const std::string report = fileText(junit());
    EXPECT_TRUE(has(report, "failures=\"2\"")) << report;
    // Expected, arrived, the traffic with its decoded values, and the counters.
    EXPECT_TRUE(has(report, "showing &quot;95&quot; within 500 ms")) << report;
    EXPECT_TRUE(has(report, "&quot;80&quot;")) << report;
    EXPECT_TRUE(has(report, " TX C7 01 48 06")) << report;
    EXPECT_TRUE(has(report, "RPM = ")) << report;
    EXPECT_TRUE(has(report, "Link counters: ")) << report;
}

TEST_F(BenchTestEndToEnd, ChecksumErrorsOnTheLineBreakTheCleanLineConstraint) {
    startUnit({"--crc-errors", "0.2", "--seed", "3"});
    startRun("smoke.json", m_port);
    EXPECT_TRUE(m_run.waitForExit(kTimeoutMs, 1)) << m_run.errors();
    EXPECT_TRUE(has(m_run.errors(), "BROKEN '10 s without a damaged frame' of 'Line stays clean'"))
        << m_run.errors();
    EXPECT_TRUE(has(fileText(junit()), "type=\"constraint\"")) << fileText(junit());
}

TEST_F(BenchTestEndToEnd, AMissingPortIsAnInfrastructureFault) {
    startRun("smoke.json", (m_folder.path() / "ttyUSB9").string());
    EXPECT_TRUE(m_run.waitForExit(kTimeoutMs, 2)) << m_run.errors();
    EXPECT_TRUE(has(m_run.errors(), "cannot open")) << m_run.errors();
    expectValidReport();
    EXPECT_TRUE(has(fileText(junit()), "type=\"infrastructure\"")) << fileText(junit());
}

// Once the first test has passed, the run is cut short: the unit dies, or the user presses Ctrl+C.
struct CutShort {
    const char* name;
    bool killUnit;
    const char* reason;
};

class RunCutShort : public BenchTestEndToEnd, public ::testing::WithParamInterface<CutShort> {};

TEST_P(RunCutShort, EndsTheRunAtOnceWithAPartialReport) {
    startUnit();
    startRun("smoke.json", m_port);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!has(m_run.errors(), "PASS 'ask for it'") &&
           std::chrono::steady_clock::now() < deadline) {
        ASSERT_TRUE(m_run.collect(50)) << m_run.errors();
    }
    ASSERT_TRUE(GetParam().killUnit ? m_unit.signal(SIGKILL) : m_run.signal(SIGINT));
    EXPECT_TRUE(m_run.waitForExit(kTimeoutMs, 2)) << m_run.errors();
    EXPECT_TRUE(has(m_run.errors(), GetParam().reason)) << m_run.errors();
    expectValidReport();
    const std::string report = fileText(junit());
    EXPECT_TRUE(has(report, "errors=\"1\"")) << report;
    EXPECT_TRUE(has(report, "PASS 'ask for it'")) << report;
}

INSTANTIATE_TEST_SUITE_P(Table, RunCutShort,
                         ::testing::Values(CutShort{"UnitDies", true, "ABORTED"},
                                           CutShort{"CtrlC", false, "stopped by the user"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BenchTestEndToEnd, ARefusedFileSendsNothing) {
    const std::filesystem::path bad = m_folder.path() / "bad.json";
    std::ofstream(bad) << "{\n  \"suite\": \"x\",\n  \"tests\": [ { \"name\": \"t\", \"steps\": [\n"
                          "    { \"send\": { \"button\": \"STARTENGINE\" } } ] } ]\n}\n";
    ChildProcess run;
    ASSERT_TRUE(run.start(TRESVIK_CLI_PATH, {"test", bad.string(), "--port", "/dev/null"}));
    EXPECT_TRUE(run.waitForExit(kTimeoutMs, 2)) << run.errors();
    EXPECT_TRUE(has(run.errors(), bad.string() + ":4:")) << run.errors();
}

}  // namespace
}  // namespace tresvik
