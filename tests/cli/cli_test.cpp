#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "decode/receive_path.h"
#include "link/frame.h"
#include "log/log_queue.h"
#include "log/recording.h"
#include "tests/support/memory_log_text.h"
#include "tools/cli/byte_input.h"
#include "tools/cli/cli_commands.h"
#include "tools/cli/event_printer.h"
#include "tools/cli/utf8.h"

namespace tresvik::cli {
namespace {

std::string decodeToText(const std::vector<std::string>& args, const std::string& input,
                         std::string* errors = nullptr) {
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runDecode(args, in, out, err), 0);
    if (errors != nullptr) {
        *errors = err.str();
    }
    return out.str();
}

TEST(CliDecode, EventsFollowTheConsoleOrderForEachFrame) {
    const std::string out = decodeToText({"--hex", "--events"},
                                         "00 C7 01 24 06 01 00 2A 00 00 00 E8\n"
                                         "C7 21 24 04 00 00 12 AB 5E\n"
                                         "C7 24 01 00 72 C7 20 10");
    EXPECT_EQ(out,
              "RX\tC7 01 24 06 01 00 2A 00 00 00 E8\n"
              "CELL\t3\t1\t00042\n"
              "PRG\t00042\n"
              "TX\t1\t0\tSet New Program (42)\n"
              "RX\tC7 21 24 04 00 00 12 AB 5E\n"
              "CELL\t2\t1\t12AB\n"
              "DEVID\t_12AB\n"
              "CRC\tC7 24 01 00 72\n"
              "PARTIAL\t3\n");
}

TEST(CliDecode, ListingShowsLabelsInRowOrderAndCountsOnStandardError) {
    Bytes raw = makeFrame(0x0039, {0x80, 0x0C});
    const Bytes odometer = makeFrame(0x0033, {0x40, 0xE2, 0x01});
    raw.insert(raw.begin(), odometer.begin(), odometer.end());
    raw.push_back(0x55);
    std::string errors;
    const std::string out = decodeToText({}, std::string(raw.begin(), raw.end()), &errors);
    EXPECT_EQ(out, "Odometer\t0000617.280\nRPM\t0800\n");
    EXPECT_EQ(errors, "good frames: 2, checksum errors: 0, bytes outside frames: 1\n");
}

TEST(CliDecode, DebugLinesAreWrittenToTheIdLogOnceAcrossRuns) {
    const auto dir = std::filesystem::temp_directory_path() / "tresvik_cli_idlog";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "ID_log.txt").string();
    const std::string input = "C7 06 24 02 01 00 73";
    EXPECT_NE(
        decodeToText({"--hex", "--events", "--id-log", file}, input).find("IDLOG\tC70624020100\n"),
        std::string::npos);
    EXPECT_EQ(decodeToText({"--hex", "--events", "--id-log", file}, input).find("IDLOG"),
              std::string::npos);
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "C70624020100\r\n");
    in.close();  // Windows removes no file that is open.
    std::filesystem::remove_all(dir);
}

TEST(CliDecode, InputFormatOptionsCannotBeCombined) {
    const std::vector<std::vector<std::string>> clashes = {
        {"--hex", "--dump"}, {"--recording", "--hex"}, {"--dump", "--events", "--recording"}};
    for (const auto& args : clashes) {
        std::istringstream in("C7 24 01 00 72");
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_THROW(runDecode(args, in, out, err), UsageError) << args.front();
    }
    EXPECT_EQ(decodeToText({"--hex", "--events", "--hex"}, "C7 24 01 00 72"),
              "CRC\tC7 24 01 00 72\n");
}

