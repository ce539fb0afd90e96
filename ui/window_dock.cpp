#include "ui/window_dock.h"

#include <QAbstractButton>
#include <QEvent>
#include <QWidget>
#include <QWindow>

#include <algorithm>

#include "ui/child_window.h"
#include "ui/window_frame.h"

namespace tresvik {

namespace {

constexpr int kStartTickMs = 5;
// How long the windows wait for the owner to be framed: an owner started minimised or on
// another workspace is never shown at once, and they must start all the same.
constexpr int kStartTicks = 2000 / kStartTickMs;
// Moves closer together than this belong to one drag of the owner.
constexpr qint64 kDragPauseMs = 300;

}  // namespace

WindowDock::WindowDock(QWidget& owner) : m_owner(owner) {
    m_owner.installEventFilter(this);
    connect(&m_startTimer, &QTimer::timeout, this, &WindowDock::startTick);
    m_startTimer.start(kStartTickMs);
}

WindowDock::~WindowDock() {
    m_owner.removeEventFilter(this);
}

void WindowDock::add(ChildWindow& window, QAbstractButton& box, DockRules rules) {
    const Docked& docked = m_windows.emplace_back(Docked{&window, &box, std::move(rules)});
    const std::size_t index = m_windows.size() - 1;
    // Until the window has started the box only keeps its check mark: the window shows once
    // it has started, at its place.
    connect(&box, &QAbstractButton::clicked, this, [this, index](bool checked) {
        if (m_state == State::Started) {
            applyBox(m_windows[index], checked);
        }
    });
    connect(&window, &ChildWindow::closedByUser, &box, [&box] { box.setChecked(false); });
    if (m_state == State::Started) {
        start(docked);
    }
}

void WindowDock::shutdown() {
    m_state = State::Ended;
    m_startTimer.stop();
    for (const Docked& docked : m_windows) {
        docked.window->finish();
    }
}

bool WindowDock::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_owner) {
        if (event->type() == QEvent::Move) {
            ownerMoved();
        } else if (event->type() == QEvent::ActivationChange) {
            ownerActivated();
        }
    }
    return QObject::eventFilter(watched, event);
}

void WindowDock::startTick() {
    // The windows place themselves beside the owner's frame, so they start once the owner is on
    // the screen and the window manager has put its frame around it, which it does a moment
    // after the owner first shows.
    const QWindow* window = m_owner.windowHandle();
    const bool framed = window != nullptr && framedByWindowManager(*window);
    if (!framed && ++m_startTicks < kStartTicks) {
        return;
    }
    m_startTimer.stop();
    m_state = State::Started;
    // The windows are placed beside the owner as it stands now, and follow it from here: its
    // client area can have shifted without a move event, as when it was framed.
    m_lastPosition = m_owner.geometry().topLeft();
    for (const Docked& docked : m_windows) {
        start(docked);
    }
}

void WindowDock::start(const Docked& docked) {
    docked.window->initialise(ownerFrame());
    if (docked.box->isChecked()) {
        applyBox(docked, true);
    }
}

void WindowDock::applyBox(const Docked& docked, bool checked) {
    const std::function<void()>& action = checked ? docked.rules.box.show : docked.rules.box.hide;
    if (action) {
        action();
        return;
    }
    ChildWindow& window = *docked.window;
    if (checked) {
        window.show();
        window.raise();
        window.activateWindow();
    } else {
        window.hide();
    }
}

void WindowDock::ownerMoved() {
    // The client area: the owner's record of its frame can be stale, its client area never.
    const QPoint position = m_owner.geometry().topLeft();
    if (m_lastPosition && position != *m_lastPosition) {
        // The window manager tells no program of a press on its title bar; the first move of
        // a drag is the nearest sign of one.
        if (!m_sinceLastMove.isValid() || m_sinceLastMove.elapsed() > kDragPauseMs) {
            raiseShown();
        }
        m_sinceLastMove.start();
        if (m_state == State::Started) {
            // Shown or hidden, each window keeps its offset from the owner.
            const QPoint delta = position - *m_lastPosition;
            for (const Docked& docked : m_windows) {
                docked.window->follow(delta);
            }
        }
    }
    m_lastPosition = position;
}

void WindowDock::ownerActivated() {
    if (m_state != State::Started || !m_owner.isActiveWindow()) {
        return;
    }
    bool raised = false;
    for (const Docked& docked : m_windows) {
        if (docked.rules.forwardOnActivation && docked.box->isChecked()) {
            docked.window->raise();
            raised = true;
        }
    }
    // The windows stand just behind the owner.
    if (raised) {
        m_owner.raise();
    }
}

void WindowDock::raiseShown() {
    if (m_state != State::Started) {
        return;
    }
    std::vector<const Docked*> order;
    for (const Docked& docked : m_windows) {
        order.push_back(&docked);
    }
    std::stable_sort(order.begin(), order.end(), [](const Docked* a, const Docked* b) {
        return a->rules.dragLayer < b->rules.dragLayer;
    });
    for (const Docked* docked : order) {
        if (docked->box->isChecked()) {
            docked->window->raise();
        }
    }
}

OwnerFrame WindowDock::ownerFrame() const {
    const QWindow* window = m_owner.windowHandle();
    return OwnerFrame{windowFrame(m_owner),
                      window != nullptr ? window->frameMargins() : QMargins()};
}

}  // namespace tresvik
