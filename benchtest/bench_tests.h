#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

#include "benchtest/bench_run.h"
#include "benchtest/bench_test_window.h"

class QWidget;

namespace tresvik {

class ConsoleSession;
class LinkHealthMonitor;
class LinkSession;

// Bench tests in the console: a suite file read and run over the main window's connection, as one
// more listener beside the windows, and the Test window that follows the run, made on first use
// and kept for the runs after it. One run at a time; the last one stays to be looked at until the
// next starts.
class BenchTests : public QObject {
    Q_OBJECT
public:
    // Runs over `link` and `console`, with the counters and the port of `health`; the Test
    // window and the messages belong to `owner`.
    BenchTests(LinkSession& link, ConsoleSession& console, const LinkHealthMonitor& health,
               QWidget& owner);
    ~BenchTests() override;

    // Asks for a suite file, starting in the folder of the last one, and runs it.
    void chooseAndRun();
    // Reads the suite at `path` and runs it over the open connection. A file that cannot be
    // run, or a closed port, is told in a message box and nothing is sent. Whether a run started.
    bool runFile(const QString& path);
    // Whether a run is going on; another cannot start meanwhile.
    bool running() const;
    // Closes the window at shutdown, which stops a run still going on.
    void close();

    // The window once it has been made.
    BenchTestWindow* window() const { return m_window; }
    // The last run, once there has been one.
    const BenchRun* run() const { return m_run.get(); }

private:
    bool runFileFrom(const QString& path, QWidget& parent);
    BenchTestWindow& ensureWindow();
    static void tell(QWidget& parent, const QString& text, bool warning);

    LinkSession& m_link;
    ConsoleSession& m_console;
    const LinkHealthMonitor& m_health;
    QWidget& m_owner;
    QPointer<BenchTestWindow> m_window;
    std::unique_ptr<BenchRun> m_run;
    // The file of the last run, for Run again.
    QString m_path;
};

}  // namespace tresvik
