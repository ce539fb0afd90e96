#pragma once

#include "link/link_session.h"
#include "link/serial_thread.h"

namespace tresvik {

// The link to the unit over a serial port, carried by the serial worker. The worker's
// notifications are handled here, on the GUI thread, while the worker waits: each received byte
// is taken into the receive queue, and the rest become the session's signals.
class SerialLinkSession : public LinkSession {
    Q_OBJECT
public:
    explicit SerialLinkSession(QObject* parent = nullptr);
    ~SerialLinkSession() override;

    void connectPort(const QString& devicePath) override;
    void disconnectPort() override;
    void shutdown() override;
    const std::atomic<bool>& portOpenFlag() const override { return m_worker.portOpenFlag(); }
    TransmitQueue& transmitQueue() override { return m_worker.transmitQueue(); }
    void requestDrainReport() override;

    SerialThread& worker() { return m_worker; }

private:
    // Wraps a notification handler so that the thread sanitizer sees the worker's hand-over.
    template <typename Handler>
    auto handled(Handler handler);

    SerialThread m_worker;
    bool m_shuttingDown = false;
};

}  // namespace tresvik
