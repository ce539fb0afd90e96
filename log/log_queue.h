#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "link/owner_thread.h"
#include "link/traffic_log.h"
#include "log/log_line.h"

namespace tresvik {

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
};

// The Log window's append logic. Every producer (the receive path, the frame writer, the main
// window's error lines) runs on the GUI thread, as does the window, so the queue belongs to the
// thread that made it and takes no lock. Lines appended before a control is attached wait in the
// pending queue; with a control they are shown at once, or at the release of a display hold. A
// line appended while the control is busy showing others (the control re-entered it) waits for
// that showing to finish and is shown by it.
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

    // The window's initialisation: attaches the control, sets the initialised flag and shows at
    // most the last 100 waiting lines.
    void initialise(LogTextControl& control);
    // Detaches the control (window destroyed); later lines wait in the pending queue again.
    void detach();
    // Empties the pending queue (shutdown).
    void clearQueues();
    bool initialised() const { return m_control != nullptr; }

    // While held, appended lines wait, and the release shows them all at once, one change of the
    // control for many lines. The receive path holds the display while it takes in a batch of
    // received bytes, so that the Log window lays out and scrolls once per batch, not once per
    // frame. Holds nest.
    void holdDisplay();
    void releaseDisplay();

    // Number of lines waiting; for tests and diagnostics.
    std::size_t waitingCount() const { return m_pending.size(); }

private:
    // Shows the waiting lines unless the display is held, no control is attached, or a showing
    // is already under way.
    void show();
    // Inserts a batch of lines into the control, following the newest line with the view.
    void showLines(LogTextControl& control, const std::vector<LogEntry>& lines);

    OwnerThread m_owner{"the Log queue"};
    Clock m_clock;
    std::vector<LogEntry> m_pending;
    int m_lastLineIndex = 0;
    bool m_showing = false;
    int m_displayHolds = 0;
    LogTextControl* m_control = nullptr;
};

}  // namespace tresvik
