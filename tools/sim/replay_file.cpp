#include "tools/sim/replay_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

namespace tresvik::sim {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::variant<TimedBytes, std::string> loadReplayFile(const std::string& path, std::size_t largest) {
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return path + ": cannot read: " + std::strerror(errno);
    }
    std::string data;
    char buffer[65536];
    for (;;) {
        const std::size_t count = std::fread(buffer, 1, sizeof buffer, file.get());
        if (data.size() + count > largest) {
            return path + ": is larger than " + std::to_string(largest >> 20U) + " MiB";
        }
        data.append(buffer, count);
        if (count < sizeof buffer) {
            break;
        }
    }
    if (std::ferror(file.get()) != 0) {
        return path + ": cannot read: " + std::strerror(errno);
    }
    if (data.empty()) {
        return path + ": holds no received bytes";
    }
    std::variant<TimedBytes, RecordingError> parsed = parseReplayFile(data);
    if (const auto* error = std::get_if<RecordingError>(&parsed)) {
        return path + ": " + describe(*error);
    }
    TimedBytes& chunks = std::get<TimedBytes>(parsed);
    if (chunks.empty()) {
        return path + ": holds no received bytes";
    }
    return std::move(chunks);
}

}  // namespace tresvik::sim
