#include "link/adapter_latency.h"

#include <QFile>
#include <QFileInfo>

namespace tresvik {

int adapterLatencyTimerMs(const QString& devicePath, const QString& sysRoot) {
    // A link such as /dev/serial/by-id/... names the tty it leads to.
    const QString tty = QFileInfo(QFileInfo(devicePath).canonicalFilePath()).fileName();
    if (tty.isEmpty()) {
        return -1;
    }
    QFile file(sysRoot + QStringLiteral("/bus/usb-serial/devices/") + tty +
               QStringLiteral("/latency_timer"));
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    bool ok = false;
    const int ms = QString::fromLatin1(file.readAll()).trimmed().toInt(&ok);
    return ok && ms >= 0 ? ms : -1;
}

}  // namespace tresvik
