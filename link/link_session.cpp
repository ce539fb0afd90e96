#include "link/link_session.h"

#include <utility>

namespace tresvik {

LinkSession::LinkSession(QObject* parent) : QObject(parent) {
    // The serial worker reports a drain across threads; the name is the one the signal uses.
    qRegisterMetaType<ArrivalTime>("tresvik::ArrivalTime");
    m_drainTimer.setInterval(kDrainMs);
    connect(&m_drainTimer, &QTimer::timeout, this, &LinkSession::drain);
    m_drainTimer.start();
}

LinkSession::~LinkSession() = default;

void LinkSession::drain() {
    // A tick that comes while the receiver is still busy (a message box runs an event loop)
    // leaves the bytes for the next one, so that frames stay in the order they arrived.
    if (m_draining || m_receiveQueue.empty()) {
        return;
    }
    m_draining = true;
    const ReceivedBytes bytes = std::exchange(m_receiveQueue, {});
    if (m_receiver) {
        m_receiver(bytes);
    }
    m_draining = false;
    emit received();
}

void LinkSession::finish() {
    drain();
    m_running = false;
    emit finished();
}

}  // namespace tresvik
