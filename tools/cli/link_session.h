#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <string>

#include "decode/receive_path.h"
#include "link/serial_thread.h"
#include "tools/cli/utf8.h"

namespace tresvik::cli {

// The console's link without a window: the serial worker, a receive queue drained every 50 ms
// into the receive path, and the link's events as signals. Lives on the thread that runs the
// event loop; the worker's notifications reach it with Qt::BlockingQueuedConnection.
class LinkSession : public QObject {
    Q_OBJECT
public:
    static constexpr int kDrainMs = 50;

    explicit LinkSession(ReceiveObserver* observer, QObject* parent = nullptr);
    ~LinkSession() override;

    // Opens the port at 9600 baud, 8N1.
    void start(const QString& devicePath);
    // Closes the port if it is open and ends the worker; `finished` follows.
    void finish();

    SerialThread& worker() { return m_worker; }
    const ReceivePath& receivePath() const { return m_path; }

signals:
    void opened();
    void closed();
    void openFailed(const QString& text, const QString& reason);
    void failure(const QString& text);
    // Bytes went through the receive path.
    void received();
    // The worker has ended.
    void finished();

private:
    void drain();

    SerialThread m_worker;
    const std::atomic<bool> m_closing{false};
    ReceivePath m_path;
    Bytes m_receiveQueue;
    QTimer m_drainTimer;
    bool m_finishing = false;
};

// The worker's texts as the command line prints them.
inline std::string utf8(const QString& text) {
    return toUtf8(text.toStdU16String());
}

}  // namespace tresvik::cli
