#include "app/tresvik_app.h"

#include <QEventLoop>

#include <array>

#include "app/tresvik_dlg.h"
#include "link/serial_link_session.h"
#include "ui/resources.h"

namespace tresvik {

CTresvikApp::CTresvikApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Tresvik"));
    setApplicationVersion(QStringLiteral(TRESVIK_VERSION));
    // The process ends when the main window's run has ended, not when some window closes.
    setQuitOnLastWindowClosed(false);
    setWindowIcon(icon());
}

void CTresvikApp::selectPlatform() {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && qEnvironmentVariableIsSet("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
}

int CTresvikApp::InitInstance() {
    // The main window's own run, which ends only with its shutdown. QDialog::exec() would make
    // it modal to the whole application and so lock the Log window out of the mouse.
    SerialLinkSession session;
    CTresvikDlg dialog(session);
    QEventLoop run;
    connect(&dialog, &QDialog::finished, &run, &QEventLoop::quit);
    dialog.show();
    run.exec(QEventLoop::DialogExec);
    return 0;
}

QIcon CTresvikApp::icon() {
    useResources();
    QIcon result;
    constexpr std::array kSizes{16, 24, 32, 48, 256};
    for (const int size : kSizes) {
        result.addFile(QStringLiteral(":/icons/tresvik-%1.png").arg(size), QSize(size, size));
    }
    return result;
}

}  // namespace tresvik
