#pragma once

#include <memory>
#include <string>

#include "log/log_queue.h"
#include "ui/child_window.h"
#include "ui/enter_escape_filter.h"

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace tresvik {

class LogViewControl;

// The Log window: the traffic between the console and the unit as coloured, time-stamped lines.
// A tool window of its own beside the main window, shown and hidden with the main window's
// "Log" box. It shows the lines of the queue it is given.
class CLogDlg : public ChildWindow {
    Q_OBJECT
public:
    explicit CLogDlg(LogQueue& queue);
    ~CLogDlg() override;

    // Places the window to the right of the main window's frame, tops level, keeping its own
    // size, and shows the lines that have been waiting. The window stays hidden.
    void initialise(const OwnerFrame& owner) override;
    // Shutdown: later lines wait in the queue again and the window goes away.
    void finish() override;
    bool initialised() const override { return m_queue.initialised(); }

    LogQueue& queue() { return m_queue; }
    // The whole text as the Log window shows it, each line ended by CR LF.
    std::u16string text() const;
    QPlainTextEdit* textControl() const { return m_text; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void setTopmost(bool topmost);
    void clearText();

    EnterEscapeFilter m_keyFilter{*this};
    LogQueue& m_queue;
    QPlainTextEdit* m_text;
    QCheckBox* m_top;
    QPushButton* m_clear;
    std::unique_ptr<LogViewControl> m_control;
};

}  // namespace tresvik
