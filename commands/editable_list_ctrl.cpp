#include "commands/editable_list_ctrl.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

#include "commands/command_encoder.h"
#include "commands/in_place_edit.h"
#include "ui/report_list.h"

namespace tresvik {

namespace {
// A column narrower than this holds no editor.
constexpr int kMinEditWidth = 5;
// The editor stands this far inside the cell's left edge and ends this much short of its width.
constexpr int kEditorInset = 4;
constexpr int kEditorShortfall = 3;

// A key that moves through the rows on its own, without extending or keeping a selection.
bool isPlainNavigationKey(const QKeyEvent& event) {
    if ((event.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        return false;
    }
    switch (event.key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            return true;
        default:
            return false;
    }
}

}  // namespace

CEditableListCtrl::CEditableListCtrl(int rows, QWidget* parent) : QTableWidget(rows, 2, parent) {
    // Only the in-place editor changes a cell, and only a Value cell.
    setUpReportList(*this);
    setShowGrid(false);
    horizontalHeader()->setSectionsClickable(false);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < 2; ++column) {
            auto* cell = new QTableWidgetItem;
            cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            setItem(row, column, cell);
        }
    }
}

int CEditableListCtrl::hitTestCell(const QPoint& point, int& column) const {
    column = 0;
    if (rowCount() == 0) {
        return -1;
    }
    const int top = std::max(0, rowAt(0));
    const int perPage = viewport()->height() / kReportItemHeight;
    const int bottom = std::min(top + perPage, rowCount() - 1);
    int rowWidth = 0;
    for (int c = 0; c < columnCount(); ++c) {
        rowWidth += columnWidth(c);
    }
    for (int row = top; row <= bottom; ++row) {
        const QRect bounds(columnViewportPosition(0), rowViewportPosition(row), rowWidth,
                           rowHeight(row));
        if (!bounds.contains(point)) {
            continue;
        }
        // Both edges count, so a point on a border goes to the column on its left.
        int left = bounds.left();
        for (int c = 0; c < columnCount(); ++c) {
            if (left <= point.x() && point.x() <= left + columnWidth(c)) {
                column = c;
                return row;
            }
            left += columnWidth(c);
        }
    }
    return -1;
}

CInPlaceEdit* CEditableListCtrl::openEditor(int row, int column) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount() ||
        columnWidth(column) < kMinEditWidth) {
        return nullptr;
    }
    scrollTo(model()->index(row, column));
    const QRect cell = visualRect(model()->index(row, column));
    const int left = cell.left() + kEditorInset;
    const int right =
        std::min(left + columnWidth(column) - kEditorShortfall, viewport()->rect().right() + 1);
    const QTableWidgetItem* header = horizontalHeaderItem(column);
    const Qt::Alignment alignment =
        header != nullptr ? Qt::Alignment(header->textAlignment()) & Qt::AlignHorizontal_Mask
                          : Qt::AlignLeft;
    auto* edit = new CInPlaceEdit(*this, row, column, cellText(row, column), alignment);
    edit->setGeometry(left, cell.top(), right - left, cell.height());
    connect(edit, &CInPlaceEdit::cellEdited, this, &CEditableListCtrl::cellEdited);
    return edit;
}

void CEditableListCtrl::click(const QPoint& point) {
    int column = 0;
    const int row = hitTestCell(point, column);
    if (row < 0) {
        return;
    }
    if (currentIndex().row() == row && column == 1 &&
        !isRequestText(cellText(row, 1).toStdU16String())) {
        openEditor(row, 1);
        return;
    }
    const QModelIndex index = model()->index(row, 0);
    selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

QString CEditableListCtrl::cellText(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell != nullptr ? cell->text() : QString();
}

void CEditableListCtrl::setCellText(int row, int column, const QString& text) {
    if (QTableWidgetItem* cell = item(row, column)) {
        cell->setText(text);
    }
}

int CEditableListCtrl::firstSelectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        return -1;
    }
    return std::min_element(
               rows.begin(), rows.end(),
               [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); })
        ->row();
}

CInPlaceEdit* CEditableListCtrl::editor() const {
    // A closed editor lingers hidden until it is deleted.
    const auto editors =
        viewport()->findChildren<CInPlaceEdit*>(QString(), Qt::FindDirectChildrenOnly);
    const auto open = std::find_if(editors.begin(), editors.end(),
                                   [](const CInPlaceEdit* edit) { return edit->isVisible(); });
    return open != editors.end() ? *open : nullptr;
}

void CEditableListCtrl::mouseReleaseEvent(QMouseEvent* event) {
    QTableWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        emit clickedAt(event->position().toPoint());
    }
}

void CEditableListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) {
        emit doubleClickedAt(event->position().toPoint());
    }
}

void CEditableListCtrl::focusInEvent(QFocusEvent* event) {
    const bool hadCurrent = currentIndex().isValid();
    QTableWidget::focusInEvent(event);
    if (!hadCurrent && currentIndex().isValid()) {
        m_currentUnchosen = true;
    }
}

void CEditableListCtrl::keyPressEvent(QKeyEvent* event) {
    if (!isPlainNavigationKey(*event) || selectionModel()->hasSelection()) {
        QTableWidget::keyPressEvent(event);
        return;
    }
    // As on a Windows list: with no row chosen yet, Down lands on the first row instead of
    // passing it; and a key that stays where it is (Home on the first row) still selects.
    if (m_currentUnchosen && event->key() == Qt::Key_Down) {
        event->accept();
    } else {
        QTableWidget::keyPressEvent(event);
    }
    const QModelIndex current = currentIndex();
    if (current.isValid() && !selectionModel()->hasSelection()) {
        selectionModel()->select(current,
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}

void CEditableListCtrl::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableWidget::currentChanged(current, previous);
    m_currentUnchosen = false;
}

void CEditableListCtrl::selectionChanged(const QItemSelection& selected,
                                         const QItemSelection& deselected) {
    QTableWidget::selectionChanged(selected, deselected);
    m_currentUnchosen = false;
}

}  // namespace tresvik
