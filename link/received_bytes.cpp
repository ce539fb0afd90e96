#include "link/received_bytes.h"

namespace tresvik {

ReceivedBytes::ReceivedBytes(ByteView bytes, ArrivalTime at) {
    append(bytes, at);
}

void ReceivedBytes::push(std::uint8_t byte, ArrivalTime at) {
    if (m_runs.empty() || m_runs.back().at != at) {
        m_runs.push_back({m_bytes.size(), at});
    }
    m_bytes.push_back(byte);
}

void ReceivedBytes::append(ByteView bytes, ArrivalTime at) {
    if (bytes.empty()) {
        return;
    }
    if (m_runs.empty() || m_runs.back().at != at) {
        m_runs.push_back({m_bytes.size(), at});
    }
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
}

}  // namespace tresvik
