#include "tools/cli/recording_writer.h"

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "log/log_line.h"
#include "log/recording.h"
#include "tools/cli/cli_commands.h"

namespace tresvik::cli {

RecordingWriter::RecordingWriter(const std::string& path)
    : m_path(path), m_file(std::fopen(path.c_str(), "wb")) {
    if (m_file == nullptr) {
        throw UsageError("cannot create recording '" + path + "': " + std::strerror(errno));
    }
    if (!write(std::string(kRecordingHeader) + "\n")) {
        std::fclose(m_file);
        throw UsageError(m_error);
    }
}

RecordingWriter::~RecordingWriter() {
    std::fclose(m_file);
}

bool RecordingWriter::begin(const std::string& port) {
    m_start = std::chrono::steady_clock::now();
    return write(formatRecordingStart(port, localCalendarTime(std::time(nullptr))));
}

bool RecordingWriter::push(ByteView bytes, std::chrono::steady_clock::time_point arrival) {
    using namespace std::chrono;
    const auto offsetMs = static_cast<std::uint64_t>(
        std::max<std::int64_t>(0, duration_cast<milliseconds>(arrival - m_start).count()));
    for (const std::uint8_t byte : bytes) {
        for (const TimedChunk& line : m_splitter.push(byte, offsetMs)) {
            if (!write(formatRecordingLine(line))) {
                return false;
            }
        }
    }
    return true;
}

bool RecordingWriter::finish() {
    const std::optional<TimedChunk> rest = m_splitter.finish();
    return !rest || write(formatRecordingLine(*rest));
}

bool RecordingWriter::write(const std::string& text) {
    if (!m_error.empty()) {
        return false;
    }
    if (std::fwrite(text.data(), 1, text.size(), m_file) != text.size() ||
        std::fflush(m_file) != 0) {
        m_error = "cannot write recording '" + m_path + "': " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace tresvik::cli
