#include <array>
#include <atomic>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "decode/receive_path.h"
#include "log/id_log.h"
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

}  // namespace

int runDecode(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
              std::ostream& err) {
    InputFormat format = InputFormat::Raw;
    std::string formatOption;
    bool events = false;
    std::string idLogFile;
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
    reader.read(args, [&inputFile](const std::string& arg) {
        if (!inputFile.empty()) {
            throw UsageError("decode: more than one input file ('" + inputFile + "' and '" + arg +
                             "')");
        }
        inputFile = arg;
    });

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
    const Bytes& bytes = std::get<Bytes>(parsed);

    IdLog idLog;
    if (!idLogFile.empty()) {
        idLog.load(pathFromUtf8(idLogFile));
    }
    const std::atomic<bool> closing{false};
    EventPrinter printer(out, events);
    ReceivePath path(nullptr, closing, &idLog, &printer);
    path.push(bytes);

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
    return 0;
}

}  // namespace tresvik::cli
