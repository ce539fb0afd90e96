#pragma once

#include <QDialog>

class QRadioButton;

namespace tresvik {

// Asks what a CSV export of the plot writes: the visible range or the whole session, the shown
// parameters or every numeric one, one line per value or one column per parameter.
class CsvExportDialog : public QDialog {
    Q_OBJECT
public:
    explicit CsvExportDialog(QWidget* parent = nullptr);

    bool wholeSession() const;
    bool everyParameter() const;
    bool wide() const;

private:
    QRadioButton* m_wholeSession = nullptr;
    QRadioButton* m_everyParameter = nullptr;
    QRadioButton* m_wide = nullptr;
};

}  // namespace tresvik
