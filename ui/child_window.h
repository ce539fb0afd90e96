#pragma once

#include <QDialog>
#include <QRect>

namespace tresvik {

// The shape every child window of the main window (Log, Tx, Flags) shares. Each is a top-level
// window of its own, created hidden with the main window and initialised once the main window
// is on the screen, from the main window's frame it is given; it never reaches into the main
// window. When the user closes it, it hides itself and says so; the main window unchecks the
// window's box.
class ChildWindow : public QDialog {
    Q_OBJECT
public:
    // The window's own initialisation: places itself beside `ownerFrame` (the main window's
    // frame, title bar included, in screen coordinates) and gets ready to show.
    virtual void initialise(const QRect& ownerFrame) = 0;
    // Shutdown: the window goes away and takes no further part.
    virtual void finish() = 0;
    virtual bool initialised() const = 0;

signals:
    // The user closed the window with its close box.
    void closedByUser();

protected:
    explicit ChildWindow(Qt::WindowFlags flags) : QDialog(nullptr, flags) {}

    // The close box only hides the window; its contents stay.
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace tresvik
