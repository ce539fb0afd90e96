#pragma once

#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

// A pseudo-terminal standing in for a unit on a serial port: the console opens the device path,
// the test writes the unit's bytes to the master side and reads what the console sends there.
// Closing the master is an unplug.
class PtyPair {
public:
    PtyPair() {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        // A program the test starts must not hold the master open, or an unplug would not be one.
        if (m_master >= 0) {
            fcntl(m_master, F_SETFD, FD_CLOEXEC);
        }
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0) {
            m_path = QString::fromLocal8Bit(ptsname(m_master));
        }
    }
    ~PtyPair() { unplug(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return m_master >= 0 && !m_path.isEmpty(); }
    QString devicePath() const { return m_path; }

    bool write(const QByteArray& bytes) {
        return ::write(m_master, bytes.constData(), static_cast<size_t>(bytes.size())) ==
               bytes.size();
    }

    // Reads until `count` bytes have come or `timeoutMs` has passed without any.
    QByteArray read(int count, int timeoutMs = 5000) {
        QByteArray result;
        while (result.size() < count) {
            pollfd fd{m_master, POLLIN, 0};
            if (poll(&fd, 1, timeoutMs) <= 0) {
                break;
            }
            char buffer[256];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            result.append(buffer, n);
        }
        return result;
    }

    void unplug() {
        if (m_master >= 0) {
            ::close(m_master);
            m_master = -1;
        }
    }

private:
    int m_master = -1;
    QString m_path;
};
