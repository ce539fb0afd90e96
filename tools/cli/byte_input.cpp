#include "tools/cli/byte_input.h"

namespace tresvik::cli {

namespace {

// The chunks, or the error in the cli's words; a dump's lines are named as such.
std::variant<TimedBytes, InputError> chunksOf(std::variant<TimedBytes, RecordingError>&& parsed,
                                              std::string_view what) {
    if (const auto* error = std::get_if<RecordingError>(&parsed)) {
        return InputError{error->line == 0 ? describe(*error)
                                           : std::string(what) + describe(*error)};
    }
    return std::get<TimedBytes>(std::move(parsed));
}

}  // namespace

std::variant<TimedBytes, InputError> parseInput(std::string_view data, InputFormat format) {
    switch (format) {
        case InputFormat::Hex:
            return chunksOf(parseHexLines(data), "");
        case InputFormat::Dump:
            return chunksOf(parseDump(data), "dump ");
        case InputFormat::Recording:
            return chunksOf(parseRecording(data), "recording ");
        case InputFormat::Raw:
            break;
    }
    return TimedBytes{{0, Bytes(data.begin(), data.end())}};
}

}  // namespace tresvik::cli
