#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "decode/parameter_table.h"
#include "link/crc8.h"
#include "link/frame_writer.h"
#include "tests/support/child_process.h"

// tresvik-sim and tresvik-cli as separate processes on one pseudo-terminal, at the unit's line
// rate: what the simulated unit says it sent is what the console decodes.
namespace tresvik {
namespace {

using test::ChildProcess;

constexpr int kTimeoutMs = 60000;
// How often the monitor's output and the unit's trace are looked at.
constexpr int kCheckMs = 100;
constexpr int kSetSpeedLimitRow = 25;
constexpr int kGetSpeedLimitRow = 26;
constexpr std::uint16_t kSpeedLimitId = 0x4801;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The bytes of every line that is `kind`, a space or TAB, and bytes ("C7 01 ...").
std::multiset<std::string> framesOf(const std::vector<std::string>& lines,
                                    const std::string& kind) {
    std::multiset<std::string> frames;
    for (const std::string& line : lines) {
        if (line.size() > kind.size() && line.starts_with(kind) &&
            (line[kind.size()] == ' ' || line[kind.size()] == '\t')) {
            frames.insert(line.substr(kind.size() + 1));
        }
    }
    return frames;
}

std::string hexOf(Bytes frame) {
    frame.push_back(Crc8::compute(frame));
    std::string text;
    for (const std::uint8_t b : frame) {
        char pair[4];
        std::snprintf(pair, sizeof pair, text.empty() ? "%02X" : " %02X", b);
        text += pair;
    }
    return text;
}

// Parameter rows that `monitor --events` showed a value for ("CELL<TAB>item<TAB>column<TAB>text").
std::set<int> rowsWithValues(const std::vector<std::string>& lines) {
    std::set<int> rows;
    for (const std::string& line : lines) {
        int item = 0;
        int column = 0;
        char text = 0;
        if (std::sscanf(line.c_str(), "CELL\t%d\t%d\t%c", &item, &column, &text) == 3) {
            rows.insert(rowAt(item, column));
        }
    }
    return rows;
}

// Each test runs its programs with a runtime folder of its own, so that simulated units of other
// runs are neither listed nor disturbed.
class LinkEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tresvik-e2e-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_runtime = pattern;
        m_trace = m_runtime / "trace.txt";
    }
    void TearDown() override { std::filesystem::remove_all(m_runtime); }

    bool start(ChildProcess& program, const char* path, const std::vector<std::string>& args) {
        return program.start(path, args, {"XDG_RUNTIME_DIR=" + m_runtime.string()});
    }

    // Starts the simulated unit with a trace and reads the port it prints first.
    void startUnit(std::vector<std::string> args) {
        args.insert(args.end(), {"--trace", m_trace.string()});
        ASSERT_TRUE(start(m_unit, TRESVIK_SIM_PATH, args));
        const std::optional<std::string> line = m_unit.readLine(kTimeoutMs);
        ASSERT_TRUE(line && line->starts_with("port: ")) << m_unit.errors();
        m_port = line->substr(6);
    }

    void stopUnit() {
        ASSERT_TRUE(m_unit.signal(SIGTERM));
        EXPECT_TRUE(m_unit.waitForExit(kTimeoutMs)) << m_unit.errors();
    }

    std::vector<std::string> trace() const {
        std::ifstream in(m_trace);
        std::stringstream text;
        text << in.rdbuf();
        return linesOf(text.str());
    }

    // Runs `monitor --events` until the unit has sent its last report cycle and the console has
    // received as many good frames as the unit sent intact; returns what monitor printed.
    std::vector<std::string> monitorUntilDone() {
        ChildProcess monitor;
        EXPECT_TRUE(start(monitor, TRESVIK_CLI_PATH, {"monitor", m_port, "--events"}));
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
        for (;;) {
            const bool running = monitor.collect(kCheckMs);
            const std::vector<std::string> sent = trace();
            const bool done =
                contains(sent, "DONE") &&
                framesOf(linesOf(monitor.output()), "RX").size() >= framesOf(sent, "TX").size();
            if (done || !running || std::chrono::steady_clock::now() > deadline) {
                break;
            }
        }
        EXPECT_TRUE(monitor.signal(SIGTERM));
        EXPECT_TRUE(monitor.waitForExit(kTimeoutMs)) << monitor.errors();
        stopUnit();
        return linesOf(monitor.output());
    }

    // Runs `send` to the end; returns what it printed.
    std::vector<std::string> send(const std::vector<std::string>& rowAndText) {
        ChildProcess program;
        std::vector<std::string> args{"send", m_port};
        args.insert(args.end(), rowAndText.begin(), rowAndText.end());
        EXPECT_TRUE(start(program, TRESVIK_CLI_PATH, args));
        EXPECT_TRUE(program.waitForExit(kTimeoutMs)) << program.errors();
        return linesOf(program.output());
    }

    std::filesystem::path m_runtime;
    std::filesystem::path m_trace;
    ChildProcess m_unit;
    std::string m_port;
};

TEST_F(LinkEndToEnd, EveryParameterRowGetsAValueWithinTwoReportCyclesAtTheLineRate) {
    startUnit({"--cycles", "2", "--period", "200"});
    const std::vector<std::string> out = monitorUntilDone();
    const std::vector<std::string> sent = trace();

    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.front(), "OPEN");
    EXPECT_EQ(out.back(), "CLOSED");
    EXPECT_TRUE(contains(sent, "CYCLE 1"));
    EXPECT_FALSE(contains(sent, "CYCLE 2"));
    const std::set<int> rows = rowsWithValues(out);
    EXPECT_EQ(rows.size(), static_cast<std::size_t>(kParameterCount));
    EXPECT_FALSE(rows.contains(-1));
    EXPECT_EQ(framesOf(out, "RX"), framesOf(sent, "TX"));
    EXPECT_TRUE(framesOf(out, "CRC").empty());
}

TEST_F(LinkEndToEnd, EveryFrameSentIntactIsDecodedThroughNoiseAndDamagedChecksums) {
    startUnit({"--cycles", "3", "--period", "200", "--seed", "42", "--crc-errors", "0.05",
               "--noise", "0.05"});
    const std::vector<std::string> out = monitorUntilDone();
    const std::vector<std::string> sent = trace();

    const std::multiset<std::string> damaged = framesOf(sent, "TX-CRC");
    EXPECT_FALSE(damaged.empty());
    EXPECT_FALSE(framesOf(sent, "NOISE").empty());
    EXPECT_EQ(framesOf(out, "RX"), framesOf(sent, "TX"));
    EXPECT_EQ(framesOf(out, "CRC"), damaged);
}

TEST_F(LinkEndToEnd, SendShowsTheUnitsAnswerToAValueAndToARequest) {
    // One report cycle, then the unit only answers.
    startUnit({"--cycles", "1"});

    const std::vector<std::string> set = send({std::to_string(kSetSpeedLimitRow), "95"});
    const std::string taken = hexOf(valueFrame(kSpeedLimitId, 1, 95));
    EXPECT_EQ(framesOf(set, "TX"), std::multiset<std::string>{taken});
    // The unit reports the value it took under the same identifier.
    EXPECT_TRUE(framesOf(set, "RX").contains(taken));

    const std::vector<std::string> get = send({std::to_string(kGetSpeedLimitRow)});
    EXPECT_EQ(framesOf(get, "TX"),
              std::multiset<std::string>{hexOf(requestFrame(kSpeedLimitId, 1))});
    EXPECT_EQ(framesOf(get, "RX"), std::multiset<std::string>{taken});
    stopUnit();
}

}  // namespace
}  // namespace tresvik
