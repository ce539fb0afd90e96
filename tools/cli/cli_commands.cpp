#include "tools/cli/cli_commands.h"

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

}  // namespace tresvik::cli
