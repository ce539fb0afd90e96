#pragma once

#include <QDialog>

namespace tresvik {

// The About box, shown from the main window's "&About Tresvik..." item.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace tresvik
