#pragma once

#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

#include "link/frame.h"
#include "link/frame_writer.h"
#include "tools/cli/argument_reader.h"

namespace tresvik::cli {

// Bad input or bad usage: the message names the problem and where it is; exit status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr int kExitUsage = 2;

// Each command reads its options with an ArgumentReader and throws UsageError for bad ones.
int runDecode(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
              std::ostream& err);
int runEncode(const std::vector<std::string>& args, std::ostream& out);
// The live commands need the serial worker, which is built with the Qt shell only.
int runMonitor(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runSend(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// Runs a bench test file over a port; 0 all passed, 1 a test failed, 2 the run could not finish.
int runTest(const std::vector<std::string>& args, std::ostream& err);

// A whole decimal number within [low, high]; `what` names the argument in the error.
long parseNumber(const std::string& text, long low, long high, const std::string& what);

// The Value text for Tx row `row`: `text` (UTF-8) when given, else the row's default value.
// `command` names the command in the error.
std::u16string commandValueText(int row, const std::string* text, const std::string& command);

// What `build` queues through a frame writer whose sequence number is `sequence` before it.
Bytes framesBuilt(long sequence, const std::function<void(FrameWriter&)>& build);
// Prints queued bytes as `WAKEUP` (the leading zero bytes, if any) and `TX` (the frame) lines.
void printSent(std::ostream& out, const Bytes& queued);

}  // namespace tresvik::cli
