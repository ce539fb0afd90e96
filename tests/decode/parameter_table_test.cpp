#include "decode/parameter_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <set>
#include <string_view>

namespace tresvik {
namespace {

constexpr int kDriver1First = 106;
constexpr int kDriver2First = 134;

TEST(ParameterTable, HoldsExactlyOneHundredSixtyTwoRows) {
    EXPECT_EQ(kParameterCount, 162);
    EXPECT_EQ(parameterTable().size(), 162U);
    EXPECT_EQ(&parameterRow(161), &parameterTable()[161]);
}

TEST(ParameterTable, IdentifiersAreUniqueAndWithinTheUnitsRange) {
    std::set<std::uint16_t> seen;
    for (const ParameterRow& row : parameterTable()) {
        EXPECT_TRUE(seen.insert(row.messageId).second) << std::hex << row.messageId;
        EXPECT_GE(row.messageId, 0x0031);
        EXPECT_LE(row.messageId, 0x5304);
    }
}

TEST(ParameterTable, EveryRowHasAKnownFormatAndANonZeroDivisor) {
    for (const ParameterRow& row : parameterTable()) {
        EXPECT_GE(row.formatCode, FormatCode::Numeric);
        EXPECT_LE(row.formatCode, FormatCode::DateTime);
        EXPECT_NE(row.divisor, 0U);
        EXPECT_FALSE(row.label.empty());
    }
}

TEST(ParameterTable, LabelsAreKeptVerbatimIncludingMisspellings) {
    EXPECT_EQ(parameterRow(0).label, u"Device");
    EXPECT_EQ(parameterRow(1).label, u"Sw. Date");
    EXPECT_EQ(parameterRow(33).label, u"Treshing drum RPM");
    EXPECT_EQ(parameterRow(77).label, u"Gross combined wehicle weight");
    EXPECT_EQ(parameterRow(79).label, u"Eco Permited RPM time [h]");
    EXPECT_EQ(parameterRow(84).label, u"Eco Driving time wigh RED indicator [h]");
    EXPECT_EQ(parameterRow(105).label, u"Tachograph driver's card presence");
    EXPECT_EQ(parameterRow(115).label, u"Driver 1 Numver Of Times 9h Daily Driving Times Exceeded");
}

TEST(ParameterTable, LongestLabelHasFiftySevenCharacters) {
    const auto longest = std::ranges::max_element(
        parameterTable(), {}, [](const ParameterRow& row) { return row.label.size(); });
    EXPECT_EQ(longest->label.size(), 57U);
    EXPECT_EQ(longest->label, u"Driver 1 cumulated driving time previous and current week");
}

struct RowCase {
    int index;
    std::u16string_view label;
    std::uint16_t messageId;
    FormatCode formatCode;
    int width;
    int decimals;
    int multiplier;
    std::uint32_t divisor;
    int offset;
};

using enum FormatCode;

// Group boundaries and the rows with unusual scalings.
constexpr std::array kRowCases{
    RowCase{0, u"Device", 0x2420, DeviceVersion, 0, 0, 1, 1, 0},
    RowCase{3, u"PRG_NO", 0x2401, PrefixedNumeric, 5, 0, 1, 1, 0},
    RowCase{7, u"DBG_EXCEPTION", 0x24F3, PrefixedNumeric, 0, 0, 1, 1, 0},
    RowCase{8, u"Lifetime", 0x0031, Duration, 9, 2, 1, 3600, 0},
    RowCase{10, u"Odometer", 0x0033, Numeric, 11, 3, 1, 200, 0},
    RowCase{17, u"Temperature", 0x003A, Numeric, 5, 1, 1, 1, 60},
    RowCase{28, u"Harvesting Efficiency", 0x0048, Numeric, 9, 5, 1, 100000, 0},
    RowCase{31, u"Accelerator Position [%]", 0x004B, Numeric, 5, 1, 2, 5, 0},
    RowCase{32, u"Engine Load [%]", 0x004C, Numeric, 3, 1, 1, 1, 125},
    RowCase{42, u"VIN", 0x0057, Characters, 17, 0, 1, 1, 0},
    RowCase{45, u"Arm - Slope [*]", 0x0070, Numeric, 6, 1, 1, 10, 1800},
    RowCase{77, u"Gross combined wehicle weight", 0x009B, Numeric, 7, 1, 10, 1, 0},
    RowCase{78, u"Eco Speed limit time [h]", 0x4001, Duration, 6, 2, 1, 1, 0},
    RowCase{95, u"Eco Total idle fuel consumption [l]", 0x4012, Numeric, 9, 2, 1, 20, 0},
    RowCase{96, u"Immo ID BASE", 0x2060, ImmobiliserBaseId, 11, 0, 1, 1, 0},
    RowCase{101, u"Immo ID 5", 0x2065, ImmobiliserId, 11, 0, 1, 1, 0},
    RowCase{104, u"Tachograph vehicle speed", 0x5303, Numeric, 3, 0, 1, 256, 0},
    RowCase{106, u"Driver1 Name", 0x5101, DriverName, 0, 0, 1, 1, 0},
    RowCase{133, u"Driver 1 Time Left Until New Weekly Rest Period", 0x511C, Numeric, 9, 2, 1, 60,
            0},
    RowCase{134, u"Driver2 Name", 0x5201, DriverName, 0, 0, 1, 1, 0},
    RowCase{151, u"Driver 2 End Of Last Daily Rest Period", 0x5212, DateTime, 8, 0, 1, 1, 0},
    RowCase{160, u"Driver 2 Card Next Mandatory Download Date", 0x521B, Date, 10, 0, 1, 1, 0},
    RowCase{161, u"Driver 2 Time Left Until New Weekly Rest Period", 0x521C, Numeric, 9, 2, 1, 60,
            0},
};

TEST(ParameterTable, SelectedRowsCarryTheirIdentifierFormatAndScaling) {
    for (const RowCase& c : kRowCases) {
        SCOPED_TRACE(c.index);
        const ParameterRow& row = parameterRow(c.index);
        EXPECT_EQ(row.label, c.label);
        EXPECT_EQ(row.messageId, c.messageId);
        EXPECT_EQ(row.formatCode, c.formatCode);
        EXPECT_EQ(row.width, c.width);
        EXPECT_EQ(row.decimals, c.decimals);
        EXPECT_EQ(row.multiplier, c.multiplier);
        EXPECT_EQ(row.divisor, c.divisor);
        EXPECT_EQ(row.offset, c.offset);
    }
}

constexpr std::array<std::u16string_view, 28> kDriver2Labels{
    u"Driver2 Name",
    u"Driver2 Lastname",
    u"Driver2 ID",
    u"Driver2 state",
    u"Driver 2 continuous driving time",
    u"Driver 2 cumulative break time",
    u"Driver 2 current duration of selected activity",
    u"Driver 2 cumulated driving time previous and current week",
    u"Driver 2 Current Daily Driving Time",
    u"Driver 2 Numver Of Times 9h Daily Driving Times Exceeded",
    u"Driver 2 Cumulative Uninterrupted Rest Time",
    u"Driver 2 Remaining Current Driving Time",
    u"Driver 2 Remaining Driving Time On Current Shift",
    u"Driver 2 Remaining Driving Time Of Current Week",
    u"Driver 2 Remaining 2 Weeks Driving Time",
    u"Driver 2 Time Left Until Next Driving Period",
    u"Driver 2 Remaining Time Until Next Break Or Rest",
    u"Driver 2 End Of Last Daily Rest Period",
    u"Driver 2 End Of Second Last Weekly Rest Period",
    u"Driver 2 Current Weekly Driving Time",
    u"Driver 2 Maximum Daily Driving Time",
    u"Driver 2 Number Of Used Reduced Daily Rest Periods",
    u"Driver 2 Duration Of Next Driving Period",
    u"Driver 2 Duration Of Next Break Rest",
    u"Driver 2 Remaining Time Of Current Break Rest",
    u"Driver 2 Time Left Until New Daily Rest Period",
    u"Driver 2 Card Next Mandatory Download Date",
    u"Driver 2 Time Left Until New Weekly Rest Period",
};

TEST(ParameterTable, SecondDriverRowsCopyTheFirstDriverBlockWithItsOwnLabelsAndIdentifiers) {
    for (int i = 0; i < 28; ++i) {
        SCOPED_TRACE(i);
        const ParameterRow& first = parameterRow(kDriver1First + i);
        const ParameterRow& second = parameterRow(kDriver2First + i);
        EXPECT_EQ(second.label, kDriver2Labels[i]);
        EXPECT_EQ(second.messageId, first.messageId + 0x0100);
        EXPECT_EQ(second.formatCode, first.formatCode);
        EXPECT_EQ(second.width, first.width);
        EXPECT_EQ(second.decimals, first.decimals);
        EXPECT_EQ(second.multiplier, first.multiplier);
        EXPECT_EQ(second.divisor, first.divisor);
        EXPECT_EQ(second.offset, first.offset);
    }
}

TEST(ParameterTable, RowsFillFortyItemsPerColumnPair) {
    const struct {
        int index;
        ListPosition position;
    } cases[] = {
        {0, {0, 0, 1}},   {39, {39, 0, 1}}, {40, {0, 2, 3}},
        {123, {3, 6, 7}}, {160, {0, 8, 9}}, {161, {1, 8, 9}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        const ListPosition position = listPosition(c.index);
        EXPECT_EQ(position.item, c.position.item);
        EXPECT_EQ(position.labelColumn, c.position.labelColumn);
        EXPECT_EQ(position.valueColumn, c.position.valueColumn);
    }
}

TEST(ParameterTable, EveryRowIsFoundAgainFromItsLabelAndValueCells) {
    for (int index = 0; index < kParameterCount; ++index) {
        const ListPosition position = listPosition(index);
        EXPECT_EQ(rowAt(position.item, position.labelColumn), index);
        EXPECT_EQ(rowAt(position.item, position.valueColumn), index);
    }
}

TEST(ParameterTable, EveryRowIsFoundAgainFromItsIdentifier) {
    for (int index = 0; index < kParameterCount; ++index) {
        EXPECT_EQ(findParameterRow(parameterRow(index).messageId), index);
    }
}

TEST(ParameterTable, IdentifiersOfOtherMessagesFindNoRow) {
    // Just outside the catalogue's ranges, and a flag group, the reset and the debug information.
    for (const std::uint16_t id :
         {0x0000, 0x0030, 0x1020, 0x2405, 0x2406, 0x521D, 0x5305, 0xFFFF}) {
        EXPECT_EQ(findParameterRow(id), std::nullopt) << std::hex << id;
    }
}

TEST(ParameterTable, CellsWithoutARowGiveMinusOne) {
    EXPECT_EQ(rowAt(2, 8), -1);
    EXPECT_EQ(rowAt(39, 9), -1);
    EXPECT_EQ(rowAt(40, 0), -1);
    EXPECT_EQ(rowAt(-1, 0), -1);
    EXPECT_EQ(rowAt(0, 10), -1);
    EXPECT_EQ(rowAt(0, -1), -1);
}

}  // namespace
}  // namespace tresvik
