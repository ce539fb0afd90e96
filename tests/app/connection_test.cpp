#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include <memory>

#include "app/tresvik_dlg.h"
#include "decode/parameter_list.h"
#include "link/crc8.h"
#include "link/serial_link_session.h"
#include "link/sim_registry.h"
#include "tests/support/pty_pair.h"

using namespace tresvik;

namespace {

constexpr int kTimeoutMs = 10000;

QByteArray frameBytes(const char* hexWithoutChecksum) {
    QByteArray frame = QByteArray::fromHex(hexWithoutChecksum);
    const auto* data = reinterpret_cast<const std::uint8_t*>(frame.constData());
    frame.append(static_cast<char>(Crc8::compute({data, static_cast<std::size_t>(frame.size())})));
    return frame;
}

}  // namespace

// The main window with its serial worker, against a pseudo-terminal of the test's own.
class ConnectionTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // Simulated units register in the runtime folder; an empty one of our own keeps any
        // running elsewhere out of the port list.
        QVERIFY(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
    }

    void init() {
        m_pty = std::make_unique<PtyPair>();
        QVERIFY(m_pty->ok());
        std::string reason;
        QVERIFY2(sim_registry::ensureFolder(sim_registry::folder(), reason), reason.c_str());
        m_session = std::make_unique<SerialLinkSession>();
        m_dlg = std::make_unique<CTresvikDlg>(*m_session);
        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
        m_combo = m_dlg->findChild<QComboBox*>("portCombo");
        m_connect = m_dlg->findChild<QPushButton*>("connectButton");
    }

    void cleanup() {
        if (m_dlg->isVisible()) {
            QSignalSpy finished(m_dlg.get(), &QDialog::finished);
            m_dlg->close();
            QVERIFY(finished.wait(kTimeoutMs));
        }
        m_dlg.reset();
        m_session.reset();
        m_pty.reset();
        QDir(registryFolder()).removeRecursively();
    }

    void connectOpensTheTypedPathAndDisconnectClosesIt() {
        connectToPty();
        QVERIFY(!m_combo->isEnabled());
        QTest::mouseClick(m_connect, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(m_connect->text(), QStringLiteral("Connect"), kTimeoutMs);
        QVERIFY(m_combo->isEnabled());
    }

    void receivedFramesFillTheirCellsAlsoWhenSplitAcrossDrainTicks() {
        connectToPty();
        const QByteArray prg = frameBytes("C701240601002A000000");
        QVERIFY(m_pty->write(prg.left(4)));
        // A drain tick has passed the first half to the frame assembler.
        QTRY_COMPARE_WITH_TIMEOUT(m_dlg->receivePath().partialSize(), std::size_t{4}, kTimeoutMs);
        QCOMPARE(m_dlg->parameterList()->cellText(3, 1), QString());
        QVERIFY(m_pty->write(prg.mid(4)));
        QTRY_COMPARE_WITH_TIMEOUT(m_dlg->parameterList()->cellText(3, 1), QStringLiteral("00042"),
                                  kTimeoutMs);
        QCOMPARE(m_dlg->receivePath().counters().goodFrames, std::size_t{1});
        // The frame is logged as received, in green.
        QTRY_VERIFY_WITH_TIMEOUT(logText().contains(QStringLiteral("UART Rx - ") +
                                                    QString::fromLatin1(prg.toHex(' ').toUpper())),
                                 kTimeoutMs);
    }

    void labelDoubleClickSendsTheRequestToThePort() {
        connectToPty();
        ParameterList* list = m_dlg->parameterList();
        const QRect cell = list->visualRect(list->model()->index(3, 0));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(m_pty->read(7).toHex(' ').toUpper(),
                 frameBytes("C70124020100").toHex(' ').toUpper());
    }

    void unplugWhileConnectedReturnsToConnect() {
        connectToPty();
        m_pty->unplug();
        QTRY_COMPARE_WITH_TIMEOUT(m_connect->text(), QStringLiteral("Connect"), kTimeoutMs);
        QVERIFY(m_combo->isEnabled());
    }

    void openFailureLeavesConnectAndLogsTheReasonInRed() {
        m_combo->setEditText(QStringLiteral("/dev/tresvik-no-such-port"));
        QVERIFY(m_connect->isEnabled());
        QTest::mouseClick(m_connect, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!logText().isEmpty(), kTimeoutMs);
        QCOMPARE(m_connect->text(), QStringLiteral("Connect"));
        QVERIFY(m_combo->isEnabled());
        const QTextBlock line = m_dlg->logDlg().textControl()->document()->firstBlock();
        QVERIFY2(line.text().contains(QStringLiteral("tresvik-no-such-port")),
                 qPrintable(line.text()));
        QCOMPARE(line.begin().fragment().charFormat().foreground().color(), QColor(255, 0, 0));
    }

    void closingWhileConnectedClosesThePortBeforeTheWindowEnds() {
        connectToPty();
        QString captionAtEnd;
        bool comboEnabledAtEnd = false;
        connect(m_dlg.get(), &QDialog::finished, this, [&] {
            captionAtEnd = m_connect->text();
            comboEnabledAtEnd = m_combo->isEnabled();
        });
        QSignalSpy finished(m_dlg.get(), &QDialog::finished);
        QVERIFY(!m_dlg->close());
        QVERIFY(m_dlg->closing());
        QVERIFY(finished.wait(kTimeoutMs));
        QCOMPARE(captionAtEnd, QStringLiteral("Connect"));
        QVERIFY(comboEnabledAtEnd);
        QVERIFY(!m_session->running());
        // A second close after the worker has gone does not reach it.
        m_dlg->close();
    }

    void deviceChangeKeepsTheChosenPortSelected() {
        PtyPair second;
        QVERIFY(second.ok());
        const QDir registry(registryFolder());
        QVERIFY(QFile::link(m_pty->devicePath(), registry.filePath("SIM-1")));
        QTRY_VERIFY_WITH_TIMEOUT(m_combo->findText("SIM-1") >= 0, kTimeoutMs);
        QVERIFY(QFile::link(second.devicePath(), registry.filePath("SIM-2")));
        QTRY_VERIFY_WITH_TIMEOUT(m_combo->findText("SIM-2") >= 0, kTimeoutMs);
        m_combo->setCurrentIndex(m_combo->findText("SIM-2"));
        QVERIFY(QFile::remove(registry.filePath("SIM-1")));
        QTRY_VERIFY_WITH_TIMEOUT(m_combo->findText("SIM-1") < 0, kTimeoutMs);
        QCOMPARE(m_combo->currentText(), QStringLiteral("SIM-2"));
        QVERIFY(m_connect->isEnabled());
    }

private:
    void connectToPty() {
        m_combo->setEditText(m_pty->devicePath());
        QTest::mouseClick(m_connect, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(m_connect->text(), QStringLiteral("Disconnect"), kTimeoutMs);
    }

    QString logText() const { return m_dlg->logDlg().textControl()->toPlainText(); }
    static QString registryFolder() { return QString::fromStdString(sim_registry::folder()); }

    QTemporaryDir m_runtime;
    std::unique_ptr<PtyPair> m_pty;
    std::unique_ptr<SerialLinkSession> m_session;
    std::unique_ptr<CTresvikDlg> m_dlg;
    QComboBox* m_combo = nullptr;
    QPushButton* m_connect = nullptr;
};

QTEST_MAIN(ConnectionTest)
#include "connection_test.moc"
