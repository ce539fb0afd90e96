#include "plot/plot_view.h"

#include <QContextMenuEvent>
#include <QDateTime>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "decode/format_code.h"
#include "decode/parameter_table.h"
#include "decode/value_format.h"
#include "plot/trend_history.h"
#include "plot/trend_rows.h"
#include "ui/qt_text.h"

namespace tresvik {

namespace {

constexpr int kMargin = 6;
constexpr int kLaneGap = 6;
constexpr int kLanePadding = 3;
// A wheel notch narrows the span by a fifth; turning back widens it again.
constexpr double kZoomPerNotch = 0.8;

const std::array<QColor, PlotView::kMaxSeries> kColours = {
    QColor(31, 119, 180), QColor(214, 39, 40),  QColor(44, 160, 44), QColor(148, 103, 189),
    QColor(255, 127, 14), QColor(23, 190, 207), QColor(140, 86, 75), QColor(227, 119, 194)};

double numberOf(int row, std::int32_t raw) {
    return trendNumber(row, raw).toDouble();
}

// The value text as the list shows it, its padding aside, with the unit the label names; a
// duration's text says its own units.
QString withUnit(int row, const QString& text) {
    const std::u16string_view unit = trendUnit(row);
    if (textHasUnits(row) || unit.empty()) {
        return text.trimmed();
    }
    return text.trimmed() + QLatin1Char(' ') + toQString(unit);
}

}  // namespace

PlotView::PlotView(const TrendHistory& history, QWidget* parent)
    : QWidget(parent), m_history(history) {
    setMouseTracking(true);
    setMinimumSize(320, 200);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_sessionStart = history.samples().start();
    m_range.follow(latestMs());
}

std::vector<int> PlotView::rows() const {
    std::vector<int> rows;
    for (const Lane& lane : m_lanes) {
        rows.push_back(lane.row);
    }
    return rows;
}

bool PlotView::addSeries(int row) {
    if (!hasTrend(row) || m_lanes.size() >= kMaxSeries ||
        std::ranges::find(m_lanes, row, &Lane::row) != m_lanes.end()) {
        return false;
    }
    m_lanes.emplace_back(row);
    update();
    emit seriesChanged();
    return true;
}

void PlotView::removeSeries(int row) {
    const auto at = std::ranges::find(m_lanes, row, &Lane::row);
    if (at == m_lanes.end()) {
        return;
    }
    m_lanes.erase(at);
    update();
    emit seriesChanged();
}

std::uint64_t PlotView::latestMs() const {
    return m_history.samples().lastTimeMs();
}

void PlotView::setRangeAndRedraw(const PlotViewRange& range) {
    const bool wasFollowing = m_range.following();
    m_range = range;
    update();
    if (wasFollowing != m_range.following()) {
        emit followingChanged(m_range.following());
    }
}

void PlotView::setRange(const PlotViewRange& range) {
    setRangeAndRedraw(range);
}

void PlotView::setFollowing(bool following) {
    PlotViewRange range = m_range;
    range.setFollowing(following, latestMs());
    setRangeAndRedraw(range);
}

void PlotView::showWholeSession() {
    PlotViewRange range = m_range;
    range.showAll(latestMs());
    setRangeAndRedraw(range);
}

void PlotView::zoom(double anchorMs, double factor) {
    PlotViewRange range = m_range;
    range.zoom(anchorMs, factor, latestMs());
    setRangeAndRedraw(range);
}

void PlotView::refresh() {
    const TrendSamples& samples = m_history.samples();
    if (samples.start() != m_sessionStart) {
        // A new Connect began a new session: what the lanes showed is gone.
        m_sessionStart = samples.start();
        for (Lane& lane : m_lanes) {
            lane = Lane(lane.row);
        }
        setFollowing(true);
        return;
    }
    if (m_range.following()) {
        PlotViewRange range = m_range;
        range.follow(latestMs());
        if (range.fromMs() != m_range.fromMs() || range.toMs() != m_range.toMs()) {
            setRangeAndRedraw(range);
            return;
        }
    }
    for (std::size_t i = 0; i < m_lanes.size(); ++i) {
        Lane& lane = m_lanes[i];
        const TrendSeries& series = samples.series(lane.row);
        // Header and lane each by what they last drew: the window system may have the header
        // drawn again on its own (an exposed strip), which must not leave the lane behind.
        if (series.size() != lane.headerSamples) {
            update(headerRect(i));
        }
        if (series.size() > lane.samples && m_range.contains(series[lane.samples].timeMs)) {
            // With its value axis, which stands left of the lane and rescales with it.
            const QRect lane = laneRect(i);
            update(0, lane.top(), width(), lane.height());
        }
    }
}

QImage PlotView::picture() {
    m_hideHover = true;
    const QImage image = grab().toImage();
    m_hideHover = false;
    return image;
}

QRect PlotView::plotArea() const {
    const QFontMetrics metrics = fontMetrics();
    const int axisWidth = metrics.horizontalAdvance(QStringLiteral("-000000.00")) + 8;
    const int timeAxisHeight = metrics.height() + 8;
    return QRect(QPoint(axisWidth, kMargin),
                 QPoint(width() - kMargin - 1, height() - timeAxisHeight - 1));
}

QRect PlotView::headerRect(std::size_t lane) const {
    const QRect area = plotArea();
    const int count = static_cast<int>(std::max<std::size_t>(m_lanes.size(), 1));
    const int height = (area.height() - (count - 1) * kLaneGap) / count;
    const int top = area.top() + static_cast<int>(lane) * (height + kLaneGap);
    return QRect(area.left(), top, area.width(), fontMetrics().height() + 4);
}

QRect PlotView::laneRect(std::size_t lane) const {
    const QRect area = plotArea();
    const int count = static_cast<int>(std::max<std::size_t>(m_lanes.size(), 1));
    const int height = (area.height() - (count - 1) * kLaneGap) / count;
    const QRect header = headerRect(lane);
    return QRect(area.left(), header.bottom() + 1, area.width(), height - header.height());
}

QRect PlotView::removeBoxRect(std::size_t lane) const {
    const QRect header = headerRect(lane);
    const int side = header.height() - 2;
    return QRect(header.right() - side, header.top() + 1, side, side);
}

std::optional<std::size_t> PlotView::laneAt(QPoint position) const {
    for (std::size_t i = 0; i < m_lanes.size(); ++i) {
        if (headerRect(i).united(laneRect(i)).contains(position)) {
            return i;
        }
    }
    return std::nullopt;
}

double PlotView::timeAtX(double x) const {
    const QRect area = plotArea();
    return m_range.fromMs() + (x - area.left()) / area.width() * m_range.spanMs();
}

double PlotView::xAtTime(double timeMs) const {
    const QRect area = plotArea();
    return area.left() + (timeMs - m_range.fromMs()) / m_range.spanMs() * area.width();
}

std::optional<std::int64_t> PlotView::clockAtStartMs() const {
    const auto& utc = m_history.samples().utcStart();
    if (!utc) {
        return std::nullopt;
    }
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(utc->time_since_epoch()).count();
    const QDateTime start = QDateTime::fromMSecsSinceEpoch(ms);
    return ms + static_cast<std::int64_t>(start.offsetFromUtc()) * 1000;
}

QString PlotView::timeLabel(std::int64_t timeMs, TimePrecision precision) const {
    const auto& utc = m_history.samples().utcStart();
    if (!utc) {
        // Only the time since the session began is known.
        const std::int64_t seconds = timeMs / 1000;
        QString text = QStringLiteral("%1:%2:%3")
                           .arg(seconds / 3600)
                           .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                           .arg(seconds % 60, 2, 10, QLatin1Char('0'));
        if (precision == TimePrecision::Milliseconds) {
            text += QStringLiteral(".%1").arg(timeMs % 1000, 3, 10, QLatin1Char('0'));
        }
        return text;
    }
    const auto startMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(utc->time_since_epoch()).count();
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(startMs + timeMs);
    switch (precision) {
        case TimePrecision::Milliseconds:
            return at.toString(QStringLiteral("HH:mm:ss.zzz"));
        case TimePrecision::Seconds:
            return at.toString(QStringLiteral("HH:mm:ss"));
        case TimePrecision::Minutes:
            // Midnight says which day begins.
            return at.time().msecsSinceStartOfDay() == 0 ? at.toString(QStringLiteral("d MMM"))
                                                         : at.toString(QStringLiteral("HH:mm"));
    }
    return {};
}

QString PlotView::valueText(int row, std::size_t index) const {
    return withUnit(row, toQString(m_history.samples().text(row, index)));
}

void PlotView::prepare(Lane& lane, int width) {
    const TrendSeries& series = m_history.samples().series(lane.row);
    const auto columnCount = static_cast<std::size_t>(std::max(width, 1));
    if (lane.fromMs == m_range.fromMs() && lane.toMs == m_range.toMs() &&
        lane.columns.size() == columnCount && lane.samples == series.size()) {
        return;
    }
    // Half a millisecond more takes in a sample right at the view's end, where following puts
    // the newest one; sample times are whole milliseconds.
    lane.columns = m_history.columns(lane.row, m_range.fromMs(), m_range.toMs() + 0.5, columnCount);
    lane.fromMs = m_range.fromMs();
    lane.toMs = m_range.toMs();
    lane.samples = series.size();
    std::optional<double> low;
    std::optional<double> high;
    const auto take = [&](double value) {
        low = std::min(low.value_or(value), value);
        high = std::max(high.value_or(value), value);
    };
    if (const auto before = series.inForceAt(
            static_cast<std::uint64_t>(std::max(0.0, std::floor(m_range.fromMs()))))) {
        take(numberOf(lane.row, series[*before].raw));
    }
    for (const TrendColumn& column : lane.columns) {
        if (column.count > 0) {
            take(numberOf(lane.row, column.min));
            take(numberOf(lane.row, column.max));
        }
    }
    const int maxTicks = std::max(2, laneRect(0).height() / (fontMetrics().height() * 2));
    lane.scale = low ? valueScale(*low, *high, maxTicks) : ValueScale{};
}

void PlotView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().window());
    if (m_lanes.empty()) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap,
                         QStringLiteral("Right-click a number in the parameter list and choose "
                                        "Plot to follow it here."));
        return;
    }
    const QRect area = plotArea();
    // By the region, not its bounding rectangle: a lane between a header and the time axis that
    // are drawn again is not, and must not count as drawn.
    bool laneDrawn = false;
    for (std::size_t i = 0; i < m_lanes.size(); ++i) {
        if (event->region().intersects(laneRect(i))) {
            prepare(m_lanes[i], area.width());
            paintLane(painter, i);
            laneDrawn = true;
        }
        if (event->region().intersects(headerRect(i))) {
            paintHeader(painter, i);
        }
    }
    paintTimeAxis(painter);
    if (m_hoverX && !m_hideHover) {
        paintHover(painter);
    }
    m_laneDrawCount += laneDrawn ? 1 : 0;
}

