#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <optional>

#include "link/serial_thread.h"
#include "link/transmit_queue.h"
#include "tests/support/pty_pair.h"

using namespace tresvik;

namespace {

constexpr int kTimeoutMs = 10000;
// Long enough for a worker that polls its port (every 5 ms) or its flags to be seen running.
constexpr int kIdleWindowMs = 200;
constexpr auto kBlocking = Qt::BlockingQueuedConnection;

const QString kOpenFailed = QStringLiteral("Get configuration port has problem.\r\n");
const QString kReadFailed = QStringLiteral("Reading of serial communication has problem.\r\n");
const QString kMissingPort = QStringLiteral("/dev/tresvik-no-such-port");

QByteArray everyByteValue() {
    QByteArray bytes;
    for (int b = 0; b < 256; ++b) {
        bytes.append(static_cast<char>(b));
    }
    return bytes;
}

ByteView viewOf(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

// CPU time the worker thread has used so far, in nanoseconds, from the scheduler's own count.
// The worker thread carries its class name; none when there is not exactly one.
std::optional<qint64> workerCpuNs() {
    std::optional<qint64> found;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != "SerialThread") {
            continue;
        }
        QFile schedstat(tasks.filePath(tid + QStringLiteral("/schedstat")));
        if (found || !schedstat.open(QIODevice::ReadOnly)) {
            return std::nullopt;
        }
        found = schedstat.readAll().split(' ').value(0).toLongLong();
    }
    return found;
}

// True once the worker has used no CPU at all over a whole observation window. A parked worker
// gets there at the first or second window; one that polls or spins never does.
bool workerIsIdle() {
    const QDeadlineTimer deadline(kTimeoutMs);
    while (!deadline.hasExpired()) {
        const std::optional<qint64> before = workerCpuNs();
        QTest::qWait(kIdleWindowMs);
        const std::optional<qint64> after = workerCpuNs();
        if (!before || !after) {
            return false;
        }
        if (*before == *after) {
            return true;
        }
    }
    return false;
}

// Handles the worker's notifications on the GUI thread as the main window does (purge when
// opened, take each byte when told) and records them in the order they came.
class WorkerLog : public QObject {
    Q_OBJECT
public:
    explicit WorkerLog(SerialThread& worker) {
        connect(
            &worker, &SerialThread::portOpened, this,
            [this, &worker] {
                worker.purge();
                record(QStringLiteral("opened"));
            },
            kBlocking);
        connect(
            &worker, &SerialThread::byteReceived, this,
            [this, &worker] {
                bytes.append(static_cast<char>(worker.takeByte()));
                emit recorded();
            },
            kBlocking);
        connect(
            &worker, &SerialThread::portClosed, this, [this] { record(QStringLiteral("closed")); },
            kBlocking);
        connect(
            &worker, &SerialThread::openFailed, this,
            [this](const QString& text, const QString& reason) {
                failedText = text;
                failedReason = reason;
                record(QStringLiteral("open-failed"));
            },
            kBlocking);
        connect(
            &worker, &SerialThread::failureMessage, this,
            [this](const QString& text) { record(QStringLiteral("message: ") + text); }, kBlocking);
        connect(
            &worker, &SerialThread::workerExiting, this,
            [this] { record(QStringLiteral("exiting")); }, kBlocking);
    }

    // The notifications so far, once there are `count` of them (or the wait has timed out).
    QStringList awaitEvents(qsizetype count) {
        waitUntil([&] { return events.size() >= count; });
        return events;
    }
    // The notifications so far, once the worker has announced its exit.
    QStringList awaitExit() {
        waitUntil([&] { return events.contains(QStringLiteral("exiting")); });
        return events;
    }
    // The bytes taken so far, once there are `count` of them (or the wait has timed out).
    QByteArray awaitBytes(qsizetype count) {
        waitUntil([&] { return bytes.size() >= count; });
        return bytes;
    }

    QStringList events;
    QByteArray bytes;
    QString failedText;
    QString failedReason;

signals:
    void recorded();

private:
    void record(const QString& event) {
        events.append(event);
        emit recorded();
    }

    template <typename Done>
    void waitUntil(Done done) {
        const QDeadlineTimer deadline(kTimeoutMs);
        QSignalSpy spy(this, &WorkerLog::recorded);
        while (!done()) {
            if (!spy.wait(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())))) {
                return;
            }
        }
    }
};

}  // namespace

