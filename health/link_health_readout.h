#pragma once

#include <QString>
#include <QWidget>

#include "health/link_health.h"

namespace tresvik {

// The link's health at a glance, in the main window's left column: a lamp (green healthy, amber
// damage in the last ten seconds, red when a connected unit has gone silent, grey while
// disconnected), frames per second, the share of damaged frames and the time since the last good
// frame. A click opens the Link health window.
class LinkHealthReadout : public QWidget {
    Q_OBJECT
public:
    explicit LinkHealthReadout(QWidget* parent = nullptr);

    // Shows `health` as it stands at `now`.
    void showHealth(const LinkHealth& health, ArrivalTime now);
    HealthState state() const { return m_state; }
    QString text() const { return m_lines.join(QLatin1Char('\n')); }

    static QColor colourOf(HealthState state);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    HealthState m_state = HealthState::Disconnected;
    QStringList m_lines;
};

}  // namespace tresvik
