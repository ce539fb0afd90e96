#pragma once

#include <QList>
#include <QString>

#include <functional>

namespace tresvik {

// One serial port the console can offer: the name shown in the port box and the device to open.
struct PortEntry {
    QString name;        // "ttyUSB0", or a simulated unit's "SIM-1234"
    QString systemPath;  // "/dev/ttyUSB0", or the simulated unit's registration link
};

struct PortList {
    QList<PortEntry> ports;
    // "Error %d on trying enumerate device interfaces.\n" when a source of ports could not be
    // read; the ports of the other sources are listed all the same.
    QString error;
    // Why the simulated units' folder was passed over; empty when it was not.
    QString notice;
    bool ok() const { return error.isEmpty(); }
};

// Where the console's port list comes from; tests give their own.
using PortSource = std::function<PortList()>;

// Simulated units first (they exist only while one runs), then the system's serial ports in
// the order the system gives them.
PortList listPorts();
// The same with `systemPorts` standing for the system's.
PortList listPorts(const QList<PortEntry>& systemPorts);

// The device to open for the text of the port box: a name in `ports` maps to its system path, an
// absolute path is used as it is, any other name stands for a device of that name.
QString devicePathFor(const QString& portText, const QList<PortEntry>& ports);
// The same against the ports listed now.
QString devicePathFor(const QString& portText);

}  // namespace tresvik
