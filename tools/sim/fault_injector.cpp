#include "tools/sim/fault_injector.h"

namespace tresvik::sim {

FaultInjector::FaultInjector(std::uint64_t seed, FaultRates rates)
    : m_random(seed), m_rates(rates) {}

Emission FaultInjector::apply(const Bytes& frame) {
    Emission out;
    out.frame = frame;
    const double noiseDraw = m_random.uniform();
    const double crcDraw = m_random.uniform();
    const double lengthDraw = m_random.uniform();
    if (noiseDraw < m_rates.noise) {
        const std::size_t count = 1 + m_random.below(kMaxNoise);
        for (std::size_t i = 0; i < count; ++i) {
            // 255 values: everything but the start byte.
            auto b = static_cast<std::uint8_t>(m_random.below(255));
            if (b >= frame::kStartByte) {
                ++b;
            }
            out.noise.push_back(b);
        }
    }
    if (lengthDraw < m_rates.badLength && out.frame.size() >= frame::kOverhead) {
        out.frame[3] = static_cast<std::uint8_t>(out.frame[3] + 1 + m_random.below(255));
        out.fault = FrameFault::Length;
    } else if (crcDraw < m_rates.crcErrors && !out.frame.empty()) {
        out.frame.back() = static_cast<std::uint8_t>(out.frame.back() ^ (1 + m_random.below(255)));
        out.fault = FrameFault::Checksum;
    }
    return out;
}

}  // namespace tresvik::sim
