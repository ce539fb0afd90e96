// How long PrintScreen holds the main window's thread: the picture of the Flags and main
// windows, the JPEG and the text dump of a full Log window, with every value of the list filled.
// Runs on the display it finds (offscreen when there is none) and prints the median and the
// longest of its rounds.
//
//   capture_bench [ROUNDS]

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/program_directory.h"
#include "app/tresvik_dlg.h"
#include "decode/parameter_list.h"
#include "decode/parameter_table.h"
#include "link/serial_link_session.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;

    tresvik::SerialLinkSession session;
    tresvik::CTresvikDlg dlg(session);
    dlg.show();
    if (!QTest::qWaitForWindowExposed(&dlg) ||
        !QTest::qWaitFor([&] { return dlg.flagsDlg().initialised(); }, 5000)) {
        std::fprintf(stderr, "capture_bench: the main window did not come up\n");
        return 1;
    }
    for (int row = 0; row < tresvik::kParameterCount; ++row) {
        const tresvik::ListPosition at = tresvik::listPosition(row);
        dlg.parameterList()->setCellText(at.item, at.valueColumn,
                                         QStringLiteral("value of row %1").arg(row));
    }
    // A Log window near its 100,000-character limit.
    for (int line = 0; line < 1100; ++line) {
        dlg.logDlg().queue().AppendText(
            u"C7 20 24 08 00 00 A3 01 02 00 15 00 4D 5A 11 22 33 44 55 66 77 88",
            tresvik::LineClass::UartRx);
    }
    auto* button = dlg.findChild<QPushButton*>(QStringLiteral("printScreenButton"));
    const QDir folder(tresvik::programDirectory());

    std::vector<double> milliseconds;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        button->click();
        milliseconds.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        QApplication::processEvents();
        for (const QString& file : folder.entryList({QStringLiteral("_*__PRG_*")})) {
            QFile::remove(folder.filePath(file));
        }
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    std::printf("PrintScreen on %s, %d rounds: median %.1f ms, longest %.1f ms\n",
                qPrintable(QGuiApplication::platformName()), rounds,
                milliseconds[milliseconds.size() / 2], milliseconds.back());
    return 0;
}
