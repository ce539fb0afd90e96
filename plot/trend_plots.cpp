#include "plot/trend_plots.h"

#include <QScreen>

#include <algorithm>

#include "decode/format_code.h"
#include "decode/parameter_table.h"
#include "plot/plot_window.h"
#include "session/console_session.h"

namespace tresvik {

TrendPlots::TrendPlots(ConsoleSession& session, QWidget& owner)
    : m_session(session), m_owner(owner) {
    m_session.addListener(m_history);
}

TrendPlots::~TrendPlots() {
    m_session.removeListener(m_history);
    delete m_window;
}

bool TrendPlots::canPlot(int row) {
    return row >= 0 && row < kParameterCount && hasNumericValue(parameterRow(row).formatCode);
}

QString TrendPlots::plotActionText(int row) {
    const std::u16string_view label = parameterRow(row).label;
    return QStringLiteral("Plot %1").arg(
        QString::fromUtf16(label.data(), static_cast<qsizetype>(label.size())));
}

PlotWindow& TrendPlots::ensureWindow() {
    if (m_window == nullptr) {
        m_window = new PlotWindow(m_history, &m_owner);
        // Over the middle of the main window, inside the screen it is on.
        QRect frame = m_window->frameGeometry();
        frame.moveCenter(m_owner.frameGeometry().center());
        if (const QScreen* screen = m_owner.screen()) {
            const QRect available = screen->availableGeometry();
            frame.moveRight(std::min(frame.right(), available.right()));
            frame.moveBottom(std::min(frame.bottom(), available.bottom()));
            frame.moveLeft(std::max(frame.left(), available.left()));
            frame.moveTop(std::max(frame.top(), available.top()));
        }
        m_window->move(frame.topLeft());
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
