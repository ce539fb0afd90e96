#pragma once

#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "link/line_rate.h"
#include "link/line_waker.h"
#include "link/received_bytes.h"
#include "link/transmit_queue.h"

class QSocketNotifier;

namespace tresvik {

class SerialPort;

// Line settings the connect action asks for; applied at the next open.
struct PortSettings {
    qint32 baudRate = kUnitBaudRate;
    int dataBits = 8;
    int parity = 0;    // none
    int stopBits = 0;  // one stop bit
};

// The serial worker: owns the port, opens and closes it on request, writes the queued bytes one
// at a time and hands each received byte to the main window. It knows nothing of frames. While
// the port is closed it parks on a condition variable and uses no CPU; while the port is open
// and the unit silent it waits on the port and on a waker that new bytes to send and close
// requests set off, so a silent line costs nothing either.
//
// Threading: requests (connectPort, disconnectPort, shutdown, requestDrainReport) are called on the
// GUI thread. The rare notifications (opened, closed, failures, drained, exiting) are delivered to
// the GUI thread with Qt::BlockingQueuedConnection, so the worker waits until each is handled. The
// byte-received notification, up to a thousand a second, has a hand-off of its own: the worker
// wakes this object through a pipe (or posts it an event where there are no pipes); it lives on the
// GUI thread and emits byteReceived there, and the worker waits until the byte has been taken with
// takeByte(). When the port's buffer holds a burst, the GUI thread watches for the next one for a
// few microseconds before it goes back to its event loop, and the worker watches for the take
// before it sleeps: a burst then passes byte by byte with no thread going to sleep in between, each
// byte still taken by the GUI thread before the next is read. Handlers may use takeByte() and the
// error list, and must never wait for the worker. Only the worker touches its port: it discards
// what was pending on the line right after the open, before it announces the port as opened, so
// that whoever hears of the open and answers at once loses nothing.
//
// The constructor starts the thread at time-critical priority, parked until the first
// connectPort(); starting it again is harmless. The owner calls shutdown() and waits for
// workerExiting before destroying the object; destroying a running worker stops it without
// further notifications.
class SerialThread : public QThread {
    Q_OBJECT
public:
    explicit SerialThread(QObject* parent = nullptr);
    ~SerialThread() override;

    // Connect: settings, device path, clears the close request, sets the open request, empties
    // the error list and the transmit queue, wakes the worker.
    void connectPort(const PortSettings& settings, const QString& devicePath);
    // Disconnect: clears the open request, sets the close request.
    void disconnectPort();
    // Shutdown: wakes the worker, sets the close and exit requests.
    void shutdown();

    // Asks for portDrained once every byte queued so far has left the port; requests made before
    // the report share it. False, with nothing asked, while the port is closed: nothing queued
    // can leave it, and the caller answers itself.
    bool requestDrainReport();

    // Takes the received byte and lets the worker read on (byte-received handler).
    std::uint8_t takeByte();

    bool portOpen() const { return m_portOpen.load(); }
    const std::atomic<bool>& portOpenFlag() const { return m_portOpen; }
    TransmitQueue& transmitQueue() { return m_transmitQueue; }
    QStringList errorList() const;
    QString errorText() const;

signals:
    // The port is open, configured, RTS raised and the line purged.
    void portOpened();
    // Emitted on the GUI thread; the worker reads nothing more until takeByte() is called.
    void byteReceived();
    void portClosed();
    // The text recorded in the error list, and the system's reason with a hint for the user.
    void openFailed(const QString& text, const QString& reason);
    void workerExiting();
    // Every byte queued before a drain request has left the port: the steady clock just after.
    void portDrained(tresvik::ArrivalTime at);
    // A failure the user must acknowledge ("Reading of serial communication has problem.",
    // "Port Closeing isn't successed."); the receiver shows it in a message box.
    void failureMessage(const QString& text);

protected:
    void run() override;
    bool event(QEvent* event) override;

private:
    // Waits until connectPort() or shutdown() wakes the worker; a wake that came earlier counts.
    void park();
    void wake();
    bool openPort(SerialPort& port);
    void inputOutputPass(SerialPort& port);
    void writePass(SerialPort& port);
    // With the transmit queue empty: answers a drain request once the port has sent everything.
    void drainStep(SerialPort& port);
    // A drain request still open when the port closes is answered then.
    void answerDrainRequest();
    void writeFailed();
    void readStep(SerialPort& port);
    // Hands the byte just read to the GUI thread and waits until it is taken or the port is to
    // close. `moreWaiting`: a burst, the port's buffer holds many bytes behind this one.
    void handOver(std::uint8_t byte, bool moreWaiting);
    bool bytePending() const;
    // On the GUI thread: emits byteReceived for the byte handed over, and for those that follow
    // while the GUI thread watches.
    void deliverBytes();
    // Tells the GUI thread that a byte waits for it; any thread.
    void announceByte();
    void closeStep(SerialPort& port);
    void setErrorText(const QString& text);
    // Emits a notification unless the object is being destroyed.
    template <typename Signal, typename... Args>
    void notify(Signal signal, Args&&... args);

    std::atomic<bool> m_portOpen{false};
    // Ends the worker's wait for input when there is something else to do.
    LineWaker m_lineWaker;
    // Tells the GUI thread that a byte waits: a pipe it watches, so that nothing is allocated per
    // byte and the hand-over is one the thread sanitizer sees.
    LineWaker m_guiWaker;
    std::unique_ptr<QSocketNotifier> m_guiNotifier;
    TransmitQueue m_transmitQueue;

    std::atomic<bool> m_openRequest{false};
    std::atomic<bool> m_closeRequest{false};
    std::atomic<bool> m_exitRequest{false};
    // Set after the bytes it covers were queued; whoever exchanges it back to false answers it.
    std::atomic<bool> m_drainRequest{false};
    // Where the byte hand-off stands; see HandOff in the source.
    std::atomic<int> m_handOff{0};
    std::atomic<std::uint8_t> m_receivedByte{0};
    std::atomic<bool> m_moreWaiting{false};
    // GUI thread only: deliverBytes() is running, so a take may leave the GUI thread watching.
    bool m_delivering = false;
    std::uint64_t m_taken = 0;
    std::atomic<bool> m_silent{false};

    // Guards the fields below, the wake-up of a parked worker and of one waiting for its byte to
    // be taken.
    mutable std::mutex m_mutex;
    std::condition_variable m_wakeUp;
    bool m_wakePending = false;
    PortSettings m_requestedSettings;
    QString m_devicePath;
    QStringList m_errorList;
    QString m_errorText;
};

}  // namespace tresvik
