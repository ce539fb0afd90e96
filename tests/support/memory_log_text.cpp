#include "tests/support/memory_log_text.h"

#include <algorithm>

namespace tresvik {

std::size_t MemoryLogText::textLength() {
    std::lock_guard lock(m_mutex);
    return m_text.size();
}

void MemoryLogText::replaceTail(std::size_t from, std::u16string_view text, Rgb colour) {
    std::lock_guard lock(m_mutex);
    from = std::min(from, m_text.size());
    // A CR LF may straddle `from`; count from one character earlier so it is not missed.
    const std::size_t recountFrom = from == 0 ? 0 : from - 1;
    m_lineEnds -= countLineEnds(recountFrom);
    m_text.erase(from);
    m_text.append(text);
    m_lineEnds += countLineEnds(recountFrom);

    while (!m_runs.empty() && m_runs.back().start >= from) {
        m_runs.pop_back();
    }
    if (!m_runs.empty()) {
        ColourRun& last = m_runs.back();
        last.length = std::min(last.length, from - last.start);
    }
    if (text.empty()) {
        return;
    }
    if (!m_runs.empty() && m_runs.back().colour == colour) {
        m_runs.back().length += text.size();
    } else {
        m_runs.push_back({from, text.size(), colour});
    }
}

int MemoryLogText::endLineIndex() {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_lineEnds);
}

void MemoryLogText::scrollLines(int lines) {
    std::lock_guard lock(m_mutex);
    m_scroll += lines;
}

void MemoryLogText::clearText() {
    std::lock_guard lock(m_mutex);
    m_text.clear();
    m_runs.clear();
    m_lineEnds = 0;
}

std::u16string MemoryLogText::text() const {
    std::lock_guard lock(m_mutex);
    return m_text;
}

std::vector<MemoryLogText::ColourRun> MemoryLogText::colourRuns() const {
    std::lock_guard lock(m_mutex);
    return m_runs;
}

int MemoryLogText::scrollPosition() const {
    std::lock_guard lock(m_mutex);
    return m_scroll;
}

std::size_t MemoryLogText::countLineEnds(std::size_t from) const {
    std::size_t count = 0;
    for (std::size_t i = from; i + 1 < m_text.size(); ++i) {
        if (m_text[i] == u'\r' && m_text[i + 1] == u'\n') {
            ++count;
        }
    }
    return count;
}

}  // namespace tresvik
