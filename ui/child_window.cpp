#include "ui/child_window.h"

#include <QCloseEvent>

#include "ui/window_frame.h"

namespace tresvik {

void ChildWindow::follow(const QPoint& delta) {
    moveWindowBy(*this, delta);
}

void ChildWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closedByUser();
}

}  // namespace tresvik
