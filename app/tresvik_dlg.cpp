#include "app/tresvik_dlg.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include <filesystem>

#include "app/about_dlg.h"
#include "app/port_box.h"
#include "app/program_directory.h"
#include "app/screen_capture.h"
#include "app/tresvik_app.h"
#include "commands/simulation_buttons.h"
#include "decode/parameter_list.h"
#include "decode/parameter_table.h"
#include "link/link_session.h"
#include "link/port_watcher.h"
#include "log/capture_names.h"
#include "log/log_line.h"
#include "ui/dialog_units.h"
#include "ui/qt_text.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace tresvik {

namespace {

constexpr int kShutdownMs = 50;

#ifdef Q_OS_WIN
// The About item of the system menu, and the licence beside it.
constexpr UINT kAboutCommand = 16;
constexpr UINT kLicenceCommand = 32;
#endif

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

CTresvikDlg::CTresvikDlg(LinkSession& session, PortSource ports, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_session(session),
      m_portSource(std::move(ports)),
      m_console(session.transmitQueue(), session.portOpenFlag(), ConsoleSession::Options{}),
      m_linkRunning(session.running()) {
    m_console.addListener(*this);
    setWindowTitle(QStringLiteral("Tresvik 1.0a"));
    setWindowIcon(CTresvikApp::icon());
    setFont(templateFont());
    setFixedSize(dluX(495), dluY(466));
    createControls();
#ifdef Q_OS_WIN
    HMENU systemMenu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(systemMenu, MF_STRING, kAboutCommand, L"&About Tresvik...");
    AppendMenuW(systemMenu, MF_STRING, kLicenceCommand, L"&Licence...");
#endif

    // The Tx Tel and Tx Pep boxes are never shown.
    m_txTel->hide();
    m_txPep->hide();

    auto* portWatcher = new PortWatcher(this);
    connect(portWatcher, &PortWatcher::devicesChanged, this, &CTresvikDlg::onDeviceChange);
    if (m_linkRunning) {
        connectSession();
        onDeviceChange();
    }

    // On a drag the Tx window comes forward first, the Log and the Flags windows after it; on
    // activation the Flags window stays where it is.
    m_dock.add(m_logDlg, *m_logButton, {.dragLayer = 1});
    m_dock.add(m_txDlg, *m_txButton);
    // Unchecked, the Flags window parks, ready to be captured whole; checked, it comes back.
    m_dock.add(m_flagsDlg, *m_flagsButton,
               {.forwardOnActivation = false,
                .dragLayer = 1,
                .box = {[this] { m_flagsDlg.unpark(); }, [this] { m_flagsDlg.park(); }}});
    connect(&m_flagsDlg, &CFlagsDlg::imagesFailed, this, &CTresvikDlg::logError);

    m_shutdownTimer.setSingleShot(true);
    m_shutdownTimer.setInterval(kShutdownMs);
    connect(&m_shutdownTimer, &QTimer::timeout, this, &CTresvikDlg::endDialog);

    m_console.idLog().load(std::filesystem::path(programDirectory().toStdU16String()) /
                           std::filesystem::path(IdLog::kFileName));
}

CTresvikDlg::~CTresvikDlg() {
    // The link outlives the window; nothing it receives may reach the window any more.
    m_session.setReceiver({});
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
        if (m_linkRunning) {
            updateConnectEnabled();
        }
    });
    // What the user picks or types is the port to keep when the list changes under it.
    connect(m_portCombo, &QComboBox::activated, this,
            [this](int index) { m_chosenPort = m_portCombo->itemText(index); });
    connect(m_portCombo->lineEdit(), &QLineEdit::textEdited, this,
            [this] { m_chosenPort = portText(); });

    m_connectButton = makeButton(QStringLiteral("Connect"), dluRect(7, 22, 51, 14), this);
    m_connectButton->setObjectName(QStringLiteral("connectButton"));
    connect(m_connectButton, &QPushButton::clicked, this, &CTresvikDlg::onConnectClicked);

    m_logButton = makePushLikeCheckBox(QStringLiteral("Log"), dluRect(7, 38, 51, 14), this);
    m_logButton->setObjectName(QStringLiteral("logButton"));
    m_txButton = makePushLikeCheckBox(QStringLiteral("Tx"), dluRect(7, 54, 51, 14), this);
    m_txButton->setObjectName(QStringLiteral("txButton"));
    m_flagsButton = makePushLikeCheckBox(QStringLiteral("Flags"), dluRect(7, 70, 51, 14), this);
    m_flagsButton->setObjectName(QStringLiteral("flagsButton"));

