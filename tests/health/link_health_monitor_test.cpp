#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <sstream>

#include "decode/parameter_list.h"
#include "decode/parameter_table.h"
#include "health/link_health_monitor.h"
#include "link/adapter_latency.h"
#include "link/frame.h"
#include "link/transmit_queue.h"
#include "plot/csv_export.h"
#include "plot/trend_history.h"
#include "session/console_session.h"
#include "tests/support/parameter_rows.h"
#include "tests/support/temp_folder.h"

using namespace tresvik;
using std::chrono::milliseconds;
using tresvik::test::rowLabelled;

namespace {

Bytes rpmFrame(std::uint8_t value) {
    return makeFrame(parameterRow(rowLabelled(u"RPM")).messageId, Bytes{value, 0});
}

}  // namespace

// The main window's readout and the list's stale marks, fed by a console session at chosen
// times, as the main window builds them.
class LinkHealthMonitorTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() {
        m_session = std::make_unique<ConsoleSession>(
            m_queue, m_portOpen, ConsoleSession::Options{.trafficLog = false, .idLog = false});
        m_owner = std::make_unique<QWidget>();
        m_list = new ParameterList(m_owner.get());
        m_trends = std::make_unique<TrendHistory>();
        m_session->addListener(*m_trends);
        m_monitor = std::make_unique<LinkHealthMonitor>(*m_session, *m_list, *m_owner,
                                                        QRect(0, 0, 80, 50), m_trends.get());
        m_monitor->setMarkingStale(true);
        m_session->linkOpened(m_start, std::chrono::system_clock::now());
    }
    void cleanup() {
        m_monitor.reset();
        m_session->removeListener(*m_trends);
        m_owner.reset();
        m_session.reset();
    }

    void theReadoutTurnsAmberOnDamageRedOnSilenceAndGreyOnDisconnect() {
        for (int i = 0; i < 50; ++i) {
            receive(rpmFrame(static_cast<std::uint8_t>(i)), i * 100);
        }
        m_monitor->tick(at(5000));
        QCOMPARE(m_monitor->readout().state(), HealthState::Healthy);
        QVERIFY(m_monitor->readout().text().startsWith(QStringLiteral("10.0 fr/s")));

        Bytes damaged = rpmFrame(1);
        damaged.back() ^= 0xFF;
        receive(damaged, 5000);
        receive(rpmFrame(2), 5100);
        m_monitor->tick(at(5150));
        QCOMPARE(m_monitor->readout().state(), HealthState::Warning);
        // Ten seconds on, with frames all along, the damage is forgotten.
        for (int t = 5200; t <= 15200; t += 100) {
            receive(rpmFrame(3), t);
        }
        m_monitor->tick(at(15250));
        QCOMPARE(m_monitor->readout().state(), HealthState::Healthy);

        // The unit stops: two seconds (well over three usual gaps) turn the lamp red.
        m_monitor->tick(at(15200 + 1990));
        QCOMPARE(m_monitor->readout().state(), HealthState::Healthy);
        m_monitor->tick(at(15200 + 2010));
        QCOMPARE(m_monitor->readout().state(), HealthState::Silent);

        m_session->linkClosed(at(17500));
        m_monitor->tick(at(17600));
        QCOMPARE(m_monitor->readout().state(), HealthState::Disconnected);
        QCOMPARE(m_monitor->readout().text(), QStringLiteral("Not connected"));
    }

    void aValueTheUnitStopsRefreshingIsGreyedUntilItComesAgain() {
        const int rpm = rowLabelled(u"RPM");
        for (int t = 0; t <= 2000; t += 200) {
            receive(rpmFrame(1), t);
        }
        m_monitor->tick(at(4900));
        QVERIFY(!m_list->valueStale(rpm));
        m_monitor->tick(at(5100));
        QVERIFY(m_list->valueStale(rpm));

        // Switched off, nothing is greyed, and the choice is kept for the next run.
        m_monitor->setMarkingStale(false);
        QVERIFY(!m_list->valueStale(rpm));
        LinkHealthMonitor nextRun(*m_session, *m_list, *m_owner, QRect(0, 0, 80, 50));
        QVERIFY(!nextRun.markingStale());
        m_monitor->setMarkingStale(true);
        m_monitor->tick(at(5100));
        QVERIFY(m_list->valueStale(rpm));

        receive(rpmFrame(2), 5200);
        m_monitor->tick(at(5300));
        QVERIFY(!m_list->valueStale(rpm));
    }

    void theLinksFiguresOfEachSecondAreTrendsTheCsvExportWrites() {
        for (int i = 0; i < 50; ++i) {
            receive(rpmFrame(1), i * 100);
        }
        Bytes damaged = rpmFrame(1);
        damaged.back() ^= 0xFF;
        receive(damaged, 4950);
        m_monitor->tick(at(5000));
        // Less than a second later nothing more is kept.
        m_monitor->tick(at(5500));
        CsvExportOptions options;
        options.rows = {trendRow(LinkSeries::FramesPerSecond),
                        trendRow(LinkSeries::ChecksumErrorsPerMinute)};
        std::ostringstream csv;
        QCOMPARE(exportCsv(m_trends->samples(), options, csv), CsvExportResult::Written);
        const QStringList lines = QString::fromStdString(csv.str()).split(QStringLiteral("\r\n"));
        // Ten good frames and one damaged in the second before: 10.0 frames/s, 60.0 errors/min.
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[1].endsWith(QStringLiteral(",5.000,Link frames [/s],10.0,/s,10.0")));
        QVERIFY(
            lines[2].endsWith(QStringLiteral(",5.000,Link checksum errors [/min],60.0,/min,60.0")));
        QCOMPARE(lines[3], QString());
    }

    void theWindowShowsTheCountersAndResetClearsThem() {
        for (int i = 0; i < 7; ++i) {
            receive(rpmFrame(1), i * 100);
        }
        receive(Bytes{0x55, 0x66}, 800);
        m_monitor->showWindow();
        LinkHealthWindow* window = m_monitor->window();
        QVERIFY(window != nullptr && window->isVisible());
        QCOMPARE(window->figure(QStringLiteral("Good frames")), QStringLiteral("7"));
        QCOMPARE(window->figure(QStringLiteral("Noise bytes")), QStringLiteral("2"));
        QCOMPARE(window->figure(QStringLiteral("Bytes received")),
                 QString::number(7 * rpmFrame(1).size() + 2));
        auto* reset = window->findChild<QPushButton*>();
        QVERIFY(reset != nullptr && reset->text() == QStringLiteral("Reset"));
        reset->click();
        QCOMPARE(window->figure(QStringLiteral("Good frames")), QStringLiteral("0"));
        QCOMPARE(window->figure(QStringLiteral("Bytes received")), QStringLiteral("0"));
    }

    void theLatencyTimerIsReadWhereTheDriverShowsIt() {
        test::TempFolder folder("latency");
        const QString root = QString::fromStdString(folder.path().string());
        QVERIFY(QDir(root).mkpath(QStringLiteral("sys/bus/usb-serial/devices/ttyUSB7")));
        QFile timer(root + QStringLiteral("/sys/bus/usb-serial/devices/ttyUSB7/latency_timer"));
        QVERIFY(timer.open(QIODevice::WriteOnly));
        timer.write("16\n");
        timer.close();
        QFile device(root + QStringLiteral("/ttyUSB7"));
        QVERIFY(device.open(QIODevice::WriteOnly));
        device.close();
        // A link to the device, as /dev/serial/by-id holds them, names the same adapter.
        QVERIFY(QFile::link(root + QStringLiteral("/ttyUSB7"), root + QStringLiteral("/by-id")));
        const QString sys = root + QStringLiteral("/sys");
        QCOMPARE(adapterLatencyTimerMs(root + QStringLiteral("/ttyUSB7"), sys), 16);
        QCOMPARE(adapterLatencyTimerMs(root + QStringLiteral("/by-id"), sys), 16);
        QCOMPARE(adapterLatencyTimerMs(root + QStringLiteral("/ttyS0"), sys), -1);
    }

private:
    ArrivalTime at(int ms) const { return m_start + milliseconds(ms); }
    void receive(const Bytes& bytes, int ms) { m_session->receive(ReceivedBytes(bytes, at(ms))); }

    const ArrivalTime m_start = ArrivalTime::clock::now();
    TransmitQueue m_queue;
    std::atomic<bool> m_portOpen{true};
    std::unique_ptr<ConsoleSession> m_session;
    std::unique_ptr<QWidget> m_owner;
    ParameterList* m_list = nullptr;
    std::unique_ptr<TrendHistory> m_trends;
    std::unique_ptr<LinkHealthMonitor> m_monitor;
};

QTEST_MAIN(LinkHealthMonitorTest)
#include "link_health_monitor_test.moc"
