#pragma once

#include <QString>
#include <QStringList>

#include <atomic>

#include "link/link_session.h"
#include "link/transmit_queue.h"

// A link without a port, for windows under test: the test opens and closes it, feeds it the
// unit's bytes and reads what the console queued for sending. Connect, disconnect and drain
// requests are recorded; they open or close the link, or report the drain, only when the test
// says so.
class FakeLinkSession : public tresvik::LinkSession {
public:
    explicit FakeLinkSession(bool running = true) { setRunning(running); }

    void connectPort(const QString& devicePath) override { connectRequests.append(devicePath); }
    void disconnectPort() override { ++disconnectRequests; }
    void shutdown() override {
        if (m_open) {
            close();
        }
        finish();
    }
    const std::atomic<bool>& portOpenFlag() const override { return m_open; }
    tresvik::TransmitQueue& transmitQueue() override { return m_queue; }
    void requestDrainReport() override { drainRequested = true; }

    // The port is open without any notification, as if opened long ago.
    void setOpen(bool open) { m_open = open; }
    void open() {
        m_open = true;
        emit opened();
    }
    void close() {
        m_open = false;
        emit closed();
    }
    // The unit's bytes, as the worker would have taken them one by one.
    void receive(tresvik::ByteView bytes) {
        for (const std::uint8_t b : bytes) {
            byteArrived(b);
        }
    }

    // Answers the drain requests made so far, as the link does once its bytes have left.
    void reportDrained(tresvik::ArrivalTime at) {
        drainRequested = false;
        emit drained(at);
    }

    QStringList connectRequests;
    int disconnectRequests = 0;
    bool drainRequested = false;

private:
    std::atomic<bool> m_open{false};
    tresvik::TransmitQueue m_queue;
};
