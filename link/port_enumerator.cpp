#include "link/port_enumerator.h"

#include <QDir>
#include <QFile>
#include <QSerialPortInfo>

#ifdef Q_OS_UNIX
#include "link/sim_registry.h"
#endif

namespace tresvik {

namespace {

QString enumerationError(int code) {
    return QString::asprintf("Error %d on trying enumerate device interfaces.\n", code);
}

#ifdef Q_OS_UNIX
void addSimulatedPorts(PortList& list) {
    const sim_registry::Scan found = sim_registry::scan(sim_registry::folder());
    switch (found.status) {
        case sim_registry::Scan::Status::Listed:
            for (const sim_registry::Entry& entry : found.entries) {
                list.ports.append(PortEntry{QFile::decodeName(entry.name.c_str()),
                                            QFile::decodeName(entry.path.c_str())});
            }
            break;
        case sim_registry::Scan::Status::Missing:
            break;
        case sim_registry::Scan::Status::Untrusted:
            list.notice = QStringLiteral("Simulated units are not listed: %1.")
                              .arg(QFile::decodeName(found.reason.c_str()));
            break;
        case sim_registry::Scan::Status::Failed:
            list.error = enumerationError(found.error);
            break;
    }
}
#endif

}  // namespace

PortList listPorts() {
    QList<PortEntry> system;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        system.append(PortEntry{info.portName(), info.systemLocation()});
    }
    return listPorts(system);
}

PortList listPorts(const QList<PortEntry>& systemPorts) {
    PortList list;
#ifdef Q_OS_UNIX
    addSimulatedPorts(list);
#endif
    list.ports.append(systemPorts);
    return list;
}

QString devicePathFor(const QString& portText) {
    if (portText.isEmpty() || QDir::isAbsolutePath(portText)) {
        return portText;
    }
    return devicePathFor(portText, listPorts().ports);
}

QString devicePathFor(const QString& portText, const QList<PortEntry>& ports) {
    if (portText.isEmpty() || QDir::isAbsolutePath(portText)) {
        return portText;
    }
    for (const PortEntry& port : ports) {
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

}  // namespace tresvik
