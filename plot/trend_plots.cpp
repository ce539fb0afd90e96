#include "plot/trend_plots.h"

#include <QScreen>

#include <algorithm>

#include "decode/format_code.h"
#include "decode/parameter_table.h"
#include "plot/plot_window.h"
#include "plot/trend_rows.h"
#include "session/console_session.h"
#include "ui/qt_text.h"

namespace tresvik {

namespace {

// The least width that still makes a useful plot beside the main window.
constexpr int kNarrowestBeside = 480;

}  // namespace

TrendPlots::TrendPlots(ConsoleSession& session, QWidget& owner)
    : m_session(session), m_owner(owner) {
    m_session.addListener(m_history);
}

TrendPlots::~TrendPlots() {
    m_session.removeListener(m_history);
    delete m_window;
}

bool TrendPlots::canPlot(int row) {
    return hasTrend(row);
}

QString TrendPlots::plotActionText(int row) {
    return QStringLiteral("Plot %1").arg(toQString(trendLabel(row)));
}

PlotWindow& TrendPlots::ensureWindow() {
    if (m_window == nullptr) {
        m_window = new PlotWindow(m_history, &m_owner);
        // Beside the main window, on the side with more room, so that the list stays in reach
        // for adding values; narrowed to that room when it is enough for a plot.
        if (const QScreen* screen = m_owner.screen()) {
            const QRect available = screen->availableGeometry();
            const QRect owner = m_owner.frameGeometry();
            const int rightRoom = available.right() - owner.right();
            const int leftRoom = owner.left() - available.left();
            const int room = std::max(rightRoom, leftRoom);
            if (room >= kNarrowestBeside && room < m_window->width()) {
                m_window->resize(room, m_window->height());
            }
            QRect frame = m_window->frameGeometry();
            frame.moveTop(owner.top());
            if (rightRoom >= leftRoom) {
                frame.moveLeft(owner.right() + 1);
            } else {
                frame.moveRight(owner.left() - 1);
            }
            frame.moveRight(std::min(frame.right(), available.right()));
            frame.moveBottom(std::min(frame.bottom(), available.bottom()));
            frame.moveLeft(std::max(frame.left(), available.left()));
            frame.moveTop(std::max(frame.top(), available.top()));
            m_window->move(frame.topLeft());
        }
    }
    return *m_window;
}

void TrendPlots::showWindow() {
    PlotWindow& window = ensureWindow();
    window.show();
    window.raise();
    window.activateWindow();
}

void TrendPlots::plot(int row) {
    ensureWindow().addSeries(row);
    showWindow();
}

void TrendPlots::close() {
    if (m_window != nullptr) {
        m_window->close();
    }
}

}  // namespace tresvik
