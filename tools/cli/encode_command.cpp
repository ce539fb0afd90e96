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
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](const char* option) -> const std::string& {
            if (i + 1 >= args.size()) {
                throw UsageError(std::string(option) + " needs a value");
            }
            return args[++i];
        };
        if (a == "--seq") {
            sequence = parseNumber(value("--seq"), 0, 65535, "--seq");
        } else if (a == "--param") {
            param = value("--param");
        } else if (a == "--button") {
            button = value("--button");
        } else if (a == "--") {
            positional.insert(positional.end(), args.begin() + static_cast<long>(i) + 1,
                              args.end());
            break;
        } else if (a.size() > 1 && a[0] == '-' && (a[1] < '0' || a[1] > '9')) {
            throw UsageError("encode: unknown option '" + a + "'");
        } else {
            positional.push_back(a);
        }
    }

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
