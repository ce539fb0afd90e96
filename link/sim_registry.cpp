#include "link/sim_registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace tresvik::sim_registry {

namespace {

std::string parentOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

// Why a folder with these attributes must not be trusted; empty when it may be.
std::string distrust(const std::string& path, const struct stat& info) {
    if (!S_ISDIR(info.st_mode)) {
        return path + " is not a folder";
    }
    if (info.st_uid != ::geteuid()) {
        return path + " belongs to another user";
    }
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return path + " can be written by other users";
    }
    return {};
}

// Makes `path` for the user alone if it is missing; false with the reason otherwise.
bool ensurePrivate(const std::string& path, std::string& reason) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        reason = path + " cannot be created";
        return false;
    }
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        reason = path + " cannot be read";
        return false;
    }
    reason = distrust(path, info);
    return reason.empty();
}

}  // namespace

std::string folder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') {
        return std::string(runtime) + "/tresvik/ports";
    }
    return "/tmp/tresvik-" + std::to_string(::getuid()) + "/ports";
}

std::string entryName(long pid) {
    return std::string(kPrefix) + std::to_string(pid);
}

std::optional<long> entryPid(std::string_view name) {
    if (!name.starts_with(kPrefix)) {
        return std::nullopt;
    }
    name.remove_prefix(kPrefix.size());
    // Process ids fit in nine digits; more can only be a name of someone else's making.
    if (name.empty() || name.size() > 9 ||
        !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    long pid = 0;
    for (const char c : name) {
        pid = pid * 10 + (c - '0');
    }
    if (pid <= 0) {
        return std::nullopt;
    }
    return pid;
}

bool processAlive(long pid) {
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

Scan scan(const std::string& folderPath) {
    Scan result;
    const std::string parent = parentOf(folderPath);
    struct stat parentInfo {};
    if (::lstat(parent.c_str(), &parentInfo) != 0) {
        if (errno != ENOENT) {
            result.status = Scan::Status::Failed;
            result.error = errno;
        }
        return result;
    }
    result.reason = distrust(parent, parentInfo);
    if (!result.reason.empty()) {
        result.status = Scan::Status::Untrusted;
        return result;
    }
    // Opened without following a link, and judged by what was opened, so that the folder cannot
    // be swapped between the check and the reading.
    const int fd = ::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            return result;
        }
        const int error = errno;
        struct stat link {};
        if (::lstat(folderPath.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
            result.status = Scan::Status::Untrusted;
            result.reason = folderPath + " is a symbolic link";
            return result;
        }
        result.status = Scan::Status::Failed;
        result.error = error;
        return result;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        result.status = Scan::Status::Failed;
        result.error = errno;
        ::close(fd);
        return result;
    }
    result.reason = distrust(folderPath, info);
    if (!result.reason.empty()) {
        result.status = Scan::Status::Untrusted;
        ::close(fd);
        return result;
    }
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        result.status = Scan::Status::Failed;
        result.error = errno;
        ::close(fd);
        return result;
    }
    result.status = Scan::Status::Listed;
    while (const dirent* entry = ::readdir(dir)) {
        const std::optional<long> pid = entryPid(entry->d_name);
        if (!pid || !processAlive(*pid)) {
            continue;
        }
        // A unit that was killed leaves its link behind; its device has gone with it.
        struct stat target {};
        if (::fstatat(::dirfd(dir), entry->d_name, &target, 0) != 0) {
            continue;
        }
        result.entries.push_back(Entry{entry->d_name, folderPath + "/" + entry->d_name, *pid});
    }
    ::closedir(dir);
    std::sort(result.entries.begin(), result.entries.end(),
              [](const Entry& a, const Entry& b) { return a.pid < b.pid; });
    return result;
}

bool ensureFolder(const std::string& folderPath, std::string& reason) {
    return ensurePrivate(parentOf(folderPath), reason) && ensurePrivate(folderPath, reason);
}

void removeStale(const std::string& folderPath) {
    DIR* dir = ::opendir(folderPath.c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::optional<long> pid = entryPid(entry->d_name);
        if (pid && ::kill(static_cast<pid_t>(*pid), 0) != 0 && errno == ESRCH) {
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        }
    }
    ::closedir(dir);
}

}  // namespace tresvik::sim_registry
