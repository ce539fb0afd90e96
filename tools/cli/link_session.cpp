#include "tools/cli/link_session.h"

namespace tresvik::cli {

LinkSession::LinkSession(ReceiveObserver* observer, QObject* parent)
    : QObject(parent), m_path(nullptr, m_closing, nullptr, observer) {
    constexpr auto kBlocking = Qt::BlockingQueuedConnection;
    connect(
        &m_worker, &SerialThread::portOpened, this,
        [this] {
            m_worker.purge();
            emit opened();
        },
        kBlocking);
    connect(
        &m_worker, &SerialThread::byteReceived, this,
        [this] { m_receiveQueue.push_back(m_worker.takeByte()); }, kBlocking);
    connect(
        &m_worker, &SerialThread::portClosed, this,
        [this] {
            drain();
            emit closed();
        },
        kBlocking);
    connect(&m_worker, &SerialThread::openFailed, this, &LinkSession::openFailed, kBlocking);
    connect(&m_worker, &SerialThread::failureMessage, this, &LinkSession::failure, kBlocking);
    connect(&m_worker, &SerialThread::workerExiting, this, &LinkSession::finished, kBlocking);
    m_drainTimer.setInterval(kDrainMs);
    connect(&m_drainTimer, &QTimer::timeout, this, &LinkSession::drain);
    m_drainTimer.start();
}

LinkSession::~LinkSession() = default;

void LinkSession::start(const QString& devicePath) {
    m_worker.connectPort(PortSettings{}, devicePath);
}

void LinkSession::finish() {
    if (!m_finishing) {
        m_finishing = true;
        m_worker.shutdown();
    }
}

void LinkSession::drain() {
    if (m_receiveQueue.empty()) {
        return;
    }
    m_path.push(m_receiveQueue);
    m_receiveQueue.clear();
    emit received();
}

}  // namespace tresvik::cli