// The serial worker on its own, against pseudo-terminals of the test's own: the test plays the
// unit on the master side, and closing the master is an unplug.
class SerialThreadTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_pty = std::make_unique<PtyPair>();
        QVERIFY(m_pty->ok());
    }

    void cleanup() { m_pty.reset(); }

    void connectOpensThePortAndDisconnectClosesIt() {
        SerialThread worker;
        WorkerLog log(worker);
        worker.connectPort(PortSettings{}, m_pty->devicePath());
        QCOMPARE(log.awaitEvents(1), (QStringList{"opened"}));
        QVERIFY(worker.portOpen());
        worker.disconnectPort();
        QCOMPARE(log.awaitEvents(2), (QStringList{"opened", "closed"}));
        QVERIFY(!worker.portOpen());
        QVERIFY(worker.errorList().isEmpty());
        finish(worker, log);
    }

    void aSecondConnectWhileOpeningDoesNotOpenThePortTwice() {
        SerialThread worker;
        WorkerLog log(worker);
        worker.connectPort(PortSettings{}, m_pty->devicePath());
        worker.connectPort(PortSettings{}, m_pty->devicePath());
        QCOMPARE(log.awaitEvents(1), QStringList{"opened"});
        worker.disconnectPort();
        QCOMPARE(log.awaitEvents(2), (QStringList{"opened", "closed"}));
        finish(worker, log);
    }

    void everyByteValueTravelsBothWaysUnchanged() {
        SerialThread worker;
        WorkerLog log(worker);
        // Left over from an earlier connection: a connect starts with an empty queue.
        worker.transmitQueue().append(viewOf(QByteArrayLiteral("stale")));
        connectToPty(worker, log);

        const QByteArray all = everyByteValue();
        QVERIFY(m_pty->write(all));
        QCOMPARE(log.awaitBytes(all.size()).toHex(), all.toHex());

        worker.transmitQueue().append(viewOf(all));
        QCOMPARE(m_pty->read(static_cast<int>(all.size())).toHex(), all.toHex());
        QTRY_VERIFY_WITH_TIMEOUT(worker.transmitQueue().empty(), kTimeoutMs);
        finish(worker, log);
    }

    void aByteNotYetTakenHoldsTheNextOneBack() {
        SerialThread worker;
        WorkerLog log(worker);
        // This receiver takes each byte only after the worker has been let go, so a worker that
        // read on before the byte was taken would overwrite it.
        QByteArray taken;
        int notifications = 0;
        connect(
            &worker, &SerialThread::byteReceived, this,
            [&] {
                ++notifications;
                QMetaObject::invokeMethod(
                    this, [&] { taken.append(static_cast<char>(worker.takeByte())); },
                    Qt::QueuedConnection);
            },
            kBlocking);
        disconnect(&worker, &SerialThread::byteReceived, &log, nullptr);
        connectToPty(worker, log);

        const QByteArray sent = everyByteValue().left(48);
        QVERIFY(m_pty->write(sent));
        QTRY_COMPARE_WITH_TIMEOUT(taken.size(), sent.size(), kTimeoutMs);
        QCOMPARE(taken.toHex(), sent.toHex());
        QCOMPARE(notifications, sent.size());
        finish(worker, log);
    }

    void aPortHeldByAnotherWorkerCannotBeOpenedUntilItIsReleased() {
        SerialThread holder;
        WorkerLog holderLog(holder);
        connectToPty(holder, holderLog);

        SerialThread second;
        WorkerLog log(second);
        second.connectPort(PortSettings{}, m_pty->devicePath());
        QCOMPARE(log.awaitEvents(1), (QStringList{"open-failed"}));
        QCOMPARE(log.failedText, kOpenFailed);
        QVERIFY2(log.failedReason.contains(QStringLiteral("Another program holds the port")),
                 qPrintable(log.failedReason));
        QCOMPARE(second.errorList(), QStringList{kOpenFailed});
        QCOMPARE(second.errorText(), kOpenFailed);
        QVERIFY(!second.portOpen());
        // The holder keeps its port working.
        QVERIFY(m_pty->write(QByteArrayLiteral("x")));
        QCOMPARE(holderLog.awaitBytes(1), QByteArrayLiteral("x"));

        holder.disconnectPort();
        QCOMPARE(holderLog.awaitEvents(2), (QStringList{"opened", "closed"}));
        second.connectPort(PortSettings{}, m_pty->devicePath());
        QCOMPARE(log.awaitEvents(2), (QStringList{"open-failed", "opened"}));
        QVERIFY(second.errorList().isEmpty());
        finish(second, log);
        finish(holder, holderLog);
    }

    void aFailedOpenParksTheWorkerAndTheNextConnectTriesAgain() {
        SerialThread worker;
        WorkerLog log(worker);
        worker.connectPort(PortSettings{}, kMissingPort);
        QCOMPARE(log.awaitEvents(1), (QStringList{"open-failed"}));
        QCOMPARE(log.failedText, kOpenFailed);
        QVERIFY2(log.failedReason.contains(kMissingPort), qPrintable(log.failedReason));
        QVERIFY(workerIsIdle());

        // Each connect starts a new error list.
        worker.connectPort(PortSettings{}, kMissingPort);
        QCOMPARE(log.awaitEvents(2), (QStringList{"open-failed", "open-failed"}));
        QCOMPARE(worker.errorList(), QStringList{kOpenFailed});

        worker.connectPort(PortSettings{}, m_pty->devicePath());
        QCOMPARE(log.awaitEvents(3), (QStringList{"open-failed", "open-failed", "opened"}));
        QVERIFY(worker.errorList().isEmpty());
        QVERIFY(m_pty->write(QByteArrayLiteral("ok")));
        QCOMPARE(log.awaitBytes(2), QByteArrayLiteral("ok"));
        finish(worker, log);
    }

    void unplugWhileConnectedClosesThePortQuietlyAndParksTheWorker() {
        SerialThread worker;
        WorkerLog log(worker);
        connectToPty(worker, log);
        m_pty->unplug();
        QCOMPARE(log.awaitEvents(2), (QStringList{"opened", "closed"}));
        QVERIFY(!worker.portOpen());
        QCOMPARE(worker.errorText(), kReadFailed);
        QVERIFY(workerIsIdle());
        // No message box was asked for.
        QCOMPARE(log.events, (QStringList{"opened", "closed"}));

        // Plugged in again.
        m_pty = std::make_unique<PtyPair>();
        QVERIFY(m_pty->ok());
        worker.connectPort(PortSettings{}, m_pty->devicePath());
        QCOMPARE(log.awaitEvents(3), (QStringList{"opened", "closed", "opened"}));
        QVERIFY(m_pty->write(QByteArrayLiteral("back")));
        QCOMPARE(log.awaitBytes(4), QByteArrayLiteral("back"));
        finish(worker, log);
    }

    void disconnectAndReconnectManyTimesKeepsTheLinkWorking() {
        constexpr int kRounds = 50;
        SerialThread worker;
        WorkerLog log(worker);
        QStringList expected;
        for (int round = 0; round < kRounds; ++round) {
            worker.connectPort(PortSettings{}, m_pty->devicePath());
            expected << QStringLiteral("opened");
            QCOMPARE(log.awaitEvents(expected.size()), expected);

            const char byte = static_cast<char>(round);
            QVERIFY(m_pty->write(QByteArray(1, byte)));
            QCOMPARE(log.awaitBytes(round + 1).mid(round), QByteArray(1, byte));
            worker.transmitQueue().append(viewOf(QByteArray(1, byte)));
            QCOMPARE(m_pty->read(1), QByteArray(1, byte));

            worker.disconnectPort();
            expected << QStringLiteral("closed");
            QCOMPARE(log.awaitEvents(expected.size()), expected);
        }
        QVERIFY(workerIsIdle());
        finish(worker, log);
    }

    void shutdownWhileConnectedClosesThePortBeforeTheWorkerExits() {
        SerialThread worker;
        WorkerLog log(worker);
        connectToPty(worker, log);
        worker.shutdown();
        QCOMPARE(log.awaitEvents(3), (QStringList{"opened", "closed", "exiting"}));
        QVERIFY(worker.wait(QDeadlineTimer(kTimeoutMs)));
        QVERIFY(!worker.portOpen());
        // The port is free again.
        SerialThread next;
        WorkerLog nextLog(next);
        connectToPty(next, nextLog);
        finish(next, nextLog);
    }

    void shutdownWhileDisconnectedOnlyAnnouncesTheExit() {
        SerialThread worker;
        WorkerLog log(worker);
        worker.shutdown();
        QCOMPARE(log.awaitEvents(1), (QStringList{"exiting"}));
        QVERIFY(worker.wait(QDeadlineTimer(kTimeoutMs)));
    }

    void shutdownAfterAFailedOpenOnlyAnnouncesTheExit() {
        SerialThread worker;
        WorkerLog log(worker);
        worker.connectPort(PortSettings{}, kMissingPort);
        QCOMPARE(log.awaitEvents(1), (QStringList{"open-failed"}));
        worker.shutdown();
        QCOMPARE(log.awaitEvents(2), (QStringList{"open-failed", "exiting"}));
        QVERIFY(worker.wait(QDeadlineTimer(kTimeoutMs)));
    }

private:
    void connectToPty(SerialThread& worker, WorkerLog& log) {
        const qsizetype before = log.events.size();
        worker.connectPort(PortSettings{}, m_pty->devicePath());
        QCOMPARE(log.awaitEvents(before + 1).value(before), QStringLiteral("opened"));
    }

    // Ends the worker as the main window does and checks that it said so last.
    static void finish(SerialThread& worker, WorkerLog& log) {
        worker.shutdown();
        const QStringList events = log.awaitExit();
        QCOMPARE(events.value(events.size() - 1), QStringLiteral("exiting"));
        QVERIFY(worker.wait(QDeadlineTimer(kTimeoutMs)));
    }

    std::unique_ptr<PtyPair> m_pty;
};

QTEST_GUILESS_MAIN(SerialThreadTest)
#include "serial_thread_test.moc"
