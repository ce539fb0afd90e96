#include "log/id_log.h"

#include <fstream>
#include <ios>

namespace tresvik {

namespace {

// Opens for reading and appending: created when missing, never truncated. Binary, so line ends
// are exactly the bytes written, on every platform.
std::fstream openLog(const std::filesystem::path& file) {
    return std::fstream(file, std::ios::in | std::ios::out | std::ios::app | std::ios::binary);
}

}  // namespace

void IdLog::load(const std::filesystem::path& file) {
    m_path = file;
    m_known.clear();
    std::fstream stream = openLog(m_path);
    if (!stream.is_open()) {
        return;
    }
    std::string line;
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::u16string entry;
        entry.reserve(line.size());
        for (const char c : line) {
            entry.push_back(static_cast<unsigned char>(c));
        }
        m_known.push_back(std::move(entry));
    }
}

bool IdLog::record(std::u16string_view debugLine) {
    for (const std::u16string& entry : m_known) {
        if (entry.starts_with(debugLine)) {
            return false;
        }
    }
    if (m_path.empty()) {
        // Never loaded: nothing to write to, the list alone remembers the lines of this run.
        std::u16string entry(debugLine);
        entry.push_back(u'\n');
        m_known.push_back(std::move(entry));
        return true;
    }
    std::string bytes;
    bytes.reserve(debugLine.size() + 2);
    for (const char16_t unit : debugLine) {
        bytes.push_back(static_cast<char>(unit));
    }
    bytes.append("\r\n");

    std::fstream stream = openLog(m_path);
    if (!stream.is_open()) {
        return false;
    }
    stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    stream.close();
    if (stream.fail()) {
        // Not in the file, so not known either: the next such frame tries again.
        return false;
    }
    std::u16string entry(debugLine);
    entry.push_back(u'\n');
    m_known.push_back(std::move(entry));
    return true;
}

}  // namespace tresvik
