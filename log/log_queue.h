#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "log/log_line.h"

namespace tresvik {

// The text control that shows the log. The window supplies it; tests and the command line
// supply their own. Calls arrive from whichever thread appended the line.
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
};

// The Log window's append logic: producers on any thread call AppendLine, AppendText or
// AppendBytes; no producer ever waits for another producer's append to finish. Lines appended
// before a control is attached wait in the pending queue.
class LogQueue {
public:
    using Clock = std::function<LocalTime()>;

    static constexpr std::size_t kMaxPending = 100;
    static constexpr std::size_t kMaxTextLength = 100000;

    explicit LogQueue(Clock clock = currentLocalTime);
    ~LogQueue();
    LogQueue(const LogQueue&) = delete;
    LogQueue& operator=(const LogQueue&) = delete;

    void AppendLine(std::u16string text, std::uint8_t lineClass);
    void AppendText(std::u16string text, std::uint8_t lineClass);
    void AppendBytes(std::span<const std::uint8_t> bytes, std::uint8_t lineClass);

    // The window's initialisation: attaches the control, sets the initialised flag and shows
    // at most the last 100 waiting lines.
    void initialise(LogTextControl& control);
    // Detaches the control (window destroyed); later lines wait in the pending queue again.
    // Waits for an insertion in progress, so the control is no longer used once it returns.
    void detach();
    // Empties both queues (shutdown).
    void clearQueues();
    bool initialised() const { return m_initialised.load(); }

    // Number of lines waiting (pending plus parked); for tests and diagnostics.
    std::size_t waitingCount();

private:
    // Runs with the busy flag and the log lock held: shows the pending lines and every line
    // parked meanwhile, then releases the flag and the lock.
    void showAndRelease(std::unique_lock<std::mutex>& log);
    // Inserts every pending line into the control, following the newest line with the view.
    void showPending(LogTextControl& control);

    Clock m_clock;
    std::atomic<bool> m_initialised{false};

    // Guards the pending queue, the last line index and the insertion sequence; held by the
    // holder of the busy flag for its whole append.
    std::mutex m_logLock;
    std::vector<LogEntry> m_pending;
    int m_lastLineIndex = 0;

    // Short lock around the parked queue, the busy flag and the attached control. Taken after
    // m_logLock when both are needed.
    std::mutex m_parkedLock;
    std::vector<LogEntry> m_parked;
    bool m_busy = false;
    LogTextControl* m_control = nullptr;
};

}  // namespace tresvik
