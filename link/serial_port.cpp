#include "link/serial_port.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <vector>
#endif

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

#include "link/line_waker.h"
#include "link/serial_thread.h"

namespace tresvik {

namespace {

const QString kGetConfigurationFailed = QStringLiteral("Get configuration port has problem.\r\n");
const QString kSetConfigurationFailed = QStringLiteral("Set configuration port has problem.\r\n");

// The requested settings use the unit's numbering: parity 0 none, 1 odd, 2 even, 3 mark,
// 4 space; stop bits 0 one, 1 one and a half, 2 two.
bool toParity(int parity, QSerialPort::Parity& out) {
    static constexpr QSerialPort::Parity kParities[] = {
        QSerialPort::NoParity, QSerialPort::OddParity, QSerialPort::EvenParity,
        QSerialPort::MarkParity, QSerialPort::SpaceParity};
    if (parity < 0 || parity > 4) {
        return false;
    }
    out = kParities[parity];
    return true;
}

bool toStopBits(int stopBits, QSerialPort::StopBits& out) {
    static constexpr QSerialPort::StopBits kStopBits[] = {
        QSerialPort::OneStop, QSerialPort::OneAndHalfStop, QSerialPort::TwoStop};
    if (stopBits < 0 || stopBits > 2) {
        return false;
    }
    out = kStopBits[stopBits];
    return true;
}

bool applySettings(QSerialPort& port, const PortSettings& settings) {
    QSerialPort::Parity parity{};
    QSerialPort::StopBits stopBits{};
    if (settings.dataBits < 5 || settings.dataBits > 8 || !toParity(settings.parity, parity) ||
        !toStopBits(settings.stopBits, stopBits)) {
        return false;
    }
    return port.setBaudRate(settings.baudRate) &&
           port.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits)) &&
           port.setParity(parity) && port.setStopBits(stopBits);
}

bool isQuietError(QSerialPort::SerialPortError error) {
    return error == QSerialPort::NoError || error == QSerialPort::TimeoutError;
}

#ifdef Q_OS_UNIX
QString groupOwning(const QString& devicePath) {
    struct stat info {};
    if (::stat(QFile::encodeName(devicePath).constData(), &info) != 0) {
        return {};
    }
    std::vector<char> buffer(16384);
    struct group entry {};
    struct group* found = nullptr;
    if (::getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr) {
        return QString::number(info.st_gid);
    }
    return QString::fromLocal8Bit(found->gr_name);
}

QString currentUser() {
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr) {
        return QStringLiteral("$USER");
    }
    return QString::fromLocal8Bit(found->pw_name);
}
#endif

}  // namespace

QString openFailureReason(QSerialPort::SerialPortError error, const QString& systemText,
                          const QString& devicePath) {
    const QString heldHint = QStringLiteral(". Another program holds the port; close it there.");
    if (error == QSerialPort::DeviceNotFoundError) {
        return systemText + QStringLiteral(". The device %1 is not present.").arg(devicePath);
    }
    if (error != QSerialPort::PermissionError) {
        return systemText;
    }
    if (systemText == qt_error_string(EBUSY)) {
        return systemText + heldHint;
    }
    if (systemText == qt_error_string(EACCES) || systemText == qt_error_string(EPERM)) {
#ifdef Q_OS_UNIX
        const QString group = groupOwning(devicePath);
        if (!group.isEmpty()) {
            const QString user = currentUser();
            return systemText + QStringLiteral(
                                    ". The user must be in the group '%1' that owns %2: "
                                    "sudo usermod -aG %1 %3, then log in again.")
                                    .arg(group, devicePath, user);
        }
#endif
        return systemText;
    }
    // The port's lock file is taken: another program (or this one) has the port open.
    if (systemText.contains(QLatin1String("locking"))) {
        return systemText + heldHint;
    }
    return systemText;
}

SerialPort::SerialPort() = default;
SerialPort::~SerialPort() = default;

