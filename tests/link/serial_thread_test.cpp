#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <optional>
#include <thread>

#include "link/serial_link_session.h"
#include "link/transmit_queue.h"
#include "tests/support/pty_pair.h"

using namespace tresvik;

namespace {

constexpr int kTimeoutMs = 10000;
// Long enough for a worker that polls its port (every 5 ms) or its flags to be seen running.
constexpr int kIdleWindowMs = 200;

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

// Records what the link session reports, in the order it came: the session handles the
// worker's notifications on the GUI thread as the main window's link does.
class WorkerLog : public QObject {
    Q_OBJECT
public:
    explicit WorkerLog(SerialLinkSession& session) {
        session.setReceiver([this](const ReceivedBytes& batch) {
            const ByteView received = batch.bytes();
            bytes.append(reinterpret_cast<const char*>(received.data()),
                         static_cast<qsizetype>(received.size()));
            emit recorded();
        });
        connect(&session, &LinkSession::opened, this, [this] { record(QStringLiteral("opened")); });
        connect(&session, &LinkSession::closed, this, [this] { record(QStringLiteral("closed")); });
        connect(&session, &LinkSession::openFailed, this,
                [this](const QString& text, const QString& reason) {
                    failedText = text;
                    failedReason = reason;
                    record(QStringLiteral("open-failed"));
                });
        connect(&session, &LinkSession::failure, this,
                [this](const QString& text) { record(QStringLiteral("message: ") + text); });
        connect(&session, &LinkSession::finished, this,
                [this] { record(QStringLiteral("exiting")); });
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
        SerialLinkSession session;
        WorkerLog log(session);
        session.connectPort(m_pty->devicePath());
        QCOMPARE(log.awaitEvents(1), (QStringList{"opened"}));
        QVERIFY(session.portOpen());
        session.disconnectPort();
        QCOMPARE(log.awaitEvents(2), (QStringList{"opened", "closed"}));
        QVERIFY(!session.portOpen());
        QVERIFY(session.worker().errorList().isEmpty());
        finish(session, log);
    }

    void aSecondConnectWhileOpeningDoesNotOpenThePortTwice() {
        SerialLinkSession session;
        WorkerLog log(session);
        session.connectPort(m_pty->devicePath());
        session.connectPort(m_pty->devicePath());
        QCOMPARE(log.awaitEvents(1), QStringList{"opened"});
        session.disconnectPort();
        QCOMPARE(log.awaitEvents(2), (QStringList{"opened", "closed"}));
        finish(session, log);
    }

    void everyByteValueTravelsBothWaysUnchanged() {
        SerialLinkSession session;
        WorkerLog log(session);
        // Left over from an earlier connection: a connect starts with an empty queue.
        session.transmitQueue().append(viewOf(QByteArrayLiteral("stale")));
        connectToPty(session, log);

        const QByteArray all = everyByteValue();
        QVERIFY(m_pty->write(all));
        QCOMPARE(log.awaitBytes(all.size()).toHex(), all.toHex());

        session.transmitQueue().append(viewOf(all));
        QCOMPARE(m_pty->read(static_cast<int>(all.size())).toHex(), all.toHex());
        QTRY_VERIFY_WITH_TIMEOUT(session.transmitQueue().empty(), kTimeoutMs);
        finish(session, log);
    }

    void aLongBurstArrivesWholeAndInOrder() {
        SerialLinkSession session;
        WorkerLog log(session);
        connectToPty(session, log);
        // Many times the port's buffer and the GUI thread's largest take at once, written faster
        // than the line could carry it.
        QByteArray burst;
        for (int i = 0; i < 20000; ++i) {
            burst.append(static_cast<char>((i * 7 + i / 256) & 0xFF));
        }
        std::thread writer([&] { m_pty->write(burst); });
        const QByteArray received = log.awaitBytes(burst.size());
        writer.join();
        QCOMPARE(received.size(), burst.size());
        QVERIFY(received == burst);
        finish(session, log);
    }

    void whatTheLineHeldBeforeTheOpenIsDiscardedAndWhatFollowsIsKept() {
        SerialLinkSession session;
        WorkerLog log(session);
        QVERIFY(m_pty->write(QByteArrayLiteral("stale")));
        connectToPty(session, log);
        // Written the moment the open is announced, as a unit answering at once would.
        QVERIFY(m_pty->write(QByteArrayLiteral("fresh")));
        QCOMPARE(log.awaitBytes(5), QByteArrayLiteral("fresh"));
        finish(session, log);
    }

    void aByteNotYetTakenHoldsTheNextOneBack() {
        SerialLinkSession session;
        WorkerLog log(session);
        // This receiver takes each byte only after the worker has been let go, so a worker that
        // read on before the byte was taken would overwrite it.
        SerialThread& worker = session.worker();
        QByteArray taken;
        int notifications = 0;
        disconnect(&worker, &SerialThread::byteReceived, &session, nullptr);
        connect(&worker, &SerialThread::byteReceived, this, [&] {
            ++notifications;
            QMetaObject::invokeMethod(
                this, [&] { taken.append(static_cast<char>(worker.takeByte())); },
                Qt::QueuedConnection);
        });
        connectToPty(session, log);

        const QByteArray sent = everyByteValue().left(48);
        QVERIFY(m_pty->write(sent));
        QTRY_COMPARE_WITH_TIMEOUT(taken.size(), sent.size(), kTimeoutMs);
        QCOMPARE(taken.toHex(), sent.toHex());
        QCOMPARE(notifications, sent.size());
        finish(session, log);
    }

