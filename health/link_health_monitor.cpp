#include "health/link_health_monitor.h"

#include <QSettings>

#include <chrono>
#include <cmath>

#include "decode/parameter_list.h"
#include "plot/trend_history.h"
#include "plot/trend_rows.h"
#include "session/console_session.h"

namespace tresvik {

namespace {

const QString kMarkStaleKey = QStringLiteral("parameterList/markStaleValues");

}  // namespace

LinkHealthMonitor::LinkHealthMonitor(ConsoleSession& session, ParameterList& list, QWidget& owner,
                                     const QRect& readoutGeometry, TrendHistory* trends)
    : m_session(session), m_list(list), m_owner(owner), m_trends(trends) {
    m_session.addListener(m_health);
    m_session.addListener(m_stale);
    m_markStale = QSettings().value(kMarkStaleKey, true).toBool();
    m_readout = new LinkHealthReadout(&owner);
    m_readout->setObjectName(QStringLiteral("linkHealthReadout"));
    m_readout->setGeometry(readoutGeometry);
    connect(m_readout, &LinkHealthReadout::clicked, this, &LinkHealthMonitor::showWindow);
    m_list.setValueToolTip([this](int row) -> QString {
        const auto age = m_stale.age(row, ArrivalTime::clock::now());
        if (!age) {
            return {};
        }
        return QStringLiteral("updated %1 s ago")
            .arg(std::chrono::duration<double>(*age).count(), 0, 'f', 1);
    });
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { tick(ArrivalTime::clock::now()); });
    m_timer.start();
}

LinkHealthMonitor::~LinkHealthMonitor() {
    m_session.removeListener(m_stale);
    m_session.removeListener(m_health);
    m_list.setValueToolTip({});
    delete m_window;
}

void LinkHealthMonitor::setPort(const QString& name, const QString& devicePath) {
    m_portName = name;
    m_devicePath = devicePath;
    if (m_window != nullptr) {
        m_window->setPort(name, devicePath);
    }
}

void LinkHealthMonitor::showWindow() {
    if (m_window == nullptr) {
        m_window = new LinkHealthWindow(
            m_health, [this] { reset(); }, &m_owner);
        m_window->setPort(m_portName, m_devicePath);
    }
    m_window->showHealth(ArrivalTime::clock::now());
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void LinkHealthMonitor::reset() {
    m_health.reset(ArrivalTime::clock::now());
    tick(ArrivalTime::clock::now());
}

void LinkHealthMonitor::close() {
    m_timer.stop();
    if (m_window != nullptr) {
        m_window->close();
    }
}

void LinkHealthMonitor::setMarkingStale(bool mark) {
    m_markStale = mark;
    QSettings().setValue(kMarkStaleKey, mark);
    tick(ArrivalTime::clock::now());
}

void LinkHealthMonitor::tick(ArrivalTime now) {
    m_readout->showHealth(m_health, now);
    if (!m_health.connected()) {
        m_lastTrend.reset();
    } else if (m_trends != nullptr &&
               (!m_lastTrend || now - *m_lastTrend >= std::chrono::seconds(1))) {
        // The last second's figures, in tenths, timed by this look at them.
        m_lastTrend = now;
        const RateWindow second = m_health.rates(std::chrono::seconds(1), now);
        const auto tenths = [](double value) {
            return static_cast<std::int32_t>(std::llround(value * 10));
        };
        m_trends->add(trendRow(LinkSeries::FramesPerSecond), now, tenths(second.framesPerSecond));
        m_trends->add(trendRow(LinkSeries::ChecksumErrorsPerMinute), now,
                      tenths(second.checksumErrorsPerMinute));
        m_trends->add(trendRow(LinkSeries::NoiseBytesPerMinute), now,
                      tenths(second.noiseBytesPerMinute));
        m_trends->add(trendRow(LinkSeries::LineUse), now, tenths(second.lineUsePercent));
    }
    if (m_window != nullptr && m_window->isVisible()) {
        m_window->showHealth(now);
    }
    for (int row = 0; row < kParameterCount; ++row) {
        const bool stale = m_markStale && m_stale.isStale(row, now);
        if (stale != m_marked[static_cast<std::size_t>(row)]) {
            m_marked[static_cast<std::size_t>(row)] = stale;
            m_list.setValueStale(row, stale);
        }
    }
}

}  // namespace tresvik
