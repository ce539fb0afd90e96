#include "log/log_view_control.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace tresvik {

LogViewControl::LogViewControl(QPlainTextEdit& edit) : m_edit(edit) {
    m_edit.document()->setUndoRedoEnabled(false);
    m_showLater.setSingleShot(true);
    QObject::connect(&m_showLater, &QTimer::timeout, &m_edit, [this] {
        m_edit.setUpdatesEnabled(true);
        m_sinceShown.start();
    });
}

LogViewControl::~LogViewControl() = default;

std::u16string LogViewControl::text() const {
    std::u16string whole;
    for (QTextBlock block = m_edit.document()->begin(); block.isValid(); block = block.next()) {
        if (block.blockNumber() > 0) {
            whole += u"\r\n";
        }
        whole += block.text().toStdU16String();
    }
    return whole;
}

std::size_t LogViewControl::textLength() {
    const QTextDocument* document = m_edit.document();
    // characterCount() holds one separator per block, the last block's included; each separator
    // between two blocks is a CR LF of the log.
    return static_cast<std::size_t>(document->characterCount() - 1 + document->blockCount() - 1);
}

int LogViewControl::endLineIndex() {
    return m_edit.document()->blockCount() - 1;
}

void LogViewControl::scrollLines(int lines) {
    // Without line wrapping the vertical scroll bar of a QPlainTextEdit counts lines.
    QScrollBar* bar = m_edit.verticalScrollBar();
    bar->setValue(bar->value() + lines);
}

void LogViewControl::clearText() {
    QTextCursor cursor(m_edit.document());
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
}

void LogViewControl::beginUpdate() {
    // Updates are held back before the text changes, so that the change asks for no repaint of
    // its own; re-enabling them repaints the whole control once.
    if (!m_showLater.isActive()) {
        if (m_sinceShown.isValid() && m_sinceShown.elapsed() < kMinRepaintMs) {
            m_edit.setUpdatesEnabled(false);
            m_showLater.start(kMinRepaintMs - static_cast<int>(m_sinceShown.elapsed()));
        } else {
            m_sinceShown.start();
        }
    }
    m_update = std::make_unique<QTextCursor>(m_edit.document());
    m_update->beginEditBlock();
}

void LogViewControl::endUpdate() {
    if (m_update) {
        m_update->endEditBlock();
        m_update.reset();
    }
}

void LogViewControl::replaceTail(std::size_t from, std::u16string_view text, Rgb colour) {
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
