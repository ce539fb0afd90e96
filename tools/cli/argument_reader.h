#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tresvik::cli {

// Reads one command's arguments in order: flags, options that take the next argument as their
// value, whole numbers within a range, and positional arguments. A bad argument is a UsageError
// that names it, thrown when the reader comes to it.
class ArgumentReader {
public:
    // Whether a positional argument may begin with a minus sign: a negative number as it is,
    // anything after "--". When refused, every argument that begins with '-' but "-" alone is an
    // option, and "--" is an unknown one.
    enum class DashedPositionals { Refused, Allowed };

    // `command` names the command in the error for an unknown option.
    ArgumentReader(std::string command, DashedPositionals dashed);

    void flag(const std::string& name, bool& seen);
    void flag(const std::string& name, std::function<void()> seen);
    // An option whose value is the next argument, whatever it looks like; `needs` says what is
    // missing when there is none ("a value", "a file name").
    void option(const std::string& name, const std::string& needs, std::string& value);
    // A whole decimal number from `low` to `high`.
    void number(const std::string& name, long low, long high, long& value);

    // Hands every positional argument to `positional` in order, which may refuse one by throwing.
    void read(const std::vector<std::string>& args,
              const std::function<void(const std::string&)>& positional) const;

private:
    struct Option {
        std::string name;
        // What the option's value is called; empty for a flag, which takes none.
        std::string needs;
        std::function<void(const std::string&)> take;
    };

    const Option* find(const std::string& arg) const;
    bool isOption(const std::string& arg) const;

    std::string m_command;
    DashedPositionals m_dashed;
    std::vector<Option> m_options;
};

}  // namespace tresvik::cli
