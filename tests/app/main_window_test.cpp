#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <functional>
#include <numeric>
#include <vector>

#include "app/about_dlg.h"
#include "app/program_directory.h"
#include "app/tresvik_dlg.h"
#include "commands/editable_list_ctrl.h"
#include "commands/simulation_buttons.h"
#include "decode/parameter_list.h"
#include "decode/parameter_table.h"
#include "flags/flags_dlg.h"
#include "flags/no_sel_list_ctrl.h"
#include "link/crc8.h"
#include "link/transmit_queue.h"
#include "plot/plot_view.h"
#include "tests/support/fake_link_session.h"
#include "tests/support/parameter_rows.h"
#include "tests/support/picture_checks.h"
#include "tests/support/window_waiter.h"

using namespace tresvik;
using tresvik::test::rowLabelled;

namespace {

Bytes withChecksum(Bytes frame) {
    frame.push_back(Crc8::compute(frame));
    return frame;
}

QString hex(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()))
        .toHex(' ')
        .toUpper();
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_ports = {};
        m_session = std::make_unique<FakeLinkSession>();
        m_session->setOpen(true);
        m_dlg = std::make_unique<CTresvikDlg>(*m_session, [this] { return m_ports; });
        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
        // The Log window starts, and places itself, once the main window is on the screen.
        QTRY_VERIFY(m_dlg->logDlg().queue().initialised());
        m_list = m_dlg->parameterList();
    }
    void cleanup() {
        m_dlg.reset();
        m_session.reset();
        removeCaptureFiles();
    }

    void windowHasTheTemplatesCaptionSizeAndControls() {
        QCOMPARE(m_dlg->windowTitle(), QStringLiteral("Tresvik 1.0a"));
        QVERIFY(!m_dlg->windowIcon().isNull());
        QCOMPARE(m_dlg->size(), QSize(742, 757));
        const struct {
            const char* name;
            const char* text;
            QRect geometry;
        } controls[] = {
            {"connectButton", "Connect", {10, 35, 76, 22}},
            {"logButton", "Log", {10, 61, 76, 22}},
            {"txButton", "Tx", {10, 87, 76, 22}},
            {"flagsButton", "Flags", {10, 113, 76, 22}},
            {"printScreenButton", "PrintScreen", {10, 723, 76, 22}},
        };
        for (const auto& control : controls) {
            auto* button = m_dlg->findChild<QPushButton*>(control.name);
            QVERIFY2(button != nullptr, control.name);
            QCOMPARE(button->text(), QString::fromLatin1(control.text));
            QCOMPARE(button->geometry(), control.geometry);
        }
        QVERIFY(m_dlg->findChild<QPushButton*>("logButton")->isCheckable());
        QVERIFY(m_dlg->findChild<QComboBox*>("portCombo")->isEditable());
        QCOMPARE(m_list->geometry(), QRect(97, 11, 636, 734));
        QVERIFY(m_dlg->findChild<QCheckBox*>("txTelCheck")->isHidden());
        QVERIFY(m_dlg->findChild<QCheckBox*>("txPepCheck")->isHidden());
    }

    void simulationButtonsAreStackedWithTheirCaptions() {
        int k = 0;
        for (const SimulationButton& simulation : simulationButtons()) {
            auto* button = m_dlg->findChild<QPushButton*>(
                QStringLiteral("simulation%1").arg(simulation.controlId));
            QVERIFY(button != nullptr);
            QCOMPARE(button->text().toStdU16String(), std::u16string(simulation.caption));
            QCOMPARE(button->geometry(), QRect(12, (130 + 10 * k) * 13 / 8, 75, 16));
            ++k;
        }
        QCOMPARE(k, 15);
    }

    void listHasFiveColumnPairsAndEveryLabel() {
        QCOMPARE(m_list->columnCount(), 10);
        QCOMPARE(m_list->rowCount(), 40);
        for (int column = 0; column < 10; ++column) {
            QCOMPARE(m_list->horizontalHeaderItem(column)->text(),
                     column % 2 == 0 ? QStringLiteral("Parameter") : QStringLiteral("Value"));
            QCOMPARE(m_list->columnWidth(column), column % 2 == 0 ? 150 : 100);
        }
        QCOMPARE(m_list->cellText(3, 0), QStringLiteral("PRG_NO"));
        QCOMPARE(m_list->cellText(0, 8),
                 QStringLiteral("Driver 2 Card Next Mandatory Download Date"));
        QCOMPARE(m_list->cellText(1, 8).isEmpty(), false);
        QCOMPARE(m_list->cellText(2, 8), QString());
        QCOMPARE(m_list->selectionBehavior(), QAbstractItemView::SelectRows);
        QVERIFY(m_list->showGrid());
    }

    void valueDoubleClickCopiesTheCellTextExactly_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("odometer") << "0000617.280";
        QTest::newRow("empty") << "";
        QTest::newRow("spaces kept") << " 12 km/h ";
    }
    void valueDoubleClickCopiesTheCellTextExactly() {
        QFETCH(QString, text);
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        m_list->setCellText(10, 1, text);
        doubleClickCell(Qt::LeftButton, 10, 1);
        QCOMPARE(QGuiApplication::clipboard()->text(), text);
        QVERIFY(queue().empty());
    }

    void labelDoubleClickSendsTheRequestForItsRow() {
        m_dlg->frameWriter().setSequenceNumber(6);
        doubleClickCell(Qt::LeftButton, 3, 0);
        QCOMPARE(hex(queue().takeAll()), hex(withChecksum({0xC7, 0x01, 0x24, 0x02, 0x07, 0x00})));
        doubleClickCell(Qt::LeftButton, 0, 8);
        QCOMPARE(hex(queue().takeAll()), hex(withChecksum({0xC7, 0x1B, 0x52, 0x02, 0x08, 0x00})));
        // The request is logged as a sent frame.
        QTRY_VERIFY(m_dlg->logDlg().textControl()->toPlainText().contains(
            QStringLiteral("UART Tx - C7 01 24 02 07 00 ")));
    }

    void valueDoubleClickBelowTheLastItemCopiesTheEmptyText() {
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        const int x = m_list->columnViewportPosition(1) + 10;
        const QPoint below(x, m_list->viewport()->height() - 3);
        QVERIFY(!m_list->indexAt(below).isValid());
        QTest::mouseDClick(m_list->viewport(), Qt::LeftButton, {}, below);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString());
        QVERIFY(queue().empty());
    }

    void doubleClickWithoutALabelSendsNothing() {
        doubleClickCell(Qt::LeftButton, 5, 8);
        // Below the last item.
        const QPoint below(20, m_list->viewport()->height() - 3);
        QVERIFY(!m_list->indexAt(below).isValid());
        QTest::mouseDClick(m_list->viewport(), Qt::LeftButton, {}, below);
        QVERIFY(queue().empty());
        QCOMPARE(m_dlg->frameWriter().sequenceNumber(), 0);
    }

    void requestWhileNoPortIsOpenUsesASequenceNumberAndSendsNothing() {
        m_session->setOpen(false);
        doubleClickCell(Qt::LeftButton, 3, 0);
        QVERIFY(queue().empty());
        QCOMPARE(m_dlg->frameWriter().sequenceNumber(), 1);
    }

    void rightDoubleClickClearsAValueAndLeavesLabels() {
        m_list->setCellText(10, 1, QStringLiteral("0000617.280"));
        m_list->setCellText(11, 1, QStringLiteral("kept"));
        doubleClickCell(Qt::RightButton, 10, 1);
        doubleClickCell(Qt::RightButton, 11, 0);
        QCOMPARE(m_list->cellText(10, 1), QString());
        QCOMPARE(m_list->cellText(11, 1), QStringLiteral("kept"));
        QCOMPARE(m_list->cellText(11, 0).isEmpty(), false);
        QVERIFY(queue().empty());
    }

    void contextMenuClearsAllValuesAndKeepsTheLabels() {
        for (int row = 0; row < kParameterCount; ++row) {
            const ListPosition at = listPosition(row);
            m_list->setCellText(at.item, at.valueColumn, QStringLiteral("v"));
        }
        const QString label = m_list->cellText(3, 0);
        test::whenWindowOpens([](QWidget* popup) {
            for (QAction* action : static_cast<QMenu*>(popup)->actions()) {
                if (action->text() == QStringLiteral("&Clear values")) {
                    action->trigger();
                }
            }
            popup->close();
        });
        openContextMenu();
        for (int row = 0; row < kParameterCount; ++row) {
            const ListPosition at = listPosition(row);
            QCOMPARE(m_list->cellText(at.item, at.valueColumn), QString());
        }
        QCOMPARE(m_list->cellText(3, 0), label);
    }

    void aRightClickOnANumberOffersItsPlotAndOtherValuesOfferNothing() {
        const auto rightClick = [this](int row) {
            const ListPosition at = listPosition(row);
            m_list->scrollTo(m_list->model()->index(at.item, at.valueColumn));
            const QRect cell = m_list->visualRect(m_list->model()->index(at.item, at.valueColumn));
            QTest::mouseClick(m_list->viewport(), Qt::RightButton, {}, cell.center());
        };
        QStringList offered;
        bool opened = false;
        test::whenWindowOpens([&](QWidget* popup) {
            opened = true;
            for (QAction* action : static_cast<QMenu*>(popup)->actions()) {
                offered << action->text();
            }
            popup->close();
            static_cast<QMenu*>(popup)->actions().value(0)->trigger();
        });
        rightClick(rowLabelled(u"RPM"));
        QTRY_VERIFY(opened);
        QCOMPARE(offered, QStringList{QStringLiteral("Plot RPM")});
        PlotWindow* plot = m_dlg->plots().window();
        QVERIFY(plot != nullptr && plot->isVisible());
        QCOMPARE(plot->view().rows(), std::vector<int>{rowLabelled(u"RPM")});

        // A right double-click is the list's own and opens no menu; neither does a right click
        // on a value without a number.
        opened = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                opened = true;
                popup->close();
            }
        });
        watch.start(10);
        // As the window system delivers it: a click, then the second press as a double-click.
        const ListPosition speed = listPosition(rowLabelled(u"Speed"));
        const QPoint cell =
            m_list->visualRect(m_list->model()->index(speed.item, speed.valueColumn)).center();
        m_list->setCellText(speed.item, speed.valueColumn, QStringLiteral("039.0"));
        QTest::mouseClick(m_list->viewport(), Qt::RightButton, {}, cell);
        QTest::mouseDClick(m_list->viewport(), Qt::RightButton, {}, cell);
        QTest::mouseRelease(m_list->viewport(), Qt::RightButton, {}, cell);
        QCOMPARE(m_list->cellText(speed.item, speed.valueColumn), QString());
        QTest::qWait(QApplication::doubleClickInterval() + 100);
        QVERIFY(!opened);
        rightClick(rowLabelled(u"Device"));
        QTest::qWait(QApplication::doubleClickInterval() + 100);
        QVERIFY(!opened);
    }

    void contextMenuOpensThePlotWindow() {
        chooseContextItem(QStringLiteral("&Plot"), [](QWidget*) {});
        QTRY_VERIFY(m_dlg->plots().window() != nullptr && m_dlg->plots().window()->isVisible());
        QVERIFY(m_dlg->plots().window()->view().rows().empty());
    }

    void aboutItemShowsTheAboutBoxModally() {
        QString title;
        QString okText;
        chooseContextItem(QStringLiteral("&About Tresvik..."), [&](QWidget* about) {
            title = about->windowTitle();
            okText = about->findChild<QPushButton*>("okButton")->text();
            QVERIFY(qobject_cast<CAboutDlg*>(about) != nullptr);
            about->close();
        });
        QCOMPARE(title, QStringLiteral("About Tresvik"));
        QCOMPARE(okText, QStringLiteral("OK"));
    }

    void licenceItemBesideTheAboutItemShowsTheMitLicence() {
        QString title;
        QString text;
        chooseContextItem(QStringLiteral("&Licence..."), [&](QWidget* licence) {
            title = licence->windowTitle();
            text = static_cast<QMessageBox*>(licence)->text();
            licence->close();
        });
        QCOMPARE(title, QStringLiteral("Licence"));
        QVERIFY(text.startsWith(QStringLiteral("MIT License")));
        QVERIFY(text.contains(QStringLiteral("The Tresvik console developers")));
        // Wrapped by the box, not at the file's line ends.
        QVERIFY(text.contains(QStringLiteral("obtaining a copy of this software")));
    }

    void aboutBoxHasItsTemplatesTextsAndLayout() {
        CAboutDlg about;
        QCOMPARE(about.windowTitle(), QStringLiteral("About Tresvik"));
        QCOMPARE(about.size(), QSize(255, 100));
        QCOMPARE(about.findChild<QLabel*>("aboutIcon")->geometry(), QRect(21, 22, 32, 32));
        QStringList texts;
        for (const QLabel* label : about.findChildren<QLabel*>()) {
            if (!label->text().isEmpty()) {
                texts << label->text();
                QCOMPARE(label->x(), 63);
            }
        }
        QVERIFY(texts.contains(QStringLiteral("Tresvik, Version 1.0")));
        QCOMPARE(texts.size(), 2);
        auto* ok = about.findChild<QPushButton*>("okButton");
        QCOMPARE(ok->geometry(), QRect(169, 66, 75, 22));
        QSignalSpy accepted(&about, &QDialog::accepted);
        QTest::mouseClick(ok, Qt::LeftButton);
        QCOMPARE(accepted.count(), 1);
    }

    void simulationButtonsSendTheirFramesWithNewSequenceNumbers() {
        QTest::mouseClick(m_dlg->findChild<QPushButton*>("simulation1020"), Qt::LeftButton);
        QCOMPARE(hex(queue().takeAll()),
                 hex(withChecksum({0xC7, 0x1E, 0x34, 0x08, 0x01, 0x00, 0x11, 0, 0, 0, 0, 0})));
        QTest::mouseClick(m_dlg->findChild<QPushButton*>("simulation1025"), Qt::LeftButton);
        QCOMPARE(hex(queue().takeAll()),
                 hex(withChecksum({0xC7, 0x1E, 0x34, 0x08, 0x02, 0x00, 0, 0x15, 0, 0, 0, 0})));
        QTest::mouseClick(m_dlg->findChild<QPushButton*>("simulation1025"), Qt::LeftButton);
        QCOMPARE(hex(queue().takeAll()),
                 hex(withChecksum({0xC7, 0x1E, 0x34, 0x08, 0x03, 0x00, 0, 0x15, 0, 0, 0, 0})));
    }

    void txTelAndTxPepExcludeEachOtherAndSendNothing() {
        auto* tel = m_dlg->findChild<QCheckBox*>("txTelCheck");
        auto* pep = m_dlg->findChild<QCheckBox*>("txPepCheck");
        pep->click();
        QVERIFY(pep->isChecked());
        tel->click();
        QVERIFY(tel->isChecked() && !pep->isChecked());
        pep->click();
        QVERIFY(pep->isChecked() && !tel->isChecked());
        QVERIFY(queue().empty());
    }

    void enterAndEscapeNeitherCloseTheWindowNorClickAButton() {
        auto* blinker = m_dlg->findChild<QPushButton*>("simulation1020");
        blinker->setFocus();
        QTest::keyClick(blinker, Qt::Key_Return);
        QTest::keyClick(blinker, Qt::Key_Enter);
        QTest::keyClick(blinker, Qt::Key_Escape);
        QTest::keyClick(m_list, Qt::Key_Escape);
        QTest::keyClick(m_dlg->findChild<QComboBox*>("portCombo"), Qt::Key_Return);
        QVERIFY(m_dlg->isVisible());
        QVERIFY(!m_dlg->closing());
        QVERIFY(queue().empty());
        // The space bar still clicks.
        QTest::keyClick(blinker, Qt::Key_Space);
        QCOMPARE(queue().size(), std::size_t{13});
    }

    void logBoxShowsAndHidesTheLogWindowBesideTheMainWindow() {
        auto* log = m_dlg->logButton();
        CLogDlg& logDlg = m_dlg->logDlg();
        QVERIFY(!logDlg.isVisible());
        QCOMPARE(logDlg.pos(),
                 QPoint(m_dlg->frameGeometry().right() + 1, m_dlg->frameGeometry().y()));
        QCOMPARE(logDlg.size(), QSize(270, 325));
        QTest::mouseClick(log, Qt::LeftButton);
        QVERIFY(logDlg.isVisible());
        QTest::mouseClick(log, Qt::LeftButton);
        QVERIFY(!logDlg.isVisible());
    }

    void logWindowsCloseBoxHidesItAndUnchecksLog() {
        auto* log = m_dlg->logButton();
        QTest::mouseClick(log, Qt::LeftButton);
        CLogDlg& logDlg = m_dlg->logDlg();
        logDlg.queue().AppendText(u"kept", LineClass::UartRx);
        QVERIFY(logDlg.close());
        QVERIFY(!logDlg.isVisible());
        QVERIFY(!log->isChecked());
        QTest::mouseClick(log, Qt::LeftButton);
        QVERIFY(logDlg.isVisible());
        QVERIFY(logDlg.textControl()->toPlainText().contains(QStringLiteral("kept")));
    }

    void txBoxShowsTheTxWindowBesideTheMainWindowAndItsCloseBoxUnchecksIt() {
        QPushButton* tx = m_dlg->txButton();
        CTxDlg& txDlg = m_dlg->txDlg();
        QVERIFY(txDlg.initialised());
        QVERIFY(!txDlg.isVisible());
        QTest::mouseClick(tx, Qt::LeftButton);
        QVERIFY(txDlg.isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(&txDlg));
        // Left edge at the main window's right edge, bottom edges level, frames included.
        const QRect main = m_dlg->frameGeometry();
        QCOMPARE(txDlg.frameGeometry().topLeft().x(), main.right() + 1);
        QCOMPARE(txDlg.frameGeometry().bottom(), main.bottom());
        QVERIFY(txDlg.close());
        QVERIFY(!txDlg.isVisible());
        QVERIFY(!tx->isChecked());
        QTest::mouseClick(tx, Qt::LeftButton);
        QVERIFY(txDlg.isVisible());
        QTest::mouseClick(tx, Qt::LeftButton);
        QVERIFY(!txDlg.isVisible());
    }

    void readBackLandsInTheTxListAndTxRowsAreSentAndLogged() {
        // The unit reports 120 under the speed limit's identifier: the setting row shows it.
        m_session->receive(withChecksum({0xC7, 0x01, 0x48, 0x06, 0x00, 0x00, 0x78, 0, 0, 0}));
        CEditableListCtrl* list = m_dlg->txDlg().list();
        list->setCellText(25, 1, QStringLiteral("5"));
        QTRY_COMPARE(list->cellText(25, 1), QStringLiteral("120"));
        QCOMPARE(list->cellText(26, 1), QStringLiteral("-"));

        const QModelIndex name = list->model()->index(0, 0);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(name).center());
        QCOMPARE(hex(queue().takeAll()), hex(withChecksum({0xC7, 0x06, 0x24, 0x02, 0x01, 0x00})));
        QTRY_VERIFY(m_dlg->logDlg().textControl()->toPlainText().contains(
            QStringLiteral("UART Tx - C7 06 24 02 01 00 ")));
    }

    void flagsBoxShowsTheFlagsWindowLeftOfTheMainWindowAndItsCloseBoxUnchecksIt() {
        QPushButton* flags = m_dlg->flagsButton();
        CFlagsDlg& flagsDlg = m_dlg->flagsDlg();
        QVERIFY(flagsDlg.initialised());
        QVERIFY(flagsDlg.parked());
        QVERIFY(!flagsDlg.isVisible());
        QTest::mouseClick(flags, Qt::LeftButton);
        QVERIFY(QTest::qWaitForWindowExposed(&flagsDlg));
        const QRect main = m_dlg->frameGeometry();
        QCOMPARE(flagsDlg.frameGeometry().right() + 1, main.left());
        QCOMPARE(flagsDlg.frameGeometry().top(), main.top());
        QTest::mouseClick(flags, Qt::LeftButton);
        QVERIFY(flagsDlg.parked());
        QVERIFY(!flagsDlg.isVisible());
        QTest::mouseClick(flags, Qt::LeftButton);
        QVERIFY(flagsDlg.isVisible());
        QVERIFY(flagsDlg.close());
        QVERIFY(flagsDlg.parked());
        QVERIFY(!flags->isChecked());
    }

    void flagReportsChangeOnlyTheCellsWhoseImageChanges_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("image");
        const auto frame = [](std::uint16_t id, Bytes payload) {
            Bytes body{0xC7, static_cast<std::uint8_t>(id & 0xFF),
                       static_cast<std::uint8_t>(id >> 8),
                       static_cast<std::uint8_t>(payload.size())};
            body.insert(body.end(), payload.begin(), payload.end());
            const Bytes whole = withChecksum(body);
            return QByteArray(reinterpret_cast<const char*>(whole.data()),
                              static_cast<qsizetype>(whole.size()));
        };
        Bytes group0(12, 0x00);
        QTest::newRow("0x1020 byte 0 = 00, cell 0") << frame(0x1020, group0) << 0 << 0 << 1;
        QTest::newRow("0x1020 byte 0 = 00, cell 3") << frame(0x1020, group0) << 0 << 3 << 13;
        group0[0] = 0x55;
        QTest::newRow("0x1020 byte 0 = 55, cell 2") << frame(0x1020, group0) << 0 << 2 << 11;
        group0[0] = 0xFF;
        QTest::newRow("0x1020 byte 0 = FF, cell 0") << frame(0x1020, group0) << 0 << 0 << 2;
        QTest::newRow("0x1020 no flag in cell 1") << frame(0x1020, group0) << 0 << 1 << 4;
        group0[8] = 0x01 | (0x02 << 2);
        QTest::newRow("0x1020 row 8 shows bit 66 first") << frame(0x1020, group0) << 8 << 0 << 132;
        QTest::newRow("0x1020 row 8 then bit 64") << frame(0x1020, group0) << 8 << 1 << 131;
        QTest::newRow("0x1030 byte 0 = 02")
            << frame(0x1030, {0x02, 0, 0, 0, 0, 0, 0}) << 0 << 4 << 192;
        QTest::newRow("0x1070 changes nothing") << frame(0x1070, Bytes(12, 0x55)) << 0 << 0 << 2;
        QTest::newRow("a short 0x1020 leaves the later rows")
            << frame(0x1020, {0x00}) << 1 << 0 << 18;
    }
    void flagReportsChangeOnlyTheCellsWhoseImageChanges() {
        QFETCH(QByteArray, frame);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(int, image);
        const ByteView bytes(reinterpret_cast<const std::uint8_t*>(frame.constData()),
                             static_cast<std::size_t>(frame.size()));
        CFlagsDlg& flagsDlg = m_dlg->flagsDlg();
        m_session->receive(bytes);
        QTRY_COMPARE(m_dlg->receivePath().counters().goodFrames, std::size_t{1});
        QCOMPARE(flagsDlg.cellImage(row, column), image);
        // The same report again sets no cell at all.
        QSignalSpy changed(flagsDlg.list()->model(), &QAbstractItemModel::dataChanged);
        m_session->receive(bytes);
        QTRY_COMPARE(m_dlg->receivePath().counters().goodFrames, std::size_t{2});
        QCOMPARE(changed.count(), 0);
    }

    void printScreenSavesBothWindowsWidenedAndLeavesEverythingAsItWas() {
        QStringList widths;
        for (int column = 0; column < m_list->columnCount(); ++column) {
            widths << QString::number(m_list->columnWidth(column));
        }
        // A value too wide for its column must be shown whole in the picture.
        m_list->setCellText(0, 9, QString(60, u'W'));
        const QString knownValue = QStringLiteral("1234567890");
        m_list->setCellText(0, 1, knownValue);
        const QSize mainSize = m_dlg->size();
        CFlagsDlg& flagsDlg = m_dlg->flagsDlg();
        const QSize parkedSize = flagsDlg.size();

        clickPrintScreen();
        const QStringList files = captureFiles();
        QCOMPARE(files.size(), 2);
        QVERIFY2(files[0].contains(QStringLiteral("__PRG_NULL.")), qPrintable(files[0]));
        QCOMPARE(m_dlg->size(), mainSize);
        QVERIFY(flagsDlg.parked());
        QVERIFY(!flagsDlg.isVisible());
        QCOMPARE(flagsDlg.size(), parkedSize);
        QStringList after;
        for (int column = 0; column < m_list->columnCount(); ++column) {
            after << QString::number(m_list->columnWidth(column));
        }
        QCOMPARE(after, widths);

        // The Flags window 285 pixels wider than shown, then the main window widened by as much
        // as the fitted columns are wider than the list: each column at least as wide as its
        // widest text, and wider only by its margins.
        const std::vector<int> texts = test::columnTextWidths(*m_list);
        const int textsWidth = std::accumulate(texts.begin(), texts.end(), 0);
        const int least = textsWidth - m_list->width();
        const int most = least + test::kFittedColumnMargin * m_list->columnCount();
        QVERIFY(least > 0);
        const QImage picture(programDirectory() + files.filter(QStringLiteral(".jpeg")).value(0));
        const int flagsPart = 480 + 285;
        QCOMPARE(picture.height(), 757);
        const int extra = picture.width() - flagsPart - mainSize.width();
        QVERIFY2(least <= extra && extra <= most,
                 qPrintable(QStringLiteral("%1 not in %2..%3").arg(extra).arg(least).arg(most)));

        // The picture shows what the windows show: the grid of flags, and the list's texts,
        // among them the value of its first row where that value's cell stands.
        const test::GreyRange flags = test::greyRange(picture, QRect(0, 0, flagsPart, 757));
        QVERIFY(flags.lightest - flags.darkest > 64);
        const QPoint list =
            QPoint(flagsPart, 0) + m_list->viewport()->mapTo(m_dlg.get(), QPoint(0, 0));
        QVERIFY(test::showsDarkTextOnLight(
            picture, QRect(list, QSize(textsWidth, m_list->viewport()->height()))));
        const QRect value = test::secondColumnTextArea(
            *m_list, list, 0, QFontMetrics(m_list->font()).horizontalAdvance(knownValue));
        QVERIFY(!value.isEmpty());
        QVERIFY(test::showsDarkTextOnLight(picture, value));
    }

    void printScreenWithTheFlagsWindowShownPutsItBackInPlace() {
        CFlagsDlg& flagsDlg = m_dlg->flagsDlg();
        QTest::mouseClick(m_dlg->flagsButton(), Qt::LeftButton);
        QVERIFY(QTest::qWaitForWindowExposed(&flagsDlg));
        const QRect before = flagsDlg.frameGeometry();
        clickPrintScreen();
        QCOMPARE(captureFiles().size(), 2);
        QVERIFY(!flagsDlg.parked());
        QVERIFY(flagsDlg.isVisible());
        QTRY_COMPARE(flagsDlg.frameGeometry(), before);
        QCOMPARE(flagsDlg.list()->width(), 459);
    }

    void theTextDumpIsTheLogAsLittleEndianUtf16WithCrLf() {
        clickPrintScreen();
        QCOMPARE(dumpBytes(), QByteArray());
        m_dlg->logDlg().queue().AppendText(u"one \u00E9", LineClass::UartRx);
        clickPrintScreen();
        const QByteArray one = dumpBytes();
        const QString oneText =
            m_dlg->logDlg().textControl()->document()->firstBlock().text() + QStringLiteral("\r\n");
        QCOMPARE(one.size(), oneText.size() * 2);
        QVERIFY(one.endsWith(QByteArray("\r\0\n\0", 4)));
        QCOMPARE(
            QString::fromUtf16(reinterpret_cast<const char16_t*>(one.constData()), one.size() / 2),
            oneText);
        m_dlg->logDlg().queue().AppendText(u"two", LineClass::UartTx);
        clickPrintScreen();
        const QString two = QString::fromUtf16(
            reinterpret_cast<const char16_t*>(dumpBytes().constData()), dumpBytes().size() / 2);
        QCOMPARE(two.count(QStringLiteral("\r\n")), 2);
        QVERIFY(two.endsWith(QStringLiteral("UART Tx - two\r\n")));
    }

    void capturesAreNamedAfterTheUnitOnceItHasSaidWhoItIs() {
        m_session->receive(withChecksum({0xC7, 0x01, 0x24, 0x06, 0x01, 0x00, 0x2A, 0, 0, 0}));
        m_session->receive(
            withChecksum({0xC7, 0x21, 0x24, 0x06, 0x01, 0x00, 0x2A, 0x00, 0x1D, 0x5E}));
        QTRY_COMPARE(m_dlg->receivePath().counters().goodFrames, std::size_t{2});
        clickPrintScreen();
        const QStringList files = captureFiles();
        QCOMPARE(files.size(), 2);
        QVERIFY2(files[0].contains(QStringLiteral("__PRG_00042_")), qPrintable(files[0]));
        QVERIFY2(files[0].endsWith(
                     QStringLiteral("_") +
                     QString::fromStdU16String(m_dlg->receivePath().deviceIdSuffix()).mid(1) +
                     QStringLiteral(".jpeg")),
                 qPrintable(files[0]));
    }

    void noDumpIsWrittenOnceTheWindowIsClosing() {
        m_dlg->close();
        clickPrintScreen();
        const QStringList files = captureFiles();
        QCOMPARE(files.size(), 1);
        QVERIFY(files[0].endsWith(QStringLiteral(".jpeg")));
    }

    void closeBoxShutsDownInOrderAndEndsTheWindowAfterwards() {
        QSignalSpy finished(m_dlg.get(), &QDialog::finished);
        QTest::mouseClick(m_dlg->logButton(), Qt::LeftButton);
        m_dlg->logDlg().queue().AppendText(u"before", LineClass::UartRx);
        QVERIFY(!m_dlg->close());
        // The window stays until the shutdown timer; nothing is logged from now on.
        QVERIFY(m_dlg->closing());
        QVERIFY(m_dlg->isVisible());
        QVERIFY(!m_dlg->logDlg().isVisible());
        QCOMPARE(m_dlg->logDlg().queue().waitingCount(), std::size_t{0});
        QCOMPARE(finished.count(), 0);
        QTest::mouseClick(m_dlg->findChild<QPushButton*>("simulation1020"), Qt::LeftButton);
        QVERIFY(finished.wait(5000));
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(m_dlg->logDlg().queue().waitingCount(), std::size_t{0});
    }

    void closingTwiceEndsTheWindowOnce() {
        QSignalSpy finished(m_dlg.get(), &QDialog::finished);
        m_dlg->close();
        m_dlg->close();
        QVERIFY(finished.wait(5000));
        QCoreApplication::processEvents();
        QCOMPARE(finished.count(), 1);
    }

    void connectWithoutWorkerDoesNothing() {
        FakeLinkSession ended(false);
        CTresvikDlg dlg(ended, [this] { return m_ports; });
        auto* connectButton = dlg.findChild<QPushButton*>("connectButton");
        QVERIFY(connectButton->isEnabled());
        QTest::mouseClick(connectButton, Qt::LeftButton);
        QCOMPARE(connectButton->text(), QStringLiteral("Connect"));
        QVERIFY(dlg.findChild<QComboBox*>("portCombo")->isEnabled());
        QVERIFY(ended.connectRequests.isEmpty());
    }

    void disconnectStaysUsableWhenThePortListEmpties() {
        auto* combo = m_dlg->findChild<QComboBox*>("portCombo");
        auto* connectButton = m_dlg->findChild<QPushButton*>("connectButton");
        m_session->setOpen(false);
        m_ports.ports = {{"SIM-1", "/run/ports/SIM-1"}};
        m_dlg->onDeviceChange();
        QTest::mouseClick(connectButton, Qt::LeftButton);
        QCOMPARE(m_session->connectRequests, QStringList{"/run/ports/SIM-1"});
        m_session->open();
        QCOMPARE(connectButton->text(), QStringLiteral("Disconnect"));

        // The unit goes and no port is left: the link can still be ended.
        m_ports.ports.clear();
        m_dlg->onDeviceChange();
        QVERIFY(connectButton->isEnabled());
        QTest::mouseClick(connectButton, Qt::LeftButton);
        QCOMPARE(m_session->disconnectRequests, 1);
        m_session->close();
        QCOMPARE(connectButton->text(), QStringLiteral("Connect"));
        QVERIFY(combo->isEnabled());
        // Nothing left to connect to.
        QVERIFY(!connectButton->isEnabled());
    }

    void aTypedPathIsTakenWithoutBlanksAndOutlivesANewList() {
        auto* combo = m_dlg->findChild<QComboBox*>("portCombo");
        auto* connectButton = m_dlg->findChild<QPushButton*>("connectButton");
        m_session->setOpen(false);
        combo->clearEditText();
        QTest::keyClicks(combo->lineEdit(), QStringLiteral(" /dev/pts/9 "));
        QVERIFY(connectButton->isEnabled());
        QTest::mouseClick(connectButton, Qt::LeftButton);
        QCOMPARE(m_session->connectRequests, QStringList{"/dev/pts/9"});
        m_session->open();
        m_ports.ports = {{"SIM-1", "/run/ports/SIM-1"}};
        m_dlg->onDeviceChange();
        QCOMPARE(combo->currentText(), QStringLiteral("/dev/pts/9"));
    }

    void theChosenPortIsSelectedAgainWhenItComesBack() {
        auto* combo = m_dlg->findChild<QComboBox*>("portCombo");
        auto* connectButton = m_dlg->findChild<QPushButton*>("connectButton");
        m_session->setOpen(false);
        const PortEntry sim{"SIM-1", "/run/ports/SIM-1"};
        const PortEntry adapter{"ttyUSB0", "/dev/ttyUSB0"};
        m_ports.ports = {sim, adapter};
        m_dlg->onDeviceChange();
        QCOMPARE(combo->currentText(), QStringLiteral("SIM-1"));
        combo->setCurrentIndex(1);
        QTest::mouseClick(connectButton, Qt::LeftButton);
        QCOMPARE(m_session->connectRequests, QStringList{"/dev/ttyUSB0"});

        // Unplugged: the list holds the simulated unit alone, and it is selected.
        m_ports.ports = {sim};
        m_dlg->onDeviceChange();
        QCOMPARE(combo->currentText(), QStringLiteral("SIM-1"));
        // Plugged in again behind the simulated unit: the adapter is the port again.
        m_ports.ports = {sim, adapter};
        m_dlg->onDeviceChange();
        QCOMPARE(combo->currentText(), QStringLiteral("ttyUSB0"));
        QVERIFY(connectButton->isEnabled());
    }

    void anUnreadablePortSourceIsShownAndTheOtherPortsAreListed() {
        auto* combo = m_dlg->findChild<QComboBox*>("portCombo");
        m_ports.ports = {{"ttyUSB0", "/dev/ttyUSB0"}};
        m_ports.error = QStringLiteral("Error 20 on trying enumerate device interfaces.\n");
        QString shown;
        QMessageBox::StandardButtons buttons;
        test::whenWindowOpens([&](QWidget* window) {
            auto* box = qobject_cast<QMessageBox*>(window);
            QVERIFY(box != nullptr);
            shown = box->text();
            buttons = box->standardButtons();
            box->accept();
        });
        m_dlg->onDeviceChange();
        QCOMPARE(shown, m_ports.error);
        QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(combo->count(), 1);
        QCOMPARE(combo->currentText(), QStringLiteral("ttyUSB0"));
        QVERIFY(m_dlg->findChild<QPushButton*>("connectButton")->isEnabled());
    }

    void anUntrustedRegistryIsExplainedOnceInTheLog() {
        m_ports.notice =
            QStringLiteral("Simulated units are not listed: /tmp/x belongs to another user.");
        m_dlg->onDeviceChange();
        m_dlg->onDeviceChange();
        const QString text = m_dlg->logDlg().textControl()->toPlainText();
        QCOMPARE(text.count(m_ports.notice), 1);
        const QTextBlock line = m_dlg->logDlg().textControl()->document()->firstBlock();
        QCOMPARE(line.begin().fragment().charFormat().foreground().color(), QColor(255, 0, 0));
    }

    void boxesPressedBeforeTheChildWindowsStartAreCarriedOutOnceTheyHave() {
        FakeLinkSession session;
        CTresvikDlg dlg(session, [this] { return m_ports; });
        dlg.show();
        QTest::mouseClick(dlg.logButton(), Qt::LeftButton);
        QTest::mouseClick(dlg.txButton(), Qt::LeftButton);
        QTest::mouseClick(dlg.txButton(), Qt::LeftButton);
        QTest::mouseClick(dlg.flagsButton(), Qt::LeftButton);
        QVERIFY(!dlg.flagsDlg().initialised());
        QTRY_VERIFY(dlg.flagsDlg().initialised());
        const QRect main = dlg.frameGeometry();
        QVERIFY(dlg.logDlg().isVisible());
        QCOMPARE(dlg.logDlg().frameGeometry().topLeft(), QPoint(main.right() + 1, main.top()));
        // Pressed twice, the Tx box asks for nothing.
        QVERIFY(!dlg.txDlg().isVisible());
        CFlagsDlg& flags = dlg.flagsDlg();
        QVERIFY(flags.isVisible());
        QVERIFY(!flags.parked());
        QCOMPARE(flags.frameGeometry().right() + 1, main.left());
        QCOMPARE(flags.frameGeometry().top(), main.top());
        QCOMPARE(flags.list()->width(), 459);
        QVERIFY(dlg.flagsButton()->isChecked());
        // Unchecked, it parks as a Flags window shown by its box does.
        QTest::mouseClick(dlg.flagsButton(), Qt::LeftButton);
        QVERIFY(flags.parked());
        QVERIFY(!flags.isVisible());
    }

    void childWindowsStartAlsoWhenTheMainWindowIsNeverShown() {
        FakeLinkSession session;
        CTresvikDlg hidden(session, [this] { return m_ports; });
        QTRY_VERIFY_WITH_TIMEOUT(hidden.logDlg().initialised(), 10000);
    }

