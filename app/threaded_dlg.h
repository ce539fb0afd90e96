#pragma once

namespace tresvik {

class ChildWindow;
struct OwnerFrame;

// Brings up one child window of the main window with its show command, once the main window's
// frame is known, and ends it at shutdown. Every window lives on the GUI thread here, so no
// thread of its own is started; the name says which role it plays among the windows.
class CThreadedDlg {
public:
    enum class ShowCommand { Hide = 0, Show = 5 };

    CThreadedDlg(ChildWindow& dialog, ShowCommand show) : m_dialog(dialog), m_show(show) {}

    // Runs the window's initialisation beside the main window and shows it if its command says
    // so.
    void start(const OwnerFrame& owner);
    // Ends the window; nothing reaches it afterwards.
    void quit();

private:
    ChildWindow& m_dialog;
    ShowCommand m_show;
    bool m_started = false;
};

}  // namespace tresvik
