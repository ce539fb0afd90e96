#include "flags/flag_grid.h"
#include "flags/flag_states.h"
#include "link/frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

namespace tresvik {
namespace {

constexpr std::array<int, kFlagGroupCount> kGroupRows{12, 7, 9, 8, 5};

TEST(FlagTables, GroupsNameTheirMessageStripAndRows) {
    for (int g = 0; g < kFlagGroupCount; ++g) {
        const FlagGroup& group = flagGroup(g);
        EXPECT_EQ(group.messageId, 0x1020 + 0x10 * g);
        EXPECT_EQ(group.stripResource, 132 + g);
        EXPECT_EQ(group.rows, kGroupRows[static_cast<std::size_t>(g)]);
        EXPECT_EQ(flagGroupOf(group.messageId), g);
    }
    EXPECT_EQ(flagGroupOf(0x1010), -1);
    EXPECT_EQ(flagGroupOf(0x1070), -1);
    EXPECT_EQ(flagGroupOf(0x1021), -1);
}

TEST(FlagTables, EveryFlagIsEvenAndInsideItsReportAndStrip) {
    for (int g = 0; g < kFlagGroupCount; ++g) {
        const FlagGroup& group = flagGroup(g);
        const int positions = kDefaultStripImageCounts[static_cast<std::size_t>(g)] / 4;
        for (int cell = 0; cell < 4 * kFlagGridRows; ++cell) {
            const std::uint8_t c = group.entries[static_cast<std::size_t>(cell)];
            SCOPED_TRACE(testing::Message() << "group " << g << " cell " << cell);
            if (cell >= 4 * group.rows) {
                EXPECT_EQ(c, kNoFlag);
                continue;
            }
            if (c == kNoFlag) {
                continue;
            }
            EXPECT_EQ(c % 2, 0);
            EXPECT_LT(c / 8, group.rows);
            EXPECT_LT(c / 2, positions);
        }
    }
}

// Where each cell of the grid finds its flag: the bit position, in the report's payload, of the
// cell's two-bit flag; one row of four cells per grid row, as the unit lays its reports out,
// written out cell by cell apart from the console's own tables so that a swapped cell shows.
// kNo marks a cell without a flag; the rows below a group's last are empty.
constexpr std::uint8_t kNo = 0xFF;
using LayoutRow = std::array<std::uint8_t, 4>;
const std::array<std::vector<LayoutRow>, kFlagGroupCount> kUnitLayout{{
    // 0x1020
    {{0, kNo, 4, 6},
     {8, 10, 12, 14},
     {16, 18, 20, kNo},
     {24, 26, 28, kNo},
     {32, 34, 36, kNo},
     {40, 42, 44, 46},
     {48, 50, kNo, kNo},
     {56, 58, kNo, kNo},
     {66, 64, 68, 70},
     {72, 74, 76, 78},
     {80, 82, kNo, kNo},
     {88, 90, 92, 94}},
    // 0x1030
    {{0, 2, 4, 6},
     {8, kNo, kNo, kNo},
     {16, 18, 20, kNo},
     {24, 26, 30, 28},
     {kNo, kNo, kNo, kNo},
     {40, 42, 44, 46},
     {48, 50, kNo, kNo}},
    // 0x1040
    {{0, 2, 4, 6},
     {8, 10, 12, 14},
     {16, 18, 20, 22},
     {24, 26, 28, 30},
     {32, 34, 36, 38},
     {40, 42, 44, 46},
     {48, 50, 52, 54},
     {56, 58, 60, 62},
     {64, kNo, kNo, kNo}},
    // 0x1050
    {{0, 2, 4, 6},
     {8, 10, 12, 14},
     {16, 18, 20, 22},
     {24, 26, 28, 30},
     {32, 34, 36, 38},
     {40, 42, 44, kNo},
     {52, 48, 50, 54},
     {56, 58, 60, 62}},
    // 0x1060
    {{0, 2, 4, 6}, {8, 10, 12, 14}, {16, 18, 20, 22}, {24, 26, 28, kNo}, {32, 34, kNo, kNo}},
}};

TEST(FlagTables, EveryCellReadsTheFlagTheUnitPutsThere) {
    for (int g = 0; g < kFlagGroupCount; ++g) {
        const std::vector<LayoutRow>& layout = kUnitLayout[static_cast<std::size_t>(g)];
        const auto& entries = flagGroup(g).entries;
        for (std::size_t cell = 0; cell < entries.size(); ++cell) {
            const std::size_t row = cell / 4;
            const std::uint8_t expected = row < layout.size() ? layout[row][cell % 4] : kNo;
            EXPECT_EQ(int(entries[cell]), int(expected))
                << "group " << g << ", row " << row << ", column " << 4 * g + int(cell % 4);
        }
    }
}

TEST(FlagTables, ExceptionalRowsKeepTheirOrder) {
    const auto cells = [](int g, int row) {
        const auto& e = flagGroup(g).entries;
        const auto at = [&](int k) { return e[static_cast<std::size_t>(4 * row + k)]; };
        return std::array<std::uint8_t, 4>{at(0), at(1), at(2), at(3)};
    };
    using Row = std::array<std::uint8_t, 4>;
    EXPECT_EQ(cells(0, 0), (Row{0, kNoFlag, 4, 6}));
    EXPECT_EQ(cells(0, 8), (Row{66, 64, 68, 70}));
    EXPECT_EQ(cells(1, 3), (Row{24, 26, 30, 28}));
    EXPECT_EQ(cells(1, 4), (Row{kNoFlag, kNoFlag, kNoFlag, kNoFlag}));
    EXPECT_EQ(cells(2, 7), (Row{56, 58, 60, 62}));
    EXPECT_EQ(cells(2, 8), (Row{64, kNoFlag, kNoFlag, kNoFlag}));
    EXPECT_EQ(cells(3, 5), (Row{40, 42, 44, kNoFlag}));
    EXPECT_EQ(cells(3, 6), (Row{52, 48, 50, 54}));
    EXPECT_EQ(cells(3, 7), (Row{56, 58, 60, 62}));
    EXPECT_EQ(cells(4, 3), (Row{24, 26, 28, kNoFlag}));
    EXPECT_EQ(cells(4, 4), (Row{32, 34, kNoFlag, kNoFlag}));
}

TEST(FlagGrid, BasesAreTheRunningSumsOfTheStripCounts) {
    const FlagGrid grid;
    EXPECT_EQ(grid.imageBase(0), 0);
    EXPECT_EQ(grid.imageBase(1), 192);
    EXPECT_EQ(grid.imageBase(2), 304);
    EXPECT_EQ(grid.imageBase(3), 448);
    EXPECT_EQ(grid.imageBase(4), 576);
}

TEST(FlagGrid, StripThatAddedNothingShiftsTheLaterBases) {
    const FlagGrid grid({192, 0, 144, 128, 80});
    EXPECT_EQ(grid.imageBase(1), 192);
    EXPECT_EQ(grid.imageBase(2), 192);
    EXPECT_EQ(grid.imageBase(3), 336);
    EXPECT_EQ(grid.imageBase(4), 464);
    EXPECT_EQ(grid.image(0, 8), 192 + 2);
}

TEST(FlagGrid, StartsCrossedWithPlaceholdersInEmptyCells) {
    const FlagGrid grid;
    EXPECT_EQ(grid.image(0, 0), 2);
    EXPECT_EQ(grid.image(0, 1), kPlaceholderImage);
    EXPECT_EQ(grid.image(8, 0), 66 * 2 + 2);
    EXPECT_EQ(grid.image(0, 4), 192 + 2);
    EXPECT_EQ(grid.image(4, 4), kPlaceholderImage);
    EXPECT_EQ(grid.image(4, 19), kPlaceholderImage);
    EXPECT_EQ(grid.image(11, 3), 94 * 2 + 2);
}

TEST(FlagGrid, CellsBelowAShortGroupAreNotFilled) {
    const FlagGrid grid;
    EXPECT_EQ(grid.image(7, 4), -1);
    EXPECT_EQ(grid.image(9, 8), -1);
    EXPECT_EQ(grid.image(8, 12), -1);
    EXPECT_EQ(grid.image(5, 16), -1);
    EXPECT_EQ(grid.image(8, 11), kPlaceholderImage);
    EXPECT_EQ(grid.image(-1, 0), -1);
    EXPECT_EQ(grid.image(12, 0), -1);
    EXPECT_EQ(grid.image(0, 20), -1);
}

TEST(FlagGrid, ImageOffsetFollowsTheFrameOrderOfAPosition) {
    EXPECT_EQ(FlagGrid::imageOffset(0), 1);
    EXPECT_EQ(FlagGrid::imageOffset(1), 3);
    EXPECT_EQ(FlagGrid::imageOffset(2), 0);
    EXPECT_EQ(FlagGrid::imageOffset(3), 2);
}

struct FirstByteCase {
    std::uint8_t byte0;
    int cell0;
    int cell2;
    int cell3;
};

class FirstRowOfGroupZero : public ::testing::TestWithParam<FirstByteCase> {};

TEST_P(FirstRowOfGroupZero, ShowsEachTwoBitValue) {
    FlagGrid grid;
    Bytes payload(12, 0x00);
    payload[0] = GetParam().byte0;
    grid.apply(grid.changesFor(readFlags(makeFrame(0x1020, payload))));
    EXPECT_EQ(grid.image(0, 0), GetParam().cell0);
    EXPECT_EQ(grid.image(0, 1), kPlaceholderImage);
    EXPECT_EQ(grid.image(0, 2), GetParam().cell2);
    EXPECT_EQ(grid.image(0, 3), GetParam().cell3);
}

INSTANTIATE_TEST_SUITE_P(PayloadByteZero, FirstRowOfGroupZero,
                         ::testing::Values(FirstByteCase{0x00, 1, 9, 13},
                                           FirstByteCase{0x55, 3, 11, 15},
                                           FirstByteCase{0xFF, 2, 10, 14}));

TEST(FlagGrid, GroupOneUsesItsOwnBase) {
    FlagGrid grid;
    Bytes payload(7, 0x00);
    payload[0] = 0x02;
    const auto changes = grid.changesFor(readFlags(makeFrame(0x1030, payload)));
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.front(), (FlagCell{0, 4, 192}));
    grid.apply(changes);
    EXPECT_EQ(grid.image(0, 4), 192);
    EXPECT_EQ(grid.image(0, 0), 2) << "group 0 untouched";
}

TEST(FlagGrid, RowEightOfGroupZeroShowsBit66BeforeBit64) {
    FlagGrid grid;
    Bytes payload(12, 0x00);
    payload[8] = 0x01 | (0x02 << 2);  // bit 64 = 1, bit 66 = 2
    grid.apply(grid.changesFor(readFlags(makeFrame(0x1020, payload))));
    EXPECT_EQ(grid.image(8, 0), 2 * 66 + FlagGrid::imageOffset(2));
    EXPECT_EQ(grid.image(8, 1), 2 * 64 + FlagGrid::imageOffset(1));
}

TEST(FlagGrid, GroupThreeRowSixReadsBit52First) {
    FlagGrid grid;
    Bytes payload(8, 0x00);
    payload[6] = 0x30;  // bit 52 = 3, others 0
    grid.apply(grid.changesFor(readFlags(makeFrame(0x1050, payload))));
    EXPECT_EQ(grid.image(6, 12), 448 + 2 * 52 + 2);
    EXPECT_EQ(grid.image(6, 13), 448 + 2 * 48 + 1);
}

TEST(FlagGrid, OtherIdentifiersChangeNothing) {
    const FlagGrid grid;
    EXPECT_TRUE(grid.changesFor(readFlags(makeFrame(0x1070, Bytes(12, 0x00)))).empty());
    EXPECT_TRUE(grid.changesFor(readFlags(makeFrame(0x1010, Bytes(12, 0x00)))).empty());
    EXPECT_TRUE(grid.changesFor(readFlags(makeFrame(0x2401, Bytes(12, 0x00)))).empty());
}

TEST(FlagGrid, RepeatedReportChangesNothingTheSecondTime) {
    FlagGrid grid;
    const Bytes report = makeFrame(0x1040, {0x1B, 0xE4, 0x00, 0xFF, 0x55, 0xAA, 0x12, 0x34, 0x03});
    const auto first = grid.changesFor(readFlags(report));
    EXPECT_FALSE(first.empty());
    grid.apply(first);
    EXPECT_TRUE(grid.changesFor(readFlags(report)).empty());
}

TEST(FlagGrid, OnlyCellsThatDifferAreReportedInRowMajorOrder) {
    FlagGrid grid;
    // Every flag of group 4 at value 3 is the crossed picture it already shows, except the two
    // flags set to 0: bit 2 of byte 0 (row 0, column 17) and bit 26 (row 3, column 17).
    Bytes payload(5, 0xFF);
    payload[0] = 0xF3;
    payload[3] = 0xF3;
    const auto changes = grid.changesFor(readFlags(makeFrame(0x1060, payload)));
    const std::vector<FlagCell> expected{{0, 17, 576 + 2 * 2 + 1}, {3, 17, 576 + 2 * 26 + 1}};
    EXPECT_EQ(changes, expected);
}

TEST(FlagGrid, ShortPayloadLeavesLaterRowsUntouched) {
    FlagGrid grid;
    const auto changes = grid.changesFor(readFlags(makeFrame(0x1020, {0x00, 0x00})));
    grid.apply(changes);
    EXPECT_EQ(grid.image(0, 0), 1);
    EXPECT_EQ(grid.image(1, 3), 2 * 14 + 1);
    EXPECT_EQ(grid.image(2, 0), 2 * 16 + 2);
    EXPECT_EQ(grid.image(11, 3), 2 * 94 + 2);
    for (const FlagCell& cell : changes) {
        EXPECT_LT(cell.row, 2);
    }
}

TEST(FlagGrid, TruncatedSpanIsReadOnlyAsFarAsItReaches) {
    FlagGrid grid;
    const Bytes report = makeFrame(0x1020, Bytes(12, 0x00));
    // The length byte claims 12 payload bytes but only the first three are present.
    const auto changes = grid.changesFor(readFlags(ByteView(report).first(7)));
    for (const FlagCell& cell : changes) {
        EXPECT_LT(cell.row, 3);
    }
    EXPECT_EQ(changes.size(), 3U + 4U + 3U);
    EXPECT_TRUE(grid.changesFor(readFlags(ByteView(report).first(3))).empty());
    EXPECT_TRUE(grid.changesFor(readFlags(ByteView(report).first(4))).empty());
}

TEST(FlagGrid, ApplyIgnoresCellsOutsideTheGrid) {
    FlagGrid grid;
    grid.apply({{-1, 0, 7}, {12, 0, 7}, {0, 20, 7}, {0, 0, 7}});
    EXPECT_EQ(grid.image(0, 0), 7);
}

}  // namespace
}  // namespace tresvik
