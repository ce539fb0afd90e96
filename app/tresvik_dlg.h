#pragma once

#include <QDialog>
#include <QTimer>

#include <atomic>
#include <memory>

#include "app/enter_escape_filter.h"
#include "decode/receive_path.h"
#include "link/frame.h"
#include "link/frame_writer.h"
#include "log/id_log.h"
#include "log/log_dlg.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class SerialThread;

namespace tresvik {

class ParameterList;
class TransmitQueue;

// The console's main window. It owns everything else for the whole run: the serial worker, the
// receive path with the parameter list it fills, the frame writer and the Log window. It ends
// only through its shutdown: the close box stops the worker, and the window closes once the
// worker has gone.
class CTresvikDlg : public QDialog, private ReceiveObserver {
    Q_OBJECT
public:
    // The program's main window, with its serial worker.
    explicit CTresvikDlg(QWidget* parent = nullptr);
    // A main window without serial worker, as when the worker cannot be created. The frames it
    // builds go to `queue` while `portOpen` is set; tests read them there.
    CTresvikDlg(TransmitQueue& queue, const std::atomic<bool>& portOpen, QWidget* parent = nullptr);
    ~CTresvikDlg() override;

    // The cancel operation: starts the ordered shutdown and leaves the window open.
    void reject() override;

    CLogDlg& logDlg() { return m_logDlg; }
    QPushButton* logButton() const { return m_logButton; }
    ParameterList* parameterList() const { return m_list; }
    FrameWriter& frameWriter() { return m_frameWriter; }
    const ReceivePath& receivePath() const { return m_receivePath; }
    // Null without a worker and once the worker has exited.
    SerialThread* worker() const { return m_worker; }
    bool closing() const { return m_closing.load(); }

protected:
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#else
    void contextMenuEvent(QContextMenuEvent* event) override;
#endif

private:
    CTresvikDlg(std::unique_ptr<SerialThread> worker, TransmitQueue* queue,
                const std::atomic<bool>* portOpen, QWidget* parent);

    void createControls();
    void connectWorker();
    void updateConnectEnabled();

    // Connection lifecycle.
    void onConnectClicked();
    void onDeviceChange();
    void onPortOpened();
    void onByteReceived();
    void onPortClosed();
    void onOpenFailed(const QString& text, const QString& reason);
    void onWorkerExiting();
    void onFailureMessage(const QString& text);
    void drainReceiveQueue();
    void dockingStartTick();
    void endDialog();

    // Parameter list.
    void onListDoubleClicked(int item, int column);
    void onListRightDoubleClicked(int item, int column);
    void copyToClipboard(const QString& text);
    void showMessage(const QString& text);

    void onTxTelClicked();
    void onTxPepClicked();
    void showAbout();

    // ReceiveObserver
    void valueCellChanged(const ValueCellUpdate& update) override;

    EnterEscapeFilter m_keyFilter{*this};
    std::atomic<bool> m_closing{false};
    CLogDlg m_logDlg;
    std::unique_ptr<SerialThread> m_workerThread;
    // The worker while it runs; null once it has exited.
    SerialThread* m_worker = nullptr;
    FrameWriter m_frameWriter;
    IdLog m_idLog;
    ReceivePath m_receivePath;
    Bytes m_receiveQueue;
    // Whether the last enumeration listed a port.
    bool m_portsListed = false;

    QComboBox* m_portCombo = nullptr;
    QPushButton* m_connectButton = nullptr;
    QPushButton* m_logButton = nullptr;
    QCheckBox* m_txTel = nullptr;
    QCheckBox* m_txPep = nullptr;
    ParameterList* m_list = nullptr;

    // Every 50 ms: the bytes received since the last tick go to the frame assembler.
    QTimer m_receiveDrainTimer;
    // Every 5 ms until the main window is on the screen; then the child windows start.
    QTimer m_dockingStartTimer;
    // 50 ms after the worker has exited: the window ends.
    QTimer m_shutdownTimer;
};

}  // namespace tresvik
