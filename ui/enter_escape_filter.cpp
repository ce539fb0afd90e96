#include "ui/enter_escape_filter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace tresvik {

EnterEscapeFilter::EnterEscapeFilter(QWidget& window) : m_window(window) {
    // The application sees a key before the focused control does, whichever control it is: the
    // port box's edit field, a button or the list.
    qApp->installEventFilter(this);
}

EnterEscapeFilter::~EnterEscapeFilter() {
    qApp->removeEventFilter(this);
}

bool EnterEscapeFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == &m_window) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tresvik
