#pragma once

#include <QDialog>
#include <QTimer>

#include <atomic>
#include <memory>

#include "benchtest/bench_tests.h"
#include "commands/tx_dlg.h"
#include "decode/console_listener.h"
#include "flags/flags_dlg.h"
#include "health/link_health_monitor.h"
#include "link/port_enumerator.h"
#include "log/log_dlg.h"
#include "plot/trend_plots.h"
#include "session/console_session.h"
#include "ui/enter_escape_filter.h"
#include "ui/window_dock.h"

class QCheckBox;
class QComboBox;
class QPushButton;

namespace tresvik {

class LinkSession;
class ParameterList;

// The console's main window. It owns everything else for the whole run but the link, which it
// is given: the console session, the parameter list, the Log, Tx and Flags windows that show
// what the session tells. It ends only through its shutdown: the close box ends the link, and the
// window closes once the link has gone.
class CTresvikDlg : public QDialog, private ConsoleListener {
    Q_OBJECT
public:
    // `session` carries the link to the unit and must outlive the window; `ports` lists the
    // ports the port box offers.
    explicit CTresvikDlg(
        LinkSession& session, PortSource ports = [] { return listPorts(); },
        QWidget* parent = nullptr);
    ~CTresvikDlg() override;

    // The cancel operation: starts the ordered shutdown and leaves the window open.
    void reject() override;
    // The system's notice that devices came or went: lists the ports again.
    void onDeviceChange();

    CLogDlg& logDlg() { return m_logDlg; }
    CTxDlg& txDlg() { return m_txDlg; }
    CFlagsDlg& flagsDlg() { return m_flagsDlg; }
    QPushButton* logButton() const { return m_logButton; }
    QPushButton* txButton() const { return m_txButton; }
    QPushButton* flagsButton() const { return m_flagsButton; }
    ParameterList* parameterList() const { return m_list; }
    ConsoleSession& console() { return m_console; }
    FrameWriter& frameWriter() { return m_console.frameWriter(); }
    const ReceivePath& receivePath() const { return m_console.receivePath(); }
    bool closing() const { return m_console.closing(); }

    TrendPlots& plots() { return m_plots; }
    LinkHealthMonitor& linkHealth() { return *m_health; }
    BenchTests& benchTests() { return *m_benchTests; }

protected:
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void createControls();
    void connectSession();
    // The port box's text as the port to open: surrounding blanks are not part of a name.
    QString portText() const;
    void updateConnectEnabled();
    // After the port box was filled again: the port the user chose, else the one selected
    // before, or the path the user typed.
    void reselect(const QString& selectedBefore);

    // Connection lifecycle.
    void onConnectClicked();
    void onPortOpened();
    void onPortClosed();
    void onOpenFailed(const QString& text, const QString& reason);
    void onWorkerExiting();
    void onFailureMessage(const QString& text);
    void endDialog();
    void logError(const QString& text);

    // Parameter list.
    void onListDoubleClicked(int item, int column);
    void onListRightDoubleClicked(int item, int column);
    // The menu of a right click on the list's cell at (item, column).
    void onListMenu(int item, int column, const QPoint& globalPos);
    void copyToClipboard(const QString& text);
    void showMessage(const QString& text);

    // Saves the picture of the Flags and main windows and the Log window's text.
    void onPrintScreen();

    void onTxTelClicked();
    void onTxPepClicked();
    void showAbout();
    void showLicence();

    // ConsoleListener: the unit's values, read-backs and flags go to the windows that show them.
    void parameterChanged(const ParameterUpdate& update) override;
    void readBackReceived(const ReadBack& readBack) override;
    void flagChanged(const FlagUpdate& flag) override;

    EnterEscapeFilter m_keyFilter{*this};
    LinkSession& m_session;
    PortSource m_portSource;
    ConsoleSession m_console;
    CLogDlg m_logDlg{m_console.log()};
    // Whether the link runs; the main window no longer touches it once it has ended.
    bool m_linkRunning = false;
    CTxDlg m_txDlg{m_console.frameWriter()};
    CFlagsDlg m_flagsDlg;
    // How the numeric values moved since Connect, and the Plot window.
    TrendPlots m_plots{m_console, *this};
    // The link's counters and rates, the readout in the left column and the stale values.
    std::unique_ptr<LinkHealthMonitor> m_health;
    // Bench test runs over the link, and the Test window; made once the health monitor is.
    std::unique_ptr<BenchTests> m_benchTests;

    // The ports of the last enumeration, and whether it listed one.
    QList<PortEntry> m_ports;
    bool m_portsListed = false;
    // Between the port-opened and the port-closed notification.
    bool m_connected = false;
    // The port the user picked, typed or connected to; kept across enumerations.
    QString m_chosenPort;
    // The last word on the simulated units' folder, said once in the Log window.
    QString m_registryNotice;

    QComboBox* m_portCombo = nullptr;
    QPushButton* m_connectButton = nullptr;
    QPushButton* m_logButton = nullptr;
    QPushButton* m_txButton = nullptr;
    QPushButton* m_flagsButton = nullptr;
    QCheckBox* m_txTel = nullptr;
    QCheckBox* m_txPep = nullptr;
    ParameterList* m_list = nullptr;

    // The Log, Tx and Flags windows beside the main window; after them, which it reaches.
    WindowDock m_dock{*this};
    // 50 ms after the link has ended: the window ends.
    QTimer m_shutdownTimer;
};

}  // namespace tresvik
