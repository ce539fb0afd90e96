#pragma once

#include <string>
#include <string_view>

namespace tresvik {

class SuiteRunner;

// A run as the JUnit XML that CI servers read: one testsuite per suite, one testcase per test,
// each step's verdict in the testcase's output. A failed step becomes a failure (an expectation
// timed out, or a constraint broke), a run cut short an error, and a test it never reached is
// skipped. The failure's body holds what was expected, what arrived, the last seconds of traffic
// and the link's counters. `hostName` names the machine the run used.
std::string junitReport(const SuiteRunner& run, std::string_view hostName);

// One line about a step's verdict, as progress output and the testcase's output show it:
// "PASS 'set 90' of 'Speed limit reads back' in 43.2 ms (latency 41.0 ms)".
std::string stepLine(const SuiteRunner& run, int test, int step);

// The failure detail of a step, as the report's body and the Test window show it.
std::string stepDetail(const SuiteRunner& run, int test, int step);

}  // namespace tresvik
