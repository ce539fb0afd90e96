#pragma once

#include <QString>
#include <QWidget>

#include <functional>

#include "health/link_health.h"

class QGridLayout;
class QLabel;

namespace tresvik {

// Every counter and rate of the link, the port and its settings, and the USB adapter's latency
// timer where its driver shows it, refreshed while the window shows. Reset counts from zero.
class LinkHealthWindow : public QWidget {
    Q_OBJECT
public:
    // `reset` starts the counts afresh.
    LinkHealthWindow(const LinkHealth& health, std::function<void()> reset,
                     QWidget* parent = nullptr);

    // The port the link uses, as listed and as a device path.
    void setPort(const QString& name, const QString& devicePath);
    // Shows the figures as they stand at `now`.
    void showHealth(ArrivalTime now);
    // The text of the figure named `name` as shown, for tests.
    QString figure(const QString& name) const;

private:
    // The label of figure `name`, in `column` of `row`, or on a row of its own after its name
    // when `column` is 0.
    QLabel* addFigure(const QString& name, int row, int column = 0);

    const LinkHealth& m_health;
    QGridLayout* m_grid = nullptr;
    QString m_portName;
    QString m_devicePath;
};

}  // namespace tresvik
