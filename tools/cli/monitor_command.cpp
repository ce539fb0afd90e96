#include <QCoreApplication>
#include <QTimer>

#include <fstream>
#include <iostream>
#include <memory>

#include "health/health_report.h"
#include "health/link_health.h"
#include "link/port_enumerator.h"
#include "link/serial_link_session.h"
#include "session/console_session.h"
#include "tools/cli/cli_commands.h"
#include "tools/cli/event_printer.h"
#include "tools/cli/recording_writer.h"
#include "tools/cli/stop_signal.h"
#include "tools/cli/utf8.h"

namespace tresvik::cli {

namespace {

constexpr int kStopCheckMs = 100;
constexpr int kStatsEveryMs = 1000;

}  // namespace

int runMonitor(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    bool events = false;
    bool stats = false;
    long seconds = 0;
    std::string port;
    std::string recordFile;
    std::string statsFile;
    ArgumentReader reader("monitor", ArgumentReader::DashedPositionals::Refused);
    reader.flag("--events", events);
    reader.number("--seconds", 1, 86400, seconds);
    reader.option("--record", "a file name", recordFile);
    reader.flag("--stats", stats);
    reader.option("--stats-json", "a file name", statsFile);
    reader.read(args, [&port](const std::string& arg) {
        if (!port.empty()) {
            throw UsageError("monitor: more than one port ('" + port + "' and '" + arg + "')");
        }
        port = arg;
    });
    if (port.empty()) {
        throw UsageError("monitor: expected PORT");
    }
    // Before the port opens, so that a recording that cannot be written costs no session.
    std::unique_ptr<RecordingWriter> recording;
    if (!recordFile.empty()) {
        recording = std::make_unique<RecordingWriter>(recordFile);
    }
    std::ofstream statsJson;
    if (!statsFile.empty()) {
        statsJson.open(pathFromUtf8(statsFile), std::ios::binary | std::ios::trunc);
        if (!statsJson) {
            throw UsageError("cannot create statistics file '" + statsFile + "'");
        }
    }

    int argc = 1;
    char name[] = "tresvik-cli";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    EventPrinter printer(out, events);
    SerialLinkSession session;
    const int baudRate = PortSettings{}.baudRate;
    ConsoleSession console(session.transmitQueue(), session.portOpenFlag(),
                           {.trafficLog = false, .idLog = false, .baudRate = baudRate});
    console.addListener(printer);
    LinkHealth health(baudRate);
    console.addListener(health);
    const QString devicePath = devicePathFor(QString::fromStdString(port));
    int status = 0;
    // Ends the session the first time the recording cannot be written; it is what was asked for.
    // The end is queued: a byte's arrival is no place to stop the worker that delivers it.
    auto recorded = [&](bool written) {
        if (!written && status == 0) {
            err << "tresvik-cli: " << recording->error() << '\n';
            status = 1;
            QMetaObject::invokeMethod(&session, &SerialLinkSession::shutdown, Qt::QueuedConnection);
        }
    };
    // Each byte is timed as it arrives, not by the 50 ms drain that hands it on, and is in the
    // file before the receive path reports its frame.
    if (recording) {
        session.setArrivalWatcher([&](std::uint8_t byte, ArrivalTime arrival) {
            recorded(recording->push(ByteView(&byte, 1), arrival));
        });
    }
    session.setReceiver([&](const ReceivedBytes& bytes) { console.receive(bytes); });

    QObject::connect(&session, &LinkSession::opened, [&] {
        console.linkOpened();
        if (recording) {
            recorded(recording->begin(devicePath.toStdString()));
        }
        if (events) {
            out << "OPEN\n" << std::flush;
        }
    });
    QObject::connect(&session, &LinkSession::closed, [&] {
        console.linkClosed();
        if (events) {
            out << "CLOSED\n" << std::flush;
        }
        session.shutdown();
    });
    QObject::connect(
        &session, &LinkSession::openFailed, [&](const QString& text, const QString& reason) {
            if (events) {
                out << "OPEN_FAILED\t" << fieldText(text.toStdU16String()) << '\t'
                    << fieldText(reason.toStdU16String()) << '\n'
                    << std::flush;
            }
            err << "tresvik-cli: cannot open " << port << ": " << reason.toStdString() << '\n';
            status = 1;
            session.shutdown();
        });
    QObject::connect(&session, &LinkSession::failure, [&](const QString& text) {
        err << "tresvik-cli: " << text.toStdString() << '\n';
    });
    QObject::connect(&session, &LinkSession::received, [&] { out.flush(); });
    QObject::connect(&session, &LinkSession::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    StopSignal::install();
    QTimer stopCheck;
    QObject::connect(&stopCheck, &QTimer::timeout, [&] {
        if (StopSignal::raised()) {
            session.shutdown();
        }
    });
    stopCheck.start(kStopCheckMs);
    QTimer statsLine;
    if (stats) {
        QObject::connect(&statsLine, &QTimer::timeout, [&] {
            err << healthSummary(health, std::chrono::steady_clock::now()) << '\n' << std::flush;
        });
        statsLine.start(kStatsEveryMs);
    }
    if (seconds > 0) {
        QTimer::singleShot(static_cast<int>(seconds * 1000), &session,
                           &SerialLinkSession::shutdown);
    }

    session.connectPort(devicePath);
    app.exec();
    if (recording) {
        recorded(recording->finish());
    }
    if (statsJson.is_open()) {
        statsJson << healthJson(health, std::chrono::steady_clock::now(), port) << std::flush;
        if (!statsJson) {
            err << "tresvik-cli: cannot write statistics file '" << statsFile << "'\n";
            status = 1;
        }
    }

    if (!events) {
        printer.printValues();
        const auto& c = console.receivePath().counters();
        err << "good frames: " << c.goodFrames << ", checksum errors: " << c.checksumErrors
            << ", bytes outside frames: " << c.bytesOutsideFrames << '\n';
    }
    return status;
}

}  // namespace tresvik::cli
