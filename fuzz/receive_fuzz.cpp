// Fuzzes the receive path: the raw stream through assembler, log, decoder, flag grid, read-back
// and ID log; and, because random bytes rarely carry a valid checksum, the same input turned
// into a well-formed frame for a chosen parameter, flag or command identifier. The same input is
// also read as a recording, a text dump and a hex file, cut into a recording's lines, and read as a
// bench test file.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "benchtest/suite_reader.h"
#include "commands/command_table.h"
#include "decode/parameter_table.h"
#include "decode/receive_path.h"
#include "flags/flag_grid.h"
#include "flags/flag_states.h"
#include "link/frame.h"
#include "log/id_log.h"
#include "log/log_queue.h"
#include "log/recording.h"
#include "log/recording_splitter.h"
#include "tests/support/memory_log_text.h"

namespace {

using namespace tresvik;

std::uint16_t chooseId(std::uint8_t selector, std::uint8_t index) {
    switch (selector % 3) {
        case 0:
            return parameterRow(index % kParameterCount).messageId;
        case 1:
            return flagGroup(index % kFlagGroupCount).messageId;
        default:
            return commandRow(index % kCommandCount).messageId;
    }
}

// Every reported flag holds a two-bit state, and the grid's pictures stay within the strips.
void checkFlags(const FlagStates& flags) {
    FlagGrid grid;
    for (int group = 0; group < kFlagGroupCount; ++group) {
        for (int position = 0; position < 8 * 255; ++position) {
            if (const std::optional<std::uint8_t> state = flags.state(group, position)) {
                if (*state > 3) {
                    std::abort();
                }
                grid.show({group, position, *state, {}});
            }
        }
    }
    for (int row = 0; row < kFlagGridRows; ++row) {
        for (int column = 0; column < kFlagGridColumns; ++column) {
            const int image = grid.image(row, column);
            if (image < -1 || image >= 656) {
                std::abort();
            }
        }
    }
}

// Written out as a recording, `chunks` must read back unchanged.
void checkRoundTrip(const TimedBytes& chunks) {
    std::string text = std::string(kRecordingHeader) + "\n";
    for (const TimedChunk& chunk : chunks) {
        text += formatRecordingLine(chunk);
    }
    const auto again = parseRecording(text);
    if (!std::holds_alternative<TimedBytes>(again) || std::get<TimedBytes>(again) != chunks) {
        std::abort();
    }
}

// Whatever a reader accepts is replayed as received bytes; whatever it rejects is told in one
// line.
void readReplayFile(const std::variant<TimedBytes, RecordingError>& parsed, LogQueue& log,
                    IdLog& idLog) {
    if (const auto* error = std::get_if<RecordingError>(&parsed)) {
        const std::string message = describe(*error);
        if (message.empty() || message.find_first_of("\r\n") != std::string::npos) {
            std::abort();
        }
        return;
    }
    const TimedBytes& chunks = std::get<TimedBytes>(parsed);
    checkRoundTrip(chunks);
    const std::atomic<bool> closing{false};
    ReceivePath replay(&log, closing, &idLog, nullptr);
    replay.push(joinChunks(chunks));
    checkFlags(replay.flags());
}

// Cut into a recording's lines, the bytes received must all be there, in order.
void checkSplitter(ByteView received) {
    RecordingSplitter splitter;
    TimedBytes lines;
    for (std::size_t i = 0; i < received.size(); ++i) {
        for (TimedChunk& line : splitter.push(received[i], i)) {
            lines.push_back(std::move(line));
        }
    }
    if (auto rest = splitter.finish()) {
        lines.push_back(std::move(*rest));
    }
    if (joinChunks(lines) != Bytes(received.begin(), received.end())) {
        std::abort();
    }
    checkRoundTrip(lines);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::atomic<bool> closing{false};
    LogQueue log([] { return LocalTime{}; });
    MemoryLogText text;
    log.initialise(text);
    IdLog idLog;

    ReceivePath stream(&log, closing, &idLog, nullptr);
    stream.push(ByteView(data, size));
    checkFlags(stream.flags());

    if (size >= 2) {
        const std::size_t length = std::min<std::size_t>(size - 2, 255);
        const Bytes frame =
            makeFrame(chooseId(data[0], data[1]), Bytes(data + 2, data + 2 + length));
        ReceivePath single(&log, closing, &idLog, nullptr);
        single.push(frame);
        if (single.counters().goodFrames != 1) {
            std::abort();
        }
        checkFlags(single.flags());
    }

    const std::string_view file(reinterpret_cast<const char*>(data), size);
    readReplayFile(parseReplayFile(file), log, idLog);
    readReplayFile(parseRecording(file), log, idLog);
    readReplayFile(parseDump(file), log, idLog);
    readReplayFile(parseHexLines(file), log, idLog);
    checkSplitter(ByteView(data, size));
    // A bench test file is read the same way, whatever it holds.
    static_cast<void>(readSuite(file, "fuzz.json"));
    return 0;
}