    // Requests made in the open handler, while the worker waits for it and so can neither send
    // nor answer, share one report; when it comes, every byte queued before them can be read.
    void drainRequestsShareOneReportThatComesOnceTheirBytesHaveLeft() {
        SerialLinkSession session;
        WorkerLog log(session);
        const QByteArray sent = everyByteValue();
        ArrivalTime requested{};
        connect(&session, &LinkSession::opened, this, [&] {
            session.transmitQueue().append(viewOf(sent));
            requested = std::chrono::steady_clock::now();
            session.requestDrainReport();
            session.requestDrainReport();
        });
        QList<ArrivalTime> reports;
        QByteArray readByThen;
        // The worker waits for this handler too, so what the master holds now was sent before.
        connect(&session, &LinkSession::drained, this, [&](ArrivalTime at) {
            reports.append(at);
            readByThen += m_pty->read(static_cast<int>(sent.size()));
        });
        connectToPty(session, log);
        QTRY_COMPARE_WITH_TIMEOUT(reports.size(), 1, kTimeoutMs);
        QCOMPARE(readByThen.toHex(), sent.toHex());
        QVERIFY(reports.front() >= requested);
        finish(session, log);
        QCOMPARE(reports.size(), 1);
    }

    void aDrainRequestIsAnsweredAtOnceWhileThePortIsClosedAndAtTheCloseWhenItIsLost() {
        SerialLinkSession session;
        WorkerLog log(session);
        QSignalSpy reports(&session, &LinkSession::drained);
        session.requestDrainReport();
        QCOMPARE(reports.size(), 1);

        // Unplugged with bytes still to send: the request is answered as the port closes.
        connect(&session, &LinkSession::opened, this, [&] {
            session.transmitQueue().append(viewOf(everyByteValue()));
            session.requestDrainReport();
            m_pty->unplug();
        });
        session.connectPort(m_pty->devicePath());
        QTRY_COMPARE_WITH_TIMEOUT(reports.size(), 2, kTimeoutMs);
        QVERIFY(log.events.contains(QStringLiteral("closed")));
        finish(session, log);
        QCOMPARE(reports.size(), 2);
    }

    void aPortHeldByAnotherWorkerCannotBeOpenedUntilItIsReleased() {
        SerialLinkSession holder;
        WorkerLog holderLog(holder);
        connectToPty(holder, holderLog);

        SerialLinkSession second;
        WorkerLog log(second);
        second.connectPort(m_pty->devicePath());
        QCOMPARE(log.awaitEvents(1), (QStringList{"open-failed"}));
        QCOMPARE(log.failedText, kOpenFailed);
        QVERIFY2(log.failedReason.contains(QStringLiteral("Another program holds the port")),
                 qPrintable(log.failedReason));
        QCOMPARE(second.worker().errorList(), QStringList{kOpenFailed});
        QCOMPARE(second.worker().errorText(), kOpenFailed);
        QVERIFY(!second.portOpen());
        // The holder keeps its port working.
        QVERIFY(m_pty->write(QByteArrayLiteral("x")));
        QCOMPARE(holderLog.awaitBytes(1), QByteArrayLiteral("x"));

        holder.disconnectPort();
        QCOMPARE(holderLog.awaitEvents(2), (QStringList{"opened", "closed"}));
        second.connectPort(m_pty->devicePath());
        QCOMPARE(log.awaitEvents(2), (QStringList{"open-failed", "opened"}));
        QVERIFY(second.worker().errorList().isEmpty());
        finish(second, log);
        finish(holder, holderLog);
    }

    void aFailedOpenParksTheWorkerAndTheNextConnectTriesAgain() {
        SerialLinkSession session;
        WorkerLog log(session);
        session.connectPort(kMissingPort);
        QCOMPARE(log.awaitEvents(1), (QStringList{"open-failed"}));
        QCOMPARE(log.failedText, kOpenFailed);
        QVERIFY2(log.failedReason.contains(kMissingPort), qPrintable(log.failedReason));
        QVERIFY(workerIsIdle());

        // Each connect starts a new error list.
        session.connectPort(kMissingPort);
        QCOMPARE(log.awaitEvents(2), (QStringList{"open-failed", "open-failed"}));
        QCOMPARE(session.worker().errorList(), QStringList{kOpenFailed});

        session.connectPort(m_pty->devicePath());
        QCOMPARE(log.awaitEvents(3), (QStringList{"open-failed", "open-failed", "opened"}));
        QVERIFY(session.worker().errorList().isEmpty());
        QVERIFY(m_pty->write(QByteArrayLiteral("ok")));
        QCOMPARE(log.awaitBytes(2), QByteArrayLiteral("ok"));
        finish(session, log);
    }

