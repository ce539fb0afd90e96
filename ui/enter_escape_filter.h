#pragma once

#include <QObject>

class QWidget;

namespace tresvik {

// Keeps the Enter and Escape keys away from one window and every control in it. A dialog would
// take Enter as a click on its default button and Escape as its cancel; the console's windows
// close only through their close boxes, and no button of theirs is clicked by a stray key.
class EnterEscapeFilter : public QObject {
public:
    // Filters the keys of `window` until the filter is destroyed.
    explicit EnterEscapeFilter(QWidget& window);
    ~EnterEscapeFilter() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& m_window;
};

}  // namespace tresvik
