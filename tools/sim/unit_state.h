#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>

#include "decode/parameter_table.h"

namespace tresvik::sim {

// A counter set by a command: the value it was set to and the report cycle it was set in.
struct CounterSetting {
    std::int32_t value = 0;
    std::uint32_t cycle = 0;
};

// The vehicle functions the simulation buttons act on, each shown by one status flag.
struct VehicleState {
    bool blinker = false;
    bool horn = false;
    bool engineRunning = true;
    bool locked = false;
    bool driverDoorUnlocked = false;
    bool allDoorsUnlocked = false;
    bool bootOpen = false;
    bool windowsClosed = true;
    bool heaterOn = false;
    bool immobilised = false;
    bool doorOpen = false;
};

// Everything the simulated unit reports from.
struct UnitState {
    std::uint32_t cycle = 0;
    std::int32_t program = 11120;
    bool tachoRunning = true;
    std::uint32_t eepromWrites = 0;
    std::uint32_t softResets = 0;
    VehicleState vehicle;
    // The last value set under each command identifier; a request for it is answered with it.
    std::map<std::uint16_t, std::int32_t> commandValues;
    std::array<std::optional<CounterSetting>, kParameterCount> counters;
};

}  // namespace tresvik::sim
