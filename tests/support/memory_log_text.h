#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "log/log_queue.h"

namespace tresvik {

// A log text held in memory: the text, the colour of every character as runs, and how far the
// view has been scrolled. Stands in for the Log window's text control in the tests, the
// benchmarks and the fuzz target. Each call is safe from any thread.
class MemoryLogText : public LogTextControl {
public:
    // `length` characters from `start`, all in `colour`.
    struct ColourRun {
        std::size_t start = 0;
        std::size_t length = 0;
        Rgb colour;
        friend bool operator==(const ColourRun&, const ColourRun&) = default;
    };

    std::size_t textLength() override;
    void replaceTail(std::size_t from, std::u16string_view text, Rgb colour) override;
    int endLineIndex() override;
    void scrollLines(int lines) override;
    void clearText() override;

    std::u16string text() const;
    // Adjacent characters of one colour form one run.
    std::vector<ColourRun> colourRuns() const;
    // Sum of all scrolls so far.
    int scrollPosition() const;

private:
    // Line ends ("\r\n") that begin at or after `from`.
    std::size_t countLineEnds(std::size_t from) const;

    mutable std::mutex m_mutex;
    std::u16string m_text;
    std::vector<ColourRun> m_runs;
    std::size_t m_lineEnds = 0;
    int m_scroll = 0;
};

}  // namespace tresvik
