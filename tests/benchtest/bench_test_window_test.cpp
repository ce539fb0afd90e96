#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidgetItem>

#include <chrono>
#include <memory>

#include "app/tresvik_dlg.h"
#include "benchtest/bench_test_window.h"
#include "benchtest/bench_tests.h"
#include "commands/command_table.h"
#include "commands/editable_list_ctrl.h"
#include "link/frame.h"
#include "link/serial_link_session.h"
#include "tests/support/event_loop_wait.h"
#include "tests/support/fake_link_session.h"
#include "tests/support/simulated_unit.h"
#include "tests/support/window_waiter.h"

using namespace tresvik;

namespace {

constexpr int kTimeoutMs = 20000;
constexpr int kSpeedLimitRow = 25;
const QString kRunItem = QStringLiteral("Run &bench test\u2026");

// Sets the speed limit and waits for the unit to report it back, lets a moment pass, then waits
// in vain for a value the unit never sends.
const char* const kTwoTests = R"({
  "suite": "Window check",
  "tests": [
    {"name": "Speed limit", "steps": [
      {"name": "set 90", "send": {"command": "Eco Set Speed Limit Value", "value": "90"},
       "expect": {"readBack": "Eco Set Speed Limit Value", "equals": "90"}, "timeoutMs": 600000},
      {"name": "pause", "waitMs": 0}
    ]},
    {"name": "Silent unit", "steps": [
      {"name": "RPM never comes", "expect": {"parameter": "RPM", "equals": "12345"},
       "timeoutMs": 100}
    ]}
  ]
})";

// One step that lasts until something ends the run.
const char* const kLongWait = R"({
  "suite": "Long wait",
  "tests": [{"name": "Wait", "steps": [{"name": "ten minutes", "waitMs": 600000}]}]
})";

Bytes speedLimitReadBack(std::uint8_t value) {
    return makeFrame(commandRow(kSpeedLimitRow).messageId, {0, 0, value, 0, 0, 0});
}

// Whether the main window's context menu offers to run a bench test now.
bool runItemEnabled(CTresvikDlg& dlg) {
    bool enabled = false;
    test::whenWindowOpens([&](QWidget* popup) {
        for (QAction* action : static_cast<QMenu*>(popup)->actions()) {
            if (action->text() == kRunItem) {
                enabled = action->isEnabled();
            }
        }
        popup->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(30, 400),
                            dlg.mapToGlobal(QPoint(30, 400)));
    QApplication::sendEvent(&dlg, &event);
    return enabled;
}

QString stateShown(const BenchTestWindow& window, int test, int step) {
    return window.stepItem(test, step)->text(BenchTestWindow::kStateColumn);
}

}  // namespace

class BenchTestWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_folder.isValid());
        // The simulated unit registers its ports here, and the console lists them from here.
        qputenv("XDG_RUNTIME_DIR", m_folder.path().toLocal8Bit());
    }

    void init() {
        m_session = std::make_unique<FakeLinkSession>();
        m_dlg = std::make_unique<CTresvikDlg>(*m_session, [] { return PortList{}; });
        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
        m_session->open();
    }
    void cleanup() {
        m_dlg.reset();
        m_session.reset();
    }

    void theWindowFollowsEachStepToTheVerdictAndShowsTheFailure() {
        BenchTests& bench = m_dlg->benchTests();
        QVERIFY(bench.runFile(suiteFile(kTwoTests)));
        BenchTestWindow* window = bench.window();
        QVERIFY(window != nullptr && window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Bench test - Window check"));
        QCOMPARE(stateShown(*window, 0, 0), QStringLiteral("running"));
        QCOMPARE(stateShown(*window, 0, 1), QStringLiteral("waiting"));
        QCOMPARE(stateShown(*window, 1, 0), QStringLiteral("waiting"));

        // The unit answers once the request has left the port.
        QVERIFY(!m_session->transmitQueue().empty());
        QVERIFY(m_session->drainRequested);
        m_session->reportDrained(std::chrono::steady_clock::now());
        m_session->receive(speedLimitReadBack(90));
        QTRY_COMPARE_WITH_TIMEOUT(stateShown(*window, 0, 0), QStringLiteral("passed"), kTimeoutMs);
        QVERIFY(window->stepItem(0, 0)
                    ->text(BenchTestWindow::kLatencyColumn)
                    .contains(QRegularExpression(QStringLiteral("^\\d+\\.\\d ms$"))));
        // The Tx window shows the read-back as ever: the run is one more listener.
        QTRY_COMPARE(m_dlg->txDlg().list()->cellText(kSpeedLimitRow, 1), QStringLiteral("90"));

        QTRY_COMPARE_WITH_TIMEOUT(stateShown(*window, 1, 0), QStringLiteral("failed"), kTimeoutMs);
        QCOMPARE(stateShown(*window, 0, 1), QStringLiteral("passed"));
        QCOMPARE(window->testItem(0)->text(BenchTestWindow::kStateColumn),
                 QStringLiteral("passed"));
        QCOMPARE(window->testItem(1)->text(BenchTestWindow::kStateColumn),
                 QStringLiteral("failed"));
        QVERIFY(window->stepItem(1, 0)->background(0) != window->stepItem(0, 0)->background(0));
        // The first failure's detail shows unasked.
        QVERIFY(window->stepItem(1, 0)->isSelected());
        QVERIFY(window->detailText().contains(QStringLiteral("'RPM never comes'")));
        QVERIFY(window->detailText().contains(QStringLiteral("Expected:")));
        QVERIFY(window->detailText().contains(QStringLiteral("12345")));
        QVERIFY(window->statusText().startsWith(QStringLiteral("Verdict: failed")));
        QVERIFY(window->statusText().contains(QStringLiteral("Latency over 1 step: min ")));
        QVERIFY(!window->stopButton()->isEnabled());
        QVERIFY(window->runAgainButton()->isEnabled());
        QVERIFY(runItemEnabled(*m_dlg));
    }

    void stopDisconnectAndClosingTheWindowEachAbortTheStepUnderWay() {
        BenchTests& bench = m_dlg->benchTests();
        QVERIFY(bench.runFile(suiteFile(kLongWait)));
        BenchTestWindow* window = bench.window();
        QCOMPARE(stateShown(*window, 0, 0), QStringLiteral("running"));

        // One run at a time: neither the menu, the window nor a direct call starts another.
        QVERIFY(!runItemEnabled(*m_dlg));
        QVERIFY(!window->runAgainButton()->isEnabled());
        const BenchRun* run = bench.run();
        QVERIFY(!bench.runFile(suiteFile(kTwoTests)));
        QCOMPARE(bench.run(), run);
        QVERIFY(run->running());

        QTest::mouseClick(window->stopButton(), Qt::LeftButton);
        QCOMPARE(stateShown(*window, 0, 0), QStringLiteral("aborted"));
        QVERIFY(window->detailText().contains(QStringLiteral("stopped by the user")));
        QVERIFY(window->statusText().startsWith(QStringLiteral("Verdict: aborted")));
        QVERIFY(!window->stopButton()->isEnabled());

        // Run again runs the same file afresh; the port closing ends it.
        QTest::mouseClick(window->runAgainButton(), Qt::LeftButton);
        QCOMPARE(stateShown(*window, 0, 0), QStringLiteral("running"));
        QVERIFY(window->detailText().isEmpty());
        QVERIFY(window->stopButton()->isEnabled());
        m_session->close();
        QCOMPARE(stateShown(*window, 0, 0), QStringLiteral("aborted"));
        QVERIFY(window->statusText().startsWith(QStringLiteral("Verdict: aborted")));

        m_session->open();
        QVERIFY(bench.runFile(suiteFile(kLongWait)));
        window->close();
        QCOMPARE(stateShown(*window, 0, 0), QStringLiteral("aborted"));
        QVERIFY(!bench.running());
    }

    void aRefusedFileOrAClosedPortSendsNothing() {
        BenchTests& bench = m_dlg->benchTests();
        const QString broken = suiteFile(R"({"suite": "x", "tests": []})");
        QString told;
        test::whenWindowOpens([&](QWidget* box) {
            told = static_cast<QMessageBox*>(box)->text();
            box->close();
        });
        QVERIFY(!bench.runFile(broken));
        QVERIFY2(told.startsWith(QDir::toNativeSeparators(broken) + QStringLiteral(":1:")),
                 qPrintable(told));

        m_session->close();
        test::whenWindowOpens([&](QWidget* box) {
            told = static_cast<QMessageBox*>(box)->text();
            box->close();
        });
        QVERIFY(!bench.runFile(suiteFile(kLongWait)));
        QCOMPARE(told, QStringLiteral("Connect to the unit first."));
        QVERIFY(bench.window() == nullptr);
        QVERIFY(m_session->transmitQueue().empty());
    }

    void theSmokeSuitePassesOverTheConsolesConnection() {
        test::SimulatedUnit unit;
        QVERIFY(unit.start());
        SerialLinkSession session;
        CTresvikDlg dlg(session);
        showConnectedToSimulator(dlg);
        QVERIFY(!QTest::currentTestFailed());

        BenchTests& bench = dlg.benchTests();
        QVERIFY(bench.runFile(QStringLiteral(TRESVIK_EXAMPLES_DIR "/smoke.json")));
        QVERIFY(test::waitInEventLoop([&] { return !bench.running(); }, 60000));
        BenchTestWindow* window = bench.window();
        const SuiteRunner& runner = bench.run()->runner();
        for (std::size_t t = 0; t < runner.suite().tests.size(); ++t) {
            for (std::size_t s = 0; s < runner.suite().tests[t].steps.size(); ++s) {
                QCOMPARE(stateShown(*window, static_cast<int>(t), static_cast<int>(s)),
                         QStringLiteral("passed"));
            }
        }
        QVERIFY2(window->statusText().startsWith(QStringLiteral("Verdict: passed")),
                 qPrintable(window->statusText()));

        QSignalSpy finished(&dlg, &QDialog::finished);
        dlg.close();
        QVERIFY(finished.wait(kTimeoutMs));
    }

    void unpluggingTheUnitAbortsTheStepUnderWay() {
        test::SimulatedUnit unit;
        QVERIFY(unit.start({"--period", "200"}));
        SerialLinkSession session;
        CTresvikDlg dlg(session);
        showConnectedToSimulator(dlg);
        QVERIFY(!QTest::currentTestFailed());

        BenchTests& bench = dlg.benchTests();
        QVERIFY(bench.runFile(suiteFile(R"({
          "suite": "Unplugged",
          "tests": [{"name": "Speed limit", "steps": [
            {"name": "set 90", "send": {"command": "Eco Set Speed Limit Value", "value": "90"},
             "expect": {"readBack": "Eco Set Speed Limit Value", "equals": "90"},
             "timeoutMs": 10000},
            {"name": "ten minutes", "waitMs": 600000}
          ]}]
        })")));
        BenchTestWindow* window = bench.window();
        QTRY_COMPARE_WITH_TIMEOUT(stateShown(*window, 0, 1), QStringLiteral("running"), kTimeoutMs);
        QCOMPARE(stateShown(*window, 0, 0), QStringLiteral("passed"));

        unit.unplug();
        QTRY_COMPARE_WITH_TIMEOUT(stateShown(*window, 0, 1), QStringLiteral("aborted"), kTimeoutMs);
        QVERIFY(window->statusText().startsWith(QStringLiteral("Verdict: aborted")));
        QVERIFY(window->runAgainButton()->isEnabled());

        QSignalSpy finished(&dlg, &QDialog::finished);
        dlg.close();
        QVERIFY(finished.wait(kTimeoutMs));
    }

private:
    // The main window shown and connected to the simulated unit, which it lists first.
    static void showConnectedToSimulator(CTresvikDlg& dlg) {
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto* connectButton = dlg.findChild<QPushButton*>("connectButton");
        QTest::mouseClick(connectButton, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(connectButton->text(), QStringLiteral("Disconnect"), kTimeoutMs);
    }

    QString suiteFile(const char* json) {
        const QString path = m_folder.filePath(QStringLiteral("suite%1.json").arg(++m_files));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(json) < 0) {
            return {};
        }
        return path;
    }

    QTemporaryDir m_folder;
    int m_files = 0;
    std::unique_ptr<FakeLinkSession> m_session;
    std::unique_ptr<CTresvikDlg> m_dlg;
};

QTEST_MAIN(BenchTestWindowTest)
#include "bench_test_window_test.moc"
