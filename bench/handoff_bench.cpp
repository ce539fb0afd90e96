// The byte hand-off from the serial worker to the GUI thread: a unit on a pseudo-terminal sends
// a block of bytes as fast as the line takes them, the worker hands them over one by one, and
// the GUI thread's event loop takes each into the link session's receive queue. Reports bytes
// per second and the CPU the whole process spends on each byte, both threads together.
//
//   handoff_bench [benchmark options]

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <chrono>
#include <cstdint>
#include <thread>

#include "bench/bench_support.h"
#include "link/serial_link_session.h"
#include "tests/support/pty_pair.h"

namespace {

using namespace tresvik;

constexpr int kBlockSize = 20000;

// A unit on a pseudo-terminal, and the console's link to it counting what it receives.
struct Link {
    PtyPair pty;
    SerialLinkSession session;
    std::size_t received = 0;

    bool open() {
        session.setReceiver([this](const ReceivedBytes& bytes) { received += bytes.size(); });
        bool opened = false;
        QObject::connect(&session, &LinkSession::opened, [&] { opened = true; });
        session.connectPort(pty.devicePath());
        return pty.ok() && runUntil([&] { return opened; }, 5000);
    }
    ~Link() {
        session.shutdown();
        runUntil([this] { return !session.running(); }, 5000);
    }
};

void BM_WorkerToGuiThread(benchmark::State& state) {
    Link link;
    if (!link.open()) {
        state.SkipWithError("the pseudo-terminal could not be opened");
        return;
    }
    PtyPair& pty = link.pty;
    std::size_t& received = link.received;
    QByteArray block(kBlockSize, '\x5A');
    double cpu = 0;
    for (auto _ : state) {
        const double cpuBefore = processCpuSeconds();
        const std::size_t target = received + kBlockSize;
        // The writer blocks while the line's buffer is full, as a fast unit would.
        std::thread writer([&] { pty.write(block); });
        const bool done = runUntil([&] { return received >= target; }, 60000);
        writer.join();
        cpu += processCpuSeconds() - cpuBefore;
        if (!done) {
            state.SkipWithError("the bytes did not all arrive");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBlockSize);
    state.counters["cpu_ns_per_byte"] =
        benchmark::Counter(cpu * 1e9 / (static_cast<double>(state.iterations()) * kBlockSize));
}
BENCHMARK(BM_WorkerToGuiThread)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// The same at the line rate: 10-byte chunks every 10.4 ms, as a USB adapter delivers 960 bytes/s.
// Reports the share of one core the hand-off costs.
void BM_WorkerToGuiThreadAtLineRate(benchmark::State& state) {
    constexpr int kChunk = 10;
    constexpr auto kChunkPeriod = std::chrono::microseconds(10417);
    constexpr int kChunksPerRound = 300;
    Link link;
    if (!link.open()) {
        state.SkipWithError("the pseudo-terminal could not be opened");
        return;
    }
    PtyPair& pty = link.pty;
    std::size_t& received = link.received;
    const QByteArray chunk(kChunk, '\x5A');
    double cpu = 0;
    double seconds = 0;
    for (auto _ : state) {
        const double cpuBefore = processCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        const std::size_t target = received + kChunk * kChunksPerRound;
        std::thread writer([&] {
            for (int i = 0; i < kChunksPerRound; ++i) {
                std::this_thread::sleep_until(start + i * kChunkPeriod);
                pty.write(chunk);
            }
        });
        const bool done = runUntil([&] { return received >= target; }, 60000);
        writer.join();
        cpu += processCpuSeconds() - cpuBefore;
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!done) {
            state.SkipWithError("the bytes did not all arrive");
            break;
        }
    }
    state.counters["cpu_percent_of_a_core"] = benchmark::Counter(100.0 * cpu / seconds);
}
BENCHMARK(BM_WorkerToGuiThreadAtLineRate)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
