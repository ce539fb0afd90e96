#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QTimer>

#include <functional>
#include <optional>
#include <vector>

class QAbstractButton;
class QWidget;

namespace tresvik {

class ChildWindow;
struct OwnerFrame;

// What checking and unchecking a box does to its window.
struct BoxActions {
    std::function<void()> show;
    std::function<void()> hide;
};

// How a child window takes part in the docking.
struct DockRules {
    // A shown window comes up just behind the owner when the user activates the owner.
    bool forwardOnActivation = true;
    // When the user starts dragging the owner, the shown windows come to the top of the
    // ordinary windows in rising order of this number, those with the same number in the
    // order they were registered; the last one ends on top.
    int dragLayer = 0;
    // Empty: checked, the window shows where it is, comes forward and is activated;
    // unchecked, it hides.
    BoxActions box = {};
};

// Keeps a main window's child windows docked beside it. Each child window is registered once,
// with the checkable box that shows and hides it, and from then on the dock does for it what
// every child window needs: it starts the window once the window manager has framed the owner
// (or after 2 s, for an owner that is started minimised or never shown), so that the window can
// place itself beside the frame; it moves the window with the owner, shown or hidden; it brings
// shown windows forward with the owner; it unchecks the box when the user closes the window; and
// it ends the window at shutdown. A box pressed before its window has started is carried out
// once it has. Every child window lives on the GUI thread, so the dock also plays the part of
// the one thread per child window that starts and ends it.
class WindowDock : public QObject {
    Q_OBJECT
public:
    // Follows `owner`'s moves and activations; the windows start once it is framed.
    explicit WindowDock(QWidget& owner);
    ~WindowDock() override;

    // Docks `window`, shown and hidden by `box`. A window registered after the others have
    // started starts at once.
    void add(ChildWindow& window, QAbstractButton& box, DockRules rules = {});
    // Shutdown: every window is ended, and from now on the dock neither starts, moves, raises
    // nor shows any of them.
    void shutdown();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Docked {
        ChildWindow* window;
        QAbstractButton* box;
        DockRules rules;
    };
    enum class State { Waiting, Started, Ended };

    void startTick();
    void start(const Docked& docked);
    void applyBox(const Docked& docked, bool checked);
    void ownerMoved();
    void ownerActivated();
    // Each shown window to the top of the ordinary windows, without the focus.
    void raiseShown();
    // Where the owner stands, for a window to place itself beside it.
    OwnerFrame ownerFrame() const;

    QWidget& m_owner;
    std::vector<Docked> m_windows;
    State m_state = State::Waiting;
    // Every 5 ms until the owner is framed; then the windows start.
    QTimer m_startTimer;
    int m_startTicks = 0;
    // Where the owner's client area stood at the previous move, in screen coordinates.
    std::optional<QPoint> m_lastPosition;
    // When the previous move came: a move after a pause is the start of a drag.
    QElapsedTimer m_sinceLastMove;
};

}  // namespace tresvik
