// What a day of values at the line rate costs the console in memory: a synthetic 24-hour session
// goes through the receive path into a trend history as fast as it can, and the resident set
// size is read before and after.
//
//   build-release/bench/trend_memory [HOURS]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/synthetic_session.h"
#include "decode/receive_path.h"
#include "plot/trend_history.h"

namespace {

// A line of /proc/self/status, such as VmRSS or VmHWM, in kibibytes.
long statusKib(const std::string& name) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(name + ":")) {
            return std::strtol(line.c_str() + name.size() + 1, nullptr, 10);
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tresvik;
    const double hours = argc > 1 ? std::atof(argv[1]) : 24;
    const auto frames = static_cast<std::uint64_t>(hours * 3600 * kFramesPerSecond);
    const std::vector<int> rows = numericRows();

    const long before = statusKib("VmRSS");
    TrendHistory history;
    const ArrivalTime start = std::chrono::steady_clock::now();
    history.begin(start, std::chrono::system_clock::now());
    const std::atomic<bool> closing{false};
    ReceivePath path(nullptr, closing, nullptr, &history);
    const auto began = std::chrono::steady_clock::now();
    for (std::uint64_t f = 0; f < frames; ++f) {
        const int row = rows[f % rows.size()];
        path.push(syntheticFrame(row, syntheticValue(row, f)),
                  start + std::chrono::milliseconds(f * kFrameGapMs));
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    const long after = statusKib("VmRSS");

    const std::size_t samples = history.samples().size();
    std::printf("session: %.1f h at %llu frames/s, %zu samples of %zu parameters, fed in %.1f s\n",
                hours, static_cast<unsigned long long>(kFramesPerSecond), samples, rows.size(),
                seconds);
    std::printf("resident set: %.1f MiB before, %.1f MiB after, %.1f MiB at most\n",
                before / 1024.0, after / 1024.0, statusKib("VmHWM") / 1024.0);
    std::printf("history: %.2f bytes per sample\n",
                static_cast<double>(after - before) * 1024.0 / static_cast<double>(samples));
    return samples == frames ? 0 : 1;
}
