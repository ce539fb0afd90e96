#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "link/traffic_log.h"
#include "log/log_line.h"

namespace tresvik {

class LogQueue;

// The text control that shows the log. The window supplies it; tests and the command line
// supply their own.
class LogTextControl {
public:
    virtual ~LogTextControl() = default;
    // Number of characters in the text; a line end counts as two (CR LF).
    virtual std::size_t textLength() = 0;
    // Replaces the text from `from` to the end with `text` (CR LF line ends) in `colour`,
    // without undo. `from == textLength()` is a plain append.
    virtual void replaceTail(std::size_t from, std::u16string_view text, Rgb colour) = 0;
    // Line index of the end of the text.
    virtual int endLineIndex() = 0;
    // Scrolls the view down by `lines` lines (negative: up).
    virtual void scrollLines(int lines) = 0;
    // Empties the text.
    virtual void clearText() = 0;
    // Bracket a run of replaceTail and clearText calls that the control may lay out and show as
    // one change. endLineIndex() is only asked for outside such a run.
    virtual void beginUpdate() {}
    virtual void endUpdate() {}

    // Whether the calling thread may work on the control. A window's control belongs to the
    // thread that runs the window; one held in memory belongs to every thread.
    virtual bool callerOwnsControl() { return true; }
    // Asks the owning thread to call queue.flush() soon; false when the control has no thread
    // of its own to do it later. Called with the queue's short lock held: it must hand the
    // request over and return, never wait.
    virtual bool requestFlush(LogQueue& /*queue*/) { return false; }
};

// The Log window's append logic: producers on any thread call AppendLine, AppendText or
// AppendBytes, and none of them ever waits for another producer or for the window's thread.
// Lines appended before a control is attached wait in the pending queue. A producer on the
// control's own thread shows its line at once; one on another thread leaves it pending and
// asks the control's thread to show it, so the control is only ever touched by its own thread.
class LogQueue : public TrafficLog {
public:
    using Clock = std::function<LocalTime()>;

    static constexpr std::size_t kMaxPending = 100;
    static constexpr std::size_t kMaxTextLength = 100000;

    explicit LogQueue(Clock clock = currentLocalTime);
    ~LogQueue() override;
    LogQueue(const LogQueue&) = delete;
    LogQueue& operator=(const LogQueue&) = delete;

    void AppendLine(std::u16string text, LineClass lineClass);
    void AppendText(std::u16string text, LineClass lineClass);
    void AppendBytes(std::span<const std::uint8_t> bytes, LineClass lineClass);

    // The frame writer's lines: the frame, and "WakeUp", as sent lines.
    void sentFrame(ByteView frame) override { AppendBytes(frame, LineClass::UartTx); }
    void sentWakeUp() override { AppendLine(u"WakeUp\r\n", LineClass::UartTx); }

    // The window's initialisation, on the control's thread: attaches the control, sets the
    // initialised flag and shows at most the last 100 waiting lines.
    void initialise(LogTextControl& control);
    // On the control's thread: shows every line that other threads have left waiting.
    void flush();
    // Detaches the control (window destroyed); later lines wait in the pending queue again.
    // Once it returns no producer uses the control or asks for a flush.
    void detach();
    // Empties both queues (shutdown).
    void clearQueues();
    bool initialised() const { return m_initialised.load(); }

    // On the control's thread: while held, lines appended on that thread wait, and the release
    // shows them all at once, one change of the control for many lines. The receive path holds
    // the display while it takes in a batch of received bytes, so that the Log window lays out
    // and scrolls once per batch, not once per frame. Holds nest.
    void holdDisplay();
    void releaseDisplay();

    // Number of lines waiting (pending plus parked); for tests and diagnostics.
    std::size_t waitingCount();

private:
    // Runs with the busy flag and the log lock held: shows the pending lines and every line
    // parked meanwhile, or leaves them to the control's thread, then releases flag and lock.
    void showAndRelease(std::unique_lock<std::mutex>& log);
    // Inserts every pending line into the control, following the newest line with the view.
    void showPending(LogTextControl& control);
    // Takes the lines parked meanwhile into the pending queue; m_parkedLock is held.
    void takeParked();
    // Leaves the waiting lines to a flush on the control's thread; false when the control
    // cannot do that. m_parkedLock is held.
    bool leaveToFlush(LogTextControl& control);

    Clock m_clock;
    std::atomic<bool> m_initialised{false};

    // Guards the pending queue, the last line index and the insertion sequence; held by the
    // holder of the busy flag for its whole append.
    std::mutex m_logLock;
    std::vector<LogEntry> m_pending;
    int m_lastLineIndex = 0;

    // Short lock around the parked queue, the busy flag, the attached control and the flush
    // request. Taken after m_logLock when both are needed; never held while the control works.
    std::mutex m_parkedLock;
    std::vector<LogEntry> m_parked;
    bool m_busy = false;
    bool m_flushRequested = false;
    int m_displayHolds = 0;
    LogTextControl* m_control = nullptr;
};

}  // namespace tresvik
