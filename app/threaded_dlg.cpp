#include "app/threaded_dlg.h"

#include "ui/child_window.h"

namespace tresvik {

void CThreadedDlg::start(const OwnerFrame& owner) {
    if (m_started) {
        return;
    }
    m_started = true;
    m_dialog.initialise(owner);
    if (m_show == ShowCommand::Show) {
        m_dialog.show();
    }
}

void CThreadedDlg::quit() {
    m_dialog.finish();
}

}  // namespace tresvik
