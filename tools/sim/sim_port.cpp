#include "tools/sim/sim_port.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <stdexcept>

#include "link/sim_registry.h"

namespace tresvik::sim {

namespace {

std::runtime_error systemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

// The unit's line: 9600 baud, 8 data bits, no parity, one stop bit, raw bytes.
void setLine(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        throw systemError("cannot read the line settings");
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        throw systemError("cannot set the line settings");
    }
}

}  // namespace

SimPort::SimPort(const std::string& devicePath) {
    if (devicePath.empty()) {
        openPseudoTerminal();
        registerPort();
    } else {
        openDevice(devicePath);
    }
}

SimPort::~SimPort() {
    if (!m_registration.empty()) {
        ::unlink(m_registration.c_str());
    }
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

void SimPort::openPseudoTerminal() {
    m_fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_fd < 0 || ::grantpt(m_fd) != 0 || ::unlockpt(m_fd) != 0) {
        throw systemError("cannot create a pseudo-terminal");
    }
    char name[128];
    if (::ptsname_r(m_fd, name, sizeof name) != 0) {
        throw systemError("cannot name the pseudo-terminal");
    }
    m_devicePath = name;
    m_pseudoTerminal = true;
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    // Opening the console's end once sets its line and marks it closed, so that the master
    // reports a hang-up until a console opens it.
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave < 0) {
        throw systemError("cannot open " + m_devicePath);
    }
    setLine(slave);
    ::close(slave);
}

void SimPort::openDevice(const std::string& path) {
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0) {
        throw systemError("cannot open " + path);
    }
    m_devicePath = path;
    setLine(m_fd);
}

void SimPort::registerPort() {
    const std::string folder = sim_registry::folder();
    std::string reason;
    if (!sim_registry::ensureFolder(folder, reason)) {
        std::cerr << "tresvik-sim: " << reason << "; the port is not registered\n";
        return;
    }
    sim_registry::removeStale(folder);
    const std::string link = folder + "/" + sim_registry::entryName(::getpid());
    ::unlink(link.c_str());
    if (::symlink(m_devicePath.c_str(), link.c_str()) != 0) {
        std::cerr << "tresvik-sim: cannot register " << link << ": " << std::strerror(errno)
                  << '\n';
        return;
    }
    m_registration = link;
}

bool SimPort::peerPresent() const {
    if (!m_pseudoTerminal) {
        return true;
    }
    pollfd p{m_fd, POLLIN, 0};
    return ::poll(&p, 1, 0) >= 0 && (p.revents & POLLHUP) == 0;
}

}  // namespace tresvik::sim
