#pragma once

#include <QString>

namespace tresvik {

// The latency timer of a USB serial adapter, in milliseconds, as its driver exposes it in
// `sysRoot`/bus/usb-serial/devices/<tty>/latency_timer: how long the adapter holds received bytes
// before it hands a short packet on. -1 when the port's driver says nothing.
int adapterLatencyTimerMs(const QString& devicePath, const QString& sysRoot = "/sys");

}  // namespace tresvik
