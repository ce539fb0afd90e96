#include "tools/cli/cli_commands.h"

#include <atomic>
#include <ostream>

#include "commands/command_table.h"
#include "link/frame_writer.h"
#include "link/transmit_queue.h"
#include "tools/cli/event_printer.h"
#include "tools/cli/utf8.h"

namespace tresvik::cli {

long parseNumber(const std::string& text, long low, long high, const std::string& what) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        throw UsageError(what + " '" + text + "' is not a number from " + std::to_string(low) +
                         " to " + std::to_string(high));
    }
    const long value = std::stol(text);
    if (value < low || value > high) {
        throw UsageError(what + " " + text + " is out of range (" + std::to_string(low) + " to " +
                         std::to_string(high) + ")");
    }
    return value;
}

std::u16string commandValueText(int row, const std::string* text, const std::string& command) {
    if (text == nullptr) {
        return std::u16string(commandRow(row).defaultValue);
    }
    auto converted = fromUtf8(*text);
    if (!converted) {
        throw UsageError(command + ": TEXT is not valid UTF-8");
    }
    return std::move(*converted);
}

Bytes framesBuilt(long sequence, const std::function<void(FrameWriter&)>& build) {
    TransmitQueue queue;
    const std::atomic<bool> portOpen{true};
    const std::atomic<bool> closing{false};
    FrameWriter writer(queue, nullptr, portOpen, closing);
    writer.setSequenceNumber(static_cast<std::uint16_t>(sequence));
    build(writer);
    return queue.takeAll();
}

void printSent(std::ostream& out, const Bytes& queued) {
    // Frames begin with the start byte, so leading zero bytes can only be the wake-up preamble.
    std::size_t zeros = 0;
    while (zeros < queued.size() && queued[zeros] == 0) {
        ++zeros;
    }
    if (zeros > 0) {
        out << "WAKEUP\t" << hexBytes(ByteView(queued).first(zeros)) << '\n';
    }
    out << "TX\t" << hexBytes(ByteView(queued).subspan(zeros)) << '\n';
}

}  // namespace tresvik::cli
