#pragma once

#include <string>

namespace tresvik::sim {

// The simulated unit's end of the line: the master side of a new pseudo-terminal, registered
// for the console as SIM-<pid> in the registry folder, or an existing serial device.
class SimPort {
public:
    // A new pseudo-terminal when `devicePath` is empty, else that device. Throws
    // std::runtime_error when the port cannot be set up.
    explicit SimPort(const std::string& devicePath);
    ~SimPort();
    SimPort(const SimPort&) = delete;
    SimPort& operator=(const SimPort&) = delete;

    int fd() const { return m_fd; }
    // The device a console opens: /dev/pts/N, or the device given.
    const std::string& devicePath() const { return m_devicePath; }
    // The registration link; empty for a device or when the folder could not be used.
    const std::string& registration() const { return m_registration; }
    bool isPseudoTerminal() const { return m_pseudoTerminal; }
    // Whether a console has the port open. A real device always counts as connected.
    bool peerPresent() const;

private:
    void openPseudoTerminal();
    void openDevice(const std::string& path);
    void registerPort();

    int m_fd = -1;
    bool m_pseudoTerminal = false;
    std::string m_devicePath;
    std::string m_registration;
};

}  // namespace tresvik::sim
