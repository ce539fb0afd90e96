#include "link/udev_monitor.h"

#include <QSocketNotifier>

#include <libudev.h>

namespace tresvik {

UdevMonitor* UdevMonitor::create(QObject* parent) {
    udev* context = udev_new();
    if (context == nullptr) {
        return nullptr;
    }
    udev_queue* queue = udev_queue_new(context);
    const bool active = queue != nullptr && udev_queue_get_udev_is_active(queue) != 0;
    udev_queue_unref(queue);
    udev_monitor* monitor = active ? udev_monitor_new_from_netlink(context, "udev") : nullptr;
    if (monitor == nullptr ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor, "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    return new UdevMonitor(context, monitor, parent);
}

UdevMonitor::UdevMonitor(udev* context, udev_monitor* monitor, QObject* parent)
    : QObject(parent),
      m_context(context),
      m_monitor(monitor),
      m_notifier(new QSocketNotifier(udev_monitor_get_fd(monitor), QSocketNotifier::Read, this)) {
    connect(m_notifier, &QSocketNotifier::activated, this, &UdevMonitor::receive);
}

UdevMonitor::~UdevMonitor() {
    delete m_notifier;
    udev_monitor_unref(m_monitor);
    udev_unref(m_context);
}

void UdevMonitor::receive() {
    // Every waiting event is taken, so that the notifier does not fire again for it.
    bool any = false;
    while (udev_device* device = udev_monitor_receive_device(m_monitor)) {
        udev_device_unref(device);
        any = true;
    }
    if (any) {
        emit deviceEvent();
    }
}

}  // namespace tresvik
