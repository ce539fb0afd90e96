#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>

#include <array>
#include <optional>

#include "decode/parameter_table.h"
#include "health/link_health.h"
#include "health/link_health_readout.h"
#include "health/link_health_window.h"
#include "health/stale_values.h"

class QWidget;

namespace tresvik {

class ConsoleSession;
class ParameterList;
class TrendHistory;

// The link's health in the console: counts and rates followed from the console session, the
// readout in the main window, the Link health window made when first asked for, and the values of
// the parameter list greyed while the unit has stopped refreshing them.
class LinkHealthMonitor : public QObject {
    Q_OBJECT
public:
    // How often the readout and the stale marks are brought up to date: a unit that stops shows
    // red at most this long after its silence has lasted too long.
    static constexpr int kTickMs = 100;

    // Follows `session` until destroyed; the readout stands at `readoutGeometry` in `owner`.
    // While connected, the link's figures of each second go to `trends`, when given.
    LinkHealthMonitor(ConsoleSession& session, ParameterList& list, QWidget& owner,
                      const QRect& readoutGeometry, TrendHistory* trends = nullptr);
    ~LinkHealthMonitor() override;

    const LinkHealth& health() const { return m_health; }
    const StaleValues& staleValues() const { return m_stale; }
    LinkHealthReadout& readout() { return *m_readout; }
    LinkHealthWindow* window() const { return m_window; }

    // The port the next connection uses, for the Link health window.
    void setPort(const QString& name, const QString& devicePath);
    // The device path of that port: the one in use while connected.
    const QString& devicePath() const { return m_devicePath; }
    void showWindow();
    void reset();
    void close();

    // Whether stale values are greyed; kept across runs.
    bool markingStale() const { return m_markStale; }
    void setMarkingStale(bool mark);

    // Brings the readout, the window and the stale marks up to `now`.
    void tick(ArrivalTime now);

private:
    ConsoleSession& m_session;
    ParameterList& m_list;
    QWidget& m_owner;
    LinkHealth m_health;
    StaleValues m_stale;
    LinkHealthReadout* m_readout = nullptr;
    QPointer<LinkHealthWindow> m_window;
    QString m_portName;
    QString m_devicePath;
    bool m_markStale = true;
    std::array<bool, kParameterCount> m_marked{};
    QTimer m_timer;
    TrendHistory* m_trends;
    // When the link's figures last went to the trends; nothing while disconnected.
    std::optional<ArrivalTime> m_lastTrend;
};

}  // namespace tresvik
