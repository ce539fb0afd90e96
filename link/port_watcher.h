#pragma once

#include <QObject>
#include <QStringList>

class QFileSystemWatcher;
class QTimer;

namespace tresvik {
class UdevMonitor;
}

// Reports that the set of serial ports may have changed: a udev monitor on the tty subsystem,
// a watch on the simulated units' registry folder, and a 1 s poll where udev is unavailable.
class PortWatcher : public QObject {
    Q_OBJECT
public:
    explicit PortWatcher(QObject* parent = nullptr);
    ~PortWatcher() override;

signals:
    // One event per change; the receiver re-enumerates the ports.
    void devicesChanged();

private:
    void watchRegistry();
    // Compares the port list with the one last reported.
    void check();
    void updatePolling();

    // Null where udev is not running.
    tresvik::UdevMonitor* m_udev = nullptr;
    QFileSystemWatcher* m_registryWatcher;
    // Gathers a burst of notifications into one look at the port list.
    QTimer* m_settleTimer;
    QTimer* m_pollTimer;
    QStringList m_lastPorts;
};
