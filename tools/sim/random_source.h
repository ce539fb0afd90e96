#pragma once

#include <cstdint>

namespace tresvik::sim {

// A small seeded generator (SplitMix64) whose sequence is the same on every platform and
// library, so that a seed reproduces every fault the simulated unit injects.
class RandomSource {
public:
    explicit RandomSource(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next();
    // Uniform in [0, 1).
    double uniform();
    // Uniform in [0, bound); bound > 0.
    std::uint32_t below(std::uint32_t bound);

private:
    std::uint64_t m_state;
};

}  // namespace tresvik::sim
