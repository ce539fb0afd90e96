#include "log/log_queue.h"

#include <iterator>
#include <utility>

namespace tresvik {

LogQueue::LogQueue(Clock clock) : m_clock(std::move(clock)) {}

LogQueue::~LogQueue() = default;

void LogQueue::AppendLine(std::u16string text, LineClass lineClass) {
    LogEntry entry = composeLine(m_clock(), text, lineClass);
    bool windowExists = false;
    {
        std::lock_guard parked(m_parkedLock);
        if (m_busy) {
            // Another append (another thread, or this one re-entered from the control) is
            // running; the line waits for it or for the next append.
            m_parked.push_back(std::move(entry));
            return;
        }
        m_busy = true;
        windowExists = m_control != nullptr;
    }
    std::unique_lock log(m_logLock);
    // A backlog this long means no window has come up to show it; start it afresh. Lines
    // parked meanwhile come after the cut, so they survive it.
    if (!windowExists && m_pending.size() > kMaxPending) {
        m_pending.clear();
    }
    {
        std::lock_guard parked(m_parkedLock);
        takeParked();
    }
    m_pending.push_back(std::move(entry));
    showAndRelease(log);
}

void LogQueue::AppendText(std::u16string text, LineClass lineClass) {
    text.append(u"\r\n");
    AppendLine(std::move(text), lineClass);
}

void LogQueue::AppendBytes(std::span<const std::uint8_t> bytes, LineClass lineClass) {
    AppendLine(renderBytes(bytes), lineClass);
}

void LogQueue::takeParked() {
    std::move(m_parked.begin(), m_parked.end(), std::back_inserter(m_pending));
    m_parked.clear();
}

bool LogQueue::leaveToFlush(LogTextControl& control) {
    if (!m_flushRequested) {
        m_flushRequested = control.requestFlush(*this);
    }
    return m_flushRequested;
}

void LogQueue::showAndRelease(std::unique_lock<std::mutex>& log) {
    for (bool firstRound = true;; firstRound = false) {
        LogTextControl* control = nullptr;
        {
            // Parking and this last look happen under the same lock, so once the flag is
            // cleared here no line can have been parked behind it unseen.
            std::lock_guard parked(m_parkedLock);
            control = m_control;
            if (control == nullptr) {
                // Before the window exists, lines parked meanwhile stay parked: the next
                // append takes them after its backlog cut, and the initialisation shows them.
                m_busy = false;
                log.unlock();
                return;
            }
            takeParked();
            if (m_displayHolds > 0 && control->callerOwnsControl()) {
                // The release shows them.
                m_busy = false;
                log.unlock();
                return;
            }
            // The control's own thread shows the lines of other threads. It also stops after one
            // round when other threads keep parking lines, so that they cannot hold it here.
            if (m_pending.empty() ||
                ((!firstRound || !control->callerOwnsControl()) && leaveToFlush(*control))) {
                m_busy = false;
                log.unlock();
                return;
            }
        }
        showPending(*control);
    }
}

void LogQueue::showPending(LogTextControl& control) {
    control.beginUpdate();
    for (const LogEntry& entry : m_pending) {
        const std::size_t length = control.textLength();
        std::size_t from = length;
        if (entry.colour == kContinuationColour) {
            // The continuation takes the place of the previous line's CR LF.
            from = length < 2 ? 0 : length - 2;
        }
        control.replaceTail(from, entry.text, entry.colour);
        if (control.textLength() > kMaxTextLength) {
            control.clearText();
        }
    }
    control.endUpdate();
    m_pending.clear();
    // Scroll by the lines added, not to the end: a reader who scrolled away stays put.
    const int lineIndex = control.endLineIndex();
    control.scrollLines(lineIndex - m_lastLineIndex);
    m_lastLineIndex = lineIndex;
}

void LogQueue::holdDisplay() {
    std::lock_guard parked(m_parkedLock);
    ++m_displayHolds;
}

void LogQueue::releaseDisplay() {
    {
        std::lock_guard parked(m_parkedLock);
        if (m_displayHolds == 0 || --m_displayHolds > 0) {
            return;
        }
    }
    flush();
}

void LogQueue::flush() {
    {
        std::lock_guard parked(m_parkedLock);
        m_flushRequested = false;
        if (m_busy || m_control == nullptr) {
            // An append in progress shows the lines itself, or asks again when it is done.
            return;
        }
        m_busy = true;
    }
    std::unique_lock log(m_logLock);
    showAndRelease(log);
}

void LogQueue::initialise(LogTextControl& control) {
    {
        std::lock_guard parked(m_parkedLock);
        m_control = &control;
        m_initialised = true;
        if (m_busy) {
            // The append in progress sees the control before it releases the flag and shows
            // the waiting lines, or has them shown on this thread.
            return;
        }
        m_busy = true;
    }
    std::unique_lock log(m_logLock);
    m_lastLineIndex = 0;
    if (m_pending.size() > kMaxPending) {
        m_pending.erase(m_pending.begin(),
                        m_pending.end() - static_cast<std::ptrdiff_t>(kMaxPending));
    }
    for (const LogEntry& entry : m_pending) {
        control.replaceTail(control.textLength(), entry.text, entry.colour);
    }
    m_pending.clear();
    showAndRelease(log);
}

void LogQueue::detach() {
    std::lock_guard log(m_logLock);
    std::lock_guard parked(m_parkedLock);
    m_control = nullptr;
    m_initialised = false;
    m_lastLineIndex = 0;
}

void LogQueue::clearQueues() {
    std::lock_guard log(m_logLock);
    std::lock_guard parked(m_parkedLock);
    m_pending.clear();
    m_parked.clear();
}

std::size_t LogQueue::waitingCount() {
    std::lock_guard log(m_logLock);
    std::lock_guard parked(m_parkedLock);
    return m_pending.size() + m_parked.size();
}

}  // namespace tresvik
