// Throughput of the console's receive path on a mixed stream: a frame for every parameter row
// (with a payload of the length its format reads), every flag group, command read-backs and
// debug-information frames.
#include <benchmark/benchmark.h>

#include <atomic>

#include "commands/command_table.h"
#include "decode/parameter_table.h"
#include "decode/receive_path.h"
#include "flags/flag_grid.h"
#include "link/frame.h"
#include "log/id_log.h"
#include "log/log_queue.h"
#include "tests/support/memory_log_text.h"

namespace {

using namespace tresvik;

std::size_t payloadLengthFor(FormatCode formatCode) {
    switch (formatCode) {
        case FormatCode::DeviceVersion:
        case FormatCode::DateTime:
            return 8;
        case FormatCode::SoftwareDate:
        case FormatCode::HexBytes:
        case FormatCode::PrefixedNumeric:
            return 6;
        case FormatCode::Characters:
        case FormatCode::DriverName:
            return 17;
        case FormatCode::ImmobiliserId:
            return 7;
        case FormatCode::ImmobiliserBaseId:
            return 10;
        case FormatCode::DriverState:
        case FormatCode::CardPresence:
            return 1;
        case FormatCode::Date:
            return 3;
        case FormatCode::Numeric:
        case FormatCode::Duration:
            break;
    }
    return 4;
}

void appendFrame(Bytes& stream, std::uint16_t id, const Bytes& payload) {
    const Bytes f = makeFrame(id, payload);
    stream.insert(stream.end(), f.begin(), f.end());
}

struct MixedStream {
    Bytes bytes;
    std::size_t frames = 0;
};

MixedStream makeStream() {
    MixedStream s;
    for (int round = 0; round < 8; ++round) {
        for (int row = 0; row < kParameterCount; ++row) {
            const ParameterRow& r = parameterRow(row);
            Bytes payload(payloadLengthFor(r.formatCode));
            for (std::size_t i = 0; i < payload.size(); ++i) {
                payload[i] = static_cast<std::uint8_t>(0x30 + (row * 7 + round * 13 + i) % 40);
            }
            appendFrame(s.bytes, r.messageId, payload);
            ++s.frames;
        }
        for (int g = 0; g < kFlagGroupCount; ++g) {
            Bytes payload(static_cast<std::size_t>(flagGroup(g).rows));
            for (std::size_t i = 0; i < payload.size(); ++i) {
                payload[i] = static_cast<std::uint8_t>((round * 37 + i * 11) & 0xFF);
            }
            appendFrame(s.bytes, flagGroup(g).messageId, payload);
            ++s.frames;
        }
        for (int c = 0; c < kCommandCount; c += 5) {
            appendFrame(s.bytes, commandRow(c).messageId,
                        {0, 0, static_cast<std::uint8_t>(round), 0, 0, 0});
            ++s.frames;
        }
        appendFrame(s.bytes, 0x2406, {0x01, 0x00, static_cast<std::uint8_t>(round % 2)});
        ++s.frames;
    }
    return s;
}

void runReceivePath(benchmark::State& state, bool withLog) {
    const MixedStream stream = makeStream();
    const std::atomic<bool> closing{false};
    LogQueue log;
    MemoryLogText text;
    log.initialise(text);
    IdLog idLog;
    ReceivePath path(withLog ? &log : nullptr, closing, &idLog, nullptr);
    for (auto _ : state) {
        path.push(stream.bytes);
        benchmark::ClobberMemory();
    }
    state.counters["frames/s"] = benchmark::Counter(
        static_cast<double>(stream.frames) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
    state.SetBytesProcessed(static_cast<std::int64_t>(stream.bytes.size()) *
                            static_cast<std::int64_t>(state.iterations()));
}

void BM_ReceivePathDecodeOnly(benchmark::State& state) {
    runReceivePath(state, false);
}
void BM_ReceivePathWithTrafficLog(benchmark::State& state) {
    runReceivePath(state, true);
}

BENCHMARK(BM_ReceivePathDecodeOnly);
BENCHMARK(BM_ReceivePathWithTrafficLog);

}  // namespace

BENCHMARK_MAIN();
