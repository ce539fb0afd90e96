#include <array>
#include <atomic>
#include <chrono>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>

#include "health/health_report.h"
#include "health/link_health.h"
#include "link/transmit_queue.h"
#include "log/log_line.h"
#include "plot/csv_export.h"
#include "plot/trend_history.h"
#include "session/console_session.h"
#include "tools/cli/byte_input.h"
#include "tools/cli/cli_commands.h"
#include "tools/cli/event_printer.h"
#include "tools/cli/utf8.h"

namespace tresvik::cli {

namespace {

struct InputFormatOption {
    const char* name;
    InputFormat format;
};

constexpr std::array<InputFormatOption, 3> kInputFormatOptions{{
    {"--hex", InputFormat::Hex},
    {"--dump", InputFormat::Dump},
    {"--recording", InputFormat::Recording},
}};

std::string readAll(std::istream& in) {
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

// When a recording's port opened, in UTC, as its comment gives it in local time.
std::optional<TrendHistory::Utc> recordingStartUtc(std::string_view recording) {
    const std::optional<std::tm> local = recordingStartTime(recording);
    if (!local) {
        return std::nullopt;
    }
    const std::optional<std::time_t> seconds = localCalendarSeconds(*local);
    if (!seconds) {
        return std::nullopt;
    }
    return std::chrono::system_clock::from_time_t(*seconds);
}

}  // namespace

int runDecode(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
              std::ostream& err) {
    InputFormat format = InputFormat::Raw;
    std::string formatOption;
    bool events = false;
    bool wide = false;
    bool stats = false;
    std::string statsFile;
    std::string idLogFile;
    std::string csvFile;
    std::string inputFile;
    ArgumentReader reader("decode", ArgumentReader::DashedPositionals::Refused);
    for (const InputFormatOption& option : kInputFormatOptions) {
        reader.flag(option.name, [&format, &formatOption, option] {
            if (!formatOption.empty() && formatOption != option.name) {
                throw UsageError("decode: " + formatOption + " and " + option.name +
                                 " cannot be used together");
            }
            formatOption = option.name;
            format = option.format;
        });
    }
    reader.flag("--events", events);
    reader.option("--id-log", "a file name", idLogFile);
    reader.option("--csv", "a file name", csvFile);
    reader.flag("--wide", wide);
    reader.flag("--stats", stats);
    reader.option("--stats-json", "a file name", statsFile);
    reader.read(args, [&inputFile](const std::string& arg) {
        if (!inputFile.empty()) {
            throw UsageError("decode: more than one input file ('" + inputFile + "' and '" + arg +
                             "')");
        }
        inputFile = arg;
    });
    const bool timed = format == InputFormat::Recording || format == InputFormat::Dump;
    if (!csvFile.empty() && !timed) {
        throw UsageError(
            "decode: --csv needs --recording or --dump, whose lines carry their times");
    }
    if (wide && csvFile.empty()) {
        throw UsageError("decode: --wide goes with --csv");
    }

    std::string data;
    if (inputFile.empty() || inputFile == "-") {
        data = readAll(in);
    } else {
        std::ifstream file(pathFromUtf8(inputFile), std::ios::binary);
        if (!file) {
            throw UsageError("cannot open input file '" + inputFile + "'");
        }
        data = readAll(file);
    }
    const auto parsed = parseInput(data, format);
    if (const auto* error = std::get_if<InputError>(&parsed)) {
        throw UsageError((inputFile.empty() ? std::string("standard input") : inputFile) + ": " +
                         error->message);
    }
    // Before decoding, so that a file that cannot be written costs no work.
    std::ofstream csv;
    if (!csvFile.empty()) {
        csv.open(pathFromUtf8(csvFile), std::ios::binary | std::ios::trunc);
        if (!csv) {
            throw UsageError("cannot create CSV file '" + csvFile + "'");
        }
    }
    std::ofstream statsJson;
    if (!statsFile.empty()) {
        statsJson.open(pathFromUtf8(statsFile), std::ios::binary | std::ios::trunc);
        if (!statsJson) {
            throw UsageError("cannot create statistics file '" + statsFile + "'");
        }
    }

    // Nothing is sent: the queue and the closed port only complete the session.
    TransmitQueue queue;
    const std::atomic<bool> portOpen{false};
    ConsoleSession session(queue, portOpen, {.trafficLog = false, .idLog = true});
    if (!idLogFile.empty()) {
        session.idLog().load(pathFromUtf8(idLogFile));
    }
    EventPrinter printer(out, events);
    session.addListener(printer);
    // A file's times count from its start; a dump's stamps carry no date.
    TrendHistory history;
    if (!csvFile.empty()) {
        history.begin(ArrivalTime{},
                      format == InputFormat::Recording ? recordingStartUtc(data) : std::nullopt);
        session.addListener(history);
    }
    // The input is one session of the port: it opened where the file's times count from, and
    // closed with its last line.
    const bool health = stats || !statsFile.empty();
    LinkHealth linkHealth;
    if (health) {
        session.addListener(linkHealth);
        linkHealth.portOpened(ArrivalTime{}, {});
    }
    ArrivalTime end{};
    for (const TimedChunk& chunk : std::get<TimedBytes>(parsed)) {
        end = ArrivalTime{} + std::chrono::milliseconds(chunk.offsetMs);
        session.receive(ReceivedBytes(chunk.bytes, end));
    }
    if (health) {
        session.linkClosed(end);
    }
    const ReceivePath& path = session.receivePath();

    if (events) {
        if (path.partialSize() > 0) {
            out << "PARTIAL\t" << path.partialSize() << '\n';
        }
    } else {
        printer.printValues();
        const auto& c = path.counters();
        err << "good frames: " << c.goodFrames << ", checksum errors: " << c.checksumErrors
            << ", bytes outside frames: " << c.bytesOutsideFrames;
        if (path.partialSize() > 0) {
            err << ", incomplete frame: " << path.partialSize() << " bytes";
        }
        err << '\n';
    }
    if (stats) {
        err << healthSummary(linkHealth, end) << '\n';
    }
    if (statsJson.is_open()) {
        statsJson << healthJson(linkHealth, end, inputFile.empty() ? "-" : inputFile) << std::flush;
        if (!statsJson) {
            err << "tresvik-cli: cannot write statistics file '" << statsFile << "'\n";
            return 1;
        }
    }
    if (!csvFile.empty()) {
        CsvExportOptions options;
        options.layout = wide ? CsvLayout::Wide : CsvLayout::Long;
        if (exportCsv(history.samples(), options, csv) != CsvExportResult::Written) {
            err << "tresvik-cli: cannot write CSV file '" << csvFile << "'\n";
            return 1;
        }
        if (history.samples().notKept() > 0) {
            err << "tresvik-cli: " << csvFile << " ends " << kLastSampleTimeMs / 1000
                << " s into the input; the " << history.samples().notKept()
                << " values after that are not in it\n";
        }
    }
    return 0;
}

}  // namespace tresvik::cli
