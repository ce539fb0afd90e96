#include "tools/cli/byte_input.h"

#include "log/recording.h"

namespace tresvik::cli {

namespace {

// The bytes of `chunks`, or the error in the cli's words; a dump's lines are named as such.
std::variant<Bytes, InputError> joined(const std::variant<TimedBytes, RecordingError>& parsed,
                                       std::string_view what) {
    if (const auto* error = std::get_if<RecordingError>(&parsed)) {
        return InputError{error->line == 0 ? describe(*error)
                                           : std::string(what) + describe(*error)};
    }
    return joinChunks(std::get<TimedBytes>(parsed));
}

}  // namespace

std::variant<Bytes, InputError> parseInput(std::string_view data, InputFormat format) {
    switch (format) {
        case InputFormat::Hex:
            return joined(parseHexLines(data), "");
        case InputFormat::Dump:
            return joined(parseDump(data), "dump ");
        case InputFormat::Recording:
            return joined(parseRecording(data), "recording ");
        case InputFormat::Raw:
            break;
    }
    return Bytes(data.begin(), data.end());
}

}  // namespace tresvik::cli
