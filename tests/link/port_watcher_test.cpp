#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QSerialPortInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <optional>
#include <string>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "link/port_enumerator.h"
#include "link/port_watcher.h"
#include "tests/support/child_process.h"
#include "tests/support/pty_pair.h"

namespace {

constexpr int kTimeoutMs = 10000;

// The simulated unit as a child process, with the name it registers its port under.
class Simulator {
public:
    bool start() {
        if (!m_process.start(TRESVIK_SIM_PATH, {})) {
            return false;
        }
        // The port is registered before its line is printed.
        const std::optional<std::string> line = m_process.readLine(kTimeoutMs);
        return line && line->starts_with("port: /dev/");
    }
    QString name() const { return QStringLiteral("SIM-%1").arg(m_process.pid()); }
    bool stop() { return m_process.signal(SIGTERM) && m_process.waitForExit(kTimeoutMs); }
    // As a crash would: the registration stays behind.
    bool kill() {
        m_process.signal(SIGKILL);
        m_process.waitForExit(kTimeoutMs);
        return !m_process.running();
    }

private:
    tresvik::test::ChildProcess m_process;
};

QStringList names(const PortList& list) {
    QStringList out;
    for (const PortEntry& port : list.ports) {
        out.append(port.name);
    }
    return out;
}

QStringList systemPortNames() {
    QStringList out;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        out.append(info.portName());
    }
    return out;
}

// A process id that no process has: a child that has ended and been reaped.
pid_t endedProcessId() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    return child;
}

QString registrationName(pid_t pid) {
    return QStringLiteral("SIM-%1").arg(pid);
}

}  // namespace

// Listing the ports (simulated units first) and noticing them come and go.
class PortWatcherTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        // Simulated units register in the runtime folder; a fresh one per test keeps any that
        // run elsewhere out of the list.
        m_runtime = std::make_unique<QTemporaryDir>();
        QVERIFY(m_runtime->isValid());
        qputenv("XDG_RUNTIME_DIR", m_runtime->path().toLocal8Bit());
    }

    void cleanup() { m_runtime.reset(); }

    void registeredUnitsComeFirstThenTheSystemPortsInTheirOrder() {
        PtyPair pty;
        QVERIFY(pty.ok());
        const QDir registry(simulatorRegistryDir());
        QVERIFY(QDir().mkpath(registry.path()));
        const QString live = registrationName(::getpid());
        QVERIFY(QFile::link(pty.devicePath(), registry.filePath(live)));
        // Left behind by units that are gone: one whose process ended, one whose device did.
        QVERIFY(
            QFile::link(pty.devicePath(), registry.filePath(registrationName(endedProcessId()))));
        QVERIFY(QFile::link(QStringLiteral("/dev/tresvik-gone"),
                            registry.filePath(registrationName(::getppid()))));
        QFile other(registry.filePath(QStringLiteral("notes")));
        QVERIFY(other.open(QIODevice::WriteOnly));

        const PortList list = listPorts();
        QVERIFY(list.ok);
        QCOMPARE(names(list), QStringList{live} + systemPortNames());
        QCOMPARE(list.ports.front().systemPath, registry.filePath(live));
        QCOMPARE(devicePathFor(live), registry.filePath(live));

        QComboBox box;
        box.addItem(QStringLiteral("old entry"));
        QCOMPARE(enumeratePorts(&box), 1);
        QCOMPARE(box.count(), static_cast<int>(list.ports.size()));
        QCOMPARE(box.currentIndex(), 0);
        QCOMPARE(box.currentText(), live);
    }

    void aTypedPathIsUsedAsItIsAndAnUnlistedNameAsADevice() {
        QCOMPARE(devicePathFor(QStringLiteral("/dev/pts/7")), QStringLiteral("/dev/pts/7"));
        QCOMPARE(devicePathFor(QStringLiteral("ttyTRESVIK9")), QStringLiteral("/dev/ttyTRESVIK9"));
    }

    void anUnreadableRegistryFailsTheEnumerationWithAMessage() {
        const QString registry = simulatorRegistryDir();
        QVERIFY(QDir().mkpath(QFileInfo(registry).path()));
        QFile blocker(registry);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        const PortList list = listPorts();
        QVERIFY(!list.ok);
        QCOMPARE(list.error,
                 QString::asprintf("Error %d on trying enumerate device interfaces.\n", ENOTDIR));

        QString shown;
        QMessageBox::StandardButtons buttons;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown = box->text();
                buttons = box->standardButtons();
                box->accept();
            }
        });
        answer.start(10);
        QComboBox box;
        QCOMPARE(enumeratePorts(&box), 0);
        QCOMPARE(shown, list.error);
        QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(box.currentIndex(), -1);
    }

    void aSimulatedUnitIsReportedOnceWhenItStartsAndOnceWhenItStops() {
        PortWatcher watcher;
        QSignalSpy changed(&watcher, &PortWatcher::devicesChanged);
        Simulator unit;
        QVERIFY(unit.start());
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 1, kTimeoutMs);
        const QString name = unit.name();
        QCOMPARE(names(listPorts()).value(0), name);

        QVERIFY(unit.stop());
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 2, kTimeoutMs);
        QVERIFY(!names(listPorts()).contains(name));
        // The unit removed its registration on the way out.
        QVERIFY(QDir(simulatorRegistryDir())
                    .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                    .isEmpty());
    }

    void aKilledSimulatedUnitIsSeenLeavingThoughItsRegistrationStays() {
        PortWatcher watcher;
        QSignalSpy changed(&watcher, &PortWatcher::devicesChanged);
        Simulator unit;
        QVERIFY(unit.start());
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 1, kTimeoutMs);
        const QString name = unit.name();

        QVERIFY(unit.kill());
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 2, kTimeoutMs);
        QVERIFY(!names(listPorts()).contains(name));
        QVERIFY(QFileInfo(QDir(simulatorRegistryDir()).filePath(name)).isSymLink());
    }

private:
    std::unique_ptr<QTemporaryDir> m_runtime;
};

QTEST_MAIN(PortWatcherTest)
#include "port_watcher_test.moc"
