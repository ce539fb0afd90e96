#include "app/about_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "app/tresvik_app.h"
#include "ui/dialog_units.h"

namespace tresvik {

namespace {
constexpr int kIconSize = 32;
}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("About Tresvik"));
    // Modal to the main window only; the Log window stays usable.
    setWindowModality(Qt::WindowModal);
    setFont(templateFont());
    setFixedSize(dluX(170), dluY(62));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setPixmap(CTresvikApp::icon().pixmap(kIconSize, kIconSize));
    icon->setGeometry(dluX(14), dluY(14), kIconSize, kIconSize);

    auto* version = new QLabel(QStringLiteral("Tresvik, Version 1.0"), this);
    version->setGeometry(dluRect(42, 14, 114, 8));
    auto* purpose = new QLabel(QStringLiteral("Diagnostic and test console"), this);
    purpose->setGeometry(dluRect(42, 26, 114, 8));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setGeometry(dluRect(113, 41, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace tresvik
