#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "link/frame_writer.h"
#include "log/recording.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"
#include "tools/sim/unit_model.h"

// tresvik-sim --replay in its own process, read on its pseudo-terminal as a console reads it.
namespace tresvik::sim {
namespace {

using test::ChildProcess;
using Clock = std::chrono::steady_clock;

constexpr int kTimeoutMs = 30000;
constexpr std::uint16_t kSpeedLimitId = 0x4801;
constexpr double kLineRate = 960.0;
// What the unit's pacing lets go at once after a pause: 20 ms at the line rate.
constexpr double kBurstBytes = 19.2;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string hexOf(const Bytes& bytes) {
    std::string text;
    for (const std::uint8_t b : bytes) {
        if (!text.empty()) {
            text.push_back(' ');
        }
        appendHexByte(text, b);
    }
    return text;
}

Bytes withChecksum(Bytes frame) {
    frame.push_back(Crc8::compute(frame));
    return frame;
}

Bytes joined(const std::vector<Bytes>& parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The console's end of the simulated unit's port.
class ConsolePort {
public:
    explicit ConsolePort(const std::string& path)
        : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        termios tio{};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(m_fd, TCSANOW, &tio);
        }
    }
    ~ConsolePort() { close(); }
    ConsolePort(const ConsolePort&) = delete;
    ConsolePort& operator=(const ConsolePort&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    void close() {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    bool write(const Bytes& bytes) {
        return ::write(m_fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    // Reads until `count` bytes have come, or nothing came for `kTimeoutMs`.
    Bytes read(std::size_t count) {
        Bytes result;
        while (result.size() < count) {
            pollfd fd{m_fd, POLLIN, 0};
            if (::poll(&fd, 1, kTimeoutMs) <= 0) {
                break;
            }
            std::uint8_t buffer[256];
            const ssize_t n = ::read(m_fd, buffer, std::min(sizeof buffer, count - result.size()));
            if (n <= 0) {
                break;
            }
            result.insert(result.end(), buffer, buffer + n);
        }
        return result;
    }

private:
    int m_fd;
};

// Each test runs the unit with a runtime folder of its own, so that its port is registered
// apart from other runs.
class SimReplayEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_temp.valid());
        m_folder = m_temp.path();
    }

    std::string writeFile(const std::string& name, const std::string& content) {
        const std::string path = (m_folder / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    std::string writeRecording(const TimedBytes& chunks) {
        std::string text = std::string(kRecordingHeader) + "\n";
        for (const TimedChunk& chunk : chunks) {
            text += formatRecordingLine(chunk);
        }
        return writeFile("replay.rec", text);
    }

    void startUnit(std::vector<std::string> args) {
        args.insert(args.end(), {"--trace", tracePath()});
        ASSERT_TRUE(m_unit.start(TRESVIK_SIM_PATH, args, {"XDG_RUNTIME_DIR=" + m_folder.string()}));
        const std::optional<std::string> line = m_unit.readLine(kTimeoutMs);
        ASSERT_TRUE(line && line->starts_with("port: ")) << m_unit.errors();
        m_port = line->substr(6);
    }

    void stopUnit() {
        ASSERT_TRUE(m_unit.signal(SIGTERM));
        EXPECT_TRUE(m_unit.waitForExit(kTimeoutMs)) << m_unit.errors();
    }

    std::string tracePath() const { return (m_folder / "trace.txt").string(); }

    std::vector<std::string> trace() const {
        std::ifstream in(tracePath());
        std::stringstream text;
        text << in.rdbuf();
        return linesOf(text.str());
    }

    // Waits for the unit to have written `line` to its trace `count` times.
    bool awaitTrace(const std::string& line, long count) const {
        const auto deadline = Clock::now() + std::chrono::milliseconds(kTimeoutMs);
        for (;;) {
            const std::vector<std::string> lines = trace();
            if (std::count(lines.begin(), lines.end(), line) >= count) {
                return true;
            }
            if (Clock::now() > deadline) {
                return false;
            }
            ::poll(nullptr, 0, 20);
        }
    }

    test::TempFolder m_temp{"tresvik-replay-e2e"};
    std::filesystem::path m_folder;
    ChildProcess m_unit;
    std::string m_port;
};

TEST_F(SimReplayEndToEnd, ChunksArriveWholeInOrderAndOnTimeWithTheAnswerBetweenThem) {
    // Frames of a report cycle as a unit sent them, the last one cut off, over 8 s.
    std::vector<Bytes> frames = UnitModel().nextReportCycle();
    frames.resize(5);
    frames.push_back(Bytes{0xC7, 0x01, 0x24});
    const std::vector<std::uint64_t> offsets{1000, 1400, 2200, 3000, 5000, 9000};
    TimedBytes chunks;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        chunks.push_back({offsets[i], frames[i]});
    }
    startUnit({"--replay", writeRecording(chunks), "--speed", "4", "--answer"});

    const Bytes request = withChecksum(requestFrame(kSpeedLimitId, 1));
    const Bytes answer = joined(UnitModel().receive(request));
    ASSERT_FALSE(answer.empty());

    const Clock::time_point opened = Clock::now();
    ConsolePort console(m_port);
    ASSERT_TRUE(console.isOpen());
    Bytes heard = console.read(frames[0].size());
    ASSERT_EQ(hexOf(heard), hexOf(frames[0]));
    ASSERT_TRUE(console.write(request));
    const Bytes rest = console.read(joined(frames).size() + answer.size() - heard.size());
    heard.insert(heard.end(), rest.begin(), rest.end());
    // 100 ms after the open, then (9000 - 1000) / 4 ms to the last chunk.
    EXPECT_GE(secondsSince(opened), 2.1);

    // The answer goes between two chunks, before the replay is over.
    bool found = false;
    for (std::size_t k = 1; k < frames.size() && !found; ++k) {
        std::vector<Bytes> expected(frames.begin(), frames.begin() + static_cast<long>(k));
        expected.push_back(answer);
        expected.insert(expected.end(), frames.begin() + static_cast<long>(k), frames.end());
        found = heard == joined(expected);
    }
    EXPECT_TRUE(found) << hexOf(heard);

    console.close();
    stopUnit();
    const std::vector<std::string> lines = trace();
    std::vector<std::string> replayed;
    for (const std::string& line : lines) {
        if (line.starts_with("REPLAY ")) {
            replayed.push_back(line.substr(7));
        }
    }
    std::vector<std::string> expected;
    for (const Bytes& frame : frames) {
        expected.push_back(hexOf(frame));
    }
    EXPECT_EQ(replayed, expected);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "REPLAY-END"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "RX " + hexOf(request)), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "TX " + hexOf(answer)), 1);
}

