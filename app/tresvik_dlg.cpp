#include "app/tresvik_dlg.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>

#include <filesystem>

#include "app/about_dlg.h"
#include "app/dialog_units.h"
#include "app/program_directory.h"
#include "app/tresvik_app.h"
#include "commands/simulation_buttons.h"
#include "decode/parameter_list.h"
#include "decode/parameter_table.h"
#include "link/port_enumerator.h"
#include "link/port_watcher.h"
#include "link/serial_thread.h"
#include "log/log_line.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace tresvik {

namespace {

constexpr int kReceiveDrainMs = 50;
constexpr int kShutdownMs = 50;
constexpr int kDockingStartMs = 5;

#ifdef Q_OS_WIN
// The About item of the system menu.
constexpr UINT kAboutCommand = 16;
#endif

QString toQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QPushButton* makeButton(const QString& text, const QRect& geometry, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setGeometry(geometry);
    // Enter never clicks a button of these windows.
    button->setAutoDefault(false);
    return button;
}

QPushButton* makePushLikeCheckBox(const QString& text, const QRect& geometry, QWidget* parent) {
    QPushButton* button = makeButton(text, geometry, parent);
    button->setCheckable(true);
    return button;
}

}  // namespace

CTresvikDlg::CTresvikDlg(QWidget* parent)
    : CTresvikDlg(std::make_unique<SerialThread>(), nullptr, nullptr, parent) {}

CTresvikDlg::CTresvikDlg(TransmitQueue& queue, const std::atomic<bool>& portOpen, QWidget* parent)
    : CTresvikDlg(nullptr, &queue, &portOpen, parent) {}

