#pragma once

#include <QPoint>
#include <QString>
#include <QTableWidget>
#include <QTimer>

#include <functional>

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
    // Greys the value of parameter row `row`, which the unit has stopped refreshing, or shows it
    // as usual again.
    void setValueStale(int row, bool stale);
    bool valueStale(int row) const;
    // Where the tooltip of a value cell comes from: the text for parameter row `row`, nothing for
    // no tooltip. Empty: value cells have none.
    void setValueToolTip(std::function<QString(int row)> source);

signals:
    // A double-click of the left or right button on the cell at (item, column); item is -1 when
    // no item lies under the cursor.
    void leftDoubleClicked(int item, int column);
    void rightDoubleClicked(int item, int column);
    // A right click on the cell at (item, column) that was not the first of a double-click, or
    // the menu key on the current cell: the place to offer a menu, at `globalPos`.
    void menuRequested(int item, int column, const QPoint& globalPos);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    // A right double-click has its own meaning, so the menu of a right click waits until the
    // time for a second click has passed.
    QTimer m_menuTimer;
    // The release that ends a double-click is not a click of its own.
    bool m_endingDoubleClick = false;
    std::function<QString(int row)> m_valueToolTip;
    int m_menuItem = -1;
    int m_menuColumn = -1;
    QPoint m_menuPos;
};

}  // namespace tresvik
