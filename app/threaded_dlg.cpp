#include "app/threaded_dlg.h"

#include "ui/child_window.h"

namespace tresvik {

void CThreadedDlg::start(const QRect& ownerFrame) {
    if (m_started) {
        return;
    }
    m_started = true;
    m_dialog.initialise(ownerFrame);
    if (m_show == ShowCommand::Show) {
        m_dialog.show();
    }
}

void CThreadedDlg::quit() {
    m_dialog.finish();
}

}  // namespace tresvik
