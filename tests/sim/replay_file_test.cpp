#include "tools/sim/replay_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <variant>

#include "tests/support/temp_folder.h"

namespace tresvik::sim {
namespace {

// `text` as a console's text dump holds it: UTF-16LE.
std::string utf16le(const std::string& text) {
    std::string out;
    for (const char c : text) {
        out += c;
        out += '\0';
    }
    return out;
}

class SimReplayFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_temp.valid());
        m_folder = m_temp.path();
    }

    std::string write(const std::string& content) {
        const std::string path = (m_folder / "input").string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    // The reason the file at `path` is refused, without the path it begins with.
    static std::string refusal(const std::string& path, std::size_t largest = kLargestReplayFile) {
        const std::variant<TimedBytes, std::string> loaded = loadReplayFile(path, largest);
        if (std::holds_alternative<TimedBytes>(loaded)) {
            return "(accepted)";
        }
        const std::string& reason = std::get<std::string>(loaded);
        return reason.starts_with(path + ": ") ? reason.substr(path.size() + 2)
                                               : "(path missing) " + reason;
    }

    test::TempFolder m_temp{"tresvik-replay"};
    std::filesystem::path m_folder;
};

struct BadFile {
    const char* name;
    std::string content;
    std::string reason;
};

void PrintTo(const BadFile& file, std::ostream* out) {
    *out << file.name;
}

class SimReplayFileRefused : public SimReplayFile, public ::testing::WithParamInterface<BadFile> {};

TEST_P(SimReplayFileRefused, WithOneLineThatSaysWhereAndWhy) {
    EXPECT_EQ(refusal(write(GetParam().content)), GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SimReplayFileRefused,
    ::testing::Values(BadFile{"Empty", "", "holds no received bytes"},
                      BadFile{"RecordingWithoutLines", "# tresvik recording 1\n# made by hand\n\n",
                              "holds no received bytes"},
                      BadFile{"DumpWithoutRxLines",
                              utf16le("10:00:00.000 - UART Tx - C7 01 24 02 01 00 AA\r\n"
                                      "10:00:00.100 - UART Rx - CRC Error.\r\n"),
                              "holds no received bytes"},
                      BadFile{"BadByteInARecording", "# tresvik recording 1\n0 C7 01\n20 C7 ZZ\n",
                              "line 3, column 7: 'ZZ' is not a byte (two hexadecimal digits)"}),
    [](const ::testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

TEST_F(SimReplayFile, FilesThatCannotBeReadAreRefusedWithTheSystemsReason) {
    EXPECT_EQ(refusal((m_folder / "missing.rec").string()),
              "cannot read: No such file or directory");
    EXPECT_EQ(refusal(m_folder.string()), "cannot read: Is a directory");
    // A device that never ends is cut off rather than read into memory for ever.
    EXPECT_EQ(refusal("/dev/zero", std::size_t{1} << 20U), "is larger than 1 MiB");
}

TEST_F(SimReplayFile, AFileThatEndsInsideAFrameIsReplayedAsItIs) {
    const std::variant<TimedBytes, std::string> loaded =
        loadReplayFile(write("# tresvik recording 1\n"
                             "1500 C7 01 24 02 01 00 AA\n"
                             "1520 C7 01 24\n"));
    ASSERT_TRUE(std::holds_alternative<TimedBytes>(loaded)) << std::get<std::string>(loaded);
    const TimedBytes expected{{1500, {0xC7, 0x01, 0x24, 0x02, 0x01, 0x00, 0xAA}},
                              {1520, {0xC7, 0x01, 0x24}}};
    EXPECT_EQ(std::get<TimedBytes>(loaded), expected);
}

}  // namespace
}  // namespace tresvik::sim
