#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

#include "benchtest/bench_link.h"
#include "benchtest/bench_run_observer.h"
#include "benchtest/bench_suite.h"
#include "benchtest/suite_runner.h"

namespace tresvik {

class ConsoleSession;
class LinkHealth;
class LinkSession;

// A bench test run over the console's open connection, for the command line and the Test window
// alike: the runner listens to the console session, sends through its frame writer, learns from
// the link when its sends have left the port, and is given the time after every drain of the
// receive queue and every few milliseconds between.
class BenchRun : public QObject, private BenchLink, private BenchRunObserver {
    Q_OBJECT
public:
    // Often enough that a wait or a time-out ends within a few milliseconds of its time; the
    // answers themselves are timed by their arrival, not by this.
    static constexpr int kTickMs = 10;

    BenchRun(BenchSuite suite, LinkSession& link, ConsoleSession& console, const LinkHealth& health,
             SuiteRunner::Settings settings, QObject* parent = nullptr);
    ~BenchRun() override;

    void start();
    // Ends the run at once with `reason`: the step under way is aborted, the rest skipped.
    void stop(const QString& reason);

    const SuiteRunner& runner() const { return *m_runner; }
    bool running() const { return m_started && !m_runner->finished(); }

signals:
    // A step started or has its verdict: runner().result() says which.
    void stepChanged(int test, int step);
    void warningGiven(const QString& text);
    // The run is over, whatever its verdict.
    void ended();

private:
    void requestDrainReport() override;
    void stepStarted(int test, int step) override;
    void stepFinished(int test, int step, const StepResult& result) override;
    void warning(const std::string& text) override;
    void runFinished() override;
    void tick();

    const BenchSuite m_suite;
    LinkSession& m_link;
    ConsoleSession& m_console;
    std::unique_ptr<SuiteRunner> m_runner;
    QTimer m_ticker;
    bool m_started = false;
};

}  // namespace tresvik