bool SerialPort::open(const PortSettings& settings, const QString& devicePath, QString& errorText) {
    m_failureReason.clear();
    // A registration symlink and the device it names must share one lock file.
    const QString canonical = QFileInfo(devicePath).canonicalFilePath();
    const QString path = canonical.isEmpty() ? devicePath : canonical;
    m_port = std::make_unique<QSerialPort>();
    m_port->setPortName(path);
    if (!m_port->open(QIODevice::ReadWrite)) {
        errorText = kGetConfigurationFailed;
        m_failureReason = openFailureReason(m_port->error(), m_port->errorString(), path);
        m_port.reset();
        return false;
    }
    // RTS stays low while the line is being set up and rises (raiseRts) only once it runs at
    // the unit's settings. Devices without the line (ptys) refuse; that changes nothing.
    m_port->setRequestToSend(false);
    m_port->clearError();
    if (!applySettings(*m_port, settings)) {
        errorText = kSetConfigurationFailed;
        m_failureReason = m_port->error() == QSerialPort::NoError
                              ? QStringLiteral("Unsupported line settings")
                              : m_port->errorString();
        m_port->close();
        m_port.reset();
        return false;
    }
    return true;
}

void SerialPort::raiseRts() {
    if (m_port) {
        m_port->setRequestToSend(true);
        m_port->clearError();
    }
}

SerialPort::Io SerialPort::readByte(std::uint8_t& byte, int timeoutMs, LineWaker* waker) {
    if (m_port->bytesAvailable() == 0) {
        int readWaitMs = std::min(timeoutMs, kTimeoutMs);
#ifdef Q_OS_UNIX
        if (waker != nullptr && waker->valid()) {
            // Wait on the device and the waker together; once the device has something (input,
            // or the hang-up of an unplug), QSerialPort takes it without waiting.
            pollfd fds[2] = {{static_cast<int>(m_port->handle()), POLLIN, 0},
                             {waker->waitHandle(), POLLIN, 0}};
            const int ready = ::poll(fds, 2, timeoutMs);
            if (ready < 0 && errno != EINTR) {
                return Io::Failed;
            }
            if (ready > 0 && fds[1].revents != 0) {
                waker->clear();
            }
            if (ready <= 0 || fds[0].revents == 0) {
                return Io::TimedOut;
            }
            readWaitMs = 0;
        }
#endif
        clearError();
        if (!m_port->waitForReadyRead(readWaitMs)) {
            // After an unplug the port reports a read or resource error at once, every time.
            return isQuietError(m_port->error()) ? Io::TimedOut : Io::Failed;
        }
        if (m_port->bytesAvailable() == 0) {
            return Io::Failed;
        }
    }
    char c = 0;
    if (!m_port->getChar(&c)) {
        return Io::Failed;
    }
    byte = static_cast<std::uint8_t>(c);
    return Io::Done;
}

SerialPort::Io SerialPort::writeByte(std::uint8_t byte) {
    if (m_port->bytesToWrite() == 0) {
        const char c = static_cast<char>(byte);
        if (m_port->write(&c, 1) != 1) {
            return Io::Failed;
        }
    }
    clearError();
    if (m_port->waitForBytesWritten(kTimeoutMs)) {
        return m_port->bytesToWrite() == 0 ? Io::Done : Io::TimedOut;
    }
    return isQuietError(m_port->error()) ? Io::TimedOut : Io::Failed;
}

void SerialPort::clearError() {
    // Clearing makes QSerialPort translate its "no error" text and emit a signal, every time.
    if (m_port->error() != QSerialPort::NoError) {
        m_port->clearError();
    }
}

SerialPort::Io SerialPort::drain() {
    if (m_port->bytesToWrite() > 0) {
        clearError();
        m_port->waitForBytesWritten(kTimeoutMs);
        if (m_port->bytesToWrite() > 0) {
            return isQuietError(m_port->error()) ? Io::TimedOut : Io::Failed;
        }
    }
#ifdef Q_OS_WIN
    return ::FlushFileBuffers(reinterpret_cast<HANDLE>(m_port->handle())) ? Io::Done : Io::Failed;
#else
    // Returns once the driver has shifted out its last byte, not merely taken it in.
    int result = 0;
    do {
        result = ::tcdrain(static_cast<int>(m_port->handle()));
    } while (result != 0 && errno == EINTR);
    return result == 0 ? Io::Done : Io::Failed;
#endif
}

void SerialPort::purge() {
    if (m_port && m_port->isOpen()) {
        m_port->clear(QSerialPort::AllDirections);
    }
}

bool SerialPort::close() {
    if (!m_port) {
        return true;
    }
    m_port->clearError();
    m_port->close();
    const bool ok = m_port->error() == QSerialPort::NoError;
    m_port.reset();
    return ok;
}

bool SerialPort::isOpen() const {
    return m_port && m_port->isOpen();
}

qintptr SerialPort::handle() const {
    return m_port ? m_port->handle() : -1;
}

}  // namespace tresvik
