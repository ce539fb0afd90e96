#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "log/log_queue.h"

class QPlainTextEdit;
class QTextCursor;

namespace tresvik {

// The Log window's text control as the log queue sees it. Each block of the QPlainTextEdit is
// one line of the log, and the separator between two blocks stands for the CR LF that ends a
// line, so it counts as two characters.
class LogViewControl : public LogTextControl {
public:
    static constexpr int kMinRepaintMs = 100;

    explicit LogViewControl(QPlainTextEdit& edit);
    ~LogViewControl() override;

    std::size_t textLength() override;
    void replaceTail(std::size_t from, std::u16string_view text, Rgb colour) override;
    int endLineIndex() override;
    void scrollLines(int lines) override;
    void clearText() override;
    void beginUpdate() override;
    void endUpdate() override;
    // The whole text, each line ended by CR LF as the log counts it.
    std::u16string text() const;

private:
    QPlainTextEdit& m_edit;
    // Holds the document's edit block open across an update run, so that it is laid out once.
    std::unique_ptr<QTextCursor> m_update;
    // The window is repainted for new text at most every kMinRepaintMs: a busy line brings a
    // batch of lines every 50 ms, and painting the text and its scroll bars each time costs more
    // than the reader gains. The text itself is always complete at once.
    QElapsedTimer m_sinceShown;
    QTimer m_showLater;
};

}  // namespace tresvik