TEST(CliInput, HexErrorsNameTheLineAndColumn) {
    const auto r = parseInput("C7 24\n01 0G 71", InputFormat::Hex);
    ASSERT_TRUE(std::holds_alternative<InputError>(r));
    EXPECT_EQ(std::get<InputError>(r).message,
              "line 2, column 4: '0G' is not a byte (two hexadecimal digits)");
    EXPECT_TRUE(std::holds_alternative<InputError>(parseInput("C71", InputFormat::Hex)));
    EXPECT_EQ(joinChunks(std::get<TimedBytes>(parseInput(" c7\t24 \r\n", InputFormat::Hex))),
              (Bytes{0xC7, 0x24}));
}

TEST(CliInput, ATextDumpOfTheLogGivesBackTheReceivedFrames) {
    // Produce a dump the way the console does: the log text as UTF-16LE.
    const std::atomic<bool> closing{false};
    LogQueue log([] { return LocalTime{23, 59, 58, 999}; });
    MemoryLogText text;
    log.initialise(text);
    ReceivePath path(&log, closing, nullptr, nullptr);
    const Bytes good1 = makeFrame(0x0039, {0x80, 0x0C});
    const Bytes good2 = makeFrame(0x5101, {0x00, 'A', 0xE9});
    Bytes stream = good1;
    stream.insert(stream.end(), {0xC7, 0x24, 0x01, 0x00, 0x72});
    stream.insert(stream.end(), good2.begin(), good2.end());
    path.push(stream);
    log.AppendText(u"WakeUp", LineClass::UartTx);

    std::string dump;
    for (const char16_t u : text.text()) {
        dump.push_back(static_cast<char>(u & 0xFF));
        dump.push_back(static_cast<char>(u >> 8));
    }
    Bytes expected = good1;
    expected.insert(expected.end(), good2.begin(), good2.end());
    EXPECT_EQ(joinChunks(std::get<TimedBytes>(parseInput(dump, InputFormat::Dump))), expected);
    EXPECT_TRUE(std::holds_alternative<InputError>(parseInput(dump + "x", InputFormat::Dump)));
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A folder of the test's own below the system's temporary folder, removed at the end.
class CliCsv : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    const std::filesystem::path m_dir = std::filesystem::temp_directory_path() / "tresvik_cli_csv";
    const std::string m_csv = (m_dir / "out.csv").string();
};

// Noise, a damaged frame and a text between numbers; the file does not say when it began.
std::string recordingWithoutStart() {
    Bytes damaged = makeFrame(0x0039, {0x01});
    damaged.back() ^= 0xFF;
    std::string text = std::string(kRecordingHeader) + "\n";
    for (const TimedChunk& chunk : TimedBytes{{0, {0x5A, 0x3B}},
                                              {112, makeFrame(0x0039, {0x80, 0x0C})},
                                              {162, makeFrame(0x003A, {55})},
                                              {170, makeFrame(0x0057, {'T', 'R', 'V'})},
                                              {200, damaged},
                                              {112040, makeFrame(0x0031, {0x8D, 0x0E})},
                                              {112040, makeFrame(0x0039, {0x20})}}) {
        text += formatRecordingLine(chunk);
    }
    return text;
}

TEST_F(CliCsv, ARecordingBecomesOneLinePerNumericValueAtItsRecordedTime) {
    const std::string recording = recordingWithoutStart();
    std::string listErrors;
    const std::string list = decodeToText({"--recording"}, recording, &listErrors);
    std::string errors;
    EXPECT_EQ(decodeToText({"--recording", "--csv", m_csv}, recording, &errors), list);
    EXPECT_EQ(errors, listErrors);
    EXPECT_EQ(fileText(m_csv),
              "time_utc,t_s,parameter,value,unit,text\r\n"
              ",0.112,RPM,800,,0800\r\n"
              ",0.162,Temperature,-5.0,,-05.0\r\n"
              ",112.040,Lifetime,3725,s,0001:02:05\r\n"
              ",112.040,RPM,8,,0008\r\n");

    decodeToText({"--recording", "--events", "--csv", m_csv, "--wide"}, recording);
    EXPECT_EQ(fileText(m_csv),
              "time_utc,t_s,Lifetime,RPM,Temperature\r\n"
              ",0.112,,800,\r\n"
              ",0.162,,800,-5.0\r\n"
              ",112.040,3725,800,-5.0\r\n"
              ",112.040,3725,8,-5.0\r\n");
}

