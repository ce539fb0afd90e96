#pragma once

#include <optional>

namespace tresvik {

// Answers --help and --version, before any window system is needed, so that they work on a
// headless test rig too. Returns the exit status when the program should end there; otherwise
// the console starts, and everything else on the command line is left to Qt.
std::optional<int> answerCommandLine(int argc, char** argv);

}  // namespace tresvik
