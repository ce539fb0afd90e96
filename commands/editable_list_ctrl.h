#pragma once

#include <QString>
#include <QTableWidget>

#include <optional>

namespace tresvik {

class CInPlaceEdit;

// The Tx window's list: the command rows in two columns, CMD and Value, with a hit test by cell
// and an in-place editor for the Value cells. Clicks are reported to the window, which hands them
// back to click().
class CEditableListCtrl : public QTableWidget {
    Q_OBJECT
public:
    CEditableListCtrl(int rows, QWidget* parent = nullptr);

    // The row under `point` (viewport coordinates) and its column, or -1 when no row is there.
    // A point on the border between two columns belongs to the left one.
    int hitTestCell(const QPoint& point, int& column) const;
    // Opens the editor over the cell (row, column); null when the cell cannot be edited there.
    CInPlaceEdit* openEditor(int row, int column);
    // A click at `point`: on the Value cell of the focused row it opens the editor, unless the
    // row is a request; anywhere else on a row it selects and focuses that row.
    void click(const QPoint& point);

    QString cellText(int row, int column) const;
    void setCellText(int row, int column, const QString& text);
    // The lowest selected row, or -1.
    int firstSelectedRow() const;
    // The editor while one is open.
    CInPlaceEdit* editor() const;

signals:
    // The left button was released over the list at `point` (viewport coordinates).
    void clickedAt(const QPoint& point);
    void doubleClickedAt(const QPoint& point);
    // The open editor's text after a character was typed; none once the edit was cancelled.
    void cellEdited(int row, int column, const std::optional<QString>& text);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    // In a list with no selection, the first navigation key selects the row it lands on.
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;

private:
    // The current row is only the one the list marked when it took the focus with no row
    // current: the user has not chosen a row yet.
    bool m_currentUnchosen = false;
};

}  // namespace tresvik
