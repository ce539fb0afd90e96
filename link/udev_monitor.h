#pragma once

#include <QObject>

class QSocketNotifier;
struct udev;
struct udev_monitor;

namespace tresvik {

// Serial devices coming and going, as udev announces them once it has set them up (source
// "udev", subsystem "tty"), read on the GUI thread through a socket notifier.
class UdevMonitor : public QObject {
    Q_OBJECT
public:
    // Null when udev is not running on this system.
    static UdevMonitor* create(QObject* parent);
    ~UdevMonitor() override;

signals:
    void deviceEvent();

private:
    UdevMonitor(udev* context, udev_monitor* monitor, QObject* parent);
    void receive();

    udev* m_context;
    udev_monitor* m_monitor;
    QSocketNotifier* m_notifier;
};

}  // namespace tresvik
