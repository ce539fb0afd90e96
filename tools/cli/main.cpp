#include <iostream>
#include <string>
#include <vector>

#include "tools/cli/cli_commands.h"

namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  tresvik-cli decode [--hex | --dump] [--events] [--id-log FILE] [FILE]\n"
    "      Runs received bytes through the console's receive path. Input is raw bytes,\n"
    "      hex byte pairs (--hex) or a text dump saved by the console (--dump).\n"
    "      Prints the parameter list (label TAB value), or with --events one line per\n"
    "      event: RX, CRC, CELL, PRG, DEVID, FLAG, TX, IDLOG, PARTIAL.\n"
    "  tresvik-cli encode [--seq N] ROW [TEXT]\n"
    "  tresvik-cli encode [--seq N] --param ROW\n"
    "  tresvik-cli encode [--seq N] --button CAPTION\n"
    "      Prints what the console queues for a Tx row, a value request of a parameter\n"
    "      row, or a simulation button: WAKEUP <bytes> when it applies, then TX <frame>.\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace tresvik::cli;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        (args.empty() ? std::cerr : std::cout) << kUsage;
        return args.empty() ? kExitUsage : 0;
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
        throw UsageError("unknown command '" + command + "' (try --help)");
    } catch (const UsageError& e) {
        std::cerr << "tresvik-cli: error: " << e.what() << '\n';
        return kExitUsage;
    }
}
