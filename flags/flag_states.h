#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "flags/flag_grid.h"
#include "link/frame.h"
#include "link/received_bytes.h"

namespace tresvik {

// One two-bit status flag as the unit reported it: its group (status message), its bit position
// in the message's payload and its value (0 to 3).
struct FlagUpdate {
    int group = 0;
    int position = 0;
    std::uint8_t state = 0;
    ArrivalTime arrival{};
    friend bool operator==(const FlagUpdate&, const FlagUpdate&) = default;
};

// Every flag of the grid that a complete status frame reports, in the grid's row-major order;
// nothing for other identifiers. A flag whose byte lies beyond the payload (or beyond a truncated
// span) is not reported.
std::vector<FlagUpdate> readFlags(ByteView frame);

// The last reported state of every flag: what the unit said, whatever the Flags window shows.
class FlagStates {
public:
    FlagStates();

    // The flags of a status frame whose state differs from their last report, or that had none.
    std::vector<FlagUpdate> changesFor(ByteView frame) const;
    void apply(const std::vector<FlagUpdate>& updates);
    // Nothing for a flag not yet reported, or a position outside the group's grid.
    std::optional<std::uint8_t> state(int group, int position) const;

private:
    static constexpr std::size_t kPositions = 8 * 255;
    static constexpr std::uint8_t kUnreported = 0xFF;
    std::array<std::array<std::uint8_t, kPositions>, kFlagGroupCount> m_states{};
};

}  // namespace tresvik
