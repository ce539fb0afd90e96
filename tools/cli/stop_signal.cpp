#include "tools/cli/stop_signal.h"

#include <csignal>

namespace tresvik::cli {

std::atomic<bool> StopSignal::s_raised{false};

void StopSignal::install() {
    std::signal(SIGINT, &StopSignal::handle);
    std::signal(SIGTERM, &StopSignal::handle);
}

void StopSignal::handle(int) {
    s_raised = true;
}

}  // namespace tresvik::cli
