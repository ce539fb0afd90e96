#pragma once

#include <QLineEdit>
#include <QString>

class QAbstractItemView;

#include <optional>

namespace tresvik {

// The one-line editor laid over a cell of the Tx window's list while the engineer edits it. Every
// character typed is reported at once, so that the cell follows the editor; Enter ends the edit,
// Escape ends it with the cancel flag set, and losing the focus closes the editor, which then
// deletes itself.
class CInPlaceEdit : public QLineEdit {
    Q_OBJECT
public:
    // An editor over the cell (row, column) of `list`, showing `initialText` all selected, with
    // the focus.
    CInPlaceEdit(QAbstractItemView& list, int row, int column, const QString& initialText,
                 Qt::Alignment alignment);

    int row() const { return m_row; }
    int column() const { return m_column; }
    bool cancelled() const { return m_cancel; }

signals:
    // After every character: the editor's text, or none once the edit has been cancelled.
    void cellEdited(int row, int column, const std::optional<QString>& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Widens the editor to its text, never past the right edge of the list's client area.
    void fitText();

    QAbstractItemView& m_list;
    int m_row;
    int m_column;
    QString m_initialText;
    bool m_cancel = false;
    bool m_closing = false;
};

}  // namespace tresvik
