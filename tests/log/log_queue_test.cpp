#include "log/log_queue.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/memory_log_text.h"

namespace tresvik {
namespace {

constexpr std::u16string_view kStamp = u"09:05:03.007 - ";
// A line without prefix, in black.
constexpr LineClass kPlain{};

LocalTime fixedClock() {
    return {9, 5, 3, 7};
}

std::u16string numbered(char16_t tag, int n) {
    std::u16string text(1, tag);
    for (const char c : std::to_string(n)) {
        text.push_back(static_cast<char16_t>(c));
    }
    return text;
}

// The lines of a text, each without its CR LF and without the time stamp.
std::vector<std::u16string> bodies(std::u16string_view text) {
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find(u"\r\n"); end != std::u16string_view::npos;
         end = text.find(u"\r\n", start)) {
        std::u16string_view line = text.substr(start, end - start);
        if (line.starts_with(kStamp)) {
            line.remove_prefix(kStamp.size());
        }
        lines.emplace_back(line);
        start = end + 2;
    }
    return lines;
}

std::vector<std::u16string> numberedRange(char16_t tag, int first, int last) {
    std::vector<std::u16string> lines;
    for (int n = first; n <= last; ++n) {
        lines.push_back(numbered(tag, n));
    }
    return lines;
}

// Runs a hook while one insertion is under way, the way a second producer (or a re-entered one)
// appends while the control is busy.
class HookedText : public MemoryLogText {
public:
    std::function<void()> duringInsertion;

