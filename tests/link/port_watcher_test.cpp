#include <QDir>
#include <QFile>
#include <QSerialPortInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>
#include <string>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "link/port_enumerator.h"
#include "link/port_watcher.h"
#include "link/sim_registry.h"
#include "tests/support/child_process.h"
#include "tests/support/pty_pair.h"

using namespace tresvik;

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

QString registryFolder() {
    return QString::fromStdString(tresvik::sim_registry::folder());
}

// The kernel's device folders alone: no udev, no simulated units.
tresvik::PortWatcher::Sources devicesOnly(const QStringList& folders) {
    tresvik::PortWatcher::Sources sources;
    sources.udev = false;
    sources.deviceFolders = folders;
    return sources;
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
        const QDir registry(registryFolder());
        std::string reason;
        QVERIFY2(sim_registry::ensureFolder(sim_registry::folder(), reason), reason.c_str());
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
        QVERIFY(list.ok());
        QVERIFY(list.notice.isEmpty());
        QCOMPARE(names(list), QStringList{live} + systemPortNames());
        QCOMPARE(list.ports.front().systemPath, registry.filePath(live));
        QCOMPARE(devicePathFor(live), registry.filePath(live));
    }

    void aTypedPathIsUsedAsItIsAndAnUnlistedNameAsADevice() {
        QCOMPARE(devicePathFor(QStringLiteral("/dev/pts/7")), QStringLiteral("/dev/pts/7"));
        QCOMPARE(devicePathFor(QStringLiteral("ttyTRESVIK9")), QStringLiteral("/dev/ttyTRESVIK9"));
    }

    void theSystemPortsAreListedWhenTheRegistryCannotBeReadOrTrusted() {
        PtyPair pty;
        QVERIFY(pty.ok());
        const QString registry = registryFolder();
        std::string reason;
        QVERIFY2(sim_registry::ensureFolder(sim_registry::folder(), reason), reason.c_str());
        // A "unit" planted by someone who could write to the folder.
        QVERIFY(
            QFile::link(pty.devicePath(), QDir(registry).filePath(registrationName(::getpid()))));
        QVERIFY(QFile::setPermissions(registry, QFile::ReadOwner | QFile::WriteOwner |
                                                    QFile::ExeOwner | QFile::WriteOther |
                                                    QFile::ReadOther | QFile::ExeOther));
        const QList<PortEntry> system{{"ttyUSB0", "/dev/ttyUSB0"}};
        const PortList untrusted = listPorts(system);
        QVERIFY(untrusted.ok());
        QCOMPARE(names(untrusted), QStringList{"ttyUSB0"});
        QCOMPARE(untrusted.notice, QStringLiteral("Simulated units are not listed: %1 can be "
                                                  "written by other users.")
                                       .arg(registry));

        QVERIFY(QDir(registry).removeRecursively());
        QFile blocker(registry);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const PortList unreadable = listPorts(system);
        QCOMPARE(unreadable.error,
                 QString::asprintf("Error %d on trying enumerate device interfaces.\n", ENOTDIR));
        QCOMPARE(names(unreadable), QStringList{"ttyUSB0"});
    }

    void withoutUdevTheDeviceFoldersAreWatchedAndNothingIsPolled() {
        QTemporaryDir dev;
        QVERIFY(dev.isValid());
        PortWatcher watcher(devicesOnly({dev.path()}), nullptr);
        QVERIFY(!watcher.polling());
        QSignalSpy changed(&watcher, &PortWatcher::devicesChanged);
        QFile adapter(QDir(dev.path()).filePath(QStringLiteral("ttyUSB0")));
        QVERIFY(adapter.open(QIODevice::WriteOnly));
        QVERIFY(changed.wait(kTimeoutMs));
        // A folder that appears later (by-id, made by the first adapter) is watched from then on.
        const QString byId = QDir(dev.path()).filePath(QStringLiteral("by-id"));
        PortWatcher later(devicesOnly({dev.path(), byId}), nullptr);
        QSignalSpy laterChanged(&later, &PortWatcher::devicesChanged);
        QVERIFY(QDir().mkpath(byId));
        QVERIFY(laterChanged.wait(kTimeoutMs));
        laterChanged.clear();
        QVERIFY(QFile::link(adapter.fileName(), QDir(byId).filePath(QStringLiteral("usb-1"))));
        QVERIFY(laterChanged.wait(kTimeoutMs));
    }

    void whereNoWatchCanBeSetThePortListIsPolledAndOnlyAChangeIsReported() {
        PortWatcher watcher(devicesOnly({QStringLiteral("/tresvik-no-such-folder")}), nullptr);
        QVERIFY(watcher.polling());
        QSignalSpy changed(&watcher, &PortWatcher::devicesChanged);
        // Two polls of an unchanged list.
        QVERIFY(!changed.wait(2500));
    }

    void aSimulatedUnitIsReportedWhenItStartsAndWhenItStops() {
        PortWatcher watcher;
        QSignalSpy changed(&watcher, &PortWatcher::devicesChanged);
        Simulator unit;
        QVERIFY(unit.start());
        QVERIFY(changed.wait(kTimeoutMs));
        const QString name = unit.name();
        QCOMPARE(names(listPorts()).value(0), name);

        changed.clear();
        QVERIFY(unit.stop());
        QVERIFY(!changed.isEmpty() || changed.wait(kTimeoutMs));
        QVERIFY(!names(listPorts()).contains(name));
        // The unit removed its registration on the way out.
        QVERIFY(QDir(registryFolder())
                    .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                    .isEmpty());
    }

    void aKilledSimulatedUnitIsSeenLeavingThoughItsRegistrationStays() {
        PortWatcher watcher;
        QSignalSpy changed(&watcher, &PortWatcher::devicesChanged);
        Simulator unit;
        QVERIFY(unit.start());
        QVERIFY(changed.wait(kTimeoutMs));
        const QString name = unit.name();

        changed.clear();
        QVERIFY(unit.kill());
        QVERIFY(!changed.isEmpty() || changed.wait(kTimeoutMs));
        QVERIFY(!names(listPorts()).contains(name));
        QVERIFY(QFileInfo(QDir(registryFolder()).filePath(name)).isSymLink());
    }

private:
    std::unique_ptr<QTemporaryDir> m_runtime;
};

QTEST_MAIN(PortWatcherTest)
#include "port_watcher_test.moc"
