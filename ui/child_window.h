#pragma once

#include <QDialog>
#include <QMargins>
#include <QRect>

namespace tresvik {

// Where the main window stands when a child window places itself beside it.
struct OwnerFrame {
    // The main window's frame, title bar included, in screen coordinates.
    QRect frame;
    // What the window manager puts around a window's client area: a child window that is not
    // shown yet has no frame of its own to measure.
    QMargins decoration;
};

// The shape every child window of the main window (Log, Tx, Flags) shares. Each is a top-level
// window of its own, created hidden with the main window and initialised once the main window
// is on the screen, from the main window's frame it is given; it never reaches into the main
// window. When the user closes it, it hides itself and says so; the window dock unchecks the
// window's box.
class ChildWindow : public QDialog {
    Q_OBJECT
public:
    // The window's own initialisation: places itself beside the main window and gets ready to
    // show.
    virtual void initialise(const OwnerFrame& owner) = 0;
    // Shutdown: the window goes away and takes no further part.
    virtual void finish() = 0;
    virtual bool initialised() const = 0;
    // The main window moved by `delta`: the window moves with it, shown or hidden, so that it
    // keeps its place beside the main window, or the place the user gave it.
    virtual void follow(const QPoint& delta);

signals:
    // The user closed the window with its close box.
    void closedByUser();

protected:
    explicit ChildWindow(Qt::WindowFlags flags) : QDialog(nullptr, flags) {}

    // The close box only hides the window; its contents stay.
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace tresvik
