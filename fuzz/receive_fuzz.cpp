// Fuzzes the receive path: the raw stream through assembler, log, decoder, flag grid, read-back
// and ID log; and, because random bytes rarely carry a valid checksum, the same input turned
// into a well-formed frame for a chosen parameter, flag or command identifier.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "commands/command_table.h"
#include "decode/parameter_table.h"
#include "decode/receive_path.h"
#include "flags/flag_grid.h"
#include "link/crc8.h"
#include "log/id_log.h"
#include "log/log_queue.h"
#include "log/memory_log_text.h"

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

void checkGrid(const FlagGrid& grid) {
    for (int row = 0; row < kFlagGridRows; ++row) {
        for (int column = 0; column < kFlagGridColumns; ++column) {
            const int image = grid.image(row, column);
            if (image < -1 || image >= 656) {
                std::abort();
            }
        }
    }
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
    checkGrid(stream.flags());

    if (size >= 2) {
        Bytes frame{frame::kStartByte};
        const std::uint16_t id = chooseId(data[0], data[1]);
        const std::size_t payload = std::min<std::size_t>(size - 2, 255);
        frame.push_back(static_cast<std::uint8_t>(id & 0xFF));
        frame.push_back(static_cast<std::uint8_t>(id >> 8));
        frame.push_back(static_cast<std::uint8_t>(payload));
        frame.insert(frame.end(), data + 2, data + 2 + payload);
        frame.push_back(Crc8::compute(frame));
        ReceivePath single(&log, closing, &idLog, nullptr);
        single.push(frame);
        if (single.counters().goodFrames != 1) {
            std::abort();
        }
        checkGrid(single.flags());
    }
    return 0;
}
