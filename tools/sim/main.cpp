#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "tools/sim/fault_injector.h"
#include "tools/sim/replay_file.h"
#include "tools/sim/replay_scheduler.h"
#include "tools/sim/sim_options.h"
#include "tools/sim/sim_port.h"
#include "tools/sim/sim_runner.h"
#include "tools/sim/trace_writer.h"
#include "tools/sim/unit_model.h"

namespace {

int g_stopWrite = -1;

void requestStop(int) {
    const char byte = 0;
    [[maybe_unused]] const ssize_t ignored = ::write(g_stopWrite, &byte, 1);
}

// SIGINT, SIGTERM and SIGHUP end the run through a pipe, so that the registration is removed on
// the way out.
int installStopSignals() {
    int fds[2];
    if (::pipe(fds) != 0) {
        return -1;
    }
    ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
    g_stopWrite = fds[1];
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
    ::signal(SIGPIPE, SIG_IGN);
    return fds[0];
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tresvik::sim;
    SimOptions options;
    try {
        options = parseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const SimUsageError& e) {
        std::cerr << "tresvik-sim: error: " << e.what() << '\n' << kSimUsage;
        return 2;
    }
    if (options.help) {
        std::cout << kSimUsage;
        return 0;
    }
    if (options.version) {
        std::cout << "tresvik-sim " TRESVIK_VERSION "\n";
        return 0;
    }
    // A file that cannot be replayed is refused before a port appears for a console to open.
    std::optional<ReplayScheduler> replay;
    if (!options.replayPath.empty()) {
        std::variant<tresvik::TimedBytes, std::string> loaded = loadReplayFile(options.replayPath);
        if (const auto* reason = std::get_if<std::string>(&loaded)) {
            std::cerr << "tresvik-sim: " << *reason << '\n';
            return 2;
        }
        replay.emplace(std::move(std::get<tresvik::TimedBytes>(loaded)),
                       options.asFastAsLineRate ? ReplayTiming::BackToBack : ReplayTiming::Recorded,
                       options.speed);
    }
    const int stopFd = installStopSignals();
    if (stopFd < 0) {
        std::cerr << "tresvik-sim: cannot set up signal handling\n";
        return 1;
    }
    std::unique_ptr<TraceWriter> trace;
    if (!options.tracePath.empty()) {
        trace = std::make_unique<TraceWriter>(options.tracePath);
        if (!trace->isOpen()) {
            std::cerr << "tresvik-sim: cannot write the trace file " << options.tracePath << '\n';
            return 1;
        }
    }
    try {
        SimPort port(options.portPath);
        std::cout << "port: " << port.devicePath() << std::endl;
        if (!port.registration().empty()) {
            std::cout << "registered: " << port.registration() << std::endl;
        }
        UnitModel model;
        FaultInjector faults(options.seed, options.faults);
        SimRunner runner(options, port, model, faults, trace.get(), replay ? &*replay : nullptr);
        runner.run(stopFd);
    } catch (const std::runtime_error& e) {
        std::cerr << "tresvik-sim: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
