#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <map>
#include <memory>
#include <numeric>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/program_directory.h"
#include "app/tresvik_dlg.h"
#include "commands/editable_list_ctrl.h"
#include "commands/in_place_edit.h"
#include "decode/parameter_list.h"
#include "decode/parameter_table.h"
#include "decode/receive_path.h"
#include "link/serial_link_session.h"
#include "tests/support/child_process.h"
#include "tests/support/event_loop_wait.h"
#include "tests/support/picture_checks.h"
#include "tests/support/sim_trace.h"
#include "tests/support/simulated_unit.h"

using namespace tresvik;

namespace {

constexpr int kTimeoutMs = 20000;

// Value cells as an independent receive path decodes the frames the Log window shows.
class CellRecorder : public ConsoleListener {
public:
    void parameterChanged(const ParameterUpdate& update) override {
        const ListPosition at = listPosition(update.row);
        cells[{at.item, at.valueColumn}] = QString::fromStdU16String(update.text);
    }
    void flagChanged(const FlagUpdate& flag) override {
        for (const FlagCell& cell : m_grid.show(flag)) {
            flags[{cell.row, cell.column}] = cell.image;
        }
    }
    std::map<std::pair<int, int>, QString> cells;
    std::map<std::pair<int, int>, int> flags;

private:
    // The images of the console's built-in flag pictures.
    FlagGrid m_grid;
};

}  // namespace

