#pragma once

#include <cstddef>
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
    Length,    // length byte made smaller: the receiver loses its place until the next frame
};

// What goes on the line for one frame: noise bytes (never a start byte, so the receiver drops
// them) and the frame, perhaps damaged.
struct Emission {
    Bytes noise;
    Bytes frame;
    FrameFault fault = FrameFault::None;
    // With a damaged length, how many of the frame's bytes lie beyond the length it claims.
    std::size_t bytesPastLength = 0;
};

// Damages frames at random from a seed: the same seed and rates give the same damage to the
// same stream of frames.
//
// A damaged length always claims fewer bytes than the frame holds, chosen so that what a
// receiver makes of it follows from the emission alone: it takes the bytes up to the claimed
// length as one frame, whose checksum fails (the length is never one whose last byte happens to
// be that frame's checksum), then drops the bytes past it as noise (they hold no start byte) and
// is back in step at the next frame. A frame whose length cannot be damaged so (no payload, or a
// start byte among its last bytes, the checksum included) is left to the checksum's draw.
class FaultInjector {
public:
    static constexpr std::size_t kMaxNoise = 8;

    FaultInjector(std::uint64_t seed, FaultRates rates);

    Emission apply(const Bytes& frame);

private:
    // Makes the length of `frame` one of those that keep the damage within it, chosen by `pick`;
    // false when there is none.
    static bool shortenLength(Bytes& frame, std::uint32_t pick);

    RandomSource m_random;
    FaultRates m_rates;
};

}  // namespace tresvik::sim
