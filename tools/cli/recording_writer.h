#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "link/bytes.h"
#include "log/recording_splitter.h"

namespace tresvik::cli {

// The file of monitor --record: the received bytes cut into a recording's lines, timed from the
// moment the port opened. Each line goes to the system as soon as it is complete, so that Ctrl+C,
// a kill or an unplugged adapter loses none of them.
class RecordingWriter {
public:
    // Creates or empties `path` and writes the header; throws UsageError when it cannot.
    explicit RecordingWriter(const std::string& path);
    ~RecordingWriter();
    RecordingWriter(const RecordingWriter&) = delete;
    RecordingWriter& operator=(const RecordingWriter&) = delete;

    // The port `port` has just opened: notes it and the local time, and times bytes from now.
    bool begin(const std::string& port);
    // Bytes received at `arrival`, in arrival order.
    bool push(ByteView bytes, std::chrono::steady_clock::time_point arrival);
    // Writes what is left when the port closes: a frame still incomplete, or bytes after the
    // last frame.
    bool finish();
    // Why the recording stopped being written; empty while every line has been written.
    const std::string& error() const { return m_error; }

private:
    bool write(const std::string& text);

    std::string m_path;
    std::FILE* m_file;
    RecordingSplitter m_splitter;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::string m_error;
};

}  // namespace tresvik::cli