    void replaceTail(std::size_t from, std::u16string_view text, Rgb colour) override {
        if (duringInsertion) {
            auto hook = std::move(duringInsertion);
            duringInsertion = nullptr;
            hook();
        }
        MemoryLogText::replaceTail(from, text, colour);
    }
};

TEST(LogQueue, LinesBeforeInitialisationWaitAndAreShownAtInitialisation) {
    LogQueue queue(fixedClock);
    MemoryLogText text;
    queue.AppendText(u"one", LineClass::UartRx);
    queue.AppendLine(u"WakeUp\r\n", LineClass::UartTx);
    EXPECT_EQ(queue.waitingCount(), 2u);
    EXPECT_FALSE(queue.initialised());

    queue.initialise(text);
    EXPECT_TRUE(queue.initialised());
    EXPECT_EQ(queue.waitingCount(), 0u);
    EXPECT_EQ(text.text(), u"09:05:03.007 - UART Rx - one\r\n09:05:03.007 - UART Tx - WakeUp\r\n");
    const std::vector<MemoryLogText::ColourRun> runs{{0, 30, {100, 155, 50}},
                                                     {30, 33, {20, 105, 0}}};
    EXPECT_EQ(text.colourRuns(), runs);
}

TEST(LogQueue, HundredFiftyLinesBeforeInitialisationShowOnlyTheLastFortyNine) {
    LogQueue queue(fixedClock);
    for (int n = 1; n <= 150; ++n) {
        queue.AppendText(numbered(u'L', n), kPlain);
    }
    EXPECT_EQ(queue.waitingCount(), 49u);
    MemoryLogText text;
    queue.initialise(text);
    EXPECT_EQ(bodies(text.text()), numberedRange(u'L', 102, 150));
}

TEST(LogQueue, InitialisationShowsAtMostTheLastHundredWaitingLines) {
    LogQueue queue(fixedClock);
    for (int n = 1; n <= 101; ++n) {
        queue.AppendText(numbered(u'L', n), kPlain);
    }
    EXPECT_EQ(queue.waitingCount(), 101u);
    MemoryLogText text;
    queue.initialise(text);
    EXPECT_EQ(bodies(text.text()), numberedRange(u'L', 2, 101));
}

TEST(LogQueue, InitialFlushAppendsContinuationLikeAnyLineAndDoesNotScroll) {
    LogQueue queue(fixedClock);
    queue.AppendText(u"first", kPlain);
    queue.AppendText(u"more", LineClass::Continuation);
    MemoryLogText text;
    queue.initialise(text);
    EXPECT_EQ(text.text(), u"09:05:03.007 - first\r\n09:05:03.007 - more\r\n");
    EXPECT_EQ(text.scrollPosition(), 0);

    // The first line after the flush brings the view down over everything added since.
    queue.AppendText(u"next", kPlain);
    EXPECT_EQ(text.scrollPosition(), 3);
}

TEST(LogQueue, ContinuationReplacesThePreviousLineEnd) {
    LogQueue queue(fixedClock);
    MemoryLogText text;
    queue.initialise(text);
    queue.AppendText(u"A", LineClass::UartRx);
    queue.AppendText(u"B", LineClass::Continuation);
    EXPECT_EQ(text.text(), u"09:05:03.007 - UART Rx - A09:05:03.007 - B\r\n");
    EXPECT_EQ(text.endLineIndex(), 1);
    EXPECT_EQ(text.scrollPosition(), 1);
    const std::vector<MemoryLogText::ColourRun> runs{{0, 26, {100, 155, 50}},
                                                     {26, 18, kContinuationColour}};
    EXPECT_EQ(text.colourRuns(), runs);
}

TEST(LogQueue, ContinuationIntoEmptyTextStandsAlone) {
    LogQueue queue(fixedClock);
    MemoryLogText text;
    queue.initialise(text);
    queue.AppendText(u"B", LineClass::Continuation);
    EXPECT_EQ(text.text(), u"09:05:03.007 - B\r\n");
}

TEST(LogQueue, ViewFollowsByTheNumberOfLinesAdded) {
    LogQueue queue(fixedClock);
    MemoryLogText text;
    queue.initialise(text);
    queue.AppendText(u"one", kPlain);
    queue.AppendLine(u"two\r\nthree\r\n", kPlain);
    EXPECT_EQ(text.scrollPosition(), 3);
}

TEST(LogQueue, TextPastTheCapIsClearedAndTheNextLineStartsAtTheTop) {
    LogQueue queue(fixedClock);
    MemoryLogText text;
    queue.initialise(text);
    const std::u16string body(1000, u'x');
    std::size_t expected = 0;
    while (expected + kStamp.size() + body.size() + 2 <= LogQueue::kMaxTextLength) {
        queue.AppendText(body, kPlain);
        expected += kStamp.size() + body.size() + 2;
    }
    EXPECT_EQ(text.textLength(), expected);
    queue.AppendText(body, kPlain);
    EXPECT_EQ(text.textLength(), 0u);

    queue.AppendText(u"fresh", kPlain);
    EXPECT_EQ(text.text(), u"09:05:03.007 - fresh\r\n");
}

TEST(LogQueue, LineAfterClearingTheTextIsShownAtTheTop) {
    LogQueue queue(fixedClock);
    MemoryLogText text;
    queue.initialise(text);
    queue.AppendText(u"old", kPlain);
    text.clearText();
    queue.AppendText(u"new", kPlain);
    EXPECT_EQ(text.text(), u"09:05:03.007 - new\r\n");
}

TEST(LogQueue, LineParkedDuringAnInsertionIsShownWithoutAFurtherAppend) {
    LogQueue queue(fixedClock);
    HookedText text;
    queue.initialise(text);
    bool returned = false;
    text.duringInsertion = [&] {
        queue.AppendText(u"second", kPlain);
        returned = true;
    };
    queue.AppendText(u"first", kPlain);
    EXPECT_TRUE(returned);
    EXPECT_EQ(bodies(text.text()), (std::vector<std::u16string>{u"first", u"second"}));
    EXPECT_EQ(queue.waitingCount(), 0u);
}

TEST(LogQueue, LineParkedDuringTheInitialFlushIsShownAfterTheWaitingLines) {
    LogQueue queue(fixedClock);
    queue.AppendText(u"early", kPlain);
    HookedText text;
    text.duringInsertion = [&] { queue.AppendText(u"late", kPlain); };
    queue.initialise(text);
    EXPECT_EQ(bodies(text.text()), (std::vector<std::u16string>{u"early", u"late"}));
    EXPECT_EQ(queue.waitingCount(), 0u);
}

TEST(LogQueue, ClearingTheQueuesDropsEveryWaitingLine) {
    LogQueue queue(fixedClock);
    for (int n = 0; n < 5; ++n) {
        queue.AppendText(u"line", kPlain);
    }
    queue.clearQueues();
    EXPECT_EQ(queue.waitingCount(), 0u);
    MemoryLogText text;
    queue.initialise(text);
    EXPECT_EQ(text.textLength(), 0u);
}

TEST(LogQueue, DetachedQueueCollectsLinesForTheNextControl) {
    LogQueue queue(fixedClock);
    MemoryLogText first;
    queue.initialise(first);
    queue.AppendText(u"shown", kPlain);
    queue.detach();
    EXPECT_FALSE(queue.initialised());
    queue.AppendText(u"kept", kPlain);
    EXPECT_EQ(queue.waitingCount(), 1u);
    EXPECT_EQ(bodies(first.text()), std::vector<std::u16string>{u"shown"});

    MemoryLogText second;
    queue.initialise(second);
    EXPECT_EQ(bodies(second.text()), std::vector<std::u16string>{u"kept"});
}

// Counts the update runs the queue brackets its insertions with.
class UpdateCountingText : public MemoryLogText {
public:
    int runs = 0;
    bool inRun = false;
    void beginUpdate() override {
        EXPECT_FALSE(inRun);
        inRun = true;
    }
    void endUpdate() override {
        inRun = false;
        ++runs;
    }
    int endLineIndex() override {
        // The window's control knows its line count only once a run has ended.
        EXPECT_FALSE(inRun);
        return MemoryLogText::endLineIndex();
    }
};

TEST(LogQueue, LinesAppendedWhileTheDisplayIsHeldAreShownTogetherAtTheRelease) {
    LogQueue queue(fixedClock);
    UpdateCountingText text;
    queue.initialise(text);
    queue.AppendText(u"before", kPlain);
    const int runsBefore = text.runs;

    queue.holdDisplay();
    queue.holdDisplay();
    queue.AppendText(u"one", kPlain);
    queue.AppendText(u"two", kPlain);
    queue.AppendText(u"three", kPlain);
    queue.releaseDisplay();
    EXPECT_EQ(bodies(text.text()), (std::vector<std::u16string>{u"before"}));
    EXPECT_EQ(queue.waitingCount(), 3u);

    queue.releaseDisplay();
    EXPECT_EQ(bodies(text.text()),
              (std::vector<std::u16string>{u"before", u"one", u"two", u"three"}));
    EXPECT_EQ(text.runs, runsBefore + 1);
    EXPECT_EQ(text.scrollPosition(), 4);
    EXPECT_EQ(queue.waitingCount(), 0u);

    // A release without a hold, or with nothing held back, changes nothing.
    queue.releaseDisplay();
    queue.holdDisplay();
    queue.releaseDisplay();
    EXPECT_EQ(text.runs, runsBefore + 1);
    queue.AppendText(u"after", kPlain);
    EXPECT_EQ(bodies(text.text()).back(), u"after");
}

TEST(LogQueue, ALineFromAnotherThreadStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    LogQueue queue(fixedClock);
    EXPECT_DEATH(std::thread([&] { queue.AppendText(u"stray", kPlain); }).join(),
                 "Log queue used from a thread it does not belong to");
}

}  // namespace
}  // namespace tresvik