TEST_F(CliCsv, ADumpIsTimedByItsStampsFromItsFirstReceivedFrame) {
    LocalTime now{23, 59, 58, 999};
    LogQueue log([&now] { return now; });
    MemoryLogText text;
    log.initialise(text);
    const std::atomic<bool> closing{false};
    ReceivePath path(&log, closing, nullptr, nullptr);
    path.push(makeFrame(0x0039, {0x80, 0x0C}));
    now = {0, 0, 1, 4};
    path.push(makeFrame(0x003A, {55}));
    std::string dump;
    for (const char16_t u : text.text()) {
        dump.push_back(static_cast<char>(u & 0xFF));
        dump.push_back(static_cast<char>(u >> 8));
    }

    decodeToText({"--dump", "--csv", m_csv}, dump);
    EXPECT_EQ(fileText(m_csv),
              "time_utc,t_s,parameter,value,unit,text\r\n"
              ",0.000,RPM,800,,0800\r\n"
              ",2.005,Temperature,-5.0,,-05.0\r\n");
}

TEST_F(CliCsv, AFileThatCannotBeCreatedStopsTheCommandBeforeItDecodes) {
    std::istringstream in(recordingWithoutStart());
    std::ostringstream out;
    std::ostringstream err;
    const std::string folder = (m_dir / "missing" / "out.csv").string();
    try {
        runDecode({"--recording", "--events", "--csv", folder}, in, out, err);
        ADD_FAILURE() << "no error";
    } catch (const UsageError& e) {
        EXPECT_EQ(std::string(e.what()), "cannot create CSV file '" + folder + "'");
    }
    EXPECT_EQ(out.str(), "");
}

using CliStats = CliCsv;

// A recording's link health is timed by its lines, as if its port had opened at its start and
// closed at its last line; what decode prints besides stays as it was.
TEST_F(CliStats, ARecordingsHealthIsTimedByItsLines) {
    const std::string recording = recordingWithoutStart();
    std::string listErrors;
    const std::string list = decodeToText({"--recording"}, recording, &listErrors);
    const std::string json = (m_dir / "health.json").string();
    std::string errors;
    EXPECT_EQ(decodeToText({"--recording", "--stats", "--stats-json", json}, recording, &errors),
              list);
    EXPECT_EQ(errors, listErrors +
                          "link disconnected for 112.0 s: 5 good frames, 1 checksum errors, 2 "
                          "noise bytes, 0 cut off, 0 unknown; 42 bytes in, 0 out, 0 commands, 0 "
                          "answers; 10 s: 0.2 frames/s, 1 bytes/s, line 0.1 % (peak 3.0 %); last "
                          "good frame 0 ms ago, longest gap 111870 ms\n");
    const std::string written = fileText(json);
    EXPECT_NE(written.find("\"source\": \"-\""), std::string::npos) << written;
    EXPECT_NE(written.find("\"counting_s\": 112.040,"), std::string::npos) << written;
    EXPECT_NE(written.find("\"good_frames\": 5,\n    \"checksum_errors\": 1,\n    "
                           "\"noise_bytes\": 2,\n    \"frames_cut_off\": 0,"),
              std::string::npos)
        << written;
}

TEST(CliEncode, PrintsThePreambleThenTheFrame) {
    std::ostringstream out;
    EXPECT_EQ(runEncode({"--seq", "0", "1", "11120"}, out), 0);
    EXPECT_EQ(out.str(),
              "WAKEUP\t" + hexBytes(Bytes(60, 0)) + "\nTX\tC7 01 24 06 01 00 70 2B 00 00 7E\n");
}

