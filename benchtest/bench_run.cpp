#include "benchtest/bench_run.h"

#include <chrono>

#include "link/link_session.h"
#include "session/console_session.h"

namespace tresvik {

BenchRun::BenchRun(BenchSuite suite, LinkSession& link, ConsoleSession& console,
                   const LinkHealth& health, SuiteRunner::Settings settings, QObject* parent)
    : QObject(parent), m_suite(std::move(suite)), m_link(link), m_console(console) {
    BenchLink& self = *this;
    BenchRunObserver& observer = *this;
    m_runner = std::make_unique<SuiteRunner>(m_suite, console.frameWriter(), self, health, observer,
                                             settings);
    m_console.addListener(*m_runner);
    connect(&m_link, &LinkSession::drained, this,
            [this](ArrivalTime at) { m_runner->sendDrained(at); });
    // Right after a drain the runner has seen every byte that arrived before it.
    connect(&m_link, &LinkSession::received, this, &BenchRun::tick);
    connect(&m_ticker, &QTimer::timeout, this, &BenchRun::tick);
    m_ticker.setInterval(kTickMs);
}

BenchRun::~BenchRun() {
    m_console.removeListener(*m_runner);
}

void BenchRun::start() {
    if (m_started) {
        return;
    }
    m_started = true;
    m_ticker.start();
    m_runner->start(std::chrono::steady_clock::now(), std::chrono::system_clock::now());
}

void BenchRun::stop(const QString& reason) {
    m_runner->abort(reason.toStdString(), std::chrono::steady_clock::now());
}

void BenchRun::tick() {
    if (running()) {
        m_runner->advance(std::chrono::steady_clock::now());
    }
}

void BenchRun::requestDrainReport() {
    m_link.requestDrainReport();
}

void BenchRun::stepStarted(int test, int step) {
    emit stepChanged(test, step);
}

void BenchRun::stepFinished(int test, int step, const StepResult&) {
    emit stepChanged(test, step);
}

void BenchRun::warning(const std::string& text) {
    emit warningGiven(QString::fromStdString(text));
}

void BenchRun::runFinished() {
    // A run kept for its results has nothing more to hear; the receive path stops telling it.
    m_console.removeListener(*m_runner);
    m_ticker.stop();
    emit ended();
}

}  // namespace tresvik
