#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/sim/fault_injector.h"

namespace tresvik::sim {

// The line rate of the unit: 9600 baud, 8N1, ten bit times per byte.
inline constexpr double kLineRate = 960.0;

struct SimOptions {
    double rate = kLineRate;  // bytes per second; 0 sends as fast as the port takes them
    int periodMs = 1000;      // one report cycle at most this often
    std::uint64_t seed = 1;
    FaultRates faults;
    std::string tracePath;          // empty: no trace
    std::string portPath;           // empty: a new pseudo-terminal
    std::uint32_t cycles = 0;       // report cycles to send; 0 for no end
    std::string replayPath;         // empty: the report cycles
    double speed = 1.0;             // how many times as fast as recorded a replay goes
    bool asFastAsLineRate = false;  // a replay's chunks back to back, whatever their offsets
    bool loop = false;              // a replay starts again once its last chunk has gone
    bool answer = false;            // the unit answers the console while replaying
    bool help = false;
    bool version = false;
};

class SimUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

SimOptions parseSimOptions(const std::vector<std::string>& args);

extern const char* const kSimUsage;

}  // namespace tresvik::sim
