#include "ui/window_frame.h"

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QScreen>
#include <QSize>
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
    // A window not yet shown has no frame; the window manager will give it the owner's.
    const QSize border = ownerFrame.size() - owner.size();
    if (room >= narrowest && room < window.width() + border.width()) {
        window.resize(room - border.width(), window.height());
    }
    QRect frame = window.frameGeometry();
    if (frame.size() == window.size()) {
        frame.setSize(window.size() + border);
    }
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
