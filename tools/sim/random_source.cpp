#include "tools/sim/random_source.h"

namespace tresvik::sim {

std::uint64_t RandomSource::next() {
    m_state += 0x9E3779B97F4A7C15ULL;
    std::uint64_t z = m_state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

double RandomSource::uniform() {
    // The top 53 bits fill a double's mantissa exactly.
    return static_cast<double>(next() >> 11) * 0x1.0p-53;
}

std::uint32_t RandomSource::below(std::uint32_t bound) {
    return static_cast<std::uint32_t>((next() >> 32) * bound >> 32);
}

}  // namespace tresvik::sim
