#include "link/port_enumerator.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSerialPortInfo>

#include <algorithm>
#include <utility>
#include <vector>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace {

#ifdef Q_OS_UNIX
constexpr char kSimulatorPrefix[] = "SIM-";

// The process id of a registration name "SIM-<pid>", or 0.
pid_t registeredPid(const char* name) {
    const QByteArray text(name);
    if (!text.startsWith(kSimulatorPrefix)) {
        return 0;
    }
    bool ok = false;
    const long pid = text.mid(static_cast<int>(sizeof kSimulatorPrefix) - 1).toLong(&ok);
    return ok && pid > 0 ? static_cast<pid_t>(pid) : 0;
}

bool processAlive(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// Registered simulated units whose device still exists, by process id. A unit that was killed
// leaves its link behind; the link's device is gone then, or its process is.
bool addSimulatedPorts(PortList& list) {
    const QString folder = simulatorRegistryDir();
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (dir == nullptr) {
        if (errno == ENOENT) {
            return true;
        }
        list.ok = false;
        list.error = QString::asprintf("Error %d on trying enumerate device interfaces.\n", errno);
        return false;
    }
    std::vector<std::pair<pid_t, QString>> found;
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t pid = registeredPid(entry->d_name);
        if (pid == 0 || !processAlive(pid)) {
            continue;
        }
        const QString name = QFile::decodeName(entry->d_name);
        struct stat target {};
        const QString path = folder + QLatin1Char('/') + name;
        if (::stat(QFile::encodeName(path).constData(), &target) == 0) {
            found.emplace_back(pid, name);
        }
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end());
    for (const auto& [pid, name] : found) {
        list.ports.append(PortEntry{name, folder + QLatin1Char('/') + name});
    }
    return true;
}
#endif

}  // namespace

QString simulatorRegistryDir() {
#ifdef Q_OS_UNIX
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        return QFile::decodeName(runtime) + QStringLiteral("/tresvik/ports");
    }
    return QStringLiteral("/tmp/tresvik-%1/ports").arg(::getuid());
#else
    return QDir::tempPath() + QStringLiteral("/tresvik/ports");
#endif
}

PortList listPorts() {
    PortList list;
#ifdef Q_OS_UNIX
    if (!addSimulatedPorts(list)) {
        return list;
    }
#endif
    const QList<QSerialPortInfo> system = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : system) {
        list.ports.append(PortEntry{info.portName(), info.systemLocation()});
    }
    return list;
}

int enumeratePorts(QComboBox* box) {
    box->clear();
    const PortList list = listPorts();
    for (const PortEntry& port : list.ports) {
        box->addItem(port.name, port.systemPath);
    }
    if (!list.ok) {
        box->setCurrentIndex(-1);
        QMessageBox message(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(),
                            list.error, QMessageBox::Ok, box->window());
        message.exec();
        return 0;
    }
    if (box->count() == 0) {
        return 0;
    }
    box->setCurrentIndex(0);
    return 1;
}

QString devicePathFor(const QString& portText) {
    if (portText.isEmpty() || QDir::isAbsolutePath(portText)) {
        return portText;
    }
    const PortList list = listPorts();
    for (const PortEntry& port : list.ports) {
        if (port.name == portText) {
            return port.systemPath;
        }
    }
    // A name that is not listed (any more) still names a device, which the open will miss.
#ifdef Q_OS_WIN
    return QStringLiteral("\\\\.\\") + portText;
#else
    return QStringLiteral("/dev/") + portText;
#endif
}
