#include "tools/cli/argument_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/cli/cli_commands.h"

namespace tresvik::cli {
namespace {

using Dashed = ArgumentReader::DashedPositionals;

// What a command with a flag, an option with a file name, a number from 1 to 99 and any number
// of positional arguments makes of `args`, or the error it stops at.
std::string readWith(Dashed dashed, const std::vector<std::string>& args) {
    bool events = false;
    std::string file;
    long count = 0;
    std::string positionals;
    ArgumentReader reader("probe", dashed);
    reader.flag("--events", events);
    reader.option("--file", "a file name", file);
    reader.number("--count", 1, 99, count);
    try {
        reader.read(args,
                    [&positionals](const std::string& arg) { positionals += "<" + arg + ">"; });
    } catch (const UsageError& e) {
        return std::string("error: ") + e.what();
    }
    return "events=" + std::to_string(events) + " file=" + file +
           " count=" + std::to_string(count) + " " + positionals;
}

TEST(ArgumentReader, ReadsEachArgumentInOrderAndStopsAtTheFirstBadOne) {
    struct Case {
        Dashed dashed;
        std::vector<std::string> args;
        std::string read;
    };
    const std::vector<Case> cases{
        {Dashed::Refused, {}, "events=0 file= count=0 "},
        {Dashed::Refused, {"a", "--events", "b"}, "events=1 file= count=0 <a><b>"},
        {Dashed::Refused, {"--file", "--events"}, "events=0 file=--events count=0 "},
        {Dashed::Refused, {"--file", "x", "--file", "y"}, "events=0 file=y count=0 "},
        {Dashed::Refused, {"--count", "12", "-"}, "events=0 file= count=12 <->"},
        {Dashed::Refused, {"--file"}, "error: --file needs a file name"},
        {Dashed::Refused, {"--count"}, "error: --count needs a value"},
        {Dashed::Refused, {"--count", "100"}, "error: --count 100 is out of range (1 to 99)"},
        {Dashed::Refused, {"--count", "-1"}, "error: --count '-1' is not a number from 1 to 99"},
        {Dashed::Refused,
         {"--count", "x", "--bogus"},
         "error: --count 'x' is not a number from 1 to 99"},
        {Dashed::Refused,
         {"a", "--bogus", "--count", "x"},
         "error: probe: unknown option '--bogus'"},
        {Dashed::Refused, {"-5"}, "error: probe: unknown option '-5'"},
        {Dashed::Refused, {"--", "a"}, "error: probe: unknown option '--'"},
        {Dashed::Allowed, {"-5", "a", "-"}, "events=0 file= count=0 <-5><a><->"},
        {Dashed::Allowed, {"-x"}, "error: probe: unknown option '-x'"},
        {Dashed::Allowed,
         {"a", "--", "--events", "-x", "--"},
         "events=0 file= count=0 <a><--events><-x><-->"},
        {Dashed::Allowed, {"--file", "--", "b"}, "events=0 file=-- count=0 <b>"},
    };
    for (const Case& c : cases) {
        std::string args;
        for (const std::string& arg : c.args) {
            args += " " + arg;
        }
        EXPECT_EQ(readWith(c.dashed, c.args), c.read)
            << (c.dashed == Dashed::Allowed ? "dashed positionals:" : "options only:") << args;
    }
}

TEST(ArgumentReader, APositionalTheCommandRefusesStopsTheReading) {
    bool events = false;
    ArgumentReader reader("probe", Dashed::Refused);
    reader.flag("--events", events);
    std::vector<std::string> taken;
    EXPECT_THROW(reader.read({"a", "b", "--events"},
                             [&taken](const std::string& arg) {
                                 if (!taken.empty()) {
                                     throw UsageError("one only");
                                 }
                                 taken.push_back(arg);
                             }),
                 UsageError);
    EXPECT_EQ(taken, std::vector<std::string>{"a"});
    EXPECT_FALSE(events);
}

}  // namespace
}  // namespace tresvik::cli
