#pragma once

class QPoint;
class QRect;
class QWidget;
class QWindow;

namespace tresvik {

// A top-level window's place on the screen as the window system has it. The widget keeps a
// copy of the frame the window manager put around it, taken at its last move or resize; openbox
// first puts a new window in a 1 x 1 frame and only then says how wide its borders are, so that
// copy can hold negative borders until the window moves again. These helpers never read it.

// The window's frame, title bar included, in screen coordinates.
QRect windowFrame(const QWidget& window);

// Whether the window is on the screen inside a frame of the window manager's: borders that are
// not negative and a title bar. Margins alone are no proof: before the window manager has said
// how wide its borders are they can be empty or negative.
bool framedByWindowManager(const QWindow& window);

// Moves the window by `delta`, keeping its size: its client area moves, so that a frame that
// changed in between does not change the distance moved.
void moveWindowBy(QWidget& window, const QPoint& delta);

// Places a tool window that is not on the screen yet beside `owner`, top edges level, on the side
// with more room, so that the owner stays in reach; narrowed to that room when the room is at
// least `narrowest` wide, and kept on the owner's screen.
void placeBeside(QWidget& window, const QWidget& owner, int narrowest);

}  // namespace tresvik
