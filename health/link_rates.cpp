#include "health/link_rates.h"

#include <algorithm>

namespace tresvik {

namespace {

constexpr std::chrono::seconds kSecond{1};

double perSecond(std::uint64_t count, std::chrono::nanoseconds covered) {
    return static_cast<double>(count) / std::chrono::duration<double>(covered).count();
}

}  // namespace

LinkRates::LinkRates(int baudRate) : m_baudRate(baudRate) {}

void LinkRates::restart(ArrivalTime start) {
    m_start = start;
    m_seconds.fill(Second{});
    m_current = -1;
    m_currentBegin = {};
    m_currentEnd = {};
    m_peakLetGo = 0.0;
}

std::int64_t LinkRates::secondOf(ArrivalTime at) const {
    return at <= m_start ? 0 : (at - m_start) / kSecond;
}

LinkRates::Second* LinkRates::secondFor(ArrivalTime at) {
    if (at >= m_currentBegin && at < m_currentEnd) {
        return &m_seconds[static_cast<std::size_t>(m_current) % kKept];
    }
    const std::int64_t index = secondOf(at);
    Second& second = m_seconds[static_cast<std::size_t>(index) % kKept];
    if (second.index > index) {
        return nullptr;
    }
    if (second.index < index) {
        if (second.index >= 0) {
            m_peakLetGo = std::max(m_peakLetGo, lineUsePercent(static_cast<double>(second.bytes)));
        }
        second = Second{index};
    }
    if (index > m_current) {
        m_current = index;
        m_currentBegin = m_start + index * kSecond;
        m_currentEnd = m_currentBegin + kSecond;
    }
    return &second;
}

void LinkRates::addBytes(std::size_t count, ArrivalTime at) {
    if (Second* second = secondFor(at)) {
        second->bytes += count;
    }
}

void LinkRates::addFrame(ArrivalTime at) {
    if (Second* second = secondFor(at)) {
        ++second->frames;
    }
}

void LinkRates::addChecksumError(ArrivalTime at) {
    if (Second* second = secondFor(at)) {
        ++second->checksumErrors;
    }
}

void LinkRates::addNoise(ArrivalTime at) {
    if (Second* second = secondFor(at)) {
        ++second->noiseBytes;
    }
}

RateWindow LinkRates::over(std::chrono::seconds length, ArrivalTime now) const {
    RateWindow window;
    window.length = std::min(length, kWindows.back());
    if (now <= m_start) {
        return window;
    }
    const std::int64_t last = secondOf(now);
    const std::int64_t first = std::max<std::int64_t>(0, last - window.length.count());
    window.covered = now - (m_start + first * kSecond);
    Second sum;
    for (const Second& second : m_seconds) {
        if (second.index >= first && second.index <= last) {
            sum.frames += second.frames;
            sum.bytes += second.bytes;
            sum.checksumErrors += second.checksumErrors;
            sum.noiseBytes += second.noiseBytes;
        }
    }
    window.framesPerSecond = perSecond(sum.frames, window.covered);
    window.bytesPerSecond = perSecond(sum.bytes, window.covered);
    window.checksumErrorsPerMinute = 60.0 * perSecond(sum.checksumErrors, window.covered);
    window.noiseBytesPerMinute = 60.0 * perSecond(sum.noiseBytes, window.covered);
    window.lineUsePercent = lineUsePercent(window.bytesPerSecond);
    return window;
}

double LinkRates::peakLineUsePercent(ArrivalTime now) const {
    const std::int64_t current = secondOf(now);
    double peak = m_peakLetGo;
    for (const Second& second : m_seconds) {
        if (second.index >= 0 && second.index < current) {
            peak = std::max(peak, lineUsePercent(static_cast<double>(second.bytes)));
        }
    }
    return peak;
}

double LinkRates::lineUsePercent(double bytesPerSecond) const {
    return bytesPerSecond * kBitsPerByte * 100.0 / m_baudRate;
}

}  // namespace tresvik
