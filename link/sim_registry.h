#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tresvik {

// The registry through which simulated units announce their ports to consoles: a folder that
// holds one symbolic link "SIM-<pid>" per running unit, pointing at the unit's pseudo-terminal.
// The folder is $XDG_RUNTIME_DIR/tresvik/ports, or /tmp/tresvik-<uid>/ports without a runtime
// folder. Because /tmp is shared, the folder is trusted only when it and its parent are
// directories of the user's own that nobody else may write to; otherwise another local user could
// plant a "unit" of theirs that the console lists first and selects.
namespace sim_registry {

inline constexpr std::string_view kPrefix = "SIM-";

std::string folder();
// "SIM-<pid>"
std::string entryName(long pid);
// The process id of an entry name: "SIM-" followed by decimal digits only, greater than zero.
std::optional<long> entryPid(std::string_view name);
// Whether a process of that id exists (one of another user's counts too).
bool processAlive(long pid);

struct Entry {
    std::string name;  // "SIM-1234"
    std::string path;  // the link in the folder
    long pid = 0;
};

struct Scan {
    enum class Status {
        // The folder was read; `entries` holds the live units.
        Listed,
        // There is no folder: no unit has run yet.
        Missing,
        // The folder is not the user's alone; `reason` says why. Nothing is listed from it.
        Untrusted,
        // The folder could not be read; `error` holds the system's error number.
        Failed,
    };
    Status status = Status::Missing;
    int error = 0;
    std::string reason;
    // Units whose process runs and whose device still exists, by process id.
    std::vector<Entry> entries;
};

Scan scan(const std::string& folder);

// Creates the folder and its parent for the user alone where they are missing. False, with the
// reason, when either cannot be made or is not the user's alone.
bool ensureFolder(const std::string& folder, std::string& reason);

// Removes the entries of units whose process has ended.
void removeStale(const std::string& folder);

}  // namespace sim_registry

}  // namespace tresvik
