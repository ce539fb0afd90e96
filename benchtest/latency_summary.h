#pragma once

#include <chrono>
#include <cstddef>
#include <vector>

namespace tresvik {

class SuiteRunner;

// The spread of step latencies over a run (or many): nearest-rank median and 95th percentile.
struct LatencySummary {
    std::size_t count = 0;
    std::chrono::microseconds min{};
    std::chrono::microseconds median{};
    std::chrono::microseconds p95{};
    std::chrono::microseconds max{};
};

LatencySummary summarizeLatencies(std::vector<std::chrono::microseconds> latencies);
// Every latency a run measured, in step order.
std::vector<std::chrono::microseconds> runLatencies(const SuiteRunner& run);

}  // namespace tresvik
