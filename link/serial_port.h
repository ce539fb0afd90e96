#pragma once

#include <QSerialPort>
#include <QString>

#include <cstdint>
#include <memory>

namespace tresvik {

struct PortSettings;
class LineWaker;

// The operations the serial worker performs on its port, on QSerialPort in blocking mode: open
// exclusively and configure, raise RTS, read or write one byte with a short time-out, purge,
// close. The QSerialPort is created by open(), so it belongs to the thread that opens the port,
// the serial worker; every operation runs on that thread.
class SerialPort {
public:
    // About the 5 ms the unit's line needs between two polls: a write's wait, and a read's
    // wait where the read cannot be woken.
    static constexpr int kTimeoutMs = 5;

    enum class Io { Done, TimedOut, Failed };

    SerialPort();
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens `devicePath` (a symlink is followed, so every name of a device shares one lock) and
    // applies the line settings. On failure the port is closed again, `errorText` holds the
    // console's failure text and failureReason() the system's reason with a hint for the user.
    bool open(const PortSettings& settings, const QString& devicePath, QString& errorText);
    // Raises RTS; some devices (ptys) refuse, which is of no consequence.
    void raiseRts();
    // Takes the next byte, waiting up to `timeoutMs` for one. With a valid `waker`, a wake
    // ends the wait early (TimedOut); without one the wait is at most kTimeoutMs.
    Io readByte(std::uint8_t& byte, int timeoutMs = kTimeoutMs, LineWaker* waker = nullptr);
    // Bytes already read from the device that wait in the port's buffer.
    qint64 bufferedInput() const { return m_port ? m_port->bytesAvailable() : 0; }
    // A byte that timed out stays in the port's own buffer; calling again with the same byte
    // waits for it instead of sending it twice.
    Io writeByte(std::uint8_t byte);
    // Waits until every byte written has left the port: Qt's buffer is handed to the system,
    // then the system's own drains onto the line. TimedOut when Qt's buffer could not be handed
    // over within kTimeoutMs (a stalled line).
    Io drain();
    // Discards pending input and output.
    void purge();
    // False when the system reported a failure; the port is closed either way.
    bool close();
    bool isOpen() const;
    // The native handle of the open port (a file descriptor on Unix), for inspection.
    qintptr handle() const;
    QString failureReason() const { return m_failureReason; }

private:
    // Forgets the last error (a time-out) before the next wait, so that the wait's own is seen.
    void clearError();

    std::unique_ptr<QSerialPort> m_port;
    QString m_failureReason;
};

// The system's reason for a failed open, with what the user can do about it: the group that
// owns the device when access is denied, another program when the port is held.
QString openFailureReason(QSerialPort::SerialPortError error, const QString& systemText,
                          const QString& devicePath);

}  // namespace tresvik
