#pragma once

#include <cstdint>

#include "link/frame.h"
#include "tools/sim/unit_state.h"

namespace tresvik::sim {

// Identifiers of the unit's own messages.
inline constexpr std::uint16_t kResetId = 0x2405;

// The payload that reports parameter row `row` in the state's present cycle. Every format the
// console knows is exercised, and the values move from cycle to cycle.
Bytes parameterPayload(int row, const UnitState& state);
// The payload of status flag group `group` (0 to 4): one byte per grid row of the group.
Bytes flagPayload(int group, const UnitState& state);
// A debug-information payload; it changes every few cycles, so the ID log gains a line now and
// then.
Bytes debugPayload(const UnitState& state);

}  // namespace tresvik::sim
