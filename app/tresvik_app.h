#pragma once

#include <QApplication>
#include <QIcon>

namespace tresvik {

// The application object: runs the main window modally for the whole life of the process.
class CTresvikApp : public QApplication {
    Q_OBJECT
public:
    CTresvikApp(int& argc, char** argv);

    // Asks for the X11 platform when none is chosen and an X display is there: window placement
    // beside the main window needs it, and Wayland does not allow it. Call before construction.
    static void selectPlatform();
    // Runs the main window until its shutdown is over; the value is the process's exit status.
    int InitInstance();

    // The application icon in every size drawn for it.
    static QIcon icon();
};

}  // namespace tresvik
