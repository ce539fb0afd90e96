#pragma once

#include <string>
#include <string_view>

#include "health/link_health.h"

namespace tresvik {

// "healthy", "warning", "silent" or "disconnected".
std::string_view stateName(HealthState state);

// Every counter, gap and rate of `health` at `now` as a JSON document; `source` names the port or
// file they come from. README.md ("Link health") describes each member.
std::string healthJson(const LinkHealth& health, ArrivalTime now, std::string_view source);

// One line of the counters and the rates over ten seconds at `now`, without a line end.
std::string healthSummary(const LinkHealth& health, ArrivalTime now);

}  // namespace tresvik
