#include <QCoreApplication>
#include <QSysInfo>
#include <QTimer>

#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>

#include "benchtest/bench_run.h"
#include "benchtest/junit_report.h"
#include "benchtest/latency_summary.h"
#include "benchtest/suite_reader.h"
#include "health/link_health.h"
#include "link/adapter_latency.h"
#include "link/port_enumerator.h"
#include "link/serial_link_session.h"
#include "session/console_session.h"
#include "tools/cli/cli_commands.h"
#include "tools/cli/recording_writer.h"
#include "tools/cli/stop_signal.h"
#include "tools/cli/utf8.h"

namespace tresvik::cli {

namespace {

constexpr int kStopCheckMs = 50;
constexpr int kExitFailed = 1;
constexpr int kExitInfrastructure = 2;

std::string readWholeFile(const std::string& path) {
    std::ifstream in(pathFromUtf8(path), std::ios::binary);
    if (!in) {
        throw UsageError("cannot read test file '" + path + "'");
    }
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string millisecondsText(std::chrono::microseconds time) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", static_cast<double>(time.count()) / 1e3);
    return text;
}

}  // namespace

int runTest(const std::vector<std::string>& args, std::ostream& err) {
    std::string suiteFile;
    std::string port;
    std::string junitFile;
    std::string recordFile;
    ArgumentReader reader("test", ArgumentReader::DashedPositionals::Refused);
    reader.option("--port", "a port", port);
    reader.option("--junit", "a file name", junitFile);
    reader.option("--record", "a file name", recordFile);
    reader.read(args, [&suiteFile](const std::string& arg) {
        if (!suiteFile.empty()) {
            throw UsageError("test: more than one test file ('" + suiteFile + "' and '" + arg +
                             "')");
        }
        suiteFile = arg;
    });
    if (suiteFile.empty() || port.empty()) {
        throw UsageError("test: expected SUITE.json --port PORT");
    }
    // The file is refused before anything is opened, let alone sent.
    auto read = readSuite(readWholeFile(suiteFile), suiteFile);
    if (const auto* refusal = std::get_if<SuiteRefusal>(&read)) {
        err << "tresvik-cli: " << refusal->text() << '\n';
        return kExitInfrastructure;
    }
    BenchSuite suite = std::move(std::get<BenchSuite>(read));
    std::ofstream junit;
    if (!junitFile.empty()) {
        junit.open(pathFromUtf8(junitFile), std::ios::binary | std::ios::trunc);
        if (!junit) {
            throw UsageError("cannot create report '" + junitFile + "'");
        }
    }
    std::unique_ptr<RecordingWriter> recording;
    if (!recordFile.empty()) {
        recording = std::make_unique<RecordingWriter>(recordFile);
    }

    int argc = 1;
    char name[] = "tresvik-cli";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    SerialLinkSession link;
    const int baudRate = PortSettings{}.baudRate;
    ConsoleSession console(link.transmitQueue(), link.portOpenFlag(),
                           {.trafficLog = false, .idLog = false, .baudRate = baudRate});
    LinkHealth health(baudRate);
    console.addListener(health);
    const QString devicePath = devicePathFor(QString::fromStdString(port));
    SuiteRunner::Settings settings;
    settings.baudRate = baudRate;
    if (const int latency = adapterLatencyTimerMs(devicePath); latency >= 0) {
        settings.adapterLatency = std::chrono::milliseconds(latency);
    }
    BenchRun run(std::move(suite), link, console, health, settings);

    bool recordingFailed = false;
    if (recording) {
        link.setArrivalWatcher([&](std::uint8_t byte, ArrivalTime arrival) {
            if (!recording->push(ByteView(&byte, 1), arrival) && !recordingFailed) {
                recordingFailed = true;
                QMetaObject::invokeMethod(
                    &run, [&] { run.stop(QString::fromStdString(recording->error())); },
                    Qt::QueuedConnection);
            }
        });
    }
    link.setReceiver([&](const ReceivedBytes& bytes) { console.receive(bytes); });

    QObject::connect(&run, &BenchRun::warningGiven, [&](const QString& text) {
        err << "tresvik-cli: warning: " << text.toStdString() << '\n' << std::flush;
    });
    QObject::connect(&run, &BenchRun::stepChanged, [&](int test, int step) {
        if (run.runner().result(test, step).state != StepState::Running) {
            err << stepLine(run.runner(), test, step) << '\n' << std::flush;
        }
    });
    // Queued: the last verdict may come from inside the receive path, no place to stop the link.
    QObject::connect(&run, &BenchRun::ended, &link, &SerialLinkSession::shutdown,
                     Qt::QueuedConnection);
    QObject::connect(&link, &LinkSession::opened, [&] {
        console.linkOpened();
        if (recording) {
            recording->begin(devicePath.toStdString());
        }
        run.start();
    });
    // An adapter pulled out fails its read first; the close that follows ends the run anyway.
    QObject::connect(&link, &LinkSession::failure, [&](const QString& text) {
        run.stop(
            QStringLiteral("the port failed (%1); was the adapter unplugged?").arg(text.trimmed()));
    });
    QObject::connect(&link, &LinkSession::closed, [&] {
        console.linkClosed();
        link.shutdown();
    });
    QObject::connect(&link, &LinkSession::openFailed, [&](const QString&, const QString& reason) {
        run.stop(QStringLiteral("cannot open %1: %2").arg(QString::fromStdString(port), reason));
        link.shutdown();
    });
    QObject::connect(&link, &LinkSession::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    StopSignal::install();
    QTimer stopCheck;
    QObject::connect(&stopCheck, &QTimer::timeout, [&] {
        if (StopSignal::raised()) {
            run.stop(QStringLiteral("stopped by the user"));
            link.shutdown();
        }
    });
    stopCheck.start(kStopCheckMs);

    link.connectPort(devicePath);
    app.exec();
    // Whatever ended the link (an unplugged adapter, Ctrl+C), the report says what ran.
    run.stop(QStringLiteral("the link ended before the run did"));
    if (recording) {
        recording->finish();
    }

    const SuiteRunner& runner = run.runner();
    const LatencySummary latency = summarizeLatencies(runLatencies(runner));
    if (latency.count > 0) {
        err << "latency over " << latency.count << " steps: min " << millisecondsText(latency.min)
            << ", median " << millisecondsText(latency.median) << ", p95 "
            << millisecondsText(latency.p95) << ", max " << millisecondsText(latency.max) << '\n';
    }
    int status = runner.verdict() == RunVerdict::Passed   ? 0
                 : runner.verdict() == RunVerdict::Failed ? kExitFailed
                                                          : kExitInfrastructure;
    if (junit.is_open()) {
        junit << junitReport(runner, QSysInfo::machineHostName().toStdString()) << std::flush;
        if (!junit) {
            err << "tresvik-cli: cannot write report '" << junitFile << "'\n";
            status = kExitInfrastructure;
        }
    }
    if (recording && !recording->error().empty()) {
        err << "tresvik-cli: " << recording->error() << '\n';
        status = kExitInfrastructure;
    }
    const char* verdict = status == 0 ? "passed" : status == kExitFailed ? "FAILED" : "ERROR";
    err << "suite '" << runner.suite().name << "': " << verdict << " in "
        << millisecondsText(runner.runDuration()) << '\n';
    return status;
}

}  // namespace tresvik::cli
