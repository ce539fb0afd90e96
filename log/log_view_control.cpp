#include "log/log_view_control.h"

#include <QMetaObject>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <utility>

namespace tresvik {

LogViewControl::LogViewControl(QPlainTextEdit& edit) : m_edit(edit) {
    m_edit.document()->setUndoRedoEnabled(false);
}

namespace {

// The hand-over of a call to the control's thread. The waiting side is released when the call
// has been carried out, or when Qt drops it unrun because the control has gone, so an append
// from another thread can never hang. It is our own mutex handshake rather than a blocking
// connection, whose wait happens inside Qt where the thread sanitizer cannot see it.
class HandOver {
public:
    void wait() {
        std::unique_lock lock(m_mutex);
        m_doneChanged.wait(lock, [this] { return m_done; });
    }
    void finish() {
        const std::lock_guard lock(m_mutex);
        m_done = true;
        m_doneChanged.notify_one();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_doneChanged;
    bool m_done = false;
};

// Finishes the hand-over when the queued call is destroyed, run or not.
class FinishOnDestroy {
public:
    explicit FinishOnDestroy(HandOver& handOver) : m_handOver(&handOver) {}
    FinishOnDestroy(FinishOnDestroy&& other) noexcept
        : m_handOver(std::exchange(other.m_handOver, nullptr)) {}
    FinishOnDestroy(const FinishOnDestroy&) = delete;
    FinishOnDestroy& operator=(const FinishOnDestroy&) = delete;
    FinishOnDestroy& operator=(FinishOnDestroy&&) = delete;
    ~FinishOnDestroy() {
        if (m_handOver != nullptr) {
            m_handOver->finish();
        }
    }

private:
    HandOver* m_handOver;
};

}  // namespace

template <typename Function>
void LogViewControl::onControlThread(Function&& function) {
    if (QThread::currentThread() == m_edit.thread()) {
        function();
        return;
    }
    HandOver handOver;
    QMetaObject::invokeMethod(
        &m_edit, [&function, finish = FinishOnDestroy(handOver)] { function(); },
        Qt::QueuedConnection);
    handOver.wait();
}

std::size_t LogViewControl::textLength() {
    std::size_t result = 0;
    onControlThread([&] { result = length(); });
    return result;
}

void LogViewControl::replaceTail(std::size_t from, std::u16string_view text, Rgb colour) {
    onControlThread([&] { replace(from, text, colour); });
}

int LogViewControl::endLineIndex() {
    int result = 0;
    onControlThread([&] { result = m_edit.document()->blockCount() - 1; });
    return result;
}

void LogViewControl::scrollLines(int lines) {
    onControlThread([&] {
        // Without line wrapping the vertical scroll bar of a QPlainTextEdit counts lines.
        QScrollBar* bar = m_edit.verticalScrollBar();
        bar->setValue(bar->value() + lines);
    });
}

void LogViewControl::clearText() {
    onControlThread([&] {
        QTextCursor cursor(m_edit.document());
        cursor.select(QTextCursor::Document);
        cursor.removeSelectedText();
    });
}

std::size_t LogViewControl::length() const {
    const QTextDocument* document = m_edit.document();
    // characterCount() holds one separator per block, the last block's included; each separator
    // between two blocks is a CR LF of the log.
    return static_cast<std::size_t>(document->characterCount() - 1 + document->blockCount() - 1);
}

void LogViewControl::replace(std::size_t from, std::u16string_view text, Rgb colour) {
    QTextDocument* document = m_edit.document();
    // A block's first character stands at its document position plus one for every line end
    // before it. `from` lies near the end, so the search starts at the last block.
    QTextBlock block = document->lastBlock();
    while (block.previous().isValid() &&
           static_cast<std::size_t>(block.position() + block.blockNumber()) > from) {
        block = block.previous();
    }
    const std::size_t blockStart = static_cast<std::size_t>(block.position() + block.blockNumber());
    const int lineLength = block.length() - 1;
    // A position inside a line end (between its CR and its LF) takes the whole line end.
    const int offset = static_cast<int>(std::min<std::size_t>(
        from > blockStart ? from - blockStart : 0, static_cast<std::size_t>(lineLength)));

    QTextCharFormat format;
    format.setForeground(QColor(colour.r, colour.g, colour.b));
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    cursor.setPosition(block.position() + offset);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    // CR LF, and a CR or LF standing alone, each end a line.
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n') {
            continue;
        }
        cursor.insertText(
            QString::fromUtf16(text.data() + start, static_cast<qsizetype>(i - start)), format);
        cursor.insertBlock(QTextBlockFormat(), format);
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            ++i;
        }
        start = i + 1;
    }
    cursor.insertText(
        QString::fromUtf16(text.data() + start, static_cast<qsizetype>(text.size() - start)),
        format);
    cursor.endEditBlock();
}

}  // namespace tresvik
