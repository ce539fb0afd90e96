#include "ui/child_window.h"

#include <QCloseEvent>

namespace tresvik {

void ChildWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closedByUser();
}

}  // namespace tresvik