void PlotView::paintHeader(QPainter& painter, std::size_t index) {
    Lane& lane = m_lanes[index];
    const QRect header = headerRect(index);
    painter.fillRect(header, palette().window());
    const QFontMetrics metrics = fontMetrics();
    const QRect swatch(header.left() + 2, header.center().y() - 4, 9, 9);
    painter.fillRect(swatch, kColours[index]);

    const TrendSamples& samples = m_history.samples();
    const TrendSeries& series = samples.series(lane.row);
    QString text = toQString(trendLabel(lane.row));
    if (!series.empty()) {
        text += QStringLiteral("   ") + valueText(lane.row, series.size() - 1);
    }
    const QRect box = removeBoxRect(index);
    const QRect textRect(swatch.right() + 6, header.top(), box.left() - swatch.right() - 12,
                         header.height());
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(text, Qt::ElideRight, textRect.width()));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::Text));
    const QRect cross = box.adjusted(4, 4, -5, -5);
    painter.drawLine(cross.topLeft(), cross.bottomRight());
    painter.drawLine(cross.topRight(), cross.bottomLeft());
    lane.headerSamples = series.size();
}

void PlotView::paintLane(QPainter& painter, std::size_t index) const {
    const Lane& lane = m_lanes[index];
    const QRect rect = laneRect(index);
    const QFontMetrics metrics = fontMetrics();
    painter.fillRect(rect.left() - plotArea().left(), rect.top(), plotArea().left(), rect.height(),
                     palette().window());
    painter.fillRect(rect, palette().base());
    // The frame lies just outside the columns left and right, so that the first and the last
    // column, where following puts the newest sample, show.
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(QRect(rect.left() - 1, rect.top(), rect.width() + 1, rect.height() - 1));

    const ValueScale& scale = lane.scale;
    // The scale's ends lie a few pixels inside the frame, so that a value at either end is not
    // hidden by it.
    const QRect inner = rect.adjusted(0, kLanePadding, 0, -kLanePadding);
    const auto yOf = [&](double value) {
        return inner.bottom() -
               (value - scale.low) / (scale.high - scale.low) * (inner.height() - 1);
    };
    painter.setPen(palette().color(QPalette::Text));
    for (const double tick : scale.ticks()) {
        const int y = static_cast<int>(std::lround(yOf(tick)));
        painter.setPen(palette().color(QPalette::Midlight));
        painter.drawLine(rect.left() + 1, y, rect.right() - 1, y);
        painter.setPen(palette().color(QPalette::Text));
        const QString label = QString::number(tick, 'f', scale.decimals);
        const QRect labelRect(0, y - metrics.height() / 2, rect.left() - 4, metrics.height());
        painter.drawText(labelRect, Qt::AlignRight | Qt::AlignVCenter, label);
    }

    const TrendSeries& series = m_history.samples().series(lane.row);
    if (series.empty()) {
        return;
    }
    QPolygonF line;
    std::optional<double> lastY;
    const auto from = static_cast<std::uint64_t>(std::max(0.0, std::floor(m_range.fromMs())));
    if (const auto before = series.inForceAt(from); before && series[*before].timeMs < from) {
        lastY = yOf(numberOf(lane.row, series[*before].raw));
        line << QPointF(rect.left(), *lastY);
    }
    for (std::size_t c = 0; c < lane.columns.size(); ++c) {
        const TrendColumn& column = lane.columns[c];
        if (column.count == 0) {
            continue;
        }
        const double x = rect.left() + static_cast<double>(c) + 0.5;
        if (lastY) {
            line << QPointF(x, *lastY);
        }
        line << QPointF(x, yOf(numberOf(lane.row, column.first.raw)))
             << QPointF(x, yOf(numberOf(lane.row, column.min)))
             << QPointF(x, yOf(numberOf(lane.row, column.max)));
        lastY = yOf(numberOf(lane.row, column.last.raw));
        line << QPointF(x, *lastY);
    }
    // The last value stays in force until the newest sample of the series.
    const double end =
        std::min(xAtTime(series[series.size() - 1].timeMs), static_cast<double>(rect.right()));
    if (lastY && end > line.last().x()) {
        line << QPointF(end, *lastY);
    }
    painter.save();
    painter.setClipRect(rect.adjusted(0, 1, 0, -1));
    // A one-pixel cosmetic pen takes the rasteriser's fast path for lines; a wider one strokes
    // the zigzag of a busy lane as a polygon, a hundred times slower.
    painter.setPen(QPen(kColours[index], 0));
    painter.drawPolyline(line);
    painter.restore();
}

