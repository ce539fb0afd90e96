#include "flags/no_sel_list_ctrl.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QScrollBar>

namespace tresvik {

namespace {

constexpr int kColumnsPerGroup = 4;
constexpr int kSeparatorWidth = 3;
// Almost black: the lines read as part of the grid, not as a frame around it.
const QColor kSeparatorColour(1, 1, 1);

// Lets the current item (the keyboard's place) move but refuses every selection, whoever asks.
class NoSelectionModel : public QItemSelectionModel {
public:
    using QItemSelectionModel::QItemSelectionModel;

    void select(const QModelIndex& index, SelectionFlags command) override {
        QItemSelectionModel::select(index, withoutSelecting(command));
    }
    void select(const QItemSelection& selection, SelectionFlags command) override {
        QItemSelectionModel::select(selection, withoutSelecting(command));
    }

private:
    static SelectionFlags withoutSelecting(SelectionFlags command) {
        command &= ~(Select | Toggle);
        return command;
    }
};

}  // namespace

NoSelListCtrl::NoSelListCtrl(int rows, int columns, QWidget* parent)
    : QTableWidget(rows, columns, parent) {
    QItemSelectionModel* previous = selectionModel();
    setSelectionModel(new NoSelectionModel(model(), this));
    delete previous;
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    horizontalHeader()->hide();
    verticalHeader()->hide();
}

std::vector<int> NoSelListCtrl::separatorPositions(const std::vector<int>& columnWidths, int scroll,
                                                   int clientWidth) {
    std::vector<int> positions;
    const int columns = static_cast<int>(columnWidths.size());
    int x = -scroll;
    for (int i = 0; i < columns; i += kColumnsPerGroup) {
        for (int k = i; k < i + kColumnsPerGroup && k < columns; ++k) {
            x += columnWidths[static_cast<std::size_t>(k)];
        }
        if (x >= clientWidth) {
            break;
        }
        positions.push_back(x - 1);
    }
    return positions;
}

void NoSelListCtrl::paintEvent(QPaintEvent* event) {
    QTableWidget::paintEvent(event);
    std::vector<int> widths;
    for (int column = 0; column < columnCount(); ++column) {
        widths.push_back(columnWidth(column));
    }
    QPainter painter(viewport());
    painter.setPen(QPen(kSeparatorColour, kSeparatorWidth));
    const int bottom = viewport()->height();
    for (const int x :
         separatorPositions(widths, horizontalScrollBar()->value(), viewport()->width())) {
        painter.drawLine(x, 0, x, bottom);
    }
}

void NoSelListCtrl::scrollContentsBy(int dx, int dy) {
    QTableWidget::scrollContentsBy(dx, dy);
    if (dx != 0) {
        viewport()->update();
    }
}

}  // namespace tresvik
