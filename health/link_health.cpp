#include "health/link_health.h"

#include <algorithm>

#include "decode/decoder.h"
#include "link/frame_writer.h"

namespace tresvik {

LinkHealth::LinkHealth(int baudRate) : m_rates(baudRate) {}

void LinkHealth::reset(ArrivalTime now) {
    m_counters = Counters{};
    m_rates.restart(now);
    m_since = now;
    m_lastGoodFrame.reset();
    m_lastDamage.reset();
    m_longestGap = Duration::zero();
    m_gapCount = 0;
}

ArrivalTime LinkHealth::clockStop(ArrivalTime now) const {
    if (m_connected) {
        return now;
    }
    // Closed, the session's time stands still, so that its rates stay those of the session.
    const ArrivalTime stop = m_closedAt ? std::max(*m_closedAt, m_since) : m_since;
    return std::min(now, stop);
}

LinkHealth::Duration LinkHealth::countingTime(ArrivalTime now) const {
    return std::max(Duration::zero(), clockStop(now) - m_since);
}

std::optional<LinkHealth::Duration> LinkHealth::longestGap() const {
    if (m_gapCount == 0) {
        return std::nullopt;
    }
    return m_longestGap;
}

std::optional<LinkHealth::Duration> LinkHealth::sinceLastGoodFrame(ArrivalTime now) const {
    if (!m_lastGoodFrame) {
        return std::nullopt;
    }
    return now - *m_lastGoodFrame;
}

LinkHealth::Duration LinkHealth::usualGap() const {
    const std::size_t kept = std::min(m_gapCount, kGapsKept);
    if (kept < 2) {
        return Duration::zero();
    }
    Duration longest = Duration::zero();
    Duration second = Duration::zero();
    for (std::size_t i = 0; i < kept; ++i) {
        const Duration gap = m_gaps[i];
        if (gap > longest) {
            second = longest;
            longest = gap;
        } else if (gap > second) {
            second = gap;
        }
    }
    return second;
}

LinkHealth::Duration LinkHealth::silenceLimit() const {
    return std::max<Duration>(kShortestSilence, kSilenceFactor * usualGap());
}

HealthState LinkHealth::state(ArrivalTime now) const {
    if (!m_connected) {
        return HealthState::Disconnected;
    }
    // Before the first good frame the silence is counted from the open.
    if (now - m_lastGoodFrame.value_or(m_since) > silenceLimit()) {
        return HealthState::Silent;
    }
    if (m_lastDamage && now - *m_lastDamage < kWarningTime) {
        return HealthState::Warning;
    }
    return HealthState::Healthy;
}

RateWindow LinkHealth::rates(std::chrono::seconds window, ArrivalTime now) const {
    return m_rates.over(window, clockStop(now));
}

double LinkHealth::peakLineUsePercent(ArrivalTime now) const {
    return m_rates.peakLineUsePercent(clockStop(now));
}

void LinkHealth::portOpened(ArrivalTime at, std::chrono::system_clock::time_point /*utc*/) {
    reset(at);
    m_connected = true;
    m_closedAt.reset();
}

void LinkHealth::portClosed(ArrivalTime at) {
    m_connected = false;
    m_closedAt = at;
}

void LinkHealth::bytesReceived(const ReceivedBytes& bytes) {
    m_counters.bytesReceived += bytes.size();
    bytes.forEachRun([this](ByteView run, ArrivalTime at) { m_rates.addBytes(run.size(), at); });
}

void LinkHealth::frameReceived(const ReceivedFrame& frame) {
    ++m_counters.goodFrames;
    if (!isKnownIdentifier(frame::id(frame.bytes))) {
        ++m_counters.unknownIdentifiers;
    }
    m_rates.addFrame(frame.arrival);
    if (m_lastGoodFrame) {
        const Duration gap = std::max(Duration::zero(), frame.arrival - *m_lastGoodFrame);
        m_longestGap = std::max(m_longestGap, gap);
        m_gaps[m_gapCount % kGapsKept] = gap;
        ++m_gapCount;
    }
    m_lastGoodFrame = frame.arrival;
}

void LinkHealth::checksumError(const ReceivedFrame& frame) {
    if (frame.interrupted) {
        ++m_counters.framesCutOff;
    } else {
        ++m_counters.checksumErrors;
        m_rates.addChecksumError(frame.arrival);
    }
    damageSeen(frame.arrival);
}

void LinkHealth::byteDiscarded(std::uint8_t /*byte*/, ArrivalTime arrival) {
    ++m_counters.noiseBytes;
    m_rates.addNoise(arrival);
    damageSeen(arrival);
}

void LinkHealth::frameCutOff(const ReceivedFrame& frame) {
    ++m_counters.framesCutOff;
    damageSeen(frame.arrival);
}

void LinkHealth::readBackReceived(const ReadBack& /*readBack*/) {
    ++m_counters.answersReceived;
}

void LinkHealth::frameSent(ByteView frame) {
    // The frame writer tells of a frame only when the port is open.
    ++m_counters.commandsSent;
    m_counters.bytesSent += frame.size();
}

void LinkHealth::wakeUpSent() {
    // The preamble is queued whether the port is open or not; the next open empties the queue.
    if (m_connected) {
        m_counters.bytesSent += FrameWriter::kWakeUpLength;
    }
}

void LinkHealth::damageSeen(ArrivalTime at) {
    m_lastDamage = m_lastDamage ? std::max(*m_lastDamage, at) : at;
}

}  // namespace tresvik
