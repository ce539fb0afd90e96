#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "decode/parameter_table.h"
#include "link/crc8.h"
#include "link/frame_writer.h"
#include "log/recording.h"
#include "tests/support/child_process.h"
#include "tests/support/csv_reader.h"
#include "tests/support/pty_pair.h"
#include "tests/support/sim_trace.h"
#include "tests/support/temp_folder.h"

// tresvik-sim and tresvik-cli as separate processes on one pseudo-terminal, at the unit's line
// rate: what the simulated unit says it sent is what the console decodes.
namespace tresvik {
namespace {

using test::ChildProcess;
using test::TempFolder;

constexpr int kTimeoutMs = 60000;
// How often the monitor's output and the unit's trace are looked at.
constexpr int kCheckMs = 100;
constexpr int kSetSpeedLimitRow = 25;
constexpr int kGetSpeedLimitRow = 26;
constexpr std::uint16_t kSpeedLimitId = 0x4801;
// tresvik-sim puts at most 8 noise bytes before a frame.
constexpr std::size_t kLongestEmission = 8 + frame::kMaxSize;

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

std::string hexText(const Bytes& bytes) {
    std::string text;
    for (const std::uint8_t b : bytes) {
        char pair[4];
        std::snprintf(pair, sizeof pair, text.empty() ? "%02X" : " %02X", b);
        text += pair;
    }
    return text;
}

std::string hexOf(Bytes frame) {
    frame.push_back(Crc8::compute(frame));
    return hexText(frame);
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The RX and CRC lines of event output, in the order the frames came.
std::vector<std::string> receivedFrames(const std::vector<std::string>& lines) {
    std::vector<std::string> frames;
    for (const std::string& line : lines) {
        if (line.starts_with("RX\t") || line.starts_with("CRC\t")) {
            frames.push_back(line.substr(line.find('\t') + 1));
        }
    }
    return frames;
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
        ASSERT_TRUE(m_folder.valid());
        m_runtime = m_folder.path();
        m_trace = m_runtime / "trace.txt";
    }

    bool start(ChildProcess& program, const char* path, const std::vector<std::string>& args,
               std::vector<std::string> env = {}) {
        env.push_back("XDG_RUNTIME_DIR=" + m_runtime.string());
        return program.start(path, args, env);
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

    // Checks that `recording`, written by a monitor that printed `shown` with --events, holds the
    // bytes the unit sent, in order and unchanged, with every frame the monitor saw on a line of
    // its own. Returns the kinds of the unit's trace lines that the recording covers.
    std::set<std::string> checkRecording(const TimedBytes& recording,
                                         const std::vector<std::string>& shown) {
        std::vector<std::string> frameLines;
        for (const TimedChunk& chunk : recording) {
            const Bytes& b = chunk.bytes;
            const bool frame = b.size() >= frame::kHeaderSize && b[0] == frame::kStartByte &&
                               b.size() == b[3] + frame::kOverhead;
            if (frame) {
                frameLines.push_back(hexText(b));
            }
        }
        EXPECT_EQ(frameLines, receivedFrames(shown));

        // The unit traces an emission once all of it is written, and bytes still on their way
        // when the monitor closed the port are lost with it: one is a prefix of the other, but
        // for the emission the unit was in the middle of.
        const Bytes recorded = joinChunks(recording);
        std::set<std::string> covered;
        std::size_t at = 0;
        for (const auto& [kind, bytes] : test::sentPieces(trace())) {
            const std::size_t count = std::min(bytes.size(), recorded.size() - at);
            EXPECT_TRUE(std::equal(bytes.begin(),
                                   bytes.begin() + static_cast<std::ptrdiff_t>(count),
                                   recorded.begin() + static_cast<std::ptrdiff_t>(at)))
                << kind << " " << hexText(bytes) << " at byte " << at;
            at += count;
            if (count == bytes.size()) {
                covered.insert(kind);
            }
        }
        EXPECT_LE(recorded.size() - at, kLongestEmission);
        return covered;
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

    TempFolder m_folder{"tresvik-e2e"};
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

TEST_F(LinkEndToEnd, ARecordingHoldsWhatTheUnitSentAndDecodesToTheSessionsFrames) {
    startUnit({"--cycles", "1", "--period", "200", "--seed", "3", "--crc-errors", "0.05", "--noise",
               "0.05", "--bad-length", "0.02"});
    const std::string file = (m_runtime / "session.rec").string();
    ChildProcess monitor;
    ASSERT_TRUE(start(monitor, TRESVIK_CLI_PATH,
                      {"monitor", m_port, "--seconds", "3", "--record", file, "--events"}));
    ASSERT_TRUE(monitor.waitForExit(kTimeoutMs)) << monitor.errors();
    stopUnit();

    const auto parsed = parseRecording(fileText(file));
    ASSERT_TRUE(std::holds_alternative<TimedBytes>(parsed))
        << describe(std::get<RecordingError>(parsed));
    const std::vector<std::string> shown = linesOf(monitor.output());
    const std::set<std::string> covered = checkRecording(std::get<TimedBytes>(parsed), shown);
    EXPECT_EQ(covered, (std::set<std::string>{"TX", "TX-CRC", "TX-LEN", "NOISE"}));

    ChildProcess decode;
    ASSERT_TRUE(start(decode, TRESVIK_CLI_PATH, {"decode", "--recording", "--events", file}));
    ASSERT_TRUE(decode.waitForExit(kTimeoutMs)) << decode.errors();
    EXPECT_EQ(receivedFrames(linesOf(decode.output())), receivedFrames(shown));

    // Replayed by the simulated unit and recorded again, the session arrives as it was: the
    // same lines, damaged frames, noise and the frame cut off at the end included.
    std::filesystem::remove(m_trace);
    ChildProcess player;
    ASSERT_TRUE(start(player, TRESVIK_SIM_PATH,
                      {"--replay", file, "--as-fast-as-line-rate", "--trace", m_trace.string()}));
    const std::optional<std::string> port = player.readLine(kTimeoutMs);
    ASSERT_TRUE(port && port->starts_with("port: ")) << player.errors();
    const std::string again = (m_runtime / "replayed.rec").string();
    ChildProcess second;
    ASSERT_TRUE(start(second, TRESVIK_CLI_PATH, {"monitor", port->substr(6), "--record", again}));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
    while (!contains(trace(), "REPLAY-END") && second.collect(kCheckMs) &&
           std::chrono::steady_clock::now() < deadline) {
    }
    ASSERT_TRUE(contains(trace(), "REPLAY-END"));
    // The last chunk written may still be on its way through the pseudo-terminal.
    second.collect(kCheckMs * 5);
    ASSERT_TRUE(second.signal(SIGINT));
    ASSERT_TRUE(second.waitForExit(kTimeoutMs)) << second.errors();
    const auto replayed = parseRecording(fileText(again));
    ASSERT_TRUE(std::holds_alternative<TimedBytes>(replayed));
    std::vector<Bytes> before;
    std::vector<Bytes> after;
    for (const TimedChunk& chunk : std::get<TimedBytes>(parsed)) {
        before.push_back(chunk.bytes);
    }
    for (const TimedChunk& chunk : std::get<TimedBytes>(replayed)) {
        after.push_back(chunk.bytes);
    }
    EXPECT_EQ(after, before);
}

// A session recorded from the simulated unit becomes a spreadsheet with one line per value of a
// numeric parameter, in the order and at the times the recording holds them. Both programs run
// five and a half hours east of UTC, so that a time left in local time, or moved the wrong way,
// shows.
TEST_F(LinkEndToEnd, ACsvOfARecordingHoldsEveryNumericValueAtItsRecordedTime) {
    const std::vector<std::string> zone = {"TZ=TRV-5:30"};
    const auto zoneOffset = std::chrono::hours(5) + std::chrono::minutes(30);
    startUnit({"--period", "200", "--seed", "11", "--crc-errors", "0.05", "--noise", "0.05"});
    const std::string file = (m_runtime / "session.rec").string();
    const std::string csv = (m_runtime / "session.csv").string();
    const auto before = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    ChildProcess monitor;
    ASSERT_TRUE(start(monitor, TRESVIK_CLI_PATH,
                      {"monitor", m_port, "--seconds", "3", "--record", file}, zone));
    ASSERT_TRUE(monitor.waitForExit(kTimeoutMs)) << monitor.errors();
    const auto after = std::chrono::system_clock::now();
    stopUnit();

    ChildProcess toCsv;
    ASSERT_TRUE(
        start(toCsv, TRESVIK_CLI_PATH, {"decode", "--recording", file, "--csv", csv}, zone));
    ASSERT_TRUE(toCsv.waitForExit(kTimeoutMs)) << toCsv.errors();
    ChildProcess toEvents;
    ASSERT_TRUE(start(toEvents, TRESVIK_CLI_PATH, {"decode", "--recording", "--events", file}));
    ASSERT_TRUE(toEvents.waitForExit(kTimeoutMs)) << toEvents.errors();

    // Each CELL of a numeric row, timed by the recording's line of the frame it came from.
    const std::string recording = fileText(file);
    const auto parsed = parseRecording(recording);
    ASSERT_TRUE(std::holds_alternative<TimedBytes>(parsed));
    const TimedBytes& chunks = std::get<TimedBytes>(parsed);
    struct Cell {
        std::uint64_t offsetMs;
        std::string label;
        std::string text;
    };
    std::vector<Cell> cells;
    std::size_t chunk = 0;
    std::uint64_t frameOffset = 0;
    for (const std::string& line : linesOf(toEvents.output())) {
        if (line.starts_with("RX\t")) {
            while (chunk < chunks.size() && hexText(chunks[chunk].bytes) != line.substr(3)) {
                ++chunk;
            }
            ASSERT_LT(chunk, chunks.size()) << line;
            frameOffset = chunks[chunk++].offsetMs;
        }
        int item = 0;
        int column = 0;
        int textAt = 0;
        if (std::sscanf(line.c_str(), "CELL\t%d\t%d\t%n", &item, &column, &textAt) == 2) {
            const ParameterRow& row = parameterRow(rowAt(item, column));
            if (hasNumericValue(row.formatCode)) {
                std::string label(row.label.begin(), row.label.end());
                cells.push_back(
                    {frameOffset, label, line.substr(static_cast<std::size_t>(textAt))});
            }
        }
    }
    ASSERT_FALSE(cells.empty());

    const std::size_t at = recording.find(", started ");
    ASSERT_NE(at, std::string::npos);
    int year = 0;
    unsigned month = 0;
    unsigned day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    ASSERT_EQ(std::sscanf(recording.c_str() + at, ", started %d-%u-%u %d:%d:%d", &year, &month,
                          &day, &hour, &minute, &second),
              6);
    const auto start = std::chrono::sys_days{std::chrono::year{year} / month / day} +
                       std::chrono::hours(hour) + std::chrono::minutes(minute) +
                       std::chrono::seconds(second) - zoneOffset;
    EXPECT_GE(start, before);
    EXPECT_LE(start, after);

    const auto records = test::readCsv(fileText(csv));
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), cells.size() + 1);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const test::CsvRecord& record = (*records)[i + 1];
        const Cell& cell = cells[i];
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%llu.%03llu",
                      static_cast<unsigned long long>(cell.offsetMs / 1000),
                      static_cast<unsigned long long>(cell.offsetMs % 1000));
        ASSERT_EQ(record.size(), 6U);
        EXPECT_EQ(test::readUtcTime(record[0]), start + std::chrono::milliseconds(cell.offsetMs))
            << record[0];
        EXPECT_EQ(record[1], seconds);
        EXPECT_EQ(record[2], cell.label);
        EXPECT_EQ(record[5], cell.text);
    }
}

TEST_F(LinkEndToEnd, ARecordingStoppedByCtrlCHoldsOnlyCompleteLines) {
    startUnit({"--period", "200", "--seed", "5", "--crc-errors", "0.05", "--noise", "0.05"});
    const std::string file = (m_runtime / "session.rec").string();
    ChildProcess monitor;
    ASSERT_TRUE(
        start(monitor, TRESVIK_CLI_PATH, {"monitor", m_port, "--events", "--record", file}));

    // Each line is written out as soon as it is complete: a frame the monitor has shown is in
    // the file already.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
    std::vector<std::string> shown;
    while (shown.size() < 10 && monitor.collect(kCheckMs) &&
           std::chrono::steady_clock::now() < deadline) {
        shown = receivedFrames(linesOf(monitor.output()));
    }
    ASSERT_GE(shown.size(), 10U) << monitor.errors();
    const std::string early = fileText(file);
    for (const std::string& frame : shown) {
        EXPECT_NE(early.find(" " + frame + "\n"), std::string::npos) << frame;
    }

    ASSERT_TRUE(monitor.signal(SIGINT));
    ASSERT_TRUE(monitor.waitForExit(kTimeoutMs)) << monitor.errors();
    stopUnit();

    const std::string text = fileText(file);
    ASSERT_TRUE(text.ends_with('\n'));
    const std::vector<std::string> lines = linesOf(text);
    ASSERT_GE(lines.size(), 2U);
    EXPECT_TRUE(lines[1].starts_with("# port " + m_port + ", started ")) << lines[1];
    const auto parsed = parseRecording(text);
    ASSERT_TRUE(std::holds_alternative<TimedBytes>(parsed))
        << describe(std::get<RecordingError>(parsed));
    checkRecording(std::get<TimedBytes>(parsed), linesOf(monitor.output()));
}

TEST_F(LinkEndToEnd, AnUnpluggedAdapterLeavesTheUnfinishedFrameInTheRecording) {
    PtyPair line;
    ASSERT_TRUE(line.ok());
    const std::string file = (m_runtime / "session.rec").string();
    ChildProcess monitor;
    ASSERT_TRUE(start(monitor, TRESVIK_CLI_PATH,
                      {"monitor", line.devicePath().toStdString(), "--events", "--record", file}));
    ASSERT_EQ(monitor.readLine(kTimeoutMs), "OPEN") << monitor.errors();

    const Bytes good = makeFrame(0x0039, {0x80, 0x0C});
    const std::vector<Bytes> pieces = {{0x5A}, good, {0xC7, 0x01, 0x24, 0x06, 0x01}};
    QByteArray stream;
    for (const Bytes& piece : pieces) {
        stream.append(reinterpret_cast<const char*>(piece.data()),
                      static_cast<qsizetype>(piece.size()));
    }
    ASSERT_TRUE(line.write(stream));
    // Bytes still in the line when it is pulled out never reach any program. The port reads what
    // one write brought all at once, so once the good frame is shown the monitor holds the
    // unfinished one too.
    ASSERT_EQ(monitor.readLine(kTimeoutMs), "RX\t" + hexText(good)) << monitor.errors();
    line.unplug();
    ASSERT_TRUE(monitor.waitForExit(kTimeoutMs)) << monitor.errors();

    const auto parsed = parseRecording(fileText(file));
    ASSERT_TRUE(std::holds_alternative<TimedBytes>(parsed))
        << describe(std::get<RecordingError>(parsed));
    std::vector<Bytes> recorded;
    for (const TimedChunk& chunk : std::get<TimedBytes>(parsed)) {
        recorded.push_back(chunk.bytes);
    }
    EXPECT_EQ(recorded, pieces);
    EXPECT_EQ(linesOf(monitor.output()).back(), "CLOSED");
}

TEST_F(LinkEndToEnd, ARecordingThatCannotBeWrittenStopsMonitorBeforeItOpensThePort) {
    const std::string cases[] = {m_runtime.string(), (m_runtime / "missing" / "a.rec").string(),
                                 "/dev/full"};
    for (const std::string& file : cases) {
        // A port that cannot be opened: trying it first would end with status 1, not 2.
        ChildProcess monitor;
        ASSERT_TRUE(start(monitor, TRESVIK_CLI_PATH,
                          {"monitor", "ttyTresvikAbsent", "--record", file, "--events"}));
        EXPECT_TRUE(monitor.waitForExit(kTimeoutMs, 2)) << file;
        const std::string errors = monitor.errors();
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
        EXPECT_NE(errors.find("recording '" + file + "'"), std::string::npos) << errors;
        EXPECT_EQ(monitor.output(), "");
    }
}

// The number JSON `text` gives for `name`, a counter's.
std::uint64_t jsonCount(const std::string& text, const std::string& name) {
    const std::string key = "\"" + name + "\": ";
    const std::size_t at = text.find(key);
    EXPECT_NE(at, std::string::npos) << name;
    return at == std::string::npos ? 0 : std::stoull(text.substr(at + key.size()));
}

// The bytes received that the last of monitor's --stats lines gives, if any.
std::optional<std::uint64_t> bytesInLastStatsLine(const std::string& errors) {
    const std::size_t in = errors.rfind(" bytes in,");
    if (in == std::string::npos) {
        return std::nullopt;
    }
    const std::size_t start = errors.rfind(' ', in - 1) + 1;
    return std::stoull(errors.substr(start, in - start));
}

// Over ten thousand frames as fast as the pseudo-terminal takes them, damaged in every way the
// unit knows, the link's health counts what the unit's trace says it put on the line: every
// frame sent intact is good, every damaged checksum and damaged length is a checksum error, and
// the noise is the noise sent plus the bytes each damaged length left past the frame it claimed.
TEST_F(LinkEndToEnd, TheLinksHealthCountsExactlyWhatTheUnitPutOnTheLine) {
    startUnit({"--rate", "0", "--period", "0", "--cycles", "70", "--seed", "17", "--crc-errors",
               "0.05", "--noise", "0.05", "--bad-length", "0.02"});
    const std::string json = (m_runtime / "health.json").string();
    ChildProcess monitor;
    ASSERT_TRUE(
        start(monitor, TRESVIK_CLI_PATH, {"monitor", m_port, "--stats", "--stats-json", json}));

    test::TraceCounts counts;
    // The unit has sent its last cycle, and the console has had all of it once its count of
    // bytes comes to what went out.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
    for (bool done = false; !done && std::chrono::steady_clock::now() < deadline;) {
        ASSERT_TRUE(monitor.collect(kCheckMs)) << monitor.errors();
        counts = test::traceCounts(trace());
        done = counts.done && bytesInLastStatsLine(monitor.errors()) == counts.bytesSent;
    }
    ASSERT_TRUE(monitor.signal(SIGINT));
    ASSERT_TRUE(monitor.waitForExit(kTimeoutMs)) << monitor.errors();
    stopUnit();

    EXPECT_GE(counts.intact + counts.damaged, 10000U);
    EXPECT_GT(counts.damaged, 0U);
    EXPECT_GT(counts.noise, 0U);
    const std::string written = fileText(json);
    EXPECT_EQ(jsonCount(written, "bytes_received"), counts.bytesSent);
    EXPECT_EQ(jsonCount(written, "good_frames"), counts.intact);
    EXPECT_EQ(jsonCount(written, "checksum_errors"), counts.damaged);
    EXPECT_EQ(jsonCount(written, "noise_bytes"), counts.noise);
    EXPECT_EQ(jsonCount(written, "frames_cut_off"), 0U);
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
