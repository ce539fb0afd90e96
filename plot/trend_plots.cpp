#include "plot/trend_plots.h"

#include "decode/format_code.h"
#include "decode/parameter_table.h"
#include "plot/plot_window.h"
#include "plot/trend_rows.h"
#include "session/console_session.h"
#include "ui/qt_text.h"
#include "ui/window_frame.h"

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
        // Beside the main window, so that the list stays in reach for adding values.
        placeBeside(*m_window, m_owner, kNarrowestBeside);
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
