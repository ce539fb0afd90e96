#pragma once

#include <QObject>
#include <QStringList>

class QFileSystemWatcher;
class QTimer;

namespace tresvik {

class UdevMonitor;

// Tells the main window that serial ports may have come or gone, so that it lists them again.
// Nothing is enumerated while nothing happens: udev announces devices where it runs; without it
// the kernel's own device folders are watched, which change as adapters come and go. Simulated
// units are seen arriving and leaving in their registry folder, and, while one is registered,
// through its terminal's entry, which goes when the unit is killed without unregistering. Only
// where no watch at all can be set is the port list polled once a second.
class PortWatcher : public QObject {
    Q_OBJECT
public:
    struct Sources {
        // udev's announcements of serial devices, where udev runs.
        bool udev = true;
        // Folders whose entries the kernel changes as devices come and go; watched without udev.
        QStringList deviceFolders{QStringLiteral("/dev"), QStringLiteral("/dev/serial/by-id")};
        // Where simulated units register; empty for none.
        QString registryFolder;
        // Where the simulated units' terminals live.
        QString terminalFolder = QStringLiteral("/dev/pts");
    };

    // The system's sources, the registry folder of this user's simulated units included.
    explicit PortWatcher(QObject* parent = nullptr);
    PortWatcher(Sources sources, QObject* parent);
    ~PortWatcher() override;

    // Whether the port list is polled because no watch could be set.
    bool polling() const;

signals:
    // Something happened to the serial devices; sent for every event that was seen.
    void devicesChanged();

private:
    void onEvent();
    void updateWatches();
    void watch(const QString& folder, bool wanted);
    void poll();

    Sources m_sources;
    // Null where udev is not running or not asked for.
    UdevMonitor* m_udev = nullptr;
    QFileSystemWatcher* m_folders;
    QTimer* m_pollTimer;
    QStringList m_lastPorts;
};

// The watcher's default sources on this system.
PortWatcher::Sources systemPortSources();

}  // namespace tresvik