TEST_F(SimReplayEndToEnd, WithoutAnswerTheUnitOnlyListensAndEveryOpenReplaysFromTheStart) {
    // An hour apart as recorded; back to back at the line rate as replayed.
    const std::vector<Bytes> frames = UnitModel().nextReportCycle();
    const TimedBytes chunks{{0, joined({frames.begin(), frames.begin() + 12})},
                            {3600000, joined({frames.begin() + 12, frames.begin() + 20})}};
    const Bytes all = joinChunks(chunks);
    startUnit({"--replay", writeRecording(chunks), "--as-fast-as-line-rate"});
    const Bytes request = withChecksum(requestFrame(kSpeedLimitId, 1));

    for (long open = 1; open <= 2; ++open) {
        const Clock::time_point opened = Clock::now();
        ConsolePort console(m_port);
        ASSERT_TRUE(console.isOpen());
        ASSERT_TRUE(console.write(request));
        EXPECT_EQ(hexOf(console.read(all.size())), hexOf(all)) << "open " << open;
        EXPECT_GE(secondsSince(opened),
                  0.1 + (static_cast<double>(all.size()) - kBurstBytes) / kLineRate);
        console.close();
        ASSERT_TRUE(awaitTrace("DISCONNECTED", open));
    }
    stopUnit();

    const std::vector<std::string> lines = trace();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "REPLAY-END"), 2);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "RX " + hexOf(request)), 2);
    EXPECT_TRUE(std::none_of(lines.begin(), lines.end(),
                             [](const std::string& line) { return line.starts_with("TX"); }));
}

TEST_F(SimReplayEndToEnd, WithLoopTheHexFileStartsAgainOnceItsLastChunkHasGone) {
    const std::string hex = "C7 01 24 02 01 00 AA\n\n00 11 22\n";
    const Bytes pass{0xC7, 0x01, 0x24, 0x02, 0x01, 0x00, 0xAA, 0x00, 0x11, 0x22};
    startUnit({"--replay", writeFile("replay.hex", hex), "--loop"});

    ConsolePort console(m_port);
    ASSERT_TRUE(console.isOpen());
    EXPECT_EQ(hexOf(console.read(3 * pass.size())), hexOf(joined({pass, pass, pass})));
    console.close();
    stopUnit();
    const std::vector<std::string> lines = trace();
    EXPECT_GE(std::count(lines.begin(), lines.end(), "REPLAY-END"), 3);
}

}  // namespace
}  // namespace tresvik::sim
