#include "decode/receive_path.h"
#include "link/frame.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "link/crc8.h"
#include "log/id_log.h"
#include "log/log_queue.h"
#include "tests/support/memory_log_text.h"

namespace tresvik {
namespace {

// Records every event with the log text length seen at that moment.
struct Recorder : ConsoleListener {
    explicit Recorder(MemoryLogText& text) : m_text(text) {}
    void frameReceived(const ReceivedFrame&) override { add("RX"); }
    void checksumError(const ReceivedFrame&) override { add("CRC"); }
    void byteDiscarded(std::uint8_t, ArrivalTime) override { add("NOISE"); }
    void parameterChanged(const ParameterUpdate&) override { add("CELL"); }
    void programNumberChanged(const std::u16string&) override { add("PRG"); }
    void deviceIdChanged(const std::u16string&) override { add("DEVID"); }
    void flagChanged(const FlagUpdate&) override { add("FLAG"); }
    void readBackReceived(const ReadBack&) override { add("TX"); }
    void debugLineRecorded(const std::u16string&) override { add("IDLOG"); }
    void add(const std::string& what) { events.push_back({what, m_text.text().size()}); }

    MemoryLogText& m_text;
    std::vector<std::pair<std::string, std::size_t>> events;
};

struct ReceivePathTest : ::testing::Test {
    ReceivePathTest() { log.initialise(text); }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& e : recorder.events) {
            out.push_back(e.first);
        }
        return out;
    }

    std::atomic<bool> closing{false};
    LogQueue log{[] { return LocalTime{9, 5, 3, 7}; }};
    MemoryLogText text;
    IdLog idLog;
    Recorder recorder{text};
    ReceivePath path{&log, closing, &idLog, &recorder};
};

TEST_F(ReceivePathTest, GoodFrameIsLoggedBeforeItIsDecoded) {
    path.push(makeFrame(0x2401, {1, 0, 42, 0, 0, 0}));
    EXPECT_EQ(names(), (std::vector<std::string>{"RX", "CELL", "PRG", "TX"}));
    EXPECT_EQ(text.text(), u"09:05:03.007 - UART Rx - C7 01 24 06 01 00 2A 00 00 00 E8 \r\n");
    EXPECT_GT(recorder.events.front().second, 0U);
    EXPECT_EQ(path.programNumber(), u"00042");
}

TEST_F(ReceivePathTest, TwoFramesInOneBatchAreEachLoggedBeforeDecoded) {
    Bytes batch = makeFrame(0x0039, {0x80, 0x0C});
    const Bytes second = makeFrame(0x0033, {0x40, 0xE2, 0x01});
    batch.insert(batch.end(), second.begin(), second.end());
    path.push(batch);
    ASSERT_EQ(names(), (std::vector<std::string>{"RX", "CELL", "RX", "CELL"}));
    const std::size_t firstLine = recorder.events[0].second;
    EXPECT_EQ(recorder.events[1].second, firstLine);
    EXPECT_GT(recorder.events[2].second, firstLine);
}

TEST_F(ReceivePathTest, ChecksumErrorGivesTwoRedLinesAndNoDecoding) {
    path.push(Bytes{0x00, 0xFF, 0x12, 0xC7, 0x24, 0x01, 0x00, 0x72, 0xC7, 0x24, 0x01, 0x00, 0x71});
    EXPECT_EQ(names(), (std::vector<std::string>{"NOISE", "NOISE", "NOISE", "CRC", "RX"}));
    EXPECT_EQ(text.text(),
              u"09:05:03.007 - UART Rx - CRC Error.\r\n"
              u"09:05:03.007 - C7 24 01 00 72 \r\n"
              u"09:05:03.007 - UART Rx - C7 24 01 00 71 \r\n");
    const auto runs = text.colourRuns();
    ASSERT_FALSE(runs.empty());
    EXPECT_EQ(runs.front().colour, (Rgb{255, 0, 0}));
    EXPECT_EQ(path.counters().checksumErrors, 1U);
    EXPECT_EQ(path.counters().goodFrames, 1U);
    EXPECT_EQ(path.counters().bytesOutsideFrames, 3U);
}

TEST_F(ReceivePathTest, WhileClosingFramesAreDecodedButNotLogged) {
    closing = true;
    path.push(makeFrame(0x2421, {0, 0, 0xAB}));
    EXPECT_EQ(names(), (std::vector<std::string>{"RX", "CELL", "DEVID"}));
    EXPECT_TRUE(text.text().empty());
    EXPECT_EQ(path.deviceIdSuffix(), u"_AB");
}

