#include <atomic>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>

#include "decode/receive_path.h"
#include "log/id_log.h"
#include "tools/cli/byte_input.h"
#include "tools/cli/cli_commands.h"
#include "tools/cli/event_printer.h"
#include "tools/cli/utf8.h"

namespace tresvik::cli {

namespace {

std::optional<InputFormat> inputFormatOption(const std::string& option) {
    if (option == "--hex") {
        return InputFormat::Hex;
    }
    if (option == "--dump") {
        return InputFormat::Dump;
    }
    if (option == "--recording") {
        return InputFormat::Recording;
    }
    return std::nullopt;
}

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
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (const auto named = inputFormatOption(a)) {
            if (!formatOption.empty() && formatOption != a) {
                throw UsageError("decode: " + formatOption + " and " + a +
                                 " cannot be used together");
            }
            formatOption = a;
            format = *named;
        } else if (a == "--events") {
            events = true;
        } else if (a == "--id-log") {
            if (i + 1 >= args.size()) {
                throw UsageError("--id-log needs a file name");
            }
            idLogFile = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError("decode: unknown option '" + a + "'");
        } else if (inputFile.empty()) {
            inputFile = a;
        } else {
            throw UsageError("decode: more than one input file ('" + inputFile + "' and '" + a +
                             "')");
        }
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
