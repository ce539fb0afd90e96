#pragma once

#include <QImage>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "link/received_bytes.h"
#include "plot/min_max_summary.h"
#include "plot/plot_axes.h"
#include "plot/plot_view_range.h"

namespace tresvik {

class TrendHistory;

// The plot of up to eight parameters over a stretch of the session: one lane per parameter with
// its own value axis, so that an engine speed in thousands and a temperature around zero both
// show how they move, and one time axis below them in local clock time. Each lane's header names
// the parameter with its latest value and has a box that removes it. The wheel zooms around the
// cursor, a drag pans, a double-click shows the whole session; hovering shows every parameter's
// value at that moment.
//
// A lane draws, per pixel column, the smallest and largest of the samples that fall in it, so a
// view of a day costs about what a view of a second does, and a single sample that stands out
// still shows.
class PlotView : public QWidget {
    Q_OBJECT
public:
    static constexpr std::size_t kMaxSeries = 8;

    explicit PlotView(const TrendHistory& history, QWidget* parent = nullptr);

    // Adds the lane of numeric parameter `row` below the others; false when it is shown already,
    // the plot is full, or the row has no number.
    bool addSeries(int row);
    void removeSeries(int row);
    // The rows of the lanes, top to bottom.
    std::vector<int> rows() const;

    const PlotViewRange& range() const { return m_range; }
    void setRange(const PlotViewRange& range);
    void setFollowing(bool following);
    void showWholeSession();
    void zoom(double anchorMs, double factor);

    // Looks at what the history holds now: a following view moves to the newest sample, and the
    // plot is drawn again where a sample it shows came. Called a few times a second.
    void refresh();

    // The plot as it stands, without the hover line, for a report.
    QImage picture();
    // How often any lane was drawn; a header alone is drawn for a new latest value out of view.
    std::size_t laneDrawCount() const { return m_laneDrawCount; }

    // Where on the screen and in session time things are, for the window and its tests.
    QRect laneRect(std::size_t lane) const;
    QRect removeBoxRect(std::size_t lane) const;
    double timeAtX(double x) const;
    double xAtTime(double timeMs) const;

signals:
    void followingChanged(bool following);
    void seriesChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // A lane's columns for the view it was last drawn with, and what it showed.
    struct Lane {
        explicit Lane(int row) : row(row) {}
        int row = 0;
        std::vector<TrendColumn> columns;
        double fromMs = -1;
        double toMs = -1;
        std::size_t samples = 0;
        ValueScale scale;
        // The samples there were when the header's latest value was drawn.
        std::size_t headerSamples = 0;
    };

    // The part of the widget the lanes and the time axis share.
    QRect plotArea() const;
    QRect headerRect(std::size_t lane) const;
    std::optional<std::size_t> laneAt(QPoint position) const;
    std::uint64_t latestMs() const;
    // Brings a lane's columns and scale up to the view and the samples.
    void prepare(Lane& lane, int width);
    void setRangeAndRedraw(const PlotViewRange& range);

    void paintHeader(QPainter& painter, std::size_t lane);
    void paintLane(QPainter& painter, std::size_t lane) const;
    void paintTimeAxis(QPainter& painter) const;
    void paintHover(QPainter& painter) const;
    QString timeLabel(std::int64_t timeMs, TimePrecision precision) const;
    QString valueText(int row, std::size_t index) const;
    // What the local clock read when the session began, in milliseconds; nothing when the
    // session's start is not known on the wall clock.
    std::optional<std::int64_t> clockAtStartMs() const;

    const TrendHistory& m_history;
    std::vector<Lane> m_lanes;
    PlotViewRange m_range;
    // When the session shown began; a new one starts the lanes afresh.
    ArrivalTime m_sessionStart{};
    std::optional<int> m_hoverX;
    std::optional<QPoint> m_dragFrom;
    double m_dragFromMs = 0;
    bool m_hideHover = false;
    std::size_t m_laneDrawCount = 0;
};

}  // namespace tresvik
