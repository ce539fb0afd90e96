#include <iostream>

#include "commands/command_encoder.h"
#include "commands/command_table.h"
#include "commands/simulation_buttons.h"
#include "decode/parameter_table.h"
#include "link/frame_writer.h"
#include "tools/cli/cli_commands.h"
#include "tools/cli/utf8.h"

namespace tresvik::cli {

int runEncode(const std::vector<std::string>& args, std::ostream& out) {
    long sequence = 0;
    std::string param;
    std::string button;
    std::vector<std::string> positional;
    ArgumentReader reader("encode", ArgumentReader::DashedPositionals::Allowed);
    reader.number("--seq", 0, 65535, sequence);
    reader.option("--param", "a value", param);
    reader.option("--button", "a value", button);
    reader.read(args, [&positional](const std::string& arg) { positional.push_back(arg); });

    if (!param.empty() && !button.empty()) {
        throw UsageError("encode: --param and --button cannot be combined");
    }
    Bytes queued;
    if (!param.empty()) {
        if (!positional.empty()) {
            throw UsageError("encode --param: unexpected argument '" + positional.front() + "'");
        }
        const long row = parseNumber(param, 0, kParameterCount - 1, "parameter row");
        queued = framesBuilt(sequence, [row](FrameWriter& writer) {
            sendRequest(writer, parameterRow(static_cast<int>(row)).messageId);
        });
    } else if (!button.empty()) {
        if (!positional.empty()) {
            throw UsageError("encode --button: unexpected argument '" + positional.front() + "'");
        }
        const auto caption = fromUtf8(button);
        const SimulationButton* found = caption ? findSimulationButton(*caption) : nullptr;
        if (found == nullptr) {
            throw UsageError("encode --button: no simulation button is captioned '" + button + "'");
        }
        queued =
            framesBuilt(sequence, [found](FrameWriter& writer) { sendSimulation(writer, *found); });
    } else {
        if (positional.empty() || positional.size() > 2) {
            throw UsageError("encode: expected ROW [TEXT]");
        }
        const int row =
            static_cast<int>(parseNumber(positional[0], 0, kCommandCount - 1, "command row"));
        const std::u16string text =
            commandValueText(row, positional.size() == 2 ? &positional[1] : nullptr, "encode");
        queued = framesBuilt(sequence,
                             [row, &text](FrameWriter& writer) { sendRow(writer, row, text); });
    }
    printSent(out, queued);
    return 0;
}

}  // namespace tresvik::cli
