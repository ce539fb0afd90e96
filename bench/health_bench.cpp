// What the link's health counters cost per frame received: a minute of frames at the line rate,
// each byte timed as it came (the worst case for the rates, which see one run of bytes per
// byte), handed on in 50 ms batches as the receive drain does, then each completed frame. And
// what keeping a parameter's refresh times costs per value.
#include <benchmark/benchmark.h>

#include <vector>

#include "decode/parameter_table.h"
#include "health/link_health.h"
#include "health/stale_values.h"
#include "link/frame.h"

namespace {

using namespace tresvik;
using std::chrono::milliseconds;

struct Batch {
    ReceivedBytes bytes;
    // The frames the batch completes: their bytes and the arrival of their first byte.
    std::vector<std::pair<Bytes, ArrivalTime>> frames;
};

struct Minute {
    std::vector<Batch> batches;
    std::size_t frames = 0;
};

Minute makeMinute(ArrivalTime start) {
    constexpr milliseconds kDrain{50};
    Minute minute;
    minute.batches.emplace_back();
    ArrivalTime drainEnd = start + kDrain;
    std::size_t byteIndex = 0;
    for (int row = 0; byteIndex < 60 * 960; row = (row + 1) % kParameterCount) {
        const Bytes frame = makeFrame(parameterRow(row).messageId, {1, 2, 3, 4});
        ArrivalTime first{};
        for (std::size_t i = 0; i < frame.size(); ++i, ++byteIndex) {
            const ArrivalTime at = start + lineTime(byteIndex, kUnitBaudRate);
            if (at >= drainEnd) {
                minute.batches.emplace_back();
                drainEnd += kDrain;
            }
            if (i == 0) {
                first = at;
            }
            minute.batches.back().bytes.push(frame[i], at);
        }
        minute.batches.back().frames.emplace_back(frame, first);
        ++minute.frames;
    }
    return minute;
}

void BM_LinkHealthPerFrame(benchmark::State& state) {
    const ArrivalTime start = ArrivalTime{} + std::chrono::hours(1);
    const Minute minute = makeMinute(start);
    LinkHealth health;
    health.portOpened(start, {});
    for (auto _ : state) {
        // Each pass replays the same minute, so it starts the count again.
        health.reset(start);
        for (const Batch& batch : minute.batches) {
            health.bytesReceived(batch.bytes);
            for (const auto& [bytes, arrival] : batch.frames) {
                health.frameReceived({bytes, arrival});
            }
        }
        benchmark::DoNotOptimize(health.counters());
    }
    state.counters["per frame"] = benchmark::Counter(
        static_cast<double>(minute.frames) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_StaleValuesPerUpdate(benchmark::State& state) {
    const ArrivalTime start = ArrivalTime{} + std::chrono::hours(1);
    StaleValues values;
    ParameterUpdate update;
    std::int64_t count = 0;
    for (auto _ : state) {
        update.row = static_cast<int>(count % kParameterCount);
        update.arrival = start + milliseconds(count);
        values.parameterChanged(update);
        ++count;
    }
    benchmark::DoNotOptimize(values.lastSet(0));
}

BENCHMARK(BM_LinkHealthPerFrame);
BENCHMARK(BM_StaleValuesPerUpdate);

}  // namespace

BENCHMARK_MAIN();
