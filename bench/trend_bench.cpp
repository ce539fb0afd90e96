// The trend history's work for a plot and for an export, on a day of values at the line rate:
// min/max columns of 8 series for a plot 1600 pixels wide at zooms from the whole day down to
// seconds, and the day written as CSV to a file.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "bench/synthetic_day.h"
#include "plot/csv_export.h"
#include "plot/trend_history.h"

namespace {

using namespace tresvik;

constexpr std::size_t kPlotSeries = 8;
constexpr std::size_t kPlotColumns = 1600;
constexpr double kDayMs = 24.0 * 3600 * 1000;

// A day whose every frame reports one of `rows`, in turn; made once.
const TrendHistory& dayOf(const std::vector<int>& rows) {
    static std::map<std::vector<int>, TrendHistory> days;
    const auto [it, made] = days.try_emplace(rows);
    TrendHistory& history = it->second;
    if (made) {
        fillSyntheticDay(history, rows);
    }
    return history;
}

std::vector<int> plottedRows() {
    const std::vector<int> all = numericRows();
    return {all.begin(), all.begin() + kPlotSeries};
}

// Every series of the plot over `spanMs`, the view moved across the day from one iteration to
// the next; the median and the slowest view are reported besides the mean.
void BM_PlotColumns(benchmark::State& state) {
    const std::vector<int> rows = plottedRows();
    const TrendHistory& history = dayOf(rows);
    const double spanMs = static_cast<double>(state.range(0));
    std::vector<double> viewMs;
    std::size_t view = 0;
    std::size_t samplesShown = 0;
    for (auto _ : state) {
        const double from = (kDayMs - spanMs) * static_cast<double>(view++ % 17) / 16.0;
        const auto began = std::chrono::steady_clock::now();
        for (const int row : rows) {
            const auto columns = history.columns(row, from, from + spanMs, kPlotColumns);
            samplesShown += columns.front().count;
            benchmark::DoNotOptimize(columns.data());
        }
        viewMs.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began)
                .count());
    }
    std::sort(viewMs.begin(), viewMs.end());
    state.counters["median_ms"] = viewMs[viewMs.size() / 2];
    state.counters["worst_ms"] = viewMs.back();
    state.counters["series"] = static_cast<double>(rows.size());
    benchmark::DoNotOptimize(samplesShown);
}
BENCHMARK(BM_PlotColumns)
    ->ArgName("span_ms")
    ->Arg(24 * 3600 * 1000)
    ->Arg(6 * 3600 * 1000)
    ->Arg(3600 * 1000)
    ->Arg(10 * 60 * 1000)
    ->Arg(60 * 1000)
    ->Arg(10 * 1000)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);

// The whole day in the long layout, one line per sample, to a file.
void BM_CsvExportDay(benchmark::State& state) {
    const TrendHistory& history = dayOf(numericRows());
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / "tresvik_trend_bench.csv";
    std::size_t lines = 0;
    for (auto _ : state) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        if (exportCsv(history.samples(), {}, out) != CsvExportResult::Written) {
            state.SkipWithError("the file could not be written");
            break;
        }
        out.close();
        lines += history.samples().size();
    }
    state.counters["rows/s"] =
        benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
    std::filesystem::remove(file);
}
BENCHMARK(BM_CsvExportDay)->Iterations(1)->Repetitions(3)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
