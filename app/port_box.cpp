#include "app/port_box.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QMessageBox>

namespace tresvik {

int enumeratePorts(QComboBox* box, const PortList& list) {
    box->clear();
    if (!list.ok()) {
        QMessageBox message(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(),
                            list.error, QMessageBox::Ok, box->window());
        message.exec();
    }
    for (const PortEntry& port : list.ports) {
        box->addItem(port.name, port.systemPath);
    }
    if (box->count() == 0) {
        return 0;
    }
    box->setCurrentIndex(0);
    return 1;
}

}  // namespace tresvik
