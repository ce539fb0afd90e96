#include "plot/csv_export_dialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tresvik {

namespace {

// A group of two choices, the first one chosen; gives the second.
QRadioButton* addChoice(QVBoxLayout& layout, const QString& title, const QString& first,
                        const QString& second, QWidget* parent) {
    auto* group = new QGroupBox(title, parent);
    auto* groupLayout = new QVBoxLayout(group);
    auto* firstButton = new QRadioButton(first, group);
    auto* secondButton = new QRadioButton(second, group);
    firstButton->setChecked(true);
    groupLayout->addWidget(firstButton);
    groupLayout->addWidget(secondButton);
    layout.addWidget(group);
    return secondButton;
}

}  // namespace

CsvExportDialog::CsvExportDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Export CSV"));
    auto* layout = new QVBoxLayout(this);
    m_wholeSession = addChoice(*layout, QStringLiteral("Time"), QStringLiteral("Visible range"),
                               QStringLiteral("Whole session"), this);
    m_everyParameter =
        addChoice(*layout, QStringLiteral("Parameters"), QStringLiteral("Shown in the plot"),
                  QStringLiteral("Every numeric parameter"), this);
    m_wide = addChoice(*layout, QStringLiteral("Layout"), QStringLiteral("One line per value"),
                       QStringLiteral("One column per parameter, values carried forward"), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

bool CsvExportDialog::wholeSession() const {
    return m_wholeSession->isChecked();
}

bool CsvExportDialog::everyParameter() const {
    return m_everyParameter->isChecked();
}

bool CsvExportDialog::wide() const {
    return m_wide->isChecked();
}

}  // namespace tresvik