void PlotView::paintTimeAxis(QPainter& painter) const {
    const QRect area = plotArea();
    const QFontMetrics metrics = fontMetrics();
    const QRect axis(0, area.bottom() + 1, width(), height() - area.bottom() - 1);
    painter.fillRect(axis, palette().window());
    const TimeLabelWidths widths = {
        static_cast<double>(metrics.horizontalAdvance(QStringLiteral("00:00:00.000")) + 24),
        static_cast<double>(metrics.horizontalAdvance(QStringLiteral("00:00:00")) + 24),
        static_cast<double>(metrics.horizontalAdvance(QStringLiteral("00 Mmm")) + 24)};
    const TimeTicks ticks = timeTicks(m_range.fromMs(), m_range.toMs(), area.width(), widths,
                                      clockAtStartMs().value_or(0));
    for (const std::int64_t at : ticks.atMs) {
        const int x = static_cast<int>(std::lround(xAtTime(static_cast<double>(at))));
        painter.setPen(palette().color(QPalette::Midlight));
        for (std::size_t i = 0; i < m_lanes.size(); ++i) {
            const QRect lane = laneRect(i);
            painter.drawLine(x, lane.top() + 1, x, lane.bottom() - 1);
        }
        painter.setPen(palette().color(QPalette::Text));
        painter.drawLine(x, axis.top(), x, axis.top() + 3);
        const QString label = timeLabel(at, ticks.precision);
        const int labelWidth = metrics.horizontalAdvance(label);
        // A label at either end stays whole inside the window.
        const int left = std::clamp(x - labelWidth / 2, 0, width() - labelWidth - 1);
        painter.drawText(QRect(left, axis.top() + 4, labelWidth, metrics.height()), Qt::AlignCenter,
                         label);
    }
}