private:
    // Chooses `item` from the main window's context menu; `onOpen` gets the window it opens.
    void chooseContextItem(const QString& item, const std::function<void(QWidget*)>& onOpen) {
        bool found = false;
        test::whenWindowOpens([&](QWidget* popup) {
            for (QAction* action : static_cast<QMenu*>(popup)->actions()) {
                if (action->text() == item) {
                    found = true;
                    test::whenWindowOpens(onOpen);
                    popup->close();
                    action->trigger();
                    return;
                }
            }
            popup->close();
        });
        openContextMenu();
        QVERIFY2(found, qPrintable(item));
    }

    void doubleClickCell(Qt::MouseButton button, int item, int column) {
        m_list->scrollTo(m_list->model()->index(item, column));
        const QRect cell = m_list->visualRect(m_list->model()->index(item, column));
        QTest::mouseDClick(m_list->viewport(), button, {}, cell.center());
    }

    // Presses PrintScreen; captureFiles() then names what this press wrote.
    void clickPrintScreen() {
        removeCaptureFiles();
        const QStringList before = allCaptureFiles();
        QTest::mouseClick(m_dlg->findChild<QPushButton*>("printScreenButton"), Qt::LeftButton);
        m_captured = allCaptureFiles();
        for (const QString& old : before) {
            m_captured.removeAll(old);
        }
        // The picture first.
        std::sort(m_captured.begin(), m_captured.end(), [](const QString& a, const QString& b) {
            return a.endsWith(QStringLiteral(".jpeg")) && !b.endsWith(QStringLiteral(".jpeg"));
        });
    }

    QStringList captureFiles() const { return m_captured; }

    // Other tests of the program's folder may be writing captures at the same time.
    static QStringList allCaptureFiles() {
        return QDir(programDirectory())
            .entryList({QStringLiteral("_*__PRG_*.jpeg"), QStringLiteral("_*__PRG_*.txt")},
                       QDir::Files);
    }

    QByteArray dumpBytes() const {
        QFile dump(programDirectory() + captureFiles().filter(QStringLiteral(".txt")).value(0));
        return dump.open(QIODevice::ReadOnly) ? dump.readAll() : QByteArray("missing");
    }

    void removeCaptureFiles() {
        for (const QString& file : m_captured) {
            QFile::remove(programDirectory() + file);
        }
        m_captured.clear();
    }

    void openContextMenu() {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(30, 400),
                                m_dlg->mapToGlobal(QPoint(30, 400)));
        QApplication::sendEvent(m_dlg.get(), &event);
    }

    TransmitQueue& queue() { return m_session->transmitQueue(); }

    PortList m_ports;
    QStringList m_captured;
    std::unique_ptr<FakeLinkSession> m_session;
    std::unique_ptr<CTresvikDlg> m_dlg;
    ParameterList* m_list = nullptr;
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
