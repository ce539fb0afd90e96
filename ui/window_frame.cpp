#include "ui/window_frame.h"

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <QWindow>

namespace tresvik {

QRect windowFrame(const QWidget& window) {
    const QWindow* handle = window.windowHandle();
    // A window that has never been on the screen has no frame yet: its place is the one it was
    // given.
    return handle != nullptr ? handle->frameGeometry() : window.frameGeometry();
}

bool framedByWindowManager(const QWindow& window) {
    const QMargins margins = window.frameMargins();
    return window.isExposed() && margins.left() >= 0 && margins.top() > 0 && margins.right() >= 0 &&
           margins.bottom() >= 0;
}

void moveWindowBy(QWidget& window, const QPoint& delta) {
    if (window.testAttribute(Qt::WA_WState_Created)) {
        window.setGeometry(window.geometry().translated(delta));
    } else {
        // Not created yet: its position is the frame's place it asked for, with no frame to
        // account for.
        window.move(window.pos() + delta);
    }
}

}  // namespace tresvik
