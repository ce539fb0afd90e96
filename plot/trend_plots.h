#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include "plot/plot_window.h"
#include "plot/trend_history.h"

class QWidget;

namespace tresvik {

class ConsoleSession;

// Trends in the console: the history of every numeric value since Connect, followed from the
// console session for the whole run, and the Plot window that shows it, made when first asked for.
class TrendPlots : public QObject {
    Q_OBJECT
public:
    // Follows `session` until destroyed; the Plot window belongs to `owner`.
    TrendPlots(ConsoleSession& session, QWidget& owner);
    ~TrendPlots() override;

    // Whether parameter `row` has a number to plot.
    static bool canPlot(int row);
    // The menu item that plots `row`.
    static QString plotActionText(int row);

    // Shows the Plot window and brings it forward.
    void showWindow();
    // Adds `row` to the plot and shows the window.
    void plot(int row);
    // Closes the window at shutdown.
    void close();

    const TrendHistory& history() const { return m_history; }
    TrendHistory& history() { return m_history; }
    // The window once it has been made.
    PlotWindow* window() const { return m_window; }

private:
    PlotWindow& ensureWindow();

    ConsoleSession& m_session;
    QWidget& m_owner;
    TrendHistory m_history;
    QPointer<PlotWindow> m_window;
};

}  // namespace tresvik