// The program's main window against the simulated unit over a pseudo-terminal.
class SimulatorTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
    }

    void connectReceiveRequestUnplugAndReconnect() {
        // One report cycle, then the unit only answers: a value that comes back after it has been
        // cleared is the answer to the request.
        auto unit = std::make_unique<test::SimulatedUnit>();
        QVERIFY(unit->start({"--cycles", "1"}));
        SerialLinkSession session;
        CTresvikDlg dlg(session);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto* combo = dlg.findChild<QComboBox*>("portCombo");
        auto* connectButton = dlg.findChild<QPushButton*>("connectButton");
        ParameterList* list = dlg.parameterList();

        // The simulated unit is listed first and selected.
        QCOMPARE(combo->currentText(), unit->name());
        // The name is longer than the edit field shows: it is shown from its start.
        QCOMPARE(combo->lineEdit()->cursorPosition(), 0);
        QVERIFY(connectButton->isEnabled());
        QTest::mouseClick(connectButton, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(connectButton->text(), QStringLiteral("Disconnect"), kTimeoutMs);

        // The report cycle fills every value.
        QTRY_COMPARE_WITH_TIMEOUT(filledValueCells(*list), kParameterCount, kTimeoutMs);

        // A label double-click asks for the value; the answer fills the cleared cell again.
        const ListPosition prg = listPosition(3);
        doubleClick(*list, Qt::RightButton, prg.item, prg.valueColumn);
        QCOMPARE(list->cellText(prg.item, prg.valueColumn), QString());
        doubleClick(*list, Qt::LeftButton, prg.item, prg.labelColumn);
        QTRY_VERIFY_WITH_TIMEOUT(logText(dlg).contains(QStringLiteral("UART Tx - C7 01 24 02 ")),
                                 kTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(!list->cellText(prg.item, prg.valueColumn).isEmpty(), kTimeoutMs);

        // Once nothing more arrives, every cell agrees with the traffic in the Log window.
        QTest::mouseClick(connectButton, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(connectButton->text(), QStringLiteral("Connect"), kTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(cellsMatchLoggedFrames(dlg) > 162 + 50, kTimeoutMs);

        // Unplug while connected: the port closes and leaves the list.
        QTest::mouseClick(connectButton, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(connectButton->text(), QStringLiteral("Disconnect"), kTimeoutMs);
        const QString oldName = unit->name();
        unit->unplug();
        QTRY_COMPARE_WITH_TIMEOUT(connectButton->text(), QStringLiteral("Connect"), kTimeoutMs);
        QVERIFY(combo->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(combo->findText(oldName) < 0, kTimeoutMs);

        // Plugged in again: listed, connected, values arrive again.
        unit = std::make_unique<test::SimulatedUnit>();
        QVERIFY(unit->start());
        QTRY_VERIFY_WITH_TIMEOUT(combo->findText(unit->name()) >= 0, kTimeoutMs);
        combo->setCurrentIndex(combo->findText(unit->name()));
        list->clearValues();
        QTest::mouseClick(connectButton, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(connectButton->text(), QStringLiteral("Disconnect"), kTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(filledValueCells(*list) > 0, kTimeoutMs);

        QSignalSpy finished(&dlg, &QDialog::finished);
        dlg.close();
        QVERIFY(finished.wait(kTimeoutMs));
        QCOMPARE(connectButton->text(), QStringLiteral("Connect"));
    }

    void theWindowsLinkHealthCountsWhatTheUnitPutOnTheLineAndTurnsRedWhenItStops() {
        const QString trace = m_runtime.filePath(QStringLiteral("health.trace"));
        test::SimulatedUnit unit;
        QVERIFY(unit.start({"--rate", "0", "--period", "0", "--cycles", "6", "--seed", "5",
                            "--crc-errors", "0.05", "--noise", "0.05", "--bad-length", "0.02",
                            "--trace", trace.toStdString()}));
        SerialLinkSession session;
        CTresvikDlg dlg(session);
        showAndConnect(dlg);
        QVERIFY(!QTest::currentTestFailed());
        auto* connectButton = dlg.findChild<QPushButton*>("connectButton");

        // The unit has sent its last cycle and the console has taken every byte of it.
        const LinkHealth& health = dlg.linkHealth().health();
        test::TraceCounts counts;
        QVERIFY(test::waitInEventLoop(
            [&] {
                counts = test::traceCounts(test::traceLines(trace.toStdString()));
                return counts.done && health.counters().bytesReceived == counts.bytesSent;
            },
            kTimeoutMs));
        QVERIFY(counts.damaged > 0 && counts.noise > 0);
        QCOMPARE(health.counters().goodFrames, counts.intact);
        QCOMPARE(health.counters().checksumErrors, counts.damaged);
        QCOMPARE(health.counters().noiseBytes, counts.noise);
        QCOMPARE(health.counters().framesCutOff, 0U);

        // After its cycles the unit only answers: the line goes quiet and the lamp turns red.
        QTRY_COMPARE_WITH_TIMEOUT(dlg.linkHealth().readout().state(), HealthState::Silent,
                                  kTimeoutMs);
        QTest::mouseClick(connectButton, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(dlg.linkHealth().readout().state(), HealthState::Disconnected,
                                  kTimeoutMs);
    }

    void aTxRowEditedAndSentReachesTheUnitAsTheCommandLineEncodesItAndIsReadBack() {
        const QString trace = m_runtime.filePath(QStringLiteral("unit.trace"));
        test::SimulatedUnit unit;
        QVERIFY(unit.start({"--cycles", "1", "--trace", trace.toStdString()}));
        SerialLinkSession session;
        CTresvikDlg dlg(session);
        showAndConnect(dlg);
        QVERIFY(!QTest::currentTestFailed());

        QTRY_VERIFY_WITH_TIMEOUT(dlg.txDlg().initialised(), kTimeoutMs);
        QTest::mouseClick(dlg.txButton(), Qt::LeftButton);
        CTxDlg& tx = dlg.txDlg();
        QVERIFY(QTest::qWaitForWindowActive(&tx));
        CEditableListCtrl* list = tx.list();
        clickCell(*list, 25, 1);
        QVERIFY(list->editor() != nullptr);
        QTest::keyClicks(list->editor(), QStringLiteral("90"));
        QTest::keyClick(list->editor(), Qt::Key_Return);
        QTRY_VERIFY(list->editor() == nullptr);
        QTest::keyClick(list, Qt::Key_Return);

        // The unit received exactly what the command line says the console sends.
        test::ChildProcess encode;
        QVERIFY(encode.start(TRESVIK_CLI_PATH, {"encode", "25", "90"}));
        const std::optional<std::string> encoded = encode.readLine(kTimeoutMs);
        QVERIFY(encode.waitForExit(kTimeoutMs));
        QVERIFY(encoded && encoded->starts_with("TX\t"));
        const QString expected = QStringLiteral("RX ") + QString::fromStdString(encoded->substr(3));
        QTRY_VERIFY_WITH_TIMEOUT(traceLines(trace).contains(expected), kTimeoutMs);

        // Asked for the setting back, the unit's answer lands in the setting row.
        list->setCellText(25, 1, QStringLiteral("5"));
        list->clearSelection();
        clickCell(*list, 26, 0);
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(list->cellText(25, 1), QStringLiteral("90"), kTimeoutMs);
        QCOMPARE(list->cellText(26, 1), QStringLiteral("-"));

        QSignalSpy finished(&dlg, &QDialog::finished);
        dlg.close();
        QVERIFY(finished.wait(kTimeoutMs));
    }

    void printScreenAtTheLineRateLosesNoFrameAndItsDumpDecodesToTheList() {
        const QString trace = m_runtime.filePath(QStringLiteral("capture.trace"));
        test::SimulatedUnit unit;
        QVERIFY(unit.start({"--trace", trace.toStdString()}));
        SerialLinkSession session;
        CTresvikDlg dlg(session);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto* connectButton = dlg.findChild<QPushButton*>("connectButton");
        QTest::mouseClick(connectButton, Qt::LeftButton);
        ParameterList* list = dlg.parameterList();
        QTRY_COMPARE_WITH_TIMEOUT(filledValueCells(*list), kParameterCount, kTimeoutMs);

        const QDir folder(programDirectory());
        const QStringList before = folder.entryList({QStringLiteral("_*__PRG_*.txt")});
        QTest::mouseClick(dlg.findChild<QPushButton*>("printScreenButton"), Qt::LeftButton);
        // What the list showed when the dump was taken.
        const QStringList shown = listedValues(*list);
        const std::vector<int> texts = test::columnTextWidths(*list);
        const QFontMetrics metrics(list->font());
        int widestValue = 0;
        for (int item = 1; item < list->rowCount(); ++item) {
            if (metrics.horizontalAdvance(list->cellText(item, 1)) >
                metrics.horizontalAdvance(list->cellText(widestValue, 1))) {
                widestValue = item;
            }
        }
        const int valueWidth = metrics.horizontalAdvance(list->cellText(widestValue, 1));
        const std::size_t atCapture = dlg.receivePath().counters().goodFrames;
        QStringList dumps = folder.entryList({QStringLiteral("_*__PRG_*.txt")});
        for (const QString& old : before) {
            dumps.removeAll(old);
        }
        QCOMPARE(dumps.size(), 1);
        const QString dump = folder.filePath(dumps.front());
        const QString picture = dump.chopped(4) + QStringLiteral(".jpeg");

        // The link went on through the capture: frames keep arriving, none went missing.
        QTRY_VERIFY_WITH_TIMEOUT(dlg.receivePath().counters().goodFrames > atCapture + 30,
                                 kTimeoutMs);
        QTest::mouseClick(connectButton, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(connectButton->text(), QStringLiteral("Connect"), kTimeoutMs);
        QStringList sent;
        for (const QString& line : traceLines(trace)) {
            if (line.startsWith(QStringLiteral("TX "))) {
                sent << line.mid(3).trimmed();
            }
        }
        static const QRegularExpression rxLine(QStringLiteral("UART Rx - ((?:[0-9A-F]{2} )+)$"));
        QStringList logged;
        for (const QString& line : logText(dlg).split(u'\n')) {
            const QRegularExpressionMatch match = rxLine.match(line);
            if (match.hasMatch()) {
                logged << match.captured(1).trimmed();
            }
        }
        QVERIFY(logged.size() > static_cast<qsizetype>(atCapture));
        QCOMPARE(logged, sent.mid(0, logged.size()));

        test::ChildProcess decode;
        QVERIFY(decode.start(TRESVIK_CLI_PATH, {"decode", "--dump", dump.toStdString()}));
        QVERIFY2(decode.waitForExit(kTimeoutMs), decode.errors().c_str());
        const QStringList decoded =
            QString::fromStdString(decode.output()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(decoded, shown);
        // The picture shows the list's texts after the parked Flags window, among them the widest
        // value of its second column where that value's cell stands.
        const QImage image(picture);
        QVERIFY(image.width() > 1500);
        QVERIFY(dlg.flagsDlg().parked());
        const QPoint origin =
            QPoint(dlg.flagsDlg().width(), 0) + list->viewport()->mapTo(&dlg, QPoint(0, 0));
        QVERIFY(test::showsDarkTextOnLight(
            image, QRect(origin, QSize(std::accumulate(texts.begin(), texts.end(), 0),
                                       list->viewport()->height()))));
        const QRect value = test::secondColumnTextArea(*list, origin, widestValue, valueWidth);
        QVERIFY2(!value.isEmpty(), qPrintable(list->cellText(widestValue, 1)));
        QVERIFY(test::showsDarkTextOnLight(image, value));
        QFile::remove(picture);
        // Kept for the replay that follows.
        m_dump = m_runtime.filePath(QStringLiteral("session.txt"));
        QVERIFY(QFile::rename(dump, m_dump));
        m_dumpValues = decoded;

        QSignalSpy finished(&dlg, &QDialog::finished);
        dlg.close();
        QVERIFY(finished.wait(kTimeoutMs));
    }

    // A colleague's saved test, played by the simulated unit, shows the same values in a
    // console that was never connected to the original unit.
    void aPrintScreenDumpReplayedIntoAConsoleShowsTheValuesItDecodesTo() {
        QVERIFY2(!m_dump.isEmpty(), "needs the dump of the PrintScreen test");
        const QString trace = m_runtime.filePath(QStringLiteral("replay.trace"));
        test::SimulatedUnit unit;
        QVERIFY(unit.start({"--replay", m_dump.toStdString(), "--as-fast-as-line-rate", "--trace",
                            trace.toStdString()}));
        SerialLinkSession session;
        CTresvikDlg dlg(session);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto* connectButton = dlg.findChild<QPushButton*>("connectButton");
        QTest::mouseClick(connectButton, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(traceLines(trace).contains(QStringLiteral("REPLAY-END")),
                                 kTimeoutMs);
        ParameterList* list = dlg.parameterList();
        QTRY_COMPARE_WITH_TIMEOUT(listedValues(*list), m_dumpValues, kTimeoutMs);
        QCOMPARE(dlg.receivePath().counters().checksumErrors, std::size_t{0});

        QSignalSpy finished(&dlg, &QDialog::finished);
        dlg.close();
        QVERIFY(finished.wait(kTimeoutMs));
    }

private:
    // Shows the window and connects it to the unit its port box lists first.
    static void showAndConnect(CTresvikDlg& dlg) {
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto* connectButton = dlg.findChild<QPushButton*>("connectButton");
        QTest::mouseClick(connectButton, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(connectButton->text(), QStringLiteral("Disconnect"), kTimeoutMs);
    }

    // "label<TAB>value" for every row with a value, as tresvik-cli decode prints the list.
    static QStringList listedValues(const ParameterList& list) {
        QStringList shown;
        for (int row = 0; row < kParameterCount; ++row) {
            const ListPosition at = listPosition(row);
            const QString value = list.cellText(at.item, at.valueColumn);
            if (!value.isEmpty()) {
                shown << QString::fromStdU16String(std::u16string(parameterRow(row).label)) +
                             u'\t' + value;
            }
        }
        return shown;
    }

    static QStringList traceLines(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(file.readAll()).split(u'\n');
    }

    static void clickCell(CEditableListCtrl& list, int row, int column) {
        const QModelIndex index = list.model()->index(row, column);
        list.scrollTo(index);
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(index).center());
    }

    static int filledValueCells(const ParameterList& list) {
        int filled = 0;
        for (int row = 0; row < kParameterCount; ++row) {
            const ListPosition at = listPosition(row);
            filled += list.cellText(at.item, at.valueColumn).isEmpty() ? 0 : 1;
        }
        return filled;
    }

    static void doubleClick(ParameterList& list, Qt::MouseButton button, int item, int column) {
        const QModelIndex index = list.model()->index(item, column);
        list.scrollTo(index);
        QTest::mouseDClick(list.viewport(), button, {}, list.visualRect(index).center());
    }

    static QString logText(CTresvikDlg& dlg) { return dlg.logDlg().textControl()->toPlainText(); }

    // Decodes the received frames shown in the Log window and compares the cells they set with
    // the parameter list and the Flags window; the number of cells compared, or 0 when one
    // differs.
    static int cellsMatchLoggedFrames(CTresvikDlg& dlg) {
        static const QRegularExpression rxLine(QStringLiteral("UART Rx - ((?:[0-9A-F]{2} )+)$"));
        CellRecorder recorder;
        const std::atomic<bool> closing{false};
        ReceivePath path(nullptr, closing, nullptr, &recorder);
        for (const QString& line : logText(dlg).split(u'\n')) {
            const QRegularExpressionMatch match = rxLine.match(line);
            if (match.hasMatch()) {
                const QByteArray bytes = QByteArray::fromHex(match.captured(1).toLatin1());
                path.push(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                   static_cast<std::size_t>(bytes.size())));
            }
        }
        for (const auto& [cell, text] : recorder.cells) {
            if (dlg.parameterList()->cellText(cell.first, cell.second) != text) {
                return 0;
            }
        }
        // Every flag the unit reported shows the picture its value selects.
        for (const auto& [cell, image] : recorder.flags) {
            if (dlg.flagsDlg().cellImage(cell.first, cell.second) != image) {
                return 0;
            }
        }
        return static_cast<int>(recorder.cells.size() + recorder.flags.size());
    }

    QTemporaryDir m_runtime;
    QString m_dump;
    QStringList m_dumpValues;
};

QTEST_MAIN(SimulatorTest)
#include "simulator_test.moc"
