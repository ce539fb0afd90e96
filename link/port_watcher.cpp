#include "link/port_watcher.h"

#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QTimer>

#include <algorithm>

#include "link/port_enumerator.h"
#ifdef TRESVIK_HAVE_UDEV
#include "link/udev_monitor.h"
#endif

namespace {

constexpr int kSettleMs = 50;
constexpr int kPollMs = 1000;

QStringList signature(const PortList& list) {
    QStringList out;
    for (const PortEntry& port : list.ports) {
        out.append(port.name + QLatin1Char('\t') + port.systemPath);
    }
    if (!list.ok) {
        out.append(list.error);
    }
    return out;
}

bool listsSimulatedUnit(const QStringList& ports) {
    return std::any_of(ports.begin(), ports.end(),
                       [](const QString& port) { return port.startsWith(QLatin1String("SIM-")); });
}

}  // namespace

PortWatcher::PortWatcher(QObject* parent)
    : QObject(parent),
      m_registryWatcher(new QFileSystemWatcher(this)),
      m_settleTimer(new QTimer(this)),
      m_pollTimer(new QTimer(this)),
      m_lastPorts(signature(listPorts())) {
    m_settleTimer->setSingleShot(true);
    m_settleTimer->setInterval(kSettleMs);
    connect(m_settleTimer, &QTimer::timeout, this, &PortWatcher::check);
    m_pollTimer->setInterval(kPollMs);
    connect(m_pollTimer, &QTimer::timeout, this, &PortWatcher::check);

    const auto settle = [this] { m_settleTimer->start(); };
    connect(m_registryWatcher, &QFileSystemWatcher::directoryChanged, this, settle);
    watchRegistry();
#ifdef TRESVIK_HAVE_UDEV
    m_udev = tresvik::UdevMonitor::create(this);
    if (m_udev != nullptr) {
        connect(m_udev, &tresvik::UdevMonitor::deviceEvent, this, settle);
    }
#endif
    updatePolling();
}

PortWatcher::~PortWatcher() = default;

void PortWatcher::watchRegistry() {
    const QString folder = simulatorRegistryDir();
    if (m_registryWatcher->directories().contains(folder)) {
        return;
    }
    // The folder exists from now on, so that the first simulated unit is seen arriving.
    if (QDir().mkpath(folder)) {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_registryWatcher->addPath(folder);
    }
}

void PortWatcher::check() {
    watchRegistry();
    const QStringList ports = signature(listPorts());
    if (ports == m_lastPorts) {
        return;
    }
    m_lastPorts = ports;
    updatePolling();
    emit devicesChanged();
}

void PortWatcher::updatePolling() {
    // Without udev only a poll sees real adapters. With it, a poll is still needed while a
    // simulated unit is listed: one that is killed leaves its registration behind, and nothing
    // announces that its device has gone.
    const bool poll = m_udev == nullptr || listsSimulatedUnit(m_lastPorts);
    if (poll && !m_pollTimer->isActive()) {
        m_pollTimer->start();
    } else if (!poll) {
        m_pollTimer->stop();
    }
}
