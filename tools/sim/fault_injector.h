#pragma once

#include <cstdint>

#include "link/frame.h"
#include "tools/sim/random_source.h"

namespace tresvik::sim {

// Probabilities (0 to 1) of the faults injected per frame sent.
struct FaultRates {
    double crcErrors = 0.0;
    double noise = 0.0;
    double badLength = 0.0;
};

enum class FrameFault {
    None,      // sent as built
    Checksum,  // checksum byte changed: the receiver drops exactly this frame
    Length,    // length byte changed: the receiver loses its place for a while
};

// What goes on the line for one frame: noise bytes (never a start byte, so the receiver drops
// them) and the frame, perhaps damaged.
struct Emission {
    Bytes noise;
    Bytes frame;
    FrameFault fault = FrameFault::None;
};

// Damages frames at random from a seed: the same seed and rates give the same damage to the
// same stream of frames.
class FaultInjector {
public:
    static constexpr std::size_t kMaxNoise = 8;

    FaultInjector(std::uint64_t seed, FaultRates rates);

    Emission apply(const Bytes& frame);

private:
    RandomSource m_random;
    FaultRates m_rates;
};

}  // namespace tresvik::sim
