#include "app/screen_capture.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QTableWidget>
#include <QtEndian>

#include <vector>

#include "flags/flags_dlg.h"

namespace tresvik {

namespace {

// Every column as wide as its header and its contents need, the last first; returns how much
// wider than the list all of them are together.
int fitColumns(QTableWidget& list, std::vector<int>& formerWidths) {
    const int columns = list.columnCount();
    formerWidths.assign(static_cast<std::size_t>(columns), 0);
    int sum = 0;
    for (int column = columns - 1; column >= 0; --column) {
        formerWidths[static_cast<std::size_t>(column)] = list.columnWidth(column);
        list.resizeColumnToContents(column);
        sum += list.columnWidth(column);
    }
    return sum;
}

// The main window widened by `extra`, its list wide enough for every column; both as before
// afterwards.
QPixmap widenedMainWindow(QWidget& mainWindow, QTableWidget& list, int fittedWidth, int extra) {
    const QSize size = mainWindow.size();
    const QRect listRect = list.geometry();
    mainWindow.setFixedSize(size.width() + extra, size.height());
    // Beyond the widened window by the list's own left offset; that part is not in the picture.
    list.setGeometry(listRect.x(), listRect.y(), listRect.x() + fittedWidth, listRect.height());
    const QPixmap picture = mainWindow.grab();
    mainWindow.setFixedSize(size);
    list.setGeometry(listRect);
    return picture;
}

}  // namespace

QImage capturePicture(QWidget& mainWindow, QTableWidget& list, CFlagsDlg& flags) {
    std::vector<int> formerWidths;
    const int fittedWidth = fitColumns(list, formerWidths);
    const int extra = fittedWidth - list.width();

    const QPixmap flagsPart = flags.captureWidened();
    const QPixmap mainPart = widenedMainWindow(mainWindow, list, fittedWidth, extra);
    for (int column = 0; column < list.columnCount(); ++column) {
        list.setColumnWidth(column, formerWidths[static_cast<std::size_t>(column)]);
    }
    list.viewport()->update();

    QImage picture(flagsPart.width() + mainPart.width(), flagsPart.height(), QImage::Format_RGB32);
    // Below a shorter main part the picture stays black, as a fresh bitmap is.
    picture.fill(Qt::black);
    QPainter painter(&picture);
    painter.drawPixmap(0, 0, flagsPart);
    painter.drawPixmap(flagsPart.width(), 0, mainPart);
    return picture;
}

bool writeTextDump(const QString& path, std::u16string_view text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    QByteArray bytes(static_cast<qsizetype>(text.size() * 2), Qt::Uninitialized);
    qToLittleEndian<char16_t>(text.data(), static_cast<qsizetype>(text.size()), bytes.data());
    return file.write(bytes) == bytes.size() && file.flush();
}

}  // namespace tresvik