TEST_F(ReceivePathTest, DeviceStringsStartAsNullAndEmpty) {
    EXPECT_EQ(path.programNumber(), u"NULL");
    EXPECT_EQ(path.deviceIdSuffix(), u"");
}

TEST_F(ReceivePathTest, FlagGridKeepsTheLastReportAndRepeatsChangeNothing) {
    const Bytes report = makeFrame(0x1020, Bytes(12, 0x55));
    path.push(report);
    const auto afterFirst = recorder.events.size();
    EXPECT_GT(afterFirst, 2U);
    EXPECT_EQ(path.flags().state(0, 0), 1);
    path.push(report);
    EXPECT_EQ(recorder.events.size(), afterFirst + 1);  // only the RX of the repeat
}

// Every event of a frame carries the moment its first byte arrived, however the bytes were cut
// into deliveries, and the frame also the moment its last byte did; noise carries its own.
TEST(ReceivePathArrival, FramesAreTimedByTheirFirstAndLastBytes) {
    using Span = std::pair<ArrivalTime, ArrivalTime>;
    struct Times : ConsoleListener {
        void frameReceived(const ReceivedFrame& f) override {
            frames.push_back({f.arrival, f.end});
        }
        void checksumError(const ReceivedFrame& f) override {
            frames.push_back({f.arrival, f.end});
        }
        void frameCutOff(const ReceivedFrame& f) override { frames.push_back({f.arrival, f.end}); }
        void byteDiscarded(std::uint8_t, ArrivalTime at) override { noise.push_back(at); }
        void parameterChanged(const ParameterUpdate& u) override { values.push_back(u.arrival); }
        void flagChanged(const FlagUpdate& f) override { values.push_back(f.arrival); }
        void readBackReceived(const ReadBack& r) override { values.push_back(r.arrival); }
        std::vector<Span> frames;
        std::vector<ArrivalTime> noise, values;
    } times;
    const std::atomic<bool> closing{false};
    ReceivePath path(nullptr, closing, nullptr, &times);
    const auto at = [](int ms) { return ArrivalTime{} + std::chrono::milliseconds(ms); };

    const Bytes program = makeFrame(0x2401, {1, 0, 42, 0, 0, 0});
    const Bytes flags = makeFrame(0x1060, Bytes(5, 0x00));
    Bytes corrupt = makeFrame(0x0039, {0x80, 0x0C});
    corrupt.back() ^= 0xFF;
    ReceivedBytes first;
    first.push(0x5A, at(10));
    first.append(ByteView(program).first(3), at(20));
    path.push(first);
    ReceivedBytes second(ByteView(program).subspan(3), at(70));
    second.append(flags, at(80));
    second.push(0x00, at(90));
    second.append(ByteView(corrupt).first(corrupt.size() - 1), at(100));
    second.push(corrupt.back(), at(110));
    second.append(ByteView(program).first(2), at(120));
    second.push(program[2], at(130));
    path.push(second);
    path.lineClosed();

    EXPECT_EQ(times.noise, (std::vector<ArrivalTime>{at(10), at(90)}));
    EXPECT_EQ(times.frames,
              (std::vector<Span>{
                  {at(20), at(70)}, {at(80), at(80)}, {at(100), at(110)}, {at(120), at(130)}}));
    ASSERT_EQ(times.values.size(), 2 + 17U);  // the value and its read-back, then every flag
    EXPECT_EQ(times.values[0], at(20));
    EXPECT_EQ(times.values[1], at(20));
    EXPECT_EQ(times.values.back(), at(80));
}

TEST(ReceivePathIdLog, DebugInfoFrameIsRecordedOnceAcrossRuns) {
    const auto dir = std::filesystem::temp_directory_path() / "tresvik_receive_path_idlog";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const auto file = dir / "ID_log.txt";
    const Bytes debug = makeFrame(0x2406, {0x01, 0x00});
    const std::atomic<bool> closing{false};
    for (int run = 0; run < 2; ++run) {
        IdLog idLog;
        idLog.load(file);
        MemoryLogText text;
        Recorder recorder(text);
        ReceivePath path(nullptr, closing, &idLog, &recorder);
        path.push(debug);
        path.push(debug);
        const auto idlogEvents = std::count_if(recorder.events.begin(), recorder.events.end(),
                                               [](const auto& e) { return e.first == "IDLOG"; });
        EXPECT_EQ(idlogEvents, run == 0 ? 1 : 0);
    }
    std::ifstream in(file, std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(in)), {});
    in.close();  // Windows removes no file that is open.
    EXPECT_EQ(content, "C70624020100\r\n");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tresvik
