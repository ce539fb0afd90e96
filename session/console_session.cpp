#include "session/console_session.h"

#include <algorithm>

namespace tresvik {

ConsoleSession::ConsoleSession(TransmitQueue& queue, const std::atomic<bool>& portOpen,
                               Options options)
    : m_options(options),
      m_frameWriter(queue, this, portOpen, m_closing),
      m_receivePath(options.trafficLog ? &m_log : nullptr, m_closing,
                    options.idLog ? &m_idLog : nullptr, this, options.baudRate) {}

ConsoleSession::~ConsoleSession() = default;

void ConsoleSession::addListener(ConsoleListener& listener) {
    m_listeners.push_back(&listener);
}

void ConsoleSession::removeListener(ConsoleListener& listener) {
    // While listeners are being told, the place stays so that nobody after it is skipped.
    std::replace(m_listeners.begin(), m_listeners.end(), &listener,
                 static_cast<ConsoleListener*>(nullptr));
    if (m_telling == 0) {
        std::erase(m_listeners, nullptr);
    }
}

void ConsoleSession::linkOpened() {
    const ArrivalTime at = std::chrono::steady_clock::now();
    linkOpened(at, std::chrono::system_clock::now());
}

void ConsoleSession::linkOpened(ArrivalTime at, std::chrono::system_clock::time_point utc) {
    tellListeners([&](ConsoleListener& l) { l.portOpened(at, utc); });
}

void ConsoleSession::linkClosed() {
    linkClosed(std::chrono::steady_clock::now());
}

void ConsoleSession::linkClosed(ArrivalTime at) {
    m_receivePath.lineClosed();
    tellListeners([&](ConsoleListener& l) { l.portClosed(at); });
}

void ConsoleSession::receive(const ReceivedBytes& bytes) {
    tellListeners([&](ConsoleListener& l) { l.bytesReceived(bytes); });
    m_log.holdDisplay();
    m_receivePath.push(bytes);
    m_log.releaseDisplay();
}

template <typename Event>
void ConsoleSession::tellListeners(Event&& event) {
    // By index: a listener may remove itself, or add another, while it is told.
    ++m_telling;
    for (std::size_t i = 0; i < m_listeners.size(); ++i) {
        if (ConsoleListener* listener = m_listeners[i]) {
            event(*listener);
        }
    }
    if (--m_telling == 0) {
        std::erase(m_listeners, nullptr);
    }
}

void ConsoleSession::frameReceived(const ReceivedFrame& frame) {
    tellListeners([&](ConsoleListener& l) { l.frameReceived(frame); });
}

void ConsoleSession::checksumError(const ReceivedFrame& frame) {
    tellListeners([&](ConsoleListener& l) { l.checksumError(frame); });
}

void ConsoleSession::byteDiscarded(std::uint8_t byte, ArrivalTime arrival) {
    tellListeners([&](ConsoleListener& l) { l.byteDiscarded(byte, arrival); });
}

void ConsoleSession::frameCutOff(const ReceivedFrame& frame) {
    tellListeners([&](ConsoleListener& l) { l.frameCutOff(frame); });
}

void ConsoleSession::parameterChanged(const ParameterUpdate& update) {
    tellListeners([&](ConsoleListener& l) { l.parameterChanged(update); });
}

void ConsoleSession::programNumberChanged(const std::u16string& text) {
    tellListeners([&](ConsoleListener& l) { l.programNumberChanged(text); });
}

void ConsoleSession::deviceIdChanged(const std::u16string& suffix) {
    tellListeners([&](ConsoleListener& l) { l.deviceIdChanged(suffix); });
}

void ConsoleSession::flagChanged(const FlagUpdate& flag) {
    tellListeners([&](ConsoleListener& l) { l.flagChanged(flag); });
}

void ConsoleSession::readBackReceived(const ReadBack& readBack) {
    tellListeners([&](ConsoleListener& l) { l.readBackReceived(readBack); });
}

void ConsoleSession::debugLineRecorded(const std::u16string& line) {
    tellListeners([&](ConsoleListener& l) { l.debugLineRecorded(line); });
}

void ConsoleSession::sentFrame(ByteView frame) {
    if (m_options.trafficLog) {
        m_log.sentFrame(frame);
    }
    tellListeners([&](ConsoleListener& l) { l.frameSent(frame); });
}

void ConsoleSession::sentWakeUp() {
    if (m_options.trafficLog) {
        m_log.sentWakeUp();
    }
    tellListeners([&](ConsoleListener& l) { l.wakeUpSent(); });
}

}  // namespace tresvik
