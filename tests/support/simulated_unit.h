#pragma once

#include <signal.h>

#include <QString>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace tresvik::test {

// The simulated unit, tresvik-sim, as a child process: its port and the name the console lists it
// under. For tests built with TRESVIK_SIM_PATH naming the program; its ports are registered
// under XDG_RUNTIME_DIR, which such a test points at a folder of its own.
class SimulatedUnit {
public:
    static constexpr int kWaitMs = 20000;

    // `arguments`: the simulated unit's options.
    bool start(const std::vector<std::string>& arguments = {}) {
        if (!m_process.start(TRESVIK_SIM_PATH, arguments)) {
            return false;
        }
        // The unit registers its port before it prints it.
        const std::optional<std::string> line = m_process.readLine(kWaitMs);
        return line && line->starts_with("port: ");
    }
    // Ends the unit; its port goes away as an unplugged adapter's does.
    void unplug() {
        m_process.signal(SIGTERM);
        m_process.waitForExit(kWaitMs);
    }
    QString name() const { return QStringLiteral("SIM-%1").arg(m_process.pid()); }
    // A terminated unit removes its registration; a killed one would leave it behind.
    ~SimulatedUnit() { unplug(); }

private:
    ChildProcess m_process;
};

}  // namespace tresvik::test
