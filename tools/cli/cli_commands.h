#pragma once

#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

namespace tresvik::cli {

// Bad input or bad usage: the message names the problem and where it is; exit status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr int kExitUsage = 2;

int runDecode(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
              std::ostream& err);
int runEncode(const std::vector<std::string>& args, std::ostream& out);
// The live commands need the serial worker, which is built with the Qt shell only.
int runMonitor(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runSend(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// A whole decimal number within [low, high]; `what` names the argument in the error.
long parseNumber(const std::string& text, long low, long high, const std::string& what);

}  // namespace tresvik::cli
