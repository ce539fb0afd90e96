#include "health/link_health_window.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <chrono>

#include "link/adapter_latency.h"

namespace tresvik {

namespace {

QString secondsText(std::optional<ArrivalTime::duration> duration) {
    if (!duration) {
        return QStringLiteral("-");
    }
    return QStringLiteral("%1 s").arg(std::chrono::duration<double>(*duration).count(), 0, 'f', 3);
}

QString stateText(HealthState state) {
    switch (state) {
        case HealthState::Healthy:
            return QStringLiteral("healthy");
        case HealthState::Warning:
            return QStringLiteral("damage seen in the last 10 s");
        case HealthState::Silent:
            return QStringLiteral("silent: no good frame for too long");
        case HealthState::Disconnected:
            break;
    }
    return QStringLiteral("not connected");
}

const QStringList kCounters = {
    QStringLiteral("Bytes received"),      QStringLiteral("Bytes sent"),
    QStringLiteral("Good frames"),         QStringLiteral("Checksum errors"),
    QStringLiteral("Noise bytes"),         QStringLiteral("Frames cut off"),
    QStringLiteral("Unknown identifiers"), QStringLiteral("Commands sent"),
    QStringLiteral("Answers received"),    QStringLiteral("Longest gap"),
    QStringLiteral("Usual gap"),           QStringLiteral("Since last good frame"),
    QStringLiteral("Peak line use")};
const QStringList kRates = {QStringLiteral("Frames/s"), QStringLiteral("Bytes/s"),
                            QStringLiteral("Checksum errors/min"),
                            QStringLiteral("Noise bytes/min"), QStringLiteral("Line use %")};

QString rateName(const QString& rate, std::chrono::seconds window) {
    return QStringLiteral("%1 over %2 s").arg(rate).arg(window.count());
}

}  // namespace

LinkHealthWindow::LinkHealthWindow(const LinkHealth& health, std::function<void()> reset,
                                   QWidget* parent)
    : QWidget(parent, Qt::Window), m_health(health) {
    setWindowTitle(QStringLiteral("Link health"));
    setObjectName(QStringLiteral("linkHealthWindow"));
    auto* layout = new QVBoxLayout(this);
    m_grid = new QGridLayout;
    layout->addLayout(m_grid);
    int row = 0;
    for (const QString& name : {QStringLiteral("State"), QStringLiteral("Port"),
                                QStringLiteral("Settings"), QStringLiteral("Latency timer")}) {
        addFigure(name, row++);
    }
    for (const QString& name : kCounters) {
        addFigure(name, row++);
    }
    m_grid->addWidget(new QLabel(QStringLiteral("<b>Rates</b>"), this), row, 0);
    for (std::size_t w = 0; w < LinkRates::kWindows.size(); ++w) {
        m_grid->addWidget(
            new QLabel(QStringLiteral("<b>%1 s</b>").arg(LinkRates::kWindows[w].count()), this),
            row, static_cast<int>(w) + 1, Qt::AlignRight);
    }
    ++row;
    for (const QString& rate : kRates) {
        m_grid->addWidget(new QLabel(rate, this), row, 0);
        for (std::size_t w = 0; w < LinkRates::kWindows.size(); ++w) {
            QLabel* value =
                addFigure(rateName(rate, LinkRates::kWindows[w]), row, static_cast<int>(w) + 1);
            value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        }
        ++row;
    }
    auto* hint = new QLabel(
        QStringLiteral("A USB adapter's latency timer holds received bytes back for up to that "
                       "long before passing them on: frame times and answers can come that much "
                       "late. 1 ms is best for timing; many drivers start at 16 ms."),
        this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    auto* resetButton = new QPushButton(QStringLiteral("Reset"), this);
    connect(resetButton, &QPushButton::clicked, this, [this, reset] {
        reset();
        showHealth(ArrivalTime::clock::now());
    });
    layout->addWidget(resetButton, 0, Qt::AlignRight);
}

QLabel* LinkHealthWindow::addFigure(const QString& name, int row, int column) {
    // A figure of its own has its name before it and the row to itself; a rate shares its row
    // with the other windows' rates.
    const bool alone = column == 0;
    if (alone) {
        m_grid->addWidget(new QLabel(name, this), row, 0);
    }
    auto* value = new QLabel(QStringLiteral("-"), this);
    value->setObjectName(name);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_grid->addWidget(value, row, alone ? 1 : column, 1,
                      alone ? static_cast<int>(LinkRates::kWindows.size()) : 1);
    return value;
}

QString LinkHealthWindow::figure(const QString& name) const {
    const auto* label = findChild<QLabel*>(name);
    return label != nullptr ? label->text() : QString();
}

void LinkHealthWindow::setPort(const QString& name, const QString& devicePath) {
    m_portName = name;
    m_devicePath = devicePath;
}

void LinkHealthWindow::showHealth(ArrivalTime now) {
    const auto set = [this](const QString& name, const QString& text) {
        if (auto* label = findChild<QLabel*>(name)) {
            label->setText(text);
        }
    };
    set(QStringLiteral("State"), stateText(m_health.state(now)));
    set(QStringLiteral("Port"), m_portName.isEmpty() ? QStringLiteral("-")
                                                     : m_portName + QStringLiteral(" (") +
                                                           m_devicePath + QStringLiteral(")"));
    set(QStringLiteral("Settings"),
        QStringLiteral("%1 baud, 8 data bits, no parity, 1 stop bit").arg(m_health.baudRate()));
    const int latency = adapterLatencyTimerMs(m_devicePath);
    set(QStringLiteral("Latency timer"), latency < 0
                                             ? QStringLiteral("not shown by this port's driver")
                                             : QStringLiteral("%1 ms").arg(latency));
    const LinkHealth::Counters& c = m_health.counters();
    const std::array<std::uint64_t, 9> counts = {
        c.bytesReceived, c.bytesSent,          c.goodFrames,   c.checksumErrors, c.noiseBytes,
        c.framesCutOff,  c.unknownIdentifiers, c.commandsSent, c.answersReceived};
    for (std::size_t i = 0; i < counts.size(); ++i) {
        set(kCounters[static_cast<qsizetype>(i)], QString::number(counts[i]));
    }
    set(QStringLiteral("Longest gap"), secondsText(m_health.longestGap()));
    set(QStringLiteral("Usual gap"), secondsText(m_health.usualGap()));
    set(QStringLiteral("Since last good frame"), secondsText(m_health.sinceLastGoodFrame(now)));
    set(QStringLiteral("Peak line use"),
        QStringLiteral("%1 %").arg(m_health.peakLineUsePercent(now), 0, 'f', 1));
    for (const std::chrono::seconds window : LinkRates::kWindows) {
        const RateWindow r = m_health.rates(window, now);
        const std::array<double, 5> values = {r.framesPerSecond, r.bytesPerSecond,
                                              r.checksumErrorsPerMinute, r.noiseBytesPerMinute,
                                              r.lineUsePercent};
        for (std::size_t i = 0; i < values.size(); ++i) {
            set(rateName(kRates[static_cast<qsizetype>(i)], window),
                QString::number(values[i], 'f', 1));
        }
    }
}

}  // namespace tresvik
