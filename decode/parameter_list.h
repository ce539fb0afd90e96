#pragma once

#include <QString>
#include <QTableWidget>

namespace tresvik {

// The main window's list of the 162 parameters: five Parameter/Value column pairs, 40 items
// deep. The cells hold the texts themselves; the labels are written once, the values by the
// decoder. Double-clicks are reported to the main window, which acts on them.
class ParameterList : public QTableWidget {
    Q_OBJECT
public:
    static constexpr int kLabelWidth = 150;
    static constexpr int kValueWidth = 100;

    explicit ParameterList(QWidget* parent = nullptr);

    void setCellText(int item, int column, const QString& text);
    // The value cell of parameter row `row` shows `text`.
    void showValue(int row, const QString& text);
    QString cellText(int item, int column) const;
    // Empties the value cell of every parameter; the labels stay.
    void clearValues();

signals:
    // A double-click of the left or right button on the cell at (item, column); item is -1 when
    // no item lies under the cursor.
    void leftDoubleClicked(int item, int column);
    void rightDoubleClicked(int item, int column);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

}  // namespace tresvik