void PlotView::paintHover(QPainter& painter) const {
    const QRect area = plotArea();
    const int x = *m_hoverX;
    if (x < area.left() || x > area.right()) {
        return;
    }
    const double timeMs = timeAtX(x);
    painter.setPen(QPen(palette().color(QPalette::Text), 1, Qt::DashLine));
    painter.drawLine(x, area.top(), x, area.bottom());

    QStringList lines{timeLabel(static_cast<std::int64_t>(std::floor(std::max(timeMs, 0.0))),
                                TimePrecision::Milliseconds)};
    const TrendSamples& samples = m_history.samples();
    for (const Lane& lane : m_lanes) {
        const auto index = timeMs < 0 ? std::nullopt
                                      : samples.series(lane.row).inForceAt(
                                            static_cast<std::uint64_t>(std::floor(timeMs)));
        lines << toQString(trendLabel(lane.row)) + QStringLiteral(": ") +
                     (index ? valueText(lane.row, *index) : QStringLiteral("no value yet"));
    }
    const QFontMetrics metrics = fontMetrics();
    int boxWidth = 0;
    for (const QString& line : lines) {
        boxWidth = std::max(boxWidth, metrics.horizontalAdvance(line));
    }
    boxWidth += 16;
    const int boxHeight = static_cast<int>(lines.size()) * metrics.height() + 8;
    QRect box(x + 12, area.top() + 4, boxWidth, boxHeight);
    if (box.right() > area.right()) {
        box.moveRight(x - 12);
    }
    painter.setPen(palette().color(QPalette::Mid));
    painter.setBrush(palette().toolTipBase());
    painter.drawRect(box);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        painter.setPen(i == 0 ? palette().color(QPalette::ToolTipText)
                              : kColours[static_cast<std::size_t>(i - 1)]);
        painter.drawText(
            QRect(box.left() + 8, box.top() + 4 + static_cast<int>(i) * metrics.height(),
                  boxWidth - 16, metrics.height()),
            Qt::AlignLeft | Qt::AlignVCenter, lines[i]);
    }
}

