#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string_view>
#endif

#include "tools/cli/cli_commands.h"
#ifdef _WIN32
#include "tools/cli/utf8.h"
#endif

namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  tresvik-cli decode [--hex | --dump | --recording] [--events] [--id-log FILE]\n"
    "                     [--csv OUT [--wide]] [--stats] [--stats-json OUT] [FILE]\n"
    "      Runs received bytes through the console's receive path. Input is raw bytes,\n"
    "      hex byte pairs (--hex), a text dump saved by the console (--dump) or a\n"
    "      recording made by monitor --record (--recording).\n"
    "      Prints the parameter list (label TAB value), or with --events one line per\n"
    "      event: RX, CRC, CELL, PRG, DEVID, FLAG, TX, IDLOG, PARTIAL.\n"
    "      --csv writes every value of a numeric parameter in a recording or dump to\n"
    "      OUT, one CSV line each in arrival order: time_utc, t_s, parameter, value,\n"
    "      unit, text. --wide writes one column per parameter instead, each holding\n"
    "      the value in force. Exit status 1 when OUT cannot be written.\n"
    "      --stats prints the link's health counters for the input on standard\n"
    "      error, timed by its lines (see monitor); --stats-json writes them to OUT.\n"
    "  tresvik-cli encode [--seq N] ROW [TEXT]\n"
    "  tresvik-cli encode [--seq N] --param ROW\n"
    "  tresvik-cli encode [--seq N] --button CAPTION\n"
    "      Prints what the console queues for a Tx row, a value request of a parameter\n"
    "      row, or a simulation button: WAKEUP <bytes> when it applies, then TX <frame>.\n"
#ifdef TRESVIK_CLI_LINK
    "  tresvik-cli monitor PORT [--seconds N] [--events] [--record FILE] [--stats]\n"
    "                      [--stats-json OUT]\n"
    "      Opens PORT (a listed name such as SIM-1234 or ttyUSB0, or a device path) as\n"
    "      the console does and decodes what arrives: with --events one line per event\n"
    "      as decode prints them, plus OPEN, CLOSED and OPEN_FAILED <text> <reason>;\n"
    "      otherwise the parameter list at the end. --record writes every byte\n"
    "      received to FILE, which is created (or emptied) when monitor starts: a line\n"
    "      per frame and per run of bytes between frames, each written as soon as it is\n"
    "      complete, for decode --recording. Ends after N seconds, when the port is\n"
    "      closed (unplugged), or on Ctrl+C. --stats prints a line of the link's\n"
    "      health on standard error every second: frames good, damaged and cut off,\n"
    "      noise, bytes, rates over 10 s and line use. --stats-json writes every\n"
    "      counter and rate to OUT as JSON when monitor ends; OUT is created first.\n"
    "      Exit status 1 when the port cannot be opened or the recording or OUT\n"
    "      cannot be written.\n"
    "  tresvik-cli send [--seq N] PORT ROW [TEXT]\n"
    "      Opens PORT, sends Tx row ROW with TEXT (default: the row's value) as the Tx\n"
    "      window does, prints WAKEUP/TX for what was sent and RX/CRC for every frame\n"
    "      received in the next second, then closes the port.\n"
    "  tresvik-cli test SUITE.json --port PORT [--junit OUT.xml] [--record RUN.rec]\n"
    "      Runs the bench tests of SUITE.json over PORT, one progress line per step on\n"
    "      standard error. --junit writes the verdicts as JUnit XML, --record the\n"
    "      received traffic as a recording. Exit status 0 when every test passed, 1\n"
    "      when a test failed or broke a constraint, 2 when the file was refused or the\n"
    "      run could not finish (port missing or busy, adapter unplugged, Ctrl+C); the\n"
    "      report then says what ran.\n"
#endif
    "  tresvik-cli --help | --version\n";

int run(std::vector<std::string> args) {
    using namespace tresvik::cli;
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        (args.empty() ? std::cerr : std::cout) << kUsage;
        return args.empty() ? kExitUsage : 0;
    }
    if (args[0] == "--version") {
        std::cout << "tresvik-cli " TRESVIK_VERSION "\n";
        return 0;
    }
    const std::string command = args[0];
    args.erase(args.begin());
    try {
        if (command == "decode") {
            return runDecode(args, std::cin, std::cout, std::cerr);
        }
        if (command == "encode") {
            return runEncode(args, std::cout);
        }
#ifdef TRESVIK_CLI_LINK
        if (command == "monitor") {
            return runMonitor(args, std::cout, std::cerr);
        }
        if (command == "send") {
            return runSend(args, std::cout, std::cerr);
        }
        if (command == "test") {
            return runTest(args, std::cerr);
        }
#endif
        throw UsageError("unknown command '" + command + "' (try --help)");
    } catch (const UsageError& e) {
        std::cerr << "tresvik-cli: error: " << e.what() << '\n';
        return kExitUsage;
    }
}

}  // namespace

#ifdef _WIN32
// The arguments come as UTF-16 and are handed on as UTF-8, as on Linux: the ANSI code page of
// main's arguments cannot hold every character of a value text or a file name. Standard input
// and output are binary, so raw input keeps its CR LF and Ctrl+Z bytes and the output is the
// same bytes as on Linux.
int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::wstring_view arg(argv[i]);
        args.push_back(tresvik::cli::toUtf8(std::u16string(arg.begin(), arg.end())));
    }
    return run(std::move(args));
}
#else
int main(int argc, char** argv) {
    return run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
