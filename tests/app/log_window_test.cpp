#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>

#include <string>
#include <vector>

#include "app/tresvik_dlg.h"
#include "log/log_dlg.h"
#include "log/log_line.h"
#include "log/log_view_control.h"
#include "tests/support/memory_log_text.h"

using namespace tresvik;

namespace {

// The text as the log sees it: the blocks joined by CR LF.
std::u16string logText(const QPlainTextEdit& edit) {
    std::u16string text;
    for (QTextBlock block = edit.document()->begin(); block.isValid(); block = block.next()) {
        if (block.blockNumber() > 0) {
            text += u"\r\n";
        }
        text += block.text().toStdU16String();
    }
    return text;
}

// The colour of every character that is not part of a line end, in order.
std::vector<Rgb> characterColours(const QPlainTextEdit& edit) {
    std::vector<Rgb> colours;
    for (QTextBlock block = edit.document()->begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QColor c = fragment.fragment().charFormat().foreground().color();
            const Rgb rgb{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                          static_cast<std::uint8_t>(c.blue())};
            colours.insert(colours.end(), static_cast<std::size_t>(fragment.fragment().length()),
                           rgb);
        }
    }
    return colours;
}

std::vector<Rgb> characterColours(const MemoryLogText& memory) {
    std::vector<Rgb> colours;
    const std::u16string text = memory.text();
    for (const MemoryLogText::ColourRun& run : memory.colourRuns()) {
        for (std::size_t i = run.start; i < run.start + run.length; ++i) {
            const bool lineEnd =
                (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ||
                (text[i] == u'\n' && i > 0 && text[i - 1] == u'\r');
            if (!lineEnd) {
                colours.push_back(run.colour);
            }
        }
    }
    return colours;
}

QString colourName(Rgb c) {
    return QColor(c.r, c.g, c.b).name();
}

}  // namespace

class LogWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_queue = std::make_unique<LogQueue>();
        m_dlg = std::make_unique<CLogDlg>(*m_queue);
        m_dlg->initialise(OwnerFrame{});
    }
    void cleanup() {
        m_control.reset();
        m_dlg.reset();
        m_queue.reset();
    }

    void windowHasTheTemplatesCaptionSizeAndControls() {
        QCOMPARE(m_dlg->windowTitle(), QStringLiteral("Log"));
        QCOMPARE(m_dlg->size(), QSize(270, 325));
        // A tool window with a close box and a sizing border, but no minimise or maximise box.
        const Qt::WindowFlags flags = m_dlg->windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(m_dlg->textControl()->geometry(), QRect(0, 0, 270, 308));
        QVERIFY(m_dlg->textControl()->isReadOnly());
        QCOMPARE(m_dlg->textControl()->lineWrapMode(), QPlainTextEdit::NoWrap);
        auto* top = m_dlg->findChild<QCheckBox*>("topCheck");
        QCOMPARE(top->text(), QStringLiteral("Top"));
        QCOMPARE(top->geometry(), QRect(228, 308, 42, 16));
        auto* clear = m_dlg->findChild<QPushButton*>("clearButton");
        QCOMPARE(clear->text(), QStringLiteral("c"));
        QCOMPARE(clear->geometry(), QRect(0, 308, 15, 16));
    }

    void textControlAgreesWithTheLogsCharacterModel() {
        // The same insertions on the window's control and on the reference text of the log must
        // give the same text, length, line index and colours, continuation lines included.
        MemoryLogText reference;
        LogViewControl& control = viewControl();
        struct Step {
            bool continuation;
            std::u16string text;
            Rgb colour;
        };
        const std::vector<Step> steps{
            {false, u"first\r\n", {100, 155, 50}},
            {true, u" joined\r\n", {254, 0, 0}},
            {false, u"two\r\nlines\r\n", {20, 105, 0}},
            {false, u"no line end", {0, 0, 0}},
            {false, u"\r\n", {255, 0, 0}},
            {true, u"", {254, 0, 0}},
            {false, u"tail\r\n", {200, 120, 200}},
        };
        for (const Step& step : steps) {
            for (LogTextControl* target : {static_cast<LogTextControl*>(&reference),
                                           static_cast<LogTextControl*>(&control)}) {
                const std::size_t length = target->textLength();
                const std::size_t from = step.continuation ? (length < 2 ? 0 : length - 2) : length;
                target->replaceTail(from, step.text, step.colour);
            }
            QCOMPARE(control.textLength(), reference.textLength());
            QCOMPARE(control.endLineIndex(), reference.endLineIndex());
            QCOMPARE(QString::fromStdU16String(logText(*m_dlg->textControl())),
                     QString::fromStdU16String(reference.text()));
            QVERIFY(characterColours(*m_dlg->textControl()) == characterColours(reference));
        }
    }

    void linesShowInTheColourOfTheirClass_data() {
        QTest::addColumn<int>("lineClass");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("colour");
        QTest::newRow("received") << 1 << "UART Rx - "
                                  << "#649b32";
        QTest::newRow("sent") << 2 << "UART Tx - "
                              << "#146900";
        QTest::newRow("card message") << 3 << "SCARD Msg - "
                                      << "#c878c8";
        QTest::newRow("card error") << 4 << "SCARD ERROR - "
                                    << "#ff0000";
        QTest::newRow("card rx") << 6 << "SCARD Rx - "
                                 << "#c87896";
        QTest::newRow("checksum error") << 7 << ""
                                        << "#ff0000";
        QTest::newRow("no class") << 0 << ""
                                  << "#000000";
        QTest::newRow("unknown class") << 9 << ""
                                       << "#000000";
    }
    void linesShowInTheColourOfTheirClass() {
        QFETCH(int, lineClass);
        QFETCH(QString, prefix);
        QFETCH(QString, colour);
        m_dlg->queue().AppendText(u"body", static_cast<LineClass>(lineClass));
        const QString line = m_dlg->textControl()->document()->firstBlock().text();
        // "hh:mm:ss.mmm - " then the prefix and the body.
        QCOMPARE(line.mid(15), prefix + "body");
        QVERIFY(line.at(2) == u':' && line.mid(12, 3) == " - ");
        for (const Rgb rgb : characterColours(*m_dlg->textControl())) {
            QCOMPARE(colourName(rgb), colour);
        }
    }

    void receivedBytesAreShownAsUpperCaseHexPairs() {
        const std::vector<std::uint8_t> frame{0xC7, 0x0A, 0x5F};
        m_dlg->queue().AppendBytes(frame, LineClass::UartRx);
        QCOMPARE(m_dlg->textControl()->document()->firstBlock().text().mid(15),
                 QStringLiteral("UART Rx - C7 0A 5F "));
        QCOMPARE(m_dlg->textControl()->document()->blockCount(), 2);
    }

    void continuationLineStandsAtTheEndOfThePreviousLine() {
        m_dlg->queue().AppendText(u"first", LineClass::UartRx);
        m_dlg->queue().AppendText(u"more", LineClass::Continuation);
        const QPlainTextEdit& edit = *m_dlg->textControl();
        QCOMPARE(edit.document()->blockCount(), 2);
        const QString line = edit.document()->firstBlock().text();
        QVERIFY2(line.contains("UART Rx - first") && line.endsWith(" - more"), qPrintable(line));
    }

    void linesWaitingBeforeTheWindowExistsAreShownAtItsInitialisation() {
        LogQueue laterQueue;
        CLogDlg later(laterQueue);
        later.queue().AppendText(u"early one", LineClass::UartRx);
        later.queue().AppendText(u"early two", LineClass::UartTx);
        QCOMPARE(later.textControl()->document()->blockCount(), 1);
        later.initialise(OwnerFrame{});
        QCOMPARE(later.textControl()->document()->blockCount(), 3);
        QVERIFY(later.textControl()->document()->findBlockByNumber(1).text().endsWith("early two"));
    }

    void textIsEmptiedOnceItPassesTheCap() {
        // Each line is 15 + 10 + 3 * 20 + 2 = 87 characters; the cap falls after line 1150.
        const std::vector<std::uint8_t> frame(20, 0xAB);
        const std::size_t lineLength = 87;
        const std::size_t linesToCap = LogQueue::kMaxTextLength / lineLength + 1;
        for (std::size_t i = 0; i < linesToCap - 1; ++i) {
            m_dlg->queue().AppendBytes(frame, LineClass::UartRx);
        }
        QCOMPARE(viewControl().textLength(), (linesToCap - 1) * lineLength);
        m_dlg->queue().AppendBytes(frame, LineClass::UartRx);
        QCOMPARE(viewControl().textLength(), std::size_t{0});
        m_dlg->queue().AppendBytes(frame, LineClass::UartRx);
        QCOMPARE(viewControl().textLength(), lineLength);
    }

    void viewFollowsNewLinesByTheLinesAdded() {
        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
        for (int i = 0; i < 200; ++i) {
            m_dlg->queue().AppendText(u"line", LineClass::UartRx);
        }
        QScrollBar* bar = m_dlg->textControl()->verticalScrollBar();
        QVERIFY(bar->maximum() > 100);
        QCOMPARE(bar->value(), bar->maximum());
        // A reader who scrolled up stays the same distance from the newest line.
        bar->setValue(bar->maximum() - 50);
        m_dlg->queue().AppendText(u"line", LineClass::UartRx);
        QCOMPARE(bar->maximum() - bar->value(), 50);
    }

    void batchesFasterThanTheRepaintLimitAreCompleteAtOnceAndRepaintedTogether() {
        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
        QPlainTextEdit* edit = m_dlg->textControl();
        LogQueue& queue = m_dlg->queue();
        const auto batch = [&](int lines) {
            queue.holdDisplay();
            for (int i = 0; i < lines; ++i) {
                queue.AppendText(u"line", LineClass::UartRx);
            }
            queue.releaseDisplay();
        };
        batch(60);
        // The next batch, 50 ms later on a busy line, is in the text and followed by the view at
        // once; the window is repainted for it when the repaint limit has passed.
        batch(60);
        QCOMPARE(edit->document()->blockCount(), 121);
        QScrollBar* bar = edit->verticalScrollBar();
        QCOMPARE(bar->value(), bar->maximum());
        QTRY_VERIFY_WITH_TIMEOUT(edit->updatesEnabled(), 2000);
        QCOMPARE(edit->document()->blockCount(), 121);
    }

    void clearButtonEmptiesTheTextAndTheNextLineStartsAtTheTop() {
        for (int i = 0; i < 5; ++i) {
            m_dlg->queue().AppendText(u"line", LineClass::UartRx);
        }
        QTest::mouseClick(m_dlg->findChild<QPushButton*>("clearButton"), Qt::LeftButton);
        QCOMPARE(viewControl().textLength(), std::size_t{0});
        m_dlg->queue().AppendText(u"after", LineClass::UartTx);
        QVERIFY(m_dlg->textControl()->document()->firstBlock().text().endsWith("after"));
        QCOMPARE(m_dlg->textControl()->verticalScrollBar()->value(), 0);
    }

    void topBoxKeepsTheWindowAboveOthersWhileChecked() {
        auto* top = m_dlg->findChild<QCheckBox*>("topCheck");
        QVERIFY(top->isChecked());
        QVERIFY(m_dlg->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
        const QPoint where = m_dlg->pos();
        QTest::mouseClick(top, Qt::LeftButton, {}, QPoint(4, top->height() / 2));
        QVERIFY(!m_dlg->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(!m_dlg->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(m_dlg->isVisible());
        QCOMPARE(m_dlg->pos(), where);
        QTest::mouseClick(top, Qt::LeftButton, {}, QPoint(4, top->height() / 2));
        QVERIFY(m_dlg->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    }

    void enterAndEscapeLeaveTheWindowOpen() {
        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
        auto* clear = m_dlg->findChild<QPushButton*>("clearButton");
        m_dlg->queue().AppendText(u"kept", LineClass::UartRx);
        clear->setFocus();
        QTest::keyClick(clear, Qt::Key_Escape);
        QTest::keyClick(clear, Qt::Key_Return);
        QTest::keyClick(m_dlg->textControl(), Qt::Key_Enter);
        QVERIFY(m_dlg->isVisible());
        QVERIFY(viewControl().textLength() > 0);
    }

    void resizingKeepsTheBarOfControlsAtTheBottom() {
        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
        m_dlg->resize(400, 500);
        auto* top = m_dlg->findChild<QCheckBox*>("topCheck");
        auto* clear = m_dlg->findChild<QPushButton*>("clearButton");
        QCOMPARE(m_dlg->textControl()->geometry(), QRect(0, 0, 400, 484));
        QCOMPARE(top->geometry(), QRect(358, 484, 42, 16));
        QCOMPARE(clear->geometry(), QRect(0, 484, 15, 16));
    }

private:
    LogViewControl& viewControl() {
        if (!m_control) {
            m_control = std::make_unique<LogViewControl>(*m_dlg->textControl());
        }
        return *m_control;
    }

    std::unique_ptr<LogQueue> m_queue;
    std::unique_ptr<CLogDlg> m_dlg;
    std::unique_ptr<LogViewControl> m_control;
};

QTEST_MAIN(LogWindowTest)
#include "log_window_test.moc"