TEST(CliEncode, RejectsBadArgumentsWithAClearMessage) {
    std::ostringstream out;
    EXPECT_THROW(runEncode({"45"}, out), UsageError);
    EXPECT_THROW(runEncode({"--param", "162"}, out), UsageError);
    EXPECT_THROW(runEncode({"--button", "HONK"}, out), UsageError);
    EXPECT_THROW(runEncode({"--seq", "65536", "0"}, out), UsageError);
    EXPECT_THROW(runEncode({"x"}, out), UsageError);
    EXPECT_TRUE(out.str().empty());
}

// The error a decode or encode command line stops at (the command first), or "none".
std::string usageErrorOf(std::vector<std::string> commandLine) {
    const std::string command = commandLine.front();
    commandLine.erase(commandLine.begin());
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    try {
        if (command == "decode") {
            runDecode(commandLine, in, out, err);
        } else {
            runEncode(commandLine, out);
        }
    } catch (const UsageError& e) {
        return e.what();
    }
    return "none";
}

TEST(CliUsage, EachCommandNamesTheArgumentItCannotTake) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"decode", "--bogus"}, "decode: unknown option '--bogus'"},
        {{"decode", "-5"}, "decode: unknown option '-5'"},
        {{"decode", "--", "a"}, "decode: unknown option '--'"},
        {{"decode", "--hex", "--dump"}, "decode: --hex and --dump cannot be used together"},
        {{"decode", "--id-log"}, "--id-log needs a file name"},
        {{"decode", "a", "b", "--bogus"}, "decode: more than one input file ('a' and 'b')"},
        {{"decode", "--bogus", "a", "b"}, "decode: unknown option '--bogus'"},
        {{"decode", "--recording", "--csv"}, "--csv needs a file name"},
        {{"decode", "--csv", "out.csv"},
         "decode: --csv needs --recording or --dump, whose lines carry their times"},
        {{"decode", "--hex", "--csv", "out.csv"},
         "decode: --csv needs --recording or --dump, whose lines carry their times"},
        {{"decode", "--recording", "--wide"}, "decode: --wide goes with --csv"},
        {{"encode", "--seq"}, "--seq needs a value"},
        {{"encode", "--seq", "65536", "0"}, "--seq 65536 is out of range (0 to 65535)"},
        {{"encode", "--seq", "x", "--bogus"}, "--seq 'x' is not a number from 0 to 65535"},
        {{"encode", "--param"}, "--param needs a value"},
        {{"encode", "--button"}, "--button needs a value"},
        {{"encode", "3", "-abc"}, "encode: unknown option '-abc'"},
        {{"encode", "-5"}, "command row '-5' is not a number from 0 to 44"},
        {{"encode", "--", "--seq", "3"}, "command row '--seq' is not a number from 0 to 44"},
        {{"encode", "1", "2", "3"}, "encode: expected ROW [TEXT]"},
        {{"encode", "--param", "5", "extra"}, "encode --param: unexpected argument 'extra'"},
        {{"encode", "3", "-7"}, "none"},
        {{"encode", "--", "3", "-abc"}, "none"},
    };
    for (const auto& [commandLine, message] : cases) {
        EXPECT_EQ(usageErrorOf(commandLine), message)
            << commandLine.front() << " " << commandLine.back();
    }
}

TEST(CliText, ControlCharactersAndLatinOneAreWrittenSafely) {
    EXPECT_EQ(fieldText(u"A\tB\\\x01\xE9"), "A\\tB\\\\\\x01\xC3\xA9");
    EXPECT_EQ(fromUtf8("Set \xC3\xA9"), std::u16string(u"Set \xE9"));
    EXPECT_FALSE(fromUtf8("\xC3"));
    EXPECT_FALSE(fromUtf8("\xED\xA0\x80"));
    EXPECT_EQ(toUtf8(u"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
}

}  // namespace
}  // namespace tresvik::cli
