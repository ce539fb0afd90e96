#include "log/log_dlg.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWindow>

#include "log/log_view_control.h"
#include "ui/dialog_units.h"

namespace tresvik {

namespace {
// Height of the row of the "c" button and the "Top" box below the text, and the width the
// "Top" box keeps at the right edge when the window is resized.
constexpr int kBarHeight = 16;
constexpr int kTopWidth = 42;
}  // namespace

CLogDlg::CLogDlg(LogQueue& queue)
    : ChildWindow(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                  Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      m_queue(queue),
      m_text(new QPlainTextEdit(this)),
      m_top(new QCheckBox(QStringLiteral("Top"), this)),
      m_clear(new QPushButton(QStringLiteral("c"), this)),
      m_control(std::make_unique<LogViewControl>(*m_text)) {
    setWindowTitle(QStringLiteral("Log"));
    setFont(templateFont());
    resize(dluX(180), dluY(200));

    m_text->setObjectName(QStringLiteral("logText"));
    m_text->setGeometry(dluRect(0, 0, 180, 190));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);

    m_top->setObjectName(QStringLiteral("topCheck"));
    m_top->setGeometry(dluRect(152, 190, 28, 10));
    m_top->setChecked(true);
    connect(m_top, &QCheckBox::clicked, this, &CLogDlg::setTopmost);

    m_clear->setObjectName(QStringLiteral("clearButton"));
    m_clear->setGeometry(dluRect(0, 190, 10, 10));
    m_clear->setAutoDefault(false);
    connect(m_clear, &QPushButton::clicked, this, &CLogDlg::clearText);
}

CLogDlg::~CLogDlg() {
    // The queue must not reach the text control once it is gone.
    m_queue.detach();
}

void CLogDlg::initialise(const OwnerFrame& owner) {
    move(owner.frame.x() + owner.frame.width(), owner.frame.y());
    m_queue.initialise(*m_control);
}

std::u16string CLogDlg::text() const {
    return m_control->text();
}

void CLogDlg::finish() {
    m_queue.detach();
    hide();
}

void CLogDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (!m_queue.initialised()) {
        return;
    }
    const int cx = width();
    const int cy = height();
    m_text->setGeometry(m_text->x(), m_text->y(), cx - m_text->x(), cy - kBarHeight - m_text->y());
    m_top->setGeometry(cx - kTopWidth, cy - kBarHeight, kTopWidth, kBarHeight);
    m_clear->setGeometry(m_clear->x(), cy - kBarHeight, m_clear->width(), kBarHeight);
}

void CLogDlg::setTopmost(bool topmost) {
    // Changing the flag through the window handle keeps the window where it is and visible.
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, topmost);
    overrideWindowFlags(flags);
    if (QWindow* window = windowHandle()) {
        window->setFlags(flags);
    }
}

void CLogDlg::clearText() {
    m_control->clearText();
}

}  // namespace tresvik
