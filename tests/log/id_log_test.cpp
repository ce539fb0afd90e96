#include "log/id_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace tresvik {
namespace {

namespace fs = std::filesystem;

class IdLogFile : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() /
                ("tresvik_id_log_" + std::to_string(std::random_device{}()) + "_" + test->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_file = m_dir / IdLog::kFileName;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string fileBytes() const {
        std::ifstream in(m_file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void writeFile(const std::string& bytes) const {
        std::ofstream out(m_file, std::ios::binary | std::ios::trunc);
        out << bytes;
    }

    fs::path m_dir;
    fs::path m_file;
};

TEST_F(IdLogFile, FirstRunCreatesAnEmptyFile) {
    IdLog log;
    log.load(m_file);
    EXPECT_TRUE(fs::exists(m_file));
    EXPECT_EQ(fs::file_size(m_file), 0u);
    EXPECT_TRUE(log.known().empty());
    EXPECT_EQ(log.path(), m_file);
}

TEST_F(IdLogFile, NewLineIsWrittenWithCrLfAndKeptWithLf) {
    IdLog log;
    log.load(m_file);
    EXPECT_TRUE(log.record(u"C70624020100"));
    EXPECT_EQ(fileBytes(), "C70624020100\r\n");
    EXPECT_EQ(log.known(), std::vector<std::u16string>{u"C70624020100\n"});
}

TEST_F(IdLogFile, SameLineTwiceInOneRunIsWrittenOnce) {
    IdLog log;
    log.load(m_file);
    EXPECT_TRUE(log.record(u"C70624020100"));
    EXPECT_FALSE(log.record(u"C70624020100"));
    EXPECT_EQ(fileBytes(), "C70624020100\r\n");
}

TEST_F(IdLogFile, LineFromAnEarlierRunIsKnown) {
    {
        IdLog first;
        first.load(m_file);
        first.record(u"C70624020100");
    }
    IdLog second;
    second.load(m_file);
    EXPECT_EQ(second.known(), std::vector<std::u16string>{u"C70624020100"});
    EXPECT_FALSE(second.record(u"C70624020100"));
    EXPECT_TRUE(second.record(u"C70624020101"));
    EXPECT_EQ(fileBytes(), "C70624020100\r\nC70624020101\r\n");
}

TEST_F(IdLogFile, LfAndCrLfLinesReadAlikeEmptyLinesIncluded) {
    writeFile("AB\r\n\r\nCD\nEF");
    IdLog log;
    log.load(m_file);
    EXPECT_EQ(log.known(), (std::vector<std::u16string>{u"AB", u"", u"CD", u"EF"}));
    EXPECT_EQ(fileBytes(), "AB\r\n\r\nCD\nEF");
}

TEST_F(IdLogFile, LowerCaseLineWrittenByHandDoesNotMatch) {
    writeFile("c70624020100\r\n");
    IdLog log;
    log.load(m_file);
    EXPECT_TRUE(log.record(u"C70624020100"));
    EXPECT_EQ(fileBytes(), "c70624020100\r\nC70624020100\r\n");
}

TEST_F(IdLogFile, EntryThatBeginsWithTheLineCountsAsKnown) {
    writeFile("C70624020100FF\r\n");
    IdLog log;
    log.load(m_file);
    EXPECT_FALSE(log.record(u"C70624020100"));
    EXPECT_EQ(log.known().size(), 1u);
}

TEST_F(IdLogFile, UnopenableFileLeavesTheListEmptyAndRetriesLater) {
    // A path below a regular file can never be created, whoever runs the test.
    writeFile("");
    const fs::path unreachable = m_file / IdLog::kFileName;
    IdLog log;
    EXPECT_NO_THROW(log.load(unreachable));
    EXPECT_TRUE(log.known().empty());
    EXPECT_FALSE(log.record(u"C70624020100"));
    EXPECT_TRUE(log.known().empty());
    EXPECT_FALSE(log.record(u"C70624020100"));
}

TEST(IdLogWithoutFile, RemembersLinesOfThisRunWithoutWritingAnything) {
    IdLog log;
    EXPECT_TRUE(log.record(u"C70624020100"));
    EXPECT_FALSE(log.record(u"C70624020100"));
    EXPECT_TRUE(log.record(u"C70624020200"));
    EXPECT_EQ(log.known().size(), 2U);
    EXPECT_TRUE(log.path().empty());
}

}  // namespace
}  // namespace tresvik