CTresvikDlg::CTresvikDlg(std::unique_ptr<SerialThread> worker, TransmitQueue* queue,
                         const std::atomic<bool>* portOpen, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_workerThread(std::move(worker)),
      m_worker(m_workerThread.get()),
      m_frameWriter(m_worker != nullptr ? m_worker->transmitQueue() : *queue, &m_logDlg.queue(),
                    m_worker != nullptr ? m_worker->portOpenFlag() : *portOpen, m_closing),
      m_receivePath(&m_logDlg.queue(), m_closing, &m_idLog, this) {
    setWindowTitle(QStringLiteral("Tresvik 1.0a"));
    setWindowIcon(CTresvikApp::icon());
    setFont(templateFont());
    setFixedSize(dluX(495), dluY(466));
    createControls();
#ifdef Q_OS_WIN
    HMENU systemMenu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(systemMenu, MF_STRING, kAboutCommand, L"&About Tresvik...");
#endif

    // The Tx Tel and Tx Pep boxes are never shown.
    m_txTel->hide();
    m_txPep->hide();

    auto* portWatcher = new PortWatcher(this);
    connect(portWatcher, &PortWatcher::devicesChanged, this, &CTresvikDlg::onDeviceChange);
    if (m_worker != nullptr) {
        connectWorker();
        m_portsListed = enumeratePorts(m_portCombo) == 1;
        updateConnectEnabled();
    }

    m_logDlg.setOwner(this);

    connect(&m_receiveDrainTimer, &QTimer::timeout, this, &CTresvikDlg::drainReceiveQueue);
    m_receiveDrainTimer.start(kReceiveDrainMs);

    m_shutdownTimer.setSingleShot(true);
    m_shutdownTimer.setInterval(kShutdownMs);
    connect(&m_shutdownTimer, &QTimer::timeout, this, &CTresvikDlg::endDialog);

    m_idLog.load(std::filesystem::path(programDirectory().toStdU16String()) /
                 std::filesystem::path(IdLog::kFileName));

    connect(&m_dockingStartTimer, &QTimer::timeout, this, &CTresvikDlg::dockingStartTick);
    m_dockingStartTimer.start(kDockingStartMs);
}

CTresvikDlg::~CTresvikDlg() {
    // The worker ends first, while everything its last notifications may touch still exists.
    m_workerThread.reset();
}

void CTresvikDlg::createControls() {
    m_portCombo = new QComboBox(this);
    m_portCombo->setObjectName(QStringLiteral("portCombo"));
    m_portCombo->setEditable(true);
    m_portCombo->setInsertPolicy(QComboBox::NoInsert);
    // The template's 44 units hold the edit field and a short drop-down list.
    const QRect combo = dluRect(7, 7, 51, 44);
    m_portCombo->setGeometry(combo.x(), combo.y(), combo.width(), dluY(13));
    m_portCombo->setMaxVisibleItems(3);
    // The edit field is narrower than most port names: a chosen name shows from its start.
    connect(m_portCombo, &QComboBox::currentIndexChanged, this,
            [this] { m_portCombo->lineEdit()->setCursorPosition(0); });
    connect(m_portCombo, &QComboBox::editTextChanged, this, [this] {
        if (m_worker != nullptr) {
            updateConnectEnabled();
        }
    });

    m_connectButton = makeButton(QStringLiteral("Connect"), dluRect(7, 22, 51, 14), this);
    m_connectButton->setObjectName(QStringLiteral("connectButton"));
    connect(m_connectButton, &QPushButton::clicked, this, &CTresvikDlg::onConnectClicked);

    m_logButton = makePushLikeCheckBox(QStringLiteral("Log"), dluRect(7, 38, 51, 14), this);
    m_logButton->setObjectName(QStringLiteral("logButton"));
    connect(m_logButton, &QPushButton::clicked, this, [this](bool checked) {
        if (checked) {
            m_logDlg.show();
            m_logDlg.raise();
            m_logDlg.activateWindow();
        } else {
            m_logDlg.hide();
        }
    });
    makePushLikeCheckBox(QStringLiteral("Tx"), dluRect(7, 54, 51, 14), this)
        ->setObjectName(QStringLiteral("txButton"));
    makePushLikeCheckBox(QStringLiteral("Flags"), dluRect(7, 70, 51, 14), this)
        ->setObjectName(QStringLiteral("flagsButton"));

    int y = 130;
    for (const SimulationButton& simulation : simulationButtons()) {
        QPushButton* button =
            makeButton(toQString(simulation.caption), dluRect(8, y, 50, 10), this);
        button->setObjectName(QStringLiteral("simulation%1").arg(simulation.controlId));
        connect(button, &QPushButton::clicked, this,
                [this, &simulation] { sendSimulation(m_frameWriter, simulation); });
        y += 10;
    }

    m_txTel = new QCheckBox(QStringLiteral("Tx Tel"), this);
    m_txTel->setObjectName(QStringLiteral("txTelCheck"));
    m_txTel->setGeometry(dluRect(7, 283, 35, 10));
    connect(m_txTel, &QCheckBox::clicked, this, &CTresvikDlg::onTxTelClicked);
    m_txPep = new QCheckBox(QStringLiteral("Tx Pep"), this);
    m_txPep->setObjectName(QStringLiteral("txPepCheck"));
    m_txPep->setGeometry(dluRect(7, 294, 38, 10));
    connect(m_txPep, &QCheckBox::clicked, this, &CTresvikDlg::onTxPepClicked);

    makeButton(QStringLiteral("PrintScreen"), dluRect(7, 445, 51, 14), this)
        ->setObjectName(QStringLiteral("printScreenButton"));

    m_list = new ParameterList(this);
    m_list->setObjectName(QStringLiteral("parameterList"));
    m_list->setGeometry(dluRect(65, 7, 424, 452));
    // A right click belongs to the list's right double-click, never to a menu.
    m_list->setContextMenuPolicy(Qt::PreventContextMenu);
    connect(m_list, &ParameterList::leftDoubleClicked, this, &CTresvikDlg::onListDoubleClicked);
    connect(m_list, &ParameterList::rightDoubleClicked, this,
            &CTresvikDlg::onListRightDoubleClicked);
}

void CTresvikDlg::connectWorker() {
    // The worker waits until each notification has been handled.
    constexpr auto kBlocking = Qt::BlockingQueuedConnection;
    connect(m_worker, &SerialThread::portOpened, this, &CTresvikDlg::onPortOpened, kBlocking);
    connect(m_worker, &SerialThread::byteReceived, this, &CTresvikDlg::onByteReceived, kBlocking);
    connect(m_worker, &SerialThread::portClosed, this, &CTresvikDlg::onPortClosed, kBlocking);
    connect(m_worker, &SerialThread::openFailed, this, &CTresvikDlg::onOpenFailed, kBlocking);
    connect(m_worker, &SerialThread::workerExiting, this, &CTresvikDlg::onWorkerExiting, kBlocking);
    connect(m_worker, &SerialThread::failureMessage, this, &CTresvikDlg::onFailureMessage,
            kBlocking);
}

void CTresvikDlg::updateConnectEnabled() {
    // A typed absolute path can be connected to even when no port is listed.
    m_connectButton->setEnabled(m_portsListed ||
                                QDir::isAbsolutePath(m_portCombo->currentText().trimmed()));
}

void CTresvikDlg::dockingStartTick() {
    // The child windows place themselves beside the main window, so they start once the main
    // window is on the screen and the window manager has put its frame around it.
    if (m_closing) {
        // The Log window has already been ended.
        m_dockingStartTimer.stop();
        return;
    }
    const QWindow* window = windowHandle();
    if (window == nullptr || !window->isExposed()) {
        return;
    }
    m_dockingStartTimer.stop();
    m_logDlg.initialise();
}

void CTresvikDlg::reject() {
    m_logDlg.queue().clearQueues();
    m_closing = true;
    if (m_worker != nullptr) {
        m_worker->shutdown();
    } else {
        onWorkerExiting();
    }
    m_logDlg.finish();
}

void CTresvikDlg::endDialog() {
    // The ID log file is open only while it is read or written, so nothing is left to close.
    QDialog::reject();
}

void CTresvikDlg::onConnectClicked() {
    if (m_worker == nullptr) {
        return;
    }
    if (m_worker->portOpen()) {
        m_worker->disconnectPort();
        return;
    }
    m_worker->connectPort(PortSettings{}, devicePathFor(m_portCombo->currentText()));
}

void CTresvikDlg::onDeviceChange() {
    const QString selected = m_portCombo->currentText();
    m_portsListed = enumeratePorts(m_portCombo) == 1;
    const int index = m_portCombo->findText(selected, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) {
        m_portCombo->setCurrentIndex(index);
    }
    updateConnectEnabled();
}

void CTresvikDlg::onPortOpened() {
    if (!m_worker->portOpen()) {
        return;
    }
    m_portCombo->setEnabled(false);
    m_worker->purge();
    m_connectButton->setText(QStringLiteral("Disconnect"));
}

void CTresvikDlg::onByteReceived() {
    m_receiveQueue.push_back(m_worker->takeByte());
}

void CTresvikDlg::onPortClosed() {
    m_portCombo->setEnabled(true);
    m_connectButton->setText(QStringLiteral("Connect"));
}

void CTresvikDlg::onOpenFailed(const QString& text, const QString& reason) {
    if (m_closing) {
        return;
    }
    // The worker's text carries its own line end; the reason goes on the same line.
    QString line = text;
    while (line.endsWith(u'\n') || line.endsWith(u'\r')) {
        line.chop(1);
    }
    m_logDlg.queue().AppendText((line + u' ' + reason).toStdU16String(), line_class::kError);
}

void CTresvikDlg::onWorkerExiting() {
    m_shutdownTimer.start();
    m_worker = nullptr;
}

void CTresvikDlg::onFailureMessage(const QString& text) {
    showMessage(text);
}

void CTresvikDlg::showMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok,
                    this);
    // Blocks the main window only; the Log window stays usable.
    box.setWindowModality(Qt::WindowModal);
    box.exec();
}

