#include "log/log_queue.h"

#include <utility>

namespace tresvik {

LogQueue::LogQueue(Clock clock) : m_clock(std::move(clock)) {}

LogQueue::~LogQueue() = default;

void LogQueue::AppendLine(std::u16string text, LineClass lineClass) {
    m_owner.check();
    // A backlog this long means no window has come up to show it; start it afresh.
    if (m_control == nullptr && m_pending.size() > kMaxPending) {
        m_pending.clear();
    }
    m_pending.push_back(composeLine(m_clock(), text, lineClass));
    show();
}

void LogQueue::AppendText(std::u16string text, LineClass lineClass) {
    text.append(u"\r\n");
    AppendLine(std::move(text), lineClass);
}

void LogQueue::AppendBytes(std::span<const std::uint8_t> bytes, LineClass lineClass) {
    AppendLine(renderBytes(bytes), lineClass);
}

void LogQueue::show() {
    if (m_showing || m_control == nullptr || m_displayHolds > 0) {
        return;
    }
    m_showing = true;
    // Lines appended while a batch goes in wait for the next round of this loop.
    while (!m_pending.empty()) {
        showLines(*m_control, std::exchange(m_pending, {}));
    }
    m_showing = false;
}

void LogQueue::showLines(LogTextControl& control, const std::vector<LogEntry>& lines) {
    control.beginUpdate();
    for (const LogEntry& entry : lines) {
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
    // Scroll by the lines added, not to the end: a reader who scrolled away stays put.
    const int lineIndex = control.endLineIndex();
    control.scrollLines(lineIndex - m_lastLineIndex);
    m_lastLineIndex = lineIndex;
}

void LogQueue::holdDisplay() {
    m_owner.check();
    ++m_displayHolds;
}

void LogQueue::releaseDisplay() {
    m_owner.check();
    if (m_displayHolds == 0 || --m_displayHolds > 0) {
        return;
    }
    show();
}

void LogQueue::initialise(LogTextControl& control) {
    m_owner.check();
    m_control = &control;
    m_lastLineIndex = 0;
    if (m_pending.size() > kMaxPending) {
        m_pending.erase(m_pending.begin(),
                        m_pending.end() - static_cast<std::ptrdiff_t>(kMaxPending));
    }
    // The lines that waited go in as they are, without following them with the view.
    m_showing = true;
    for (const LogEntry& entry : std::exchange(m_pending, {})) {
        control.replaceTail(control.textLength(), entry.text, entry.colour);
    }
    m_showing = false;
    show();
}

void LogQueue::detach() {
    m_owner.check();
    m_control = nullptr;
    m_lastLineIndex = 0;
}

void LogQueue::clearQueues() {
    m_owner.check();
    m_pending.clear();
}

}  // namespace tresvik
