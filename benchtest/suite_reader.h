#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "benchtest/bench_suite.h"

namespace tresvik {

// Why a bench test file cannot be run, at the place in the file that made it so.
struct SuiteRefusal {
    std::string file;
    SourcePlace place;
    std::string message;

    // "FILE:LINE:COLUMN: message", the form editors and build logs link to the place.
    std::string text() const;
};

// Reads a bench test file (UTF-8 JSON) and resolves every name in it against the console's
// tables: parameter labels, Tx commands, simulation buttons and flags. A file is refused whole at
// its first fault, a syntax error or a value the console cannot run: an unknown key or name, a
// value of the wrong type or out of its range. `fileName` only names the file in the refusal.
std::variant<BenchSuite, SuiteRefusal> readSuite(std::string_view json,
                                                 const std::string& fileName);

}  // namespace tresvik