void CTresvikDlg::drainReceiveQueue() {
    // One tick takes everything received since the previous one, in arrival order.
    m_receivePath.push(m_receiveQueue);
    m_receiveQueue.clear();
}

void CTresvikDlg::valueCellChanged(const ValueCellUpdate& update) {
    m_list->setCellText(update.item, update.column, toQString(update.text));
}

void CTresvikDlg::onListDoubleClicked(int item, int column) {
    if (item < 0) {
        return;
    }
    if (column % 2 == 1) {
        copyToClipboard(m_list->cellText(item, column));
        return;
    }
    const int row = rowAt(item, column);
    if (row >= 0) {
        sendRequest(m_frameWriter, parameterRow(row).messageId);
    }
}

void CTresvikDlg::copyToClipboard(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(text);
    if (clipboard->text() != text) {
        showMessage(QStringLiteral("Unable to set Clipboard data"));
    }
}

void CTresvikDlg::onListRightDoubleClicked(int item, int column) {
    if (item >= 0 && column % 2 == 1) {
        m_list->setCellText(item, column, QString());
    }
}

void CTresvikDlg::onTxTelClicked() {
    if (m_txTel->isChecked() && m_txPep->isChecked()) {
        m_txPep->setChecked(false);
    }
}

void CTresvikDlg::onTxPepClicked() {
    if (m_txTel->isChecked() && m_txPep->isChecked()) {
        m_txTel->setChecked(false);
    }
}

void CTresvikDlg::showAbout() {
    CAboutDlg about(this);
    about.exec();
}

#ifdef Q_OS_WIN
bool CTresvikDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == kAboutCommand) {
        showAbout();
        *result = 0;
        return true;
    }
    if (msg->message == WM_NCLBUTTONDBLCLK) {
        m_list->clearValues();
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#else
void CTresvikDlg::contextMenuEvent(QContextMenuEvent* event) {
    // Off Windows the window manager owns the system menu and the title bar: their About item
    // and the title-bar double-click that clears the values are offered here.
    QMenu menu(this);
    menu.addAction(QStringLiteral("&About Tresvik..."), this, &CTresvikDlg::showAbout);
    menu.addAction(QStringLiteral("&Clear values"), m_list, &ParameterList::clearValues);
    menu.exec(event->globalPos());
}
#endif

}  // namespace tresvik
