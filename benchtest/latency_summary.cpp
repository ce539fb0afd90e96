#include "benchtest/latency_summary.h"

#include <algorithm>
#include <cmath>

#include "benchtest/suite_runner.h"

namespace tresvik {

namespace {

std::size_t nearestRank(double fraction, std::size_t count) {
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(count)));
    return std::clamp<std::size_t>(rank, 1, count) - 1;
}

}  // namespace

LatencySummary summarizeLatencies(std::vector<std::chrono::microseconds> latencies) {
    LatencySummary summary;
    summary.count = latencies.size();
    if (latencies.empty()) {
        return summary;
    }
    std::sort(latencies.begin(), latencies.end());
    summary.min = latencies.front();
    summary.median = latencies[nearestRank(0.5, latencies.size())];
    summary.p95 = latencies[nearestRank(0.95, latencies.size())];
    summary.max = latencies.back();
    return summary;
}

std::vector<std::chrono::microseconds> runLatencies(const SuiteRunner& run) {
    std::vector<std::chrono::microseconds> latencies;
    const auto& tests = run.suite().tests;
    for (std::size_t t = 0; t < tests.size(); ++t) {
        for (std::size_t s = 0; s < tests[t].steps.size(); ++s) {
            if (const auto& latency =
                    run.result(static_cast<int>(t), static_cast<int>(s)).latency) {
                latencies.push_back(*latency);
            }
        }
    }
    return latencies;
}

}  // namespace tresvik
