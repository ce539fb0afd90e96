#include "tools/sim/sim_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace tresvik::sim {

const char* const kSimUsage =
    "usage: tresvik-sim [options]\n"
    "  Acts as the unit on a new pseudo-terminal (or on --port), printing\n"
    "  'port: <device>' first. The port is registered for the console while it runs.\n"
    "  --rate BYTES_PER_S   line rate (default 960, 9600 baud 8N1; 0 = as fast as possible)\n"
    "  --period MS          start a report cycle at most every MS ms (default 1000)\n"
    "  --cycles N           send N report cycles, then only answer (default: no end)\n"
    "  --replay FILE        instead of report cycles, play the received bytes of FILE: a\n"
    "                       recording, a text dump saved by the console or hex bytes\n"
    "  --speed X            play the replay X times as fast as recorded (default 1)\n"
    "  --as-fast-as-line-rate  play the replay's chunks back to back, ignoring their times\n"
    "  --loop               start the replay again once its last chunk has gone\n"
    "  --answer             answer the console while replaying (default: only listen)\n"
    "  --seed N             seed of the fault injection (default 1)\n"
    "  --crc-errors P       probability of a damaged checksum per frame (0 to 1)\n"
    "  --noise P            probability of noise bytes before a frame (0 to 1)\n"
    "  --bad-length P       probability of a length byte made smaller per frame (0 to 1)\n"
    "  --trace FILE         write every frame sent and received as a hex line\n"
    "  --port PATH          use this existing serial device instead of a pseudo-terminal\n"
    "  --help               print this and exit\n"
    "  --version            print the version and exit\n";

namespace {

double parseReal(const std::string& text, double low, double high, const std::string& what) {
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || errno != 0 || !std::isfinite(value) ||
        value < low || value > high) {
        throw SimUsageError(what + " '" + text + "' is not a number from " + std::to_string(low) +
                            " to " + std::to_string(high));
    }
    return value;
}

// How many times as fast as recorded: above 0.
double parseSpeed(const std::string& text, const std::string& what) {
    const double value = parseReal(text, 0, 1e6, what);
    if (value == 0.0) {
        throw SimUsageError(what + " '" + text + "' must be above 0");
    }
    return value;
}

std::uint64_t parseWhole(const std::string& text, std::uint64_t high, const std::string& what) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        throw SimUsageError(what + " '" + text + "' is not a whole number");
    }
    errno = 0;
    const std::uint64_t value = std::strtoull(text.c_str(), nullptr, 10);
    if (errno == ERANGE || value > high) {
        throw SimUsageError(what + " " + text + " is larger than " + std::to_string(high));
    }
    return value;
}

}  // namespace

SimOptions parseSimOptions(const std::vector<std::string>& args) {
    SimOptions options;
    // The last option read that needs --replay and the last that --replay rules out, checked
    // once every option is read, so that their order on the command line does not matter.
    std::string replayOnly;
    std::string notWithReplay;
    bool speedGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) {
                throw SimUsageError(a + " needs a value");
            }
            return args[++i];
        };
        if (a == "--help" || a == "-h") {
            options.help = true;
        } else if (a == "--version") {
            options.version = true;
        } else if (a == "--rate") {
            options.rate = parseReal(value(), 0, 1e7, a);
        } else if (a == "--period") {
            options.periodMs = static_cast<int>(parseWhole(value(), 3600000, a));
            notWithReplay = a;
        } else if (a == "--cycles") {
            options.cycles = static_cast<std::uint32_t>(parseWhole(value(), 1000000000, a));
            notWithReplay = a;
        } else if (a == "--seed") {
            options.seed = parseWhole(value(), UINT64_MAX, a);
        } else if (a == "--crc-errors") {
            options.faults.crcErrors = parseReal(value(), 0, 1, a);
        } else if (a == "--noise") {
            options.faults.noise = parseReal(value(), 0, 1, a);
        } else if (a == "--bad-length") {
            options.faults.badLength = parseReal(value(), 0, 1, a);
        } else if (a == "--trace") {
            options.tracePath = value();
        } else if (a == "--port") {
            options.portPath = value();
        } else if (a == "--replay") {
            options.replayPath = value();
            if (options.replayPath.empty()) {
                throw SimUsageError("--replay needs a file name");
            }
        } else if (a == "--speed") {
            options.speed = parseSpeed(value(), a);
            speedGiven = true;
            replayOnly = a;
        } else if (a == "--as-fast-as-line-rate") {
            options.asFastAsLineRate = true;
            replayOnly = a;
        } else if (a == "--loop") {
            options.loop = true;
            replayOnly = a;
        } else if (a == "--answer") {
            options.answer = true;
            replayOnly = a;
        } else {
            throw SimUsageError("unknown argument '" + a + "' (try --help)");
        }
    }
    if (options.replayPath.empty() && !replayOnly.empty()) {
        throw SimUsageError(replayOnly + " is only for --replay");
    }
    if (!options.replayPath.empty() && !notWithReplay.empty()) {
        throw SimUsageError(notWithReplay + " is for report cycles and does not go with --replay");
    }
    if (speedGiven && options.asFastAsLineRate) {
        throw SimUsageError("--speed and --as-fast-as-line-rate do not go together");
    }
    return options;
}

}  // namespace tresvik::sim
