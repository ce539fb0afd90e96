#pragma once

#include <QImage>
#include <QString>

#include <string_view>

class QTableWidget;
class QWidget;

namespace tresvik {

class CFlagsDlg;

// The picture PrintScreen saves, from the windows themselves, whatever covers them: the Flags
// window 285 pixels wider than when shown, then the main window widened so that every column of
// its parameter list shows its header and contents in full. Each part is the window's client
// area. The list's columns, both windows and the Flags window's parking are as before when it
// returns.
QImage capturePicture(QWidget& mainWindow, QTableWidget& list, CFlagsDlg& flags);

// Writes the Log window's text as the text dump: UTF-16 little-endian code units, no byte-order
// mark, CR LF line ends as the text holds them. False when the file cannot be written.
bool writeTextDump(const QString& path, std::u16string_view text);

}  // namespace tresvik
