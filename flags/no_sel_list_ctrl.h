#pragma once

#include <QTableWidget>

#include <vector>

namespace tresvik {

// A list for read-only status displays: no item can ever become selected, by mouse, keyboard or
// code, and a thick separator line stands after every fourth column, one group of four columns
// to a status message. Horizontal scrolling repaints the list so that the lines follow their
// columns.
class NoSelListCtrl : public QTableWidget {
    Q_OBJECT
public:
    NoSelListCtrl(int rows, int columns, QWidget* parent = nullptr);

    // Where the separator lines stand, in viewport coordinates, for these column widths scrolled
    // left by `scroll` pixels: one pixel left of the right border of every fourth column (and of
    // the last one), as long as that lies within `clientWidth`.
    static std::vector<int> separatorPositions(const std::vector<int>& columnWidths, int scroll,
                                               int clientWidth);

protected:
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
};

}  // namespace tresvik
