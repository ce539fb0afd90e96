#include <QCoreApplication>
#include <QTimer>

#include <iostream>
#include <memory>

#include "link/port_enumerator.h"
#include "link/serial_link_session.h"
#include "session/console_session.h"
#include "tools/cli/cli_commands.h"
#include "tools/cli/event_printer.h"
#include "tools/cli/recording_writer.h"
#include "tools/cli/stop_signal.h"

namespace tresvik::cli {

namespace {

constexpr int kStopCheckMs = 100;

}  // namespace

int runMonitor(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    bool events = false;
    long seconds = 0;
    std::string port;
    std::string recordFile;
    ArgumentReader reader("monitor", ArgumentReader::DashedPositionals::Refused);
    reader.flag("--events", events);
    reader.number("--seconds", 1, 86400, seconds);
    reader.option("--record", "a file name", recordFile);
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

    int argc = 1;
    char name[] = "tresvik-cli";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    EventPrinter printer(out, events);
    SerialLinkSession session;
    ConsoleSession console(session.transmitQueue(), session.portOpenFlag(),
                           {.trafficLog = false, .idLog = false});
    console.addListener(printer);
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
    if (seconds > 0) {
        QTimer::singleShot(static_cast<int>(seconds * 1000), &session,
                           &SerialLinkSession::shutdown);
    }

    session.connectPort(devicePath);
    app.exec();
    if (recording) {
        recorded(recording->finish());
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
