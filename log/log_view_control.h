#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "log/log_queue.h"

class QObject;
class QPlainTextEdit;

namespace tresvik {

// The Log window's text control as the log queue sees it. Each block of the QPlainTextEdit is
// one line of the log, and the separator between two blocks stands for the CR LF that ends a
// line, so it counts as two characters. The control belongs to the GUI thread: lines appended
// on other threads reach it through a flush event posted to that thread, never by waiting.
class LogViewControl : public LogTextControl {
public:
    explicit LogViewControl(QPlainTextEdit& edit);
    ~LogViewControl() override;

    std::size_t textLength() override;
    void replaceTail(std::size_t from, std::u16string_view text, Rgb colour) override;
    int endLineIndex() override;
    void scrollLines(int lines) override;
    void clearText() override;
    bool callerOwnsControl() override;
    // The whole text, each line ended by CR LF as the log counts it.
    std::u16string text() const;
    bool requestFlush(LogQueue& queue) override;

private:
    QPlainTextEdit& m_edit;
    // Receives the flush events on the control's thread; posted events die with it.
    std::unique_ptr<QObject> m_flushTarget;
};

}  // namespace tresvik
