#include "link/transmit_queue.h"

namespace tresvik {

void TransmitQueue::append(ByteView bytes) {
    {
        std::lock_guard lock(m_mutex);
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    }
    appended();
}

void TransmitQueue::appendZeros(std::size_t count) {
    {
        std::lock_guard lock(m_mutex);
        m_bytes.insert(m_bytes.end(), count, std::uint8_t{0});
    }
    appended();
}

void TransmitQueue::appended() const {
    if (m_appendListener) {
        m_appendListener();
    }
}

std::optional<std::uint8_t> TransmitQueue::front() const {
    std::lock_guard lock(m_mutex);
    if (m_bytes.empty()) {
        return std::nullopt;
    }
    return m_bytes.front();
}

void TransmitQueue::popFront() {
    std::lock_guard lock(m_mutex);
    if (!m_bytes.empty()) {
        m_bytes.pop_front();
    }
}

void TransmitQueue::clear() {
    std::lock_guard lock(m_mutex);
    m_bytes.clear();
}

std::size_t TransmitQueue::size() const {
    std::lock_guard lock(m_mutex);
    return m_bytes.size();
}

Bytes TransmitQueue::takeAll() {
    std::lock_guard lock(m_mutex);
    Bytes out(m_bytes.begin(), m_bytes.end());
    m_bytes.clear();
    return out;
}

}  // namespace tresvik
