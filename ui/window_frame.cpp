#include "ui/window_frame.h"

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

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

void placeBeside(QWidget& window, const QWidget& owner, int narrowest) {
    const QScreen* screen = owner.screen();
    if (screen == nullptr) {
        return;
    }
    const QRect available = screen->availableGeometry();
    const QRect ownerFrame = owner.frameGeometry();
    const int rightRoom = available.right() - ownerFrame.right();
    const int leftRoom = ownerFrame.left() - available.left();
    const int room = std::max(rightRoom, leftRoom);
    if (room >= narrowest && room < window.width()) {
        window.resize(room, window.height());
    }
    QRect frame = window.frameGeometry();
    frame.moveTop(ownerFrame.top());
    if (rightRoom >= leftRoom) {
        frame.moveLeft(ownerFrame.right() + 1);
    } else {
        frame.moveRight(ownerFrame.left() - 1);
    }
    frame.moveRight(std::min(frame.right(), available.right()));
    frame.moveBottom(std::min(frame.bottom(), available.bottom()));
    frame.moveLeft(std::max(frame.left(), available.left()));
    frame.moveTop(std::max(frame.top(), available.top()));
    window.move(frame.topLeft());
}

}  // namespace tresvik
