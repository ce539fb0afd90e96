#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "link/frame.h"

namespace tresvik {

inline constexpr int kFlagGroupCount = 5;
inline constexpr int kFlagGridColumns = 20;
inline constexpr int kFlagGridRows = 12;
inline constexpr std::uint8_t kNoFlag = 0xFF;
// Image shown by a cell without a flag.
inline constexpr int kPlaceholderImage = 4;
// Image count of each icon strip as shipped (4 images per flag position).
inline constexpr std::array<int, kFlagGroupCount> kDefaultStripImageCounts{192, 112, 144, 128, 80};

// One status message of the unit and the grid cells it fills.
struct FlagGroup {
    std::uint16_t messageId = 0;
    int stripResource = 0;
    int rows = 0;
    // Bit position of each cell's two-bit flag, four per grid row; kNoFlag for an empty cell.
    std::array<std::uint8_t, 4 * kFlagGridRows> entries{};
};

const FlagGroup& flagGroup(int group);
// Group of a status message identifier; -1 for any other identifier.
int flagGroupOf(std::uint16_t messageId);

struct FlagUpdate;

struct FlagCell {
    int row = 0;
    int column = 0;
    int image = 0;
    friend bool operator==(const FlagCell&, const FlagCell&) = default;
};

// The image index of every cell of the Flags window's grid.
class FlagGrid {
public:
    explicit FlagGrid(std::array<int, kFlagGroupCount> stripImageCounts = kDefaultStripImageCounts);

    // Image offset within a flag position for a two-bit value (0 to 3).
    static int imageOffset(unsigned value);

    int imageBase(int group) const { return m_bases[static_cast<std::size_t>(group)]; }
    // Current image of a cell; -1 for a cell that no group fills.
    int image(int row, int column) const;

    // The cells whose image changes for reported flags (in the order given, a flag's cells in
    // row-major order).
    std::vector<FlagCell> changesFor(const std::vector<FlagUpdate>& flags) const;
    void apply(const std::vector<FlagCell>& changes);
    // Shows a reported flag: applies its cells' images and returns those that changed.
    std::vector<FlagCell> show(const FlagUpdate& flag);

private:
    std::array<int, kFlagGroupCount> m_bases{};
    std::array<std::array<int, kFlagGridColumns>, kFlagGridRows> m_images{};
};

}  // namespace tresvik
