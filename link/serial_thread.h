#pragma once

#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "link/line_waker.h"
#include "link/transmit_queue.h"

namespace tresvik {

class SerialPort;

// Line settings the connect action asks for; applied at the next open.
struct PortSettings {
    qint32 baudRate = 9600;
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
// Threading: requests (connectPort, disconnectPort, shutdown) are called on the GUI thread. The
// notifications are delivered to the GUI thread with Qt::BlockingQueuedConnection, so the worker
// waits until each is handled; their handlers may use takeByte() and the error list, and must
// never wait for the worker. Only the worker touches its port: it discards what was pending on
// the line right after the open, before it announces the port as opened, so that whoever hears
// of the open and answers at once loses nothing.
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

    // Clears the byte-pending flag and returns the received byte (byte-received handler).
    std::uint8_t takeByte();

    bool portOpen() const { return m_portOpen.load(); }
    const std::atomic<bool>& portOpenFlag() const { return m_portOpen; }
    TransmitQueue& transmitQueue() { return m_transmitQueue; }
    QStringList errorList() const;
    QString errorText() const;

signals:
    // The port is open, configured, RTS raised and the line purged.
    void portOpened();
    void byteReceived();
    void portClosed();
    // The text recorded in the error list, and the system's reason with a hint for the user.
    void openFailed(const QString& text, const QString& reason);
    void workerExiting();
    // A failure the user must acknowledge ("Reading of serial communication has problem.",
    // "Port Closeing isn't successed."); the receiver shows it in a message box.
    void failureMessage(const QString& text);

protected:
    void run() override;

private:
    // Waits until connectPort() or shutdown() wakes the worker; a wake that came earlier counts.
    void park();
    void wake();
    bool openPort(SerialPort& port);
    void inputOutputPass(SerialPort& port);
    void writePass(SerialPort& port);
    void readStep(SerialPort& port);
    void closeStep(SerialPort& port);
    void setErrorText(const QString& text);
    // Emits a notification unless the object is being destroyed.
    template <typename Signal, typename... Args>
    void notify(Signal signal, Args&&... args);

    std::atomic<bool> m_portOpen{false};
    // Ends the worker's wait for input when there is something else to do.
    LineWaker m_lineWaker;
    TransmitQueue m_transmitQueue;

    std::atomic<bool> m_openRequest{false};
    std::atomic<bool> m_closeRequest{false};
    std::atomic<bool> m_exitRequest{false};
    std::atomic<bool> m_bytePending{false};
    std::atomic<std::uint8_t> m_receivedByte{0};
    std::atomic<bool> m_silent{false};

    // Guards the fields below and the wake-up of a parked worker.
    mutable std::mutex m_mutex;
    std::condition_variable m_wakeUp;
    bool m_wakePending = false;
    PortSettings m_requestedSettings;
    QString m_devicePath;
    QStringList m_errorList;
    QString m_errorText;
};

}  // namespace tresvik
