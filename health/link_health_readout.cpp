#include "health/link_health_readout.h"

#include <QMouseEvent>
#include <QPainter>

#include <chrono>

namespace tresvik {

namespace {

double seconds(ArrivalTime::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

}  // namespace

LinkHealthReadout::LinkHealthReadout(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Link health: click for every counter"));
    m_lines = {QStringLiteral("Not connected")};
}

QColor LinkHealthReadout::colourOf(HealthState state) {
    switch (state) {
        case HealthState::Healthy:
            return QColor(40, 160, 60);
        case HealthState::Warning:
            return QColor(230, 160, 20);
        case HealthState::Silent:
            return QColor(210, 40, 40);
        case HealthState::Disconnected:
            break;
    }
    return QColor(160, 160, 160);
}

void LinkHealthReadout::showHealth(const LinkHealth& health, ArrivalTime now) {
    QStringList lines;
    const HealthState state = health.state(now);
    if (state == HealthState::Disconnected) {
        lines << QStringLiteral("Not connected");
    } else {
        const RateWindow rates = health.rates(std::chrono::seconds(10), now);
        const double perMinute = rates.framesPerSecond * 60 + rates.checksumErrorsPerMinute;
        const double errorPercent =
            perMinute > 0 ? 100 * rates.checksumErrorsPerMinute / perMinute : 0.0;
        lines << QStringLiteral("%1 fr/s").arg(rates.framesPerSecond, 0, 'f', 1)
              << QStringLiteral("%1 % err").arg(errorPercent, 0, 'f', 1);
        const auto since = health.sinceLastGoodFrame(now);
        lines << (since ? QStringLiteral("%1 s ago").arg(seconds(*since), 0, 'f', 1)
                        : QStringLiteral("no frame yet"));
    }
    if (state != m_state || lines != m_lines) {
        m_state = state;
        m_lines = lines;
        update();
    }
}

void LinkHealthReadout::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int lamp = fontMetrics().height() - 4;
    painter.setPen(Qt::NoPen);
    painter.setBrush(colourOf(m_state));
    painter.drawEllipse(QRect(1, 3, lamp, lamp));
    painter.setPen(palette().color(QPalette::WindowText));
    const int textLeft = lamp + 5;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        painter.drawText(QRect(textLeft, static_cast<int>(i) * fontMetrics().height(),
                               width() - textLeft, fontMetrics().height()),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(m_lines[i], Qt::ElideRight, width() - textLeft));
    }
}

void LinkHealthReadout::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

}  // namespace tresvik
