#pragma once

#include <QDialog>

#include <memory>

#include "app/enter_escape_filter.h"
#include "log/log_queue.h"

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace tresvik {

class CTresvikDlg;
class LogViewControl;

// The Log window: the traffic between the console and the unit as coloured, time-stamped lines.
// A tool window of its own beside the main window, shown and hidden with the main window's
// "Log" box. Producers on any thread append through queue().
class CLogDlg : public QDialog {
    Q_OBJECT
public:
    CLogDlg();
    ~CLogDlg() override;

    // The main window, whose "Log" box the close box unchecks; set before initialise().
    void setOwner(CTresvikDlg* owner) { m_owner = owner; }
    // The window's initialisation: places it to the right of the owner, keeping its own size,
    // and shows the lines that have been waiting. The window stays hidden.
    void initialise();
    // Shutdown: later lines wait in the queue again and the window goes away.
    void finish();

    LogQueue& queue() { return m_queue; }
    QPlainTextEdit* textControl() const { return m_text; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setTopmost(bool topmost);
    void clearText();

    EnterEscapeFilter m_keyFilter{*this};
    LogQueue m_queue;
    CTresvikDlg* m_owner = nullptr;
    QPlainTextEdit* m_text;
    QCheckBox* m_top;
    QPushButton* m_clear;
    std::unique_ptr<LogViewControl> m_control;
};

}  // namespace tresvik
