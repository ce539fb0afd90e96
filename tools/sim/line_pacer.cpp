#include "tools/sim/line_pacer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tresvik::sim {

LinePacer::LinePacer(double rate) : m_rate(rate) {}

void LinePacer::restart(Clock::time_point from) {
    m_credit = 0.0;
    m_lastCredit = from;
}

std::size_t LinePacer::allowance(Clock::time_point now) {
    if (m_rate <= 0.0) {
        return std::numeric_limits<std::size_t>::max();
    }
    if (now > m_lastCredit) {
        const double seconds = std::chrono::duration<double>(now - m_lastCredit).count();
        m_credit = std::min(m_credit + seconds * m_rate, std::max(1.0, m_rate * kBurstSeconds));
        m_lastCredit = now;
    }
    return static_cast<std::size_t>(m_credit);
}

void LinePacer::spend(std::size_t count) {
    if (m_rate > 0.0) {
        m_credit -= static_cast<double>(count);
    }
}

std::chrono::milliseconds LinePacer::wait(std::size_t pending, Clock::time_point now) const {
    using std::chrono::milliseconds;
    if (m_rate <= 0.0) {
        return milliseconds(0);
    }
    const double wanted =
        std::min(static_cast<double>(pending), std::max(1.0, m_rate * kWakeSeconds));
    const auto forCredit = milliseconds(std::max<milliseconds::rep>(
        1, static_cast<milliseconds::rep>(std::ceil((wanted - m_credit) / m_rate * 1000.0))));
    const auto untilStart = std::chrono::ceil<milliseconds>(m_lastCredit - now);
    return std::max(forCredit, untilStart);
}

}  // namespace tresvik::sim
