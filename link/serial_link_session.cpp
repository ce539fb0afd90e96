#include "link/serial_link_session.h"

#include "link/thread_sanitizer.h"

namespace tresvik {

template <typename Handler>
auto SerialLinkSession::handled(Handler handler) {
    return [this, handler](auto&&... args) {
        happensAfter(&m_worker);
        handler(args...);
        happensBefore(&m_worker);
    };
}

SerialLinkSession::SerialLinkSession(QObject* parent) : LinkSession(parent) {
    // The worker waits until each notification has been handled.
    constexpr auto kBlocking = Qt::BlockingQueuedConnection;
    connect(&m_worker, &SerialThread::portOpened, this, handled([this] { emit opened(); }),
            kBlocking);
    // Emitted on this thread by the worker's own hand-off.
    connect(&m_worker, &SerialThread::byteReceived, this,
            [this] { byteArrived(m_worker.takeByte()); });
    connect(&m_worker, &SerialThread::portClosed, this, handled([this] {
        // What came before the close is taken now, in case nothing drains again.
        drain();
        emit closed();
    }),
            kBlocking);
    connect(&m_worker, &SerialThread::openFailed, this,
            handled([this](const QString& text, const QString& reason) {
                emit openFailed(text, reason);
            }),
            kBlocking);
    connect(&m_worker, &SerialThread::failureMessage, this,
            handled([this](const QString& text) { emit failure(text); }), kBlocking);
    connect(&m_worker, &SerialThread::portDrained, this,
            handled([this](ArrivalTime at) { emit drained(at); }), kBlocking);
    connect(&m_worker, &SerialThread::workerExiting, this, handled([this] { finish(); }),
            kBlocking);
    setRunning(m_worker.isRunning());
}

SerialLinkSession::~SerialLinkSession() = default;

void SerialLinkSession::connectPort(const QString& devicePath) {
    m_worker.connectPort(PortSettings{}, devicePath);
}

void SerialLinkSession::disconnectPort() {
    m_worker.disconnectPort();
}

void SerialLinkSession::requestDrainReport() {
    if (!m_worker.requestDrainReport()) {
        emit drained(std::chrono::steady_clock::now());
    }
}

void SerialLinkSession::shutdown() {
    if (!m_shuttingDown) {
        m_shuttingDown = true;
        m_worker.shutdown();
    }
}

}  // namespace tresvik
