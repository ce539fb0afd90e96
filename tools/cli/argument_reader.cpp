#include "tools/cli/argument_reader.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "tools/cli/cli_commands.h"

namespace tresvik::cli {

ArgumentReader::ArgumentReader(std::string command, DashedPositionals dashed)
    : m_command(std::move(command)), m_dashed(dashed) {}

void ArgumentReader::flag(const std::string& name, bool& seen) {
    flag(name, [&seen] { seen = true; });
}

void ArgumentReader::flag(const std::string& name, std::function<void()> seen) {
    m_options.push_back({name, {}, [seen = std::move(seen)](const std::string&) { seen(); }});
}

void ArgumentReader::option(const std::string& name, const std::string& needs, std::string& value) {
    m_options.push_back({name, needs, [&value](const std::string& text) { value = text; }});
}

void ArgumentReader::number(const std::string& name, long low, long high, long& value) {
    m_options.push_back({name, "a value", [name, low, high, &value](const std::string& text) {
                             value = parseNumber(text, low, high, name);
                         }});
}

void ArgumentReader::read(const std::vector<std::string>& args,
                          const std::function<void(const std::string&)>& positional) const {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (m_dashed == DashedPositionals::Allowed && arg == "--") {
            std::for_each(args.begin() + static_cast<std::ptrdiff_t>(i + 1), args.end(),
                          positional);
            return;
        }
        if (const Option* option = find(arg)) {
            if (option->needs.empty()) {
                option->take({});
                continue;
            }
            if (i + 1 >= args.size()) {
                throw UsageError(arg + " needs " + option->needs);
            }
            option->take(args[++i]);
        } else if (isOption(arg)) {
            throw UsageError(m_command + ": unknown option '" + arg + "'");
        } else {
            positional(arg);
        }
    }
}

const ArgumentReader::Option* ArgumentReader::find(const std::string& arg) const {
    const auto found = std::find_if(m_options.begin(), m_options.end(),
                                    [&arg](const Option& option) { return option.name == arg; });
    return found != m_options.end() ? &*found : nullptr;
}

bool ArgumentReader::isOption(const std::string& arg) const {
    if (arg.size() < 2 || arg[0] != '-') {
        return false;
    }
    const bool negativeNumber = arg[1] >= '0' && arg[1] <= '9';
    return m_dashed == DashedPositionals::Refused || !negativeNumber;
}

}  // namespace tresvik::cli
