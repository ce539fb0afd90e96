#pragma once

#include <string>

#include "benchtest/step_result.h"

namespace tresvik {

// Follows a bench test run: the command line's progress lines, the Test window's list.
class BenchRunObserver {
public:
    virtual ~BenchRunObserver() = default;
    virtual void stepStarted(int /*test*/, int /*step*/) {}
    virtual void stepFinished(int /*test*/, int /*step*/, const StepResult& /*result*/) {}
    // Something about the suite the user should know, told once, before the first step.
    virtual void warning(const std::string& /*text*/) {}
    virtual void runFinished() {}
};

}  // namespace tresvik
