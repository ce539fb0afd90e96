#include "commands/in_place_edit.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>

#include <algorithm>

namespace tresvik {

namespace {
// Room beyond the text's own width, so that the caret after the last character stays visible.
constexpr int kTextMargin = 5;
}  // namespace

CInPlaceEdit::CInPlaceEdit(QAbstractItemView& list, int row, int column, const QString& initialText,
                           Qt::Alignment alignment)
    : QLineEdit(list.viewport()),
      m_list(list),
      m_row(row),
      m_column(column),
      m_initialText(initialText) {
    setObjectName(QStringLiteral("inPlaceEdit"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(list.font());
    setAlignment(alignment);
    // A thin border and no inner margins, as a plain edit box over the cell.
    setFrame(true);
    setTextMargins(0, 0, 0, 0);
    setText(m_initialText);
    show();
    setFocus(Qt::OtherFocusReason);
    selectAll();
}

void CInPlaceEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            m_cancel = true;
            [[fallthrough]];
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // The window never sees these keys while the editor is open: they end the edit, and
            // losing the focus closes the editor.
            event->accept();
            m_list.setFocus(Qt::OtherFocusReason);
            return;
        case Qt::Key_Delete:
            // Changes the editor alone; the cell follows with the next character typed.
            QLineEdit::keyPressEvent(event);
            event->accept();
            return;
        default:
            break;
    }
    const QString before = text();
    QLineEdit::keyPressEvent(event);
    // Keys that type nothing and change nothing (arrows, Home, Shift) are not characters.
    if (event->text().isEmpty() && text() == before) {
        return;
    }
    event->accept();
    fitText();
    emit cellEdited(m_row, m_column, m_cancel ? std::nullopt : std::optional<QString>(text()));
}

void CInPlaceEdit::fitText() {
    const int wanted = QFontMetrics(font()).horizontalAdvance(text()) + kTextMargin;
    if (wanted <= contentsRect().width()) {
        return;
    }
    const int rightEdge = parentWidget()->rect().right() + 1;
    const int frameWidth = width() - contentsRect().width();
    resize(std::min(wanted + frameWidth, rightEdge - x()), height());
}

void CInPlaceEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // The editor's own context menu keeps the edit going, as it keeps the focus elsewhere.
    if (event->reason() != Qt::PopupFocusReason && !m_closing) {
        m_closing = true;
        close();
    }
}

}  // namespace tresvik
