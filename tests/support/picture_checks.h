#pragma once

#include <QFontMetrics>
#include <QHeaderView>
#include <QImage>
#include <QRect>
#include <QTableWidget>

#include <algorithm>
#include <vector>

namespace tresvik::test {

// A list column fitted to its contents is at least as wide as its widest text, and wider by no
// more than this: the margins either side of a cell's or a header section's text and a grid line.
inline constexpr int kFittedColumnMargin = 16;

// The width of the widest text of each column of `list`, its header's included, measured with
// the fonts they are drawn in: the least each column needs to show them in full.
inline std::vector<int> columnTextWidths(const QTableWidget& list) {
    const QFontMetrics cells(list.font());
    const QFontMetrics header(list.horizontalHeader()->font());
    std::vector<int> widths;
    for (int column = 0; column < list.columnCount(); ++column) {
        const QTableWidgetItem* title = list.horizontalHeaderItem(column);
        int widest = title != nullptr ? header.horizontalAdvance(title->text()) : 0;
        for (int row = 0; row < list.rowCount(); ++row) {
            if (const QTableWidgetItem* cell = list.item(row, column)) {
                widest = std::max(widest, cells.horizontalAdvance(cell->text()));
            }
        }
        widths.push_back(widest);
    }
    return widths;
}

// Where, in a picture of `list` with its columns fitted, a text `textWidth` wide in the cell of
// `row` and column 1 must stand, whatever the margins: from where column 0 ends at the latest to
// where the text reaches at the least. `viewport` is where the list's viewport begins in the
// picture. Empty when the text is too narrow to be found so.
inline QRect secondColumnTextArea(const QTableWidget& list, const QPoint& viewport, int row,
                                  int textWidth) {
    const int column0 = columnTextWidths(list).front();
    const QRect cell = list.visualRect(list.model()->index(row, 0));
    const int left = column0 + kFittedColumnMargin;
    const int right = column0 + textWidth;
    if (right - left < 10) {
        return {};
    }
    return {viewport.x() + left, viewport.y() + cell.top() + 1, right - left, cell.height() - 2};
}

// The darkest and the lightest grey within `area` of a picture.
struct GreyRange {
    int darkest = 255;
    int lightest = 0;
};

inline GreyRange greyRange(const QImage& picture, const QRect& area) {
    GreyRange range;
    const QRect inside = area & picture.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const int grey = qGray(picture.pixel(x, y));
            range.darkest = std::min(range.darkest, grey);
            range.lightest = std::max(range.lightest, grey);
        }
    }
    return range;
}

// A part of a picture that shows text on a light background: light pixels and dark ones, which
// neither a blank nor a black picture has.
inline bool showsDarkTextOnLight(const QImage& picture, const QRect& area) {
    const GreyRange range = greyRange(picture, area);
    return !(area & picture.rect()).isEmpty() && range.darkest < 96 && range.lightest > 160;
}

}  // namespace tresvik::test
