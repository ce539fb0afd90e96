#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace tresvik::test {

// Runs `action` on the next popup or modal window that opens, while the caller's exec() waits.
inline void whenWindowOpens(std::function<void(QWidget*)> action) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, action] {
        QWidget* window = QApplication::activePopupWidget();
        if (window == nullptr) {
            window = QApplication::activeModalWidget();
        }
        if (window != nullptr) {
            poll->deleteLater();
            action(window);
        }
    });
    poll->start(10);
}

}  // namespace tresvik::test