void PlotView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    update();
}

void PlotView::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches != 0) {
        zoom(timeAtX(event->position().x()), std::pow(kZoomPerNotch, notches));
    }
    event->accept();
}

void PlotView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint position = event->position().toPoint();
    for (std::size_t i = 0; i < m_lanes.size(); ++i) {
        if (removeBoxRect(i).contains(position)) {
            removeSeries(m_lanes[i].row);
            return;
        }
    }
    m_dragFrom = position;
    m_dragFromMs = m_range.fromMs();
}

void PlotView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    if (m_dragFrom && (event->buttons() & Qt::LeftButton)) {
        const double pixels = position.x() - m_dragFrom->x();
        if (pixels != 0) {
            PlotViewRange range = m_range;
            range.pan(m_dragFromMs - range.fromMs() - pixels / plotArea().width() * range.spanMs(),
                      latestMs());
            setRangeAndRedraw(range);
        }
    }
    m_hoverX = position.x();
    update();
}

void PlotView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_dragFrom.reset();
    }
}

void PlotView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        showWholeSession();
    }
}

void PlotView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    m_hoverX.reset();
    update();
}

void PlotView::contextMenuEvent(QContextMenuEvent* event) {
    const auto lane = laneAt(event->pos());
    if (!lane) {
        return;
    }
    const int row = m_lanes[*lane].row;
    QMenu menu(this);
    menu.addAction(QStringLiteral("Remove %1").arg(toQString(trendLabel(row))), this,
                   [this, row] { removeSeries(row); });
    menu.exec(event->globalPos());
}

}  // namespace tresvik
