#pragma once

#include <atomic>
#include <vector>

#include "decode/console_listener.h"
#include "decode/receive_path.h"
#include "link/frame_writer.h"
#include "link/line_rate.h"
#include "link/received_bytes.h"
#include "link/traffic_log.h"
#include "log/id_log.h"
#include "log/log_queue.h"

namespace tresvik {

class TransmitQueue;

// Everything a connection to the unit needs besides the port itself: the frame writer that
// numbers and queues what is sent, the receive path that decodes what arrives, the ID log and
// the Log's queue. What happens is told to any number of listeners (the windows, the command
// line's printers, and whatever else wants to follow the unit) in the unit's terms. The main
// window and the command line build it alike; it lives on one thread, the one that feeds it.
class ConsoleSession : private ConsoleListener, private TrafficLog {
public:
    struct Options {
        // Whether the traffic goes into the Log's queue for a window to show.
        bool trafficLog = true;
        // Whether debug-information frames are kept in the ID log.
        bool idLog = true;
        // The line's rate, for how long a frame takes on it.
        int baudRate = kUnitBaudRate;
    };

    // `queue` takes the bytes to send while `portOpen` is set; both belong to the link.
    ConsoleSession(TransmitQueue& queue, const std::atomic<bool>& portOpen, Options options);
    ConsoleSession(const ConsoleSession&) = delete;
    ConsoleSession& operator=(const ConsoleSession&) = delete;
    ~ConsoleSession() override;

    // A listener hears every event from now on, after those added before it, until removed.
    void addListener(ConsoleListener& listener);
    void removeListener(ConsoleListener& listener);

    // The link's port opened or closed: the listeners hear it with the time, after a frame the
    // close cut off. The clocks are read now, or the times given (a file's, a test's).
    void linkOpened();
    void linkOpened(ArrivalTime at, std::chrono::system_clock::time_point utc);
    void linkClosed();
    void linkClosed(ArrivalTime at);
    // Bytes the link handed on, in arrival order: the listeners hear of them, then of what they
    // complete. The Log shows the whole batch as one change.
    void receive(const ReceivedBytes& bytes);

    // Shutdown has begun: nothing more is logged, though frames are still decoded.
    void beginClosing() { m_closing = true; }
    bool closing() const { return m_closing.load(); }

    FrameWriter& frameWriter() { return m_frameWriter; }
    ReceivePath& receivePath() { return m_receivePath; }
    const ReceivePath& receivePath() const { return m_receivePath; }
    LogQueue& log() { return m_log; }
    IdLog& idLog() { return m_idLog; }

private:
    template <typename Event>
    void tellListeners(Event&& event);

    // ConsoleListener: the receive path's events, handed on.
    void frameReceived(const ReceivedFrame& frame) override;
    void checksumError(const ReceivedFrame& frame) override;
    void byteDiscarded(std::uint8_t byte, ArrivalTime arrival) override;
    void frameCutOff(const ReceivedFrame& frame) override;
    void parameterChanged(const ParameterUpdate& update) override;
    void programNumberChanged(const std::u16string& text) override;
    void deviceIdChanged(const std::u16string& suffix) override;
    void flagChanged(const FlagUpdate& flag) override;
    void readBackReceived(const ReadBack& readBack) override;
    void debugLineRecorded(const std::u16string& line) override;
    // TrafficLog: the frame writer's sends, to the Log and to the listeners.
    void sentFrame(ByteView frame) override;
    void sentWakeUp() override;

    const Options m_options;
    std::atomic<bool> m_closing{false};
    LogQueue m_log;
    IdLog m_idLog;
    FrameWriter m_frameWriter;
    ReceivePath m_receivePath;
    std::vector<ConsoleListener*> m_listeners;
    // How deep listeners are being told: removals wait until none are.
    int m_telling = 0;
};

}  // namespace tresvik
