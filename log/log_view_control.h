#pragma once

#include <cstddef>
#include <string_view>

#include "log/log_queue.h"

class QPlainTextEdit;

namespace tresvik {

// The Log window's text control as the log queue sees it. Each block of the QPlainTextEdit is
// one line of the log, and the separator between two blocks stands for the CR LF that ends a
// line, so it counts as two characters. Calls from other threads are carried out on the
// control's thread while the caller waits.
class LogViewControl : public LogTextControl {
public:
    explicit LogViewControl(QPlainTextEdit& edit);

    std::size_t textLength() override;
    void replaceTail(std::size_t from, std::u16string_view text, Rgb colour) override;
    int endLineIndex() override;
    void scrollLines(int lines) override;
    void clearText() override;

private:
    template <typename Function>
    void onControlThread(Function&& function);

    std::size_t length() const;
    void replace(std::size_t from, std::u16string_view text, Rgb colour);

    QPlainTextEdit& m_edit;
};

}  // namespace tresvik
