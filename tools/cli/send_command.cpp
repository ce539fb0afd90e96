#include <QCoreApplication>
#include <QTimer>

#include <iostream>

#include "commands/command_encoder.h"
#include "commands/command_table.h"
#include "link/frame_writer.h"
#include "link/port_enumerator.h"
#include "link/serial_link_session.h"
#include "session/console_session.h"
#include "tools/cli/cli_commands.h"
#include "tools/cli/event_printer.h"

namespace tresvik::cli {

namespace {

constexpr int kListenMs = 1000;

// Prints the frames sent and received, good or bad, and nothing of what the console makes of
// them.
class FramePrinter : public ConsoleListener {
public:
    explicit FramePrinter(std::ostream& out) : m_out(out) {}
    void frameReceived(const ReceivedFrame& frame) override {
        m_out << "RX\t" << hexBytes(frame.bytes) << '\n';
    }
    void checksumError(const ReceivedFrame& frame) override {
        m_out << "CRC\t" << hexBytes(frame.bytes) << '\n';
    }
    void frameSent(ByteView frame) override { m_out << "TX\t" << hexBytes(frame) << '\n'; }
    void wakeUpSent() override {
        m_out << "WAKEUP\t" << hexBytes(Bytes(FrameWriter::kWakeUpLength, 0)) << '\n';
    }

private:
    std::ostream& m_out;
};

}  // namespace

int runSend(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    long sequence = 0;
    std::vector<std::string> positional;
    ArgumentReader reader("send", ArgumentReader::DashedPositionals::Allowed);
    reader.number("--seq", 0, 65535, sequence);
    reader.read(args, [&positional](const std::string& arg) { positional.push_back(arg); });
    if (positional.size() < 2 || positional.size() > 3) {
        throw UsageError("send: expected PORT ROW [TEXT]");
    }
    const std::string& port = positional[0];
    const int row =
        static_cast<int>(parseNumber(positional[1], 0, kCommandCount - 1, "command row"));
    const std::u16string text =
        commandValueText(row, positional.size() == 3 ? &positional[2] : nullptr, "send");

    int argc = 1;
    char name[] = "tresvik-cli";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    FramePrinter printer(out);
    SerialLinkSession session;
    ConsoleSession console(session.transmitQueue(), session.portOpenFlag(),
                           {.trafficLog = false, .idLog = false});
    console.addListener(printer);
    console.frameWriter().setSequenceNumber(static_cast<std::uint16_t>(sequence));
    session.setReceiver([&](const ReceivedBytes& bytes) { console.receive(bytes); });
    int status = 0;

    QObject::connect(&session, &LinkSession::opened, [&] {
        console.linkOpened();
        // The row goes out as the Tx window sends it.
        sendRow(console.frameWriter(), row, text);
        out << std::flush;
        QTimer::singleShot(kListenMs, &session, &SerialLinkSession::shutdown);
    });
    QObject::connect(&session, &LinkSession::closed, &session, &SerialLinkSession::shutdown);
    QObject::connect(
        &session, &LinkSession::openFailed, [&](const QString&, const QString& reason) {
            err << "tresvik-cli: cannot open " << port << ": " << reason.toStdString() << '\n';
            status = 1;
            session.shutdown();
        });
    QObject::connect(&session, &LinkSession::failure, [&](const QString& message) {
        err << "tresvik-cli: " << message.toStdString() << '\n';
        status = 1;
    });
    QObject::connect(&session, &LinkSession::received, [&] { out.flush(); });
    QObject::connect(&session, &LinkSession::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    session.connectPort(devicePathFor(QString::fromStdString(port)));
    app.exec();
    return status;
}

}  // namespace tresvik::cli
