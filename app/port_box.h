#pragma once

#include "link/port_enumerator.h"

class QComboBox;

namespace tresvik {

// Empties the port box and fills it with `list`, selecting the first entry. A source of ports
// that could not be read is reported in a message box first; the ports of the others are listed
// all the same. Returns 1 when at least one port is listed, else 0.
int enumeratePorts(QComboBox* box, const PortList& list);

}  // namespace tresvik
