#pragma once

#include <QString>
#include <QStringList>

class QComboBox;

// One serial port the console can offer: the name shown in the port box and the device to open.
struct PortEntry {
    QString name;        // "ttyUSB0", or a simulated unit's "SIM-1234"
    QString systemPath;  // "/dev/ttyUSB0", or the simulated unit's registration symlink
};

struct PortList {
    QList<PortEntry> ports;
    bool ok = true;  // false when listing failed; `error` holds the reason
    QString error;
};

// Simulated units first (they exist only while one runs), then the system's serial ports in
// the order the system gives them.
PortList listPorts();

// Empties and refills the port box; selects the first entry. Returns 1 when at least one port
// was listed without error, else 0; an error is shown in a message box.
int enumeratePorts(QComboBox* box);

// The device to open for the text of the port box: a listed name maps to its system path, an
// absolute path is used as it is.
QString devicePathFor(const QString& portText);

// Folder where simulated units register their ports.
QString simulatorRegistryDir();