    int y = 130;
    for (const SimulationButton& simulation : simulationButtons()) {
        QPushButton* button =
            makeButton(toQString(simulation.caption), dluRect(8, y, 50, 10), this);
        button->setObjectName(QStringLiteral("simulation%1").arg(simulation.controlId));
        connect(button, &QPushButton::clicked, this,
                [this, &simulation] { sendSimulation(m_console.frameWriter(), simulation); });
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

    QPushButton* printScreen =
        makeButton(QStringLiteral("PrintScreen"), dluRect(7, 445, 51, 14), this);
    printScreen->setObjectName(QStringLiteral("printScreenButton"));
    connect(printScreen, &QPushButton::clicked, this, &CTresvikDlg::onPrintScreen);

    m_list = new ParameterList(this);
    m_list->setObjectName(QStringLiteral("parameterList"));
    m_list->setGeometry(dluRect(65, 7, 424, 452));
    connect(m_list, &ParameterList::leftDoubleClicked, this, &CTresvikDlg::onListDoubleClicked);
    connect(m_list, &ParameterList::rightDoubleClicked, this,
            &CTresvikDlg::onListRightDoubleClicked);
    connect(m_list, &ParameterList::menuRequested, this, &CTresvikDlg::onListMenu);

    // The free strip between the simulation buttons and PrintScreen.
    m_health = std::make_unique<LinkHealthMonitor>(m_console, *m_list, *this,
                                                   dluRect(7, 300, 51, 40), &m_plots.history());
    m_benchTests = std::make_unique<BenchTests>(m_session, m_console, *m_health, *this);
}

void CTresvikDlg::connectSession() {
    m_session.setReceiver([this](const ReceivedBytes& bytes) { m_console.receive(bytes); });
    connect(&m_session, &LinkSession::opened, this, &CTresvikDlg::onPortOpened);
    connect(&m_session, &LinkSession::closed, this, &CTresvikDlg::onPortClosed);
    connect(&m_session, &LinkSession::openFailed, this, &CTresvikDlg::onOpenFailed);
    connect(&m_session, &LinkSession::failure, this, &CTresvikDlg::onFailureMessage);
    connect(&m_session, &LinkSession::finished, this, &CTresvikDlg::onWorkerExiting);
}

QString CTresvikDlg::portText() const {
    return m_portCombo->currentText().trimmed();
}

void CTresvikDlg::updateConnectEnabled() {
    // While connected the button is Disconnect and must stay usable, whatever the list holds. A
    // typed absolute path can be connected to even when no port is listed.
    m_connectButton->setEnabled(m_connected || m_portsListed || QDir::isAbsolutePath(portText()));
}

void CTresvikDlg::reject() {
    m_console.log().clearQueues();
    m_console.beginClosing();
    if (m_linkRunning) {
        m_session.shutdown();
    } else {
        onWorkerExiting();
    }
    m_dock.shutdown();
}

void CTresvikDlg::endDialog() {
    // The ID log file is open only while it is read or written, so nothing is left to close.
    m_plots.close();
    m_health->close();
    m_benchTests->close();
    QDialog::reject();
}

void CTresvikDlg::onConnectClicked() {
    if (!m_linkRunning) {
        return;
    }
    if (m_session.portOpen()) {
        m_session.disconnectPort();
        return;
    }
    const QString port = portText();
    m_chosenPort = port;
    m_health->setPort(port, devicePathFor(port, m_ports));
    m_session.connectPort(devicePathFor(port, m_ports));
}

void CTresvikDlg::onDeviceChange() {
    const QString selected = m_portCombo->currentText();
    const PortList list = m_portSource();
    if (list.notice != m_registryNotice) {
        m_registryNotice = list.notice;
        if (!list.notice.isEmpty()) {
            logError(list.notice);
        }
    }
    m_ports = list.ports;
    m_portsListed = enumeratePorts(m_portCombo, list) == 1;
    reselect(selected);
    if (m_linkRunning) {
        updateConnectEnabled();
    }
}

void CTresvikDlg::reselect(const QString& selectedBefore) {
    const auto find = [this](const QString& text) {
        return text.isEmpty()
                   ? -1
                   : m_portCombo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    };
    int index = find(m_chosenPort);
    if (index < 0) {
        index = find(selectedBefore);
    }
    if (index >= 0) {
        m_portCombo->setCurrentIndex(index);
    } else if (QDir::isAbsolutePath(m_chosenPort)) {
        // A typed path is never listed; it stays the port to open.
        m_portCombo->setEditText(m_chosenPort);
    }
}

void CTresvikDlg::onPortOpened() {
    if (!m_session.portOpen()) {
        return;
    }
    m_connected = true;
    m_console.linkOpened();
    m_portCombo->setEnabled(false);
    m_connectButton->setText(QStringLiteral("Disconnect"));
    updateConnectEnabled();
}

void CTresvikDlg::onPortClosed() {
    m_connected = false;
    m_console.linkClosed();
    m_portCombo->setEnabled(true);
    m_connectButton->setText(QStringLiteral("Connect"));
    updateConnectEnabled();
}

void CTresvikDlg::onOpenFailed(const QString& text, const QString& reason) {
    // The worker's text carries its own line end; the reason goes on the same line.
    QString line = text;
    while (line.endsWith(u'\n') || line.endsWith(u'\r')) {
        line.chop(1);
    }
    logError(line + u' ' + reason);
}

void CTresvikDlg::logError(const QString& text) {
    if (!m_console.closing()) {
        m_console.log().AppendText(text.toStdU16String(), LineClass::Error);
    }
}

void CTresvikDlg::onWorkerExiting() {
    m_shutdownTimer.start();
    m_linkRunning = false;
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

void CTresvikDlg::parameterChanged(const ParameterUpdate& update) {
    m_list->showValue(update.row, toQString(update.text));
}

void CTresvikDlg::readBackReceived(const ReadBack& readBack) {
    const TxCellUpdate cell = txCellFor(readBack);
    m_txDlg.applyCellUpdate(cell.row, cell.column, toQString(cell.text));
}

void CTresvikDlg::flagChanged(const FlagUpdate& flag) {
    m_flagsDlg.showFlag(flag);
}

void CTresvikDlg::onListDoubleClicked(int item, int column) {
    if (column % 2 == 1) {
        // Below the last item the cell's text is the empty text, and that is what is copied.
        copyToClipboard(m_list->cellText(item, column));
        return;
    }
    if (item < 0) {
        return;
    }
    const int row = rowAt(item, column);
    if (row >= 0) {
        sendRequest(m_console.frameWriter(), parameterRow(row).messageId);
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

void CTresvikDlg::onPrintScreen() {
    // One reading of the clock names both files.
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    const std::optional<CaptureNames> names = captureNames(
        programDirectory().toStdU16String(),
        CaptureTime{date.year(), date.month(), date.day(), time.hour(), time.minute(),
                    time.second()},
        m_console.receivePath().programNumber(), m_console.receivePath().deviceIdSuffix());
    if (!names) {
        return;
    }
    // Neither a picture that cannot be saved nor a dump that cannot be written is reported.
    capturePicture(*this, *m_list, m_flagsDlg).save(toQString(names->picture), "JPEG");
    if (!m_console.closing()) {
        writeTextDump(toQString(names->dump), m_logDlg.text());
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

void CTresvikDlg::showLicence() {
    QFile file(QStringLiteral(":/LICENSE"));
    file.open(QIODevice::ReadOnly | QIODevice::Text);
    // The file's lines are cut for a terminal; the box wraps its paragraphs itself.
    QStringList paragraphs =
        QString::fromUtf8(file.readAll()).trimmed().split(QStringLiteral("\n\n"));
    for (QString& paragraph : paragraphs) {
        paragraph.replace(u'\n', u' ');
    }
    QMessageBox licence(QMessageBox::NoIcon, QStringLiteral("Licence"),
                        paragraphs.join(QStringLiteral("\n\n")), QMessageBox::Ok, this);
    licence.setWindowModality(Qt::WindowModal);
    licence.exec();
}

#ifdef Q_OS_WIN
bool CTresvikDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == kAboutCommand) {
        showAbout();
        *result = 0;
        return true;
    }
    if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == kLicenceCommand) {
        showLicence();
        *result = 0;
        return true;
    }
    if (msg->message == WM_NCLBUTTONDBLCLK) {
        m_list->clearValues();
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif

void CTresvikDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
#ifndef Q_OS_WIN
    // Off Windows the window manager owns the system menu and the title bar: their About item
    // and the title-bar double-click that clears the values are offered here.
    menu.addAction(QStringLiteral("&About Tresvik..."), this, &CTresvikDlg::showAbout);
    menu.addAction(QStringLiteral("&Licence..."), this, &CTresvikDlg::showLicence);
    menu.addAction(QStringLiteral("&Clear values"), m_list, &ParameterList::clearValues);
    menu.addSeparator();
#endif
    menu.addAction(QStringLiteral("&Plot"), &m_plots, &TrendPlots::showWindow);
    menu.addAction(QStringLiteral("Link &health"), m_health.get(), &LinkHealthMonitor::showWindow);
    QAction* benchTest = menu.addAction(QStringLiteral("Run &bench test\u2026"), m_benchTests.get(),
                                        &BenchTests::chooseAndRun);
    benchTest->setEnabled(!m_benchTests->running());
    QAction* stale = menu.addAction(QStringLiteral("&Grey stale values"));
    stale->setCheckable(true);
    stale->setChecked(m_health->markingStale());
    connect(stale, &QAction::toggled, m_health.get(), &LinkHealthMonitor::setMarkingStale);
    menu.exec(event->globalPos());
}

void CTresvikDlg::onListMenu(int item, int column, const QPoint& globalPos) {
    const int row = rowAt(item, column);
    if (!TrendPlots::canPlot(row)) {
        return;
    }
    QMenu menu(this);
    menu.addAction(TrendPlots::plotActionText(row), this, [this, row] { m_plots.plot(row); });
    menu.exec(globalPos);
}

}  // namespace tresvik
