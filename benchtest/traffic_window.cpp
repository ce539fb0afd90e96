#include "benchtest/traffic_window.h"

#include <cstdio>
#include <ctime>

namespace tresvik {

namespace {

// However fast a line runs, a report keeps to a size one can read.
constexpr std::size_t kMostEntries = 4000;

}  // namespace

void TrafficWindow::setClock(ArrivalTime steady, std::chrono::system_clock::time_point utc) {
    m_steadyBase = steady;
    m_utcBase = utc;
}

void TrafficWindow::received(ByteView frame, ArrivalTime at) {
    add(Kind::Received, frame, at);
}

void TrafficWindow::damaged(ByteView frame, ArrivalTime at) {
    add(Kind::Damaged, frame, at);
}

void TrafficWindow::noise(std::uint8_t byte, ArrivalTime at) {
    // A run of noise is one line, timed by its first byte.
    if (!m_entries.empty() && m_entries.back().kind == Kind::Noise) {
        m_entries.back().bytes.push_back(byte);
        return;
    }
    add(Kind::Noise, ByteView(&byte, 1), at);
}

void TrafficWindow::sent(ByteView frame, ArrivalTime at) {
    add(Kind::Sent, frame, at);
}

void TrafficWindow::decoded(const std::string& text) {
    if (m_entries.empty() || m_entries.back().kind != Kind::Received) {
        return;
    }
    std::string& to = m_entries.back().decoded;
    if (!to.empty()) {
        to += "; ";
    }
    to += text;
}

void TrafficWindow::add(Kind kind, ByteView bytes, ArrivalTime at) {
    while (!m_entries.empty() &&
           (m_entries.size() >= kMostEntries || m_entries.front().at < at - m_kept)) {
        m_entries.pop_front();
    }
    m_entries.push_back({at, kind, Bytes(bytes.begin(), bytes.end()), {}});
}

std::string TrafficWindow::timeText(ArrivalTime at) const {
    using namespace std::chrono;
    const auto utc = m_utcBase + duration_cast<system_clock::duration>(at - m_steadyBase);
    const auto ms = duration_cast<milliseconds>(utc.time_since_epoch()).count();
    const auto day = ((ms % 86'400'000) + 86'400'000) % 86'400'000;
    char text[24];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03dZ", static_cast<int>(day / 3'600'000),
                  static_cast<int>(day / 60'000 % 60), static_cast<int>(day / 1000 % 60),
                  static_cast<int>(day % 1000));
    return text;
}

std::string TrafficWindow::lines(ArrivalTime now) const {
    std::string out;
    for (const Entry& entry : m_entries) {
        if (entry.at < now - m_kept || entry.at > now) {
            continue;
        }
        out += timeText(entry.at);
        switch (entry.kind) {
            case Kind::Received:
                out += " RX";
                break;
            case Kind::Damaged:
                out += " RX checksum error";
                break;
            case Kind::Noise:
                out += " noise";
                break;
            case Kind::Sent:
                out += " TX";
                break;
        }
        for (const std::uint8_t b : entry.bytes) {
            out += ' ';
            appendHexByte(out, b);
        }
        if (!entry.decoded.empty()) {
            out += "  ";
            out += entry.decoded;
        }
        out += '\n';
    }
    return out;
}

}  // namespace tresvik
