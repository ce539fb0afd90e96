#include "flags/flag_grid.h"

#include "flags/flag_states.h"

#include <algorithm>
#include <cstddef>

namespace tresvik {

namespace {

constexpr std::uint8_t kNo = kNoFlag;
// Each group fills four adjacent grid columns.
constexpr int kGroupColumns = 4;
using FlagRow = std::array<std::uint8_t, kGroupColumns>;

// Lays a group's rows out as the flat entry table; rows past the group's row count stay empty.
template <std::size_t N>
constexpr FlagGroup makeGroup(std::uint16_t messageId, int stripResource,
                              const std::array<FlagRow, N>& rows) {
    static_assert(N <= kFlagGridRows);
    FlagGroup group{messageId, stripResource, static_cast<int>(N), {}};
    group.entries.fill(kNoFlag);
    for (std::size_t r = 0; r < N; ++r) {
        for (std::size_t k = 0; k < kGroupColumns; ++k) {
            group.entries[kGroupColumns * r + k] = rows[r][k];
        }
    }
    return group;
}

// Each row lists the bit positions of its four cells' two-bit flags. Mostly row r shows payload
// byte r in bit order; the exceptions are deliberate and follow the unit's icon layout.
constexpr std::array<FlagRow, 12> kGroup0Rows{{
    {0, kNo, 4, 6},
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
    {88, 90, 92, 94},
}};

constexpr std::array<FlagRow, 7> kGroup1Rows{{
    {0, 2, 4, 6},
    {8, kNo, kNo, kNo},
    {16, 18, 20, kNo},
    {24, 26, 30, 28},
    {kNo, kNo, kNo, kNo},
    {40, 42, 44, 46},
    {48, 50, kNo, kNo},
}};

constexpr std::array<FlagRow, 9> kGroup2Rows{{
    {0, 2, 4, 6},
    {8, 10, 12, 14},
    {16, 18, 20, 22},
    {24, 26, 28, 30},
    {32, 34, 36, 38},
    {40, 42, 44, 46},
    {48, 50, 52, 54},
    {56, 58, 60, 62},
    {64, kNo, kNo, kNo},
}};

constexpr std::array<FlagRow, 8> kGroup3Rows{{
    {0, 2, 4, 6},
    {8, 10, 12, 14},
    {16, 18, 20, 22},
    {24, 26, 28, 30},
    {32, 34, 36, 38},
    {40, 42, 44, kNo},
    {52, 48, 50, 54},
    {56, 58, 60, 62},
}};

constexpr std::array<FlagRow, 5> kGroup4Rows{{
    {0, 2, 4, 6},
    {8, 10, 12, 14},
    {16, 18, 20, 22},
    {24, 26, 28, kNo},
    {32, 34, kNo, kNo},
}};

constexpr std::array<FlagGroup, kFlagGroupCount> kGroups{
    makeGroup(0x1020, 132, kGroup0Rows), makeGroup(0x1030, 133, kGroup1Rows),
    makeGroup(0x1040, 134, kGroup2Rows), makeGroup(0x1050, 135, kGroup3Rows),
    makeGroup(0x1060, 136, kGroup4Rows),
};

// A flag that has not been reported yet shows the crossed picture.
constexpr int kUnreportedOffset = 2;

constexpr std::size_t index(int value) {
    return static_cast<std::size_t>(value);
}

}  // namespace

const FlagGroup& flagGroup(int group) {
    return kGroups.at(index(group));
}

int flagGroupOf(std::uint16_t messageId) {
    for (int g = 0; g < kFlagGroupCount; ++g) {
        if (kGroups[index(g)].messageId == messageId) {
            return g;
        }
    }
    return -1;
}

FlagGrid::FlagGrid(std::array<int, kFlagGroupCount> stripImageCounts) {
    // Each strip's images follow those of the strips before it, so a strip that added nothing
    // moves every later group's pictures.
    int base = 0;
    for (int g = 0; g < kFlagGroupCount; ++g) {
        m_bases[index(g)] = base;
        base += stripImageCounts[index(g)];
    }
    for (auto& row : m_images) {
        row.fill(-1);
    }
    for (int g = 0; g < kFlagGroupCount; ++g) {
        const FlagGroup& group = kGroups[index(g)];
        for (int r = 0; r < group.rows; ++r) {
            for (int k = 0; k < kGroupColumns; ++k) {
                const std::uint8_t c = group.entries[index(kGroupColumns * r + k)];
                m_images[index(r)][index(kGroupColumns * g + k)] =
                    c == kNoFlag ? kPlaceholderImage
                                 : m_bases[index(g)] + 2 * c + kUnreportedOffset;
            }
        }
    }
}

int FlagGrid::imageOffset(unsigned value) {
    // A flag position's four images are its 1st frame, 2nd frame, 2nd frame crossed and 3rd
    // frame; value 0 shows the 2nd, 1 the 3rd, 2 the 1st and 3 the crossed 2nd.
    constexpr std::array<int, 4> kOffsets{1, 3, 0, 2};
    return kOffsets[value & 3U];
}

int FlagGrid::image(int row, int column) const {
    if (row < 0 || row >= kFlagGridRows || column < 0 || column >= kFlagGridColumns) {
        return -1;
    }
    return m_images[index(row)][index(column)];
}

std::vector<FlagCell> FlagGrid::changesFor(const std::vector<FlagUpdate>& flags) const {
    std::vector<FlagCell> changes;
    for (const FlagUpdate& flag : flags) {
        if (flag.group < 0 || flag.group >= kFlagGroupCount) {
            continue;
        }
        const FlagGroup& group = kGroups[index(flag.group)];
        for (int r = 0; r < group.rows; ++r) {
            for (int k = 0; k < kGroupColumns; ++k) {
                if (group.entries[index(kGroupColumns * r + k)] != flag.position) {
                    continue;
                }
                const int column = kGroupColumns * flag.group + k;
                const int newImage =
                    m_bases[index(flag.group)] + 2 * flag.position + imageOffset(flag.state);
                if (newImage != m_images[index(r)][index(column)]) {
                    changes.push_back({r, column, newImage});
                }
            }
        }
    }
    return changes;
}

std::vector<FlagCell> FlagGrid::show(const FlagUpdate& flag) {
    std::vector<FlagCell> changes = changesFor({flag});
    apply(changes);
    return changes;
}

void FlagGrid::apply(const std::vector<FlagCell>& changes) {
    for (const FlagCell& cell : changes) {
        if (cell.row >= 0 && cell.row < kFlagGridRows && cell.column >= 0 &&
            cell.column < kFlagGridColumns) {
            m_images[index(cell.row)][index(cell.column)] = cell.image;
        }
    }
}

}  // namespace tresvik
