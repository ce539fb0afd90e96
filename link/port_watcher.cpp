#include "link/port_watcher.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

#include <string>

#include "link/port_enumerator.h"
#ifdef Q_OS_UNIX
#include "link/sim_registry.h"
#endif
#ifdef TRESVIK_HAVE_UDEV
#include "link/udev_monitor.h"
#endif

namespace tresvik {

namespace {

constexpr int kPollMs = 1000;

QStringList signature(const PortList& list) {
    QStringList out;
    for (const PortEntry& port : list.ports) {
        out.append(port.name + QLatin1Char('\t') + port.systemPath);
    }
    out.append(list.error);
    out.append(list.notice);
    return out;
}

}  // namespace

PortWatcher::Sources systemPortSources() {
    PortWatcher::Sources sources;
#ifdef Q_OS_UNIX
    sources.registryFolder = QFile::decodeName(sim_registry::folder().c_str());
#endif
    return sources;
}

PortWatcher::PortWatcher(QObject* parent) : PortWatcher(systemPortSources(), parent) {}

PortWatcher::PortWatcher(Sources sources, QObject* parent)
    : QObject(parent),
      m_sources(std::move(sources)),
      m_folders(new QFileSystemWatcher(this)),
      m_pollTimer(new QTimer(this)) {
#ifdef TRESVIK_HAVE_UDEV
    if (m_sources.udev) {
        m_udev = UdevMonitor::create(this);
        if (m_udev != nullptr) {
            connect(m_udev, &UdevMonitor::deviceEvent, this, &PortWatcher::onEvent);
        }
    }
#endif
    connect(m_folders, &QFileSystemWatcher::directoryChanged, this, &PortWatcher::onEvent);
    m_pollTimer->setInterval(kPollMs);
    connect(m_pollTimer, &QTimer::timeout, this, &PortWatcher::poll);
    updateWatches();
}

PortWatcher::~PortWatcher() = default;

bool PortWatcher::polling() const {
    return m_pollTimer->isActive();
}

void PortWatcher::onEvent() {
    // A folder may have come or gone with the event (the registry, /dev/serial/by-id).
    updateWatches();
    emit devicesChanged();
}

void PortWatcher::watch(const QString& folder, bool wanted) {
    const bool watched = m_folders->directories().contains(folder);
    if (wanted && !watched && QFileInfo(folder).isDir()) {
        m_folders->addPath(folder);
    } else if (!wanted && watched) {
        m_folders->removePath(folder);
    }
}

void PortWatcher::updateWatches() {
    bool unitRegistered = false;
#ifdef Q_OS_UNIX
    if (!m_sources.registryFolder.isEmpty()) {
        // The folder exists from now on, so that the first simulated unit is seen arriving. A
        // folder that is not the user's alone is neither made nor watched.
        const std::string folder = QFile::encodeName(m_sources.registryFolder).toStdString();
        std::string reason;
        const bool trusted = sim_registry::ensureFolder(folder, reason);
        watch(m_sources.registryFolder, trusted);
        unitRegistered = trusted && !sim_registry::scan(folder).entries.empty();
    }
#endif
    watch(m_sources.terminalFolder, unitRegistered);

    bool deviceWatch = m_udev != nullptr;
    for (const QString& folder : m_sources.deviceFolders) {
        watch(folder, m_udev == nullptr);
        deviceWatch = deviceWatch || m_folders->directories().contains(folder);
    }
    if (deviceWatch) {
        m_pollTimer->stop();
    } else if (!m_pollTimer->isActive()) {
        m_lastPorts = signature(listPorts());
        m_pollTimer->start();
    }
}

void PortWatcher::poll() {
    // Enumerating every port costs thousands of file opens, so it runs only here, where nothing
    // else can tell, and reports only a list that changed.
    const QStringList ports = signature(listPorts());
    if (ports == m_lastPorts) {
        return;
    }
    m_lastPorts = ports;
    onEvent();
}

}  // namespace tresvik
