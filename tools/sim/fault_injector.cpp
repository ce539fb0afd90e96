#include "tools/sim/fault_injector.h"

#include <algorithm>
#include <vector>

#include "link/crc8.h"

namespace tresvik::sim {

bool FaultInjector::shortenLength(Bytes& frame, std::uint32_t pick) {
    if (frame.size() <= frame::kOverhead) {
        return false;
    }
    std::vector<std::uint8_t> lengths;
    for (std::size_t claimed = frame::kOverhead; claimed < frame.size(); ++claimed) {
        // The receiver drops what lies past the claimed frame only while no start byte comes.
        if (std::find(frame.begin() + static_cast<std::ptrdiff_t>(claimed), frame.end(),
                      frame::kStartByte) != frame.end()) {
            continue;
        }
        Bytes shortened(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(claimed));
        shortened[3] = static_cast<std::uint8_t>(claimed - frame::kOverhead);
        if (Crc8::compute(ByteView(shortened).first(claimed - 1)) != shortened.back()) {
            lengths.push_back(shortened[3]);
        }
    }
    if (lengths.empty()) {
        return false;
    }
    frame[3] = lengths[pick % lengths.size()];
    return true;
}

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
    if (lengthDraw < m_rates.badLength && shortenLength(out.frame, m_random.below(255))) {
        out.fault = FrameFault::Length;
        out.bytesPastLength = frame.size() - (out.frame[3] + frame::kOverhead);
    } else if (crcDraw < m_rates.crcErrors && !out.frame.empty()) {
        out.frame.back() = static_cast<std::uint8_t>(out.frame.back() ^ (1 + m_random.below(255)));
        out.fault = FrameFault::Checksum;
    }
    return out;
}

}  // namespace tresvik::sim