    void aSilentLineLeavesTheWorkerIdleUntilThereIsSomethingToSendOrToClose() {
        SerialLinkSession session;
        WorkerLog log(session);
        connectToPty(session, log);
        QVERIFY(workerIsIdle());
        session.transmitQueue().append(viewOf(QByteArrayLiteral("go")));
        QCOMPARE(m_pty->read(2), QByteArrayLiteral("go"));
        QVERIFY(m_pty->write(QByteArrayLiteral("back")));
        QCOMPARE(log.awaitBytes(4), QByteArrayLiteral("back"));
        QVERIFY(workerIsIdle());
        session.disconnectPort();
        QCOMPARE(log.awaitEvents(2), (QStringList{"opened", "closed"}));
        finish(session, log);
    }

    void unplugWhileConnectedClosesThePortQuietlyAndParksTheWorker() {
        SerialLinkSession session;
        WorkerLog log(session);
        connectToPty(session, log);
        m_pty->unplug();
        QCOMPARE(log.awaitEvents(2), (QStringList{"opened", "closed"}));
        QVERIFY(!session.portOpen());
        QCOMPARE(session.worker().errorText(), kReadFailed);
        QVERIFY(workerIsIdle());
        // No message box was asked for.
        QCOMPARE(log.events, (QStringList{"opened", "closed"}));

        // Plugged in again.
        m_pty = std::make_unique<PtyPair>();
        QVERIFY(m_pty->ok());
        session.connectPort(m_pty->devicePath());
        QCOMPARE(log.awaitEvents(3), (QStringList{"opened", "closed", "opened"}));
        QVERIFY(m_pty->write(QByteArrayLiteral("back")));
        QCOMPARE(log.awaitBytes(4), QByteArrayLiteral("back"));
        finish(session, log);
    }

    void disconnectAndReconnectManyTimesKeepsTheLinkWorking() {
        constexpr int kRounds = 50;
        SerialLinkSession session;
        WorkerLog log(session);
        QStringList expected;
        for (int round = 0; round < kRounds; ++round) {
            session.connectPort(m_pty->devicePath());
            expected << QStringLiteral("opened");
            QCOMPARE(log.awaitEvents(expected.size()), expected);

            const char byte = static_cast<char>(round);
            QVERIFY(m_pty->write(QByteArray(1, byte)));
            QCOMPARE(log.awaitBytes(round + 1).mid(round), QByteArray(1, byte));
            session.transmitQueue().append(viewOf(QByteArray(1, byte)));
            QCOMPARE(m_pty->read(1), QByteArray(1, byte));

            session.disconnectPort();
            expected << QStringLiteral("closed");
            QCOMPARE(log.awaitEvents(expected.size()), expected);
        }
        QVERIFY(workerIsIdle());
        finish(session, log);
    }

    void shutdownWhileConnectedClosesThePortBeforeTheWorkerExits() {
        SerialLinkSession session;
        WorkerLog log(session);
        connectToPty(session, log);
        session.shutdown();
        QCOMPARE(log.awaitEvents(3), (QStringList{"opened", "closed", "exiting"}));
        QVERIFY(session.worker().wait(QDeadlineTimer(kTimeoutMs)));
        QVERIFY(!session.portOpen());
        // The port is free again.
        SerialLinkSession next;
        WorkerLog nextLog(next);
        connectToPty(next, nextLog);
        finish(next, nextLog);
    }

    void shutdownWhileDisconnectedOnlyAnnouncesTheExit() {
        SerialLinkSession session;
        WorkerLog log(session);
        session.shutdown();
        QCOMPARE(log.awaitEvents(1), (QStringList{"exiting"}));
        QVERIFY(session.worker().wait(QDeadlineTimer(kTimeoutMs)));
    }

    void shutdownAfterAFailedOpenOnlyAnnouncesTheExit() {
        SerialLinkSession session;
        WorkerLog log(session);
        session.connectPort(kMissingPort);
        QCOMPARE(log.awaitEvents(1), (QStringList{"open-failed"}));
        session.shutdown();
        QCOMPARE(log.awaitEvents(2), (QStringList{"open-failed", "exiting"}));
        QVERIFY(session.worker().wait(QDeadlineTimer(kTimeoutMs)));
    }

private:
    void connectToPty(SerialLinkSession& session, WorkerLog& log) {
        const qsizetype before = log.events.size();
        session.connectPort(m_pty->devicePath());
        QCOMPARE(log.awaitEvents(before + 1).value(before), QStringLiteral("opened"));
    }

    // Ends the worker as the main window does and checks that it said so last.
    static void finish(SerialLinkSession& session, WorkerLog& log) {
        session.shutdown();
        const QStringList events = log.awaitExit();
        QCOMPARE(events.value(events.size() - 1), QStringLiteral("exiting"));
        QVERIFY(session.worker().wait(QDeadlineTimer(kTimeoutMs)));
    }

    std::unique_ptr<PtyPair> m_pty;
};

QTEST_GUILESS_MAIN(SerialThreadTest)
#include "serial_thread_test.moc"
