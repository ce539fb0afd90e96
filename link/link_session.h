#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <functional>

#include "link/frame.h"
#include "link/received_bytes.h"

namespace tresvik {

class TransmitQueue;

// One end of the link to the unit, as the main window and the command line use it: connect and
// disconnect requests, the link's events as signals, the transmit queue that frame builders fill,
// and the receive queue, which collects the received bytes one by one and hands them on every
// 50 ms. Lives on the GUI thread (the thread that runs the event loop); every signal and every
// hand-on happens there. The port itself belongs to whatever carries the link: the serial worker
// (SerialLinkSession), or a test's stand-in.
class LinkSession : public QObject {
    Q_OBJECT
public:
    static constexpr int kDrainMs = 50;
    // Takes the bytes received since the previous drain, in arrival order, each with the moment
    // it arrived.
    using Receiver = std::function<void(const ReceivedBytes&)>;

    explicit LinkSession(QObject* parent = nullptr);
    ~LinkSession() override;

    void setReceiver(Receiver receiver) { m_receiver = std::move(receiver); }
    // Sees each byte the moment it arrives, before it waits in the receive queue: for whatever
    // must know when a byte came (a recording), not only in which drain.
    using ArrivalWatcher = std::function<void(std::uint8_t, ArrivalTime)>;
    void setArrivalWatcher(ArrivalWatcher watcher) { m_arrivalWatcher = std::move(watcher); }

    // Opens the port at the unit's settings: 9600 baud, 8 data bits, no parity, one stop bit.
    virtual void connectPort(const QString& devicePath) = 0;
    virtual void disconnectPort() = 0;
    // Closes the port if it is open and ends the link; `finished` follows.
    virtual void shutdown() = 0;

    // The flag the frame writer reads before it queues a frame.
    virtual const std::atomic<bool>& portOpenFlag() const = 0;
    bool portOpen() const { return portOpenFlag().load(); }
    virtual TransmitQueue& transmitQueue() = 0;
    // Asks for `drained` once every byte now in the transmit queue has left the port, so that a
    // bench test can time the unit's answer from the moment its request was out. Requests made
    // before the report share it. While the port is closed nothing queued can leave it: the
    // report comes at once, from within the call.
    virtual void requestDrainReport() = 0;
    // False once the link has ended, or when it could not be started.
    bool running() const { return m_running; }

signals:
    // The port is open, configured and purged.
    void opened();
    void closed();
    // The text recorded in the error list, and the system's reason with a hint for the user.
    void openFailed(const QString& text, const QString& reason);
    // A failure the user must acknowledge, shown in a message box; the link waits meanwhile.
    void failure(const QString& text);
    // A drain handed bytes on.
    void received();
    // The answer to requestDrainReport(): the steady clock read just after the last byte left
    // the port, or at the request while the port was closed.
    void drained(tresvik::ArrivalTime at);
    // The link has ended; nothing more comes from it.
    void finished();

protected:
    // For the carrier of the link, on the GUI thread.
    void byteArrived(std::uint8_t byte) {
        const ArrivalTime now = std::chrono::steady_clock::now();
        if (m_arrivalWatcher) {
            m_arrivalWatcher(byte, now);
        }
        m_receiveQueue.push(byte, now);
    }
    void drain();
    // Takes what is left, then says the link has ended.
    void finish();
    void setRunning(bool running) { m_running = running; }

private:
    Receiver m_receiver;
    ArrivalWatcher m_arrivalWatcher;
    ReceivedBytes m_receiveQueue;
    QTimer m_drainTimer;
    bool m_draining = false;
    bool m_running = true;
};

}  // namespace tresvik

Q_DECLARE_METATYPE(tresvik::ArrivalTime)
