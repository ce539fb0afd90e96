#include "tools/sim/sim_port.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <stdexcept>

namespace tresvik::sim {

namespace {

constexpr char kPrefix[] = "SIM-";

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

// A folder of our own: created private, and refused when someone else owns it.
bool ensurePrivateDir(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid();
}

// Links left by simulated units that were killed before they could remove them.
void removeStaleRegistrations(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.rfind(kPrefix, 0) != 0) {
            continue;
        }
        const long pid = std::strtol(name.c_str() + sizeof kPrefix - 1, nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            ::unlink((folder + "/" + name).c_str());
        }
    }
    ::closedir(dir);
}

}  // namespace

std::string SimPort::registryDir() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') {
        return std::string(runtime) + "/tresvik/ports";
    }
    return "/tmp/tresvik-" + std::to_string(::getuid()) + "/ports";
}

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
    const std::string folder = registryDir();
    const std::string parent = folder.substr(0, folder.rfind('/'));
    if (!ensurePrivateDir(parent) || !ensurePrivateDir(folder)) {
        std::cerr << "tresvik-sim: cannot use " << folder << "; the port is not registered\n";
        return;
    }
    removeStaleRegistrations(folder);
    const std::string link = folder + "/" + kPrefix + std::to_string(::getpid());
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
