#include "commands/command_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>

#include "commands/command_encoder.h"

namespace tresvik {
namespace {

TEST(CommandTable, HoldsFortyFiveRowsInListOrder) {
    ASSERT_EQ(commandTable().size(), 45U);
    EXPECT_EQ(commandRow(0).name, u"Debug Info");
    EXPECT_EQ(commandRow(0).messageId, 0x2406);
    EXPECT_EQ(commandRow(41).name, u"Reset");
    EXPECT_EQ(commandRow(41).messageId, 0x2405);
    EXPECT_EQ(commandRow(42).name, u"Set Frame Time");
    EXPECT_EQ(commandRow(42).defaultValue, u"1");
    EXPECT_EQ(commandRow(44).name, u"STOP Simple Tacho");
}

TEST(CommandTable, ProgramRowNameKeepsItsTrailingSpace) {
    EXPECT_EQ(commandRow(1).messageId, 0x2401);
    EXPECT_EQ(commandRow(1).name, u"Set New Program ");
    EXPECT_EQ(commandRow(1).defaultValue, u"11120");
}

TEST(CommandTable, NamesAndDefaultsFitTheirFixedBuffers) {
    std::size_t longestName = 0;
    std::size_t longestDefault = 0;
    for (const CommandRow& row : commandTable()) {
        longestName = std::max(longestName, row.name.size());
        longestDefault = std::max(longestDefault, row.defaultValue.size());
    }
    EXPECT_EQ(longestName, 31U);
    EXPECT_EQ(longestDefault, 5U);
}

TEST(CommandTable, DefaultRequestRowsAreExactlyTheDebugAndAskingRows) {
    const std::set<int> expected{0, 26, 28, 30, 32, 34, 36, 38, 40};
    std::set<int> requests;
    for (int i = 0; i < kCommandCount; ++i) {
        if (isRequestText(commandRow(i).defaultValue)) {
            requests.insert(i);
        }
    }
    EXPECT_EQ(requests, expected);
}

TEST(CommandTable, EverySettingRowSharesItsIdentifierWithTheAskingRowBelowIt) {
    for (int row = 25; row <= 39; row += 2) {
        SCOPED_TRACE(row);
        EXPECT_EQ(commandRow(row).messageId, commandRow(row + 1).messageId);
        EXPECT_EQ(commandRow(row).name.substr(0, 8), u"Eco Set ");
        EXPECT_EQ(commandRow(row + 1).name.substr(0, 8), u"Eco Get ");
        EXPECT_EQ(commandRow(row).name.substr(8), commandRow(row + 1).name.substr(8));
    }
    EXPECT_EQ(commandRow(43).messageId, 0x240D);
    EXPECT_EQ(commandRow(44).messageId, 0x240D);
    EXPECT_EQ(commandRow(43).defaultValue, u"1");
    EXPECT_EQ(commandRow(44).defaultValue, u"0");
}

struct FindCase {
    std::uint16_t id;
    std::optional<int> row;
};

class FindCommandRow : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindCommandRow, ReturnsTheFirstRowWithTheIdentifier) {
    EXPECT_EQ(findCommandRow(GetParam().id), GetParam().row);
}

INSTANTIATE_TEST_SUITE_P(Identifiers, FindCommandRow,
                         ::testing::Values(FindCase{0x4801, 25}, FindCase{0x4C02, 27},
                                           FindCase{0x480C, 39}, FindCase{0x2406, 0},
                                           FindCase{0x2401, 1}, FindCase{0x240F, 42},
                                           FindCase{0x240D, std::nullopt},
                                           FindCase{0x1234, std::nullopt},
                                           FindCase{0x0000, std::nullopt}));

TEST(CommandTable, EveryIdentifierButTachoFindsARowCarryingIt) {
    for (int i = 0; i < kCommandCount; ++i) {
        const std::uint16_t id = commandRow(i).messageId;
        if (id == kTachoId) {
            continue;
        }
        const std::optional<int> found = findCommandRow(id);
        ASSERT_TRUE(found.has_value()) << i;
        EXPECT_LE(*found, i);
        EXPECT_EQ(commandRow(*found).messageId, id);
    }
}

}  // namespace
}  // namespace tresvik
