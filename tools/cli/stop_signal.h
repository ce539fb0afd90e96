#pragma once

#include <atomic>

namespace tresvik::cli {

// Ctrl+C and termination requests, noted for the event loop to act on.
class StopSignal {
public:
    // Catches SIGINT and SIGTERM from now on.
    static void install();
    static bool raised() { return s_raised.load(); }

private:
    static void handle(int signal);
    static std::atomic<bool> s_raised;
};

}  // namespace tresvik::cli
