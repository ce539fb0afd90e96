#include "tools/sim/trace_writer.h"

#include "link/bytes.h"

namespace tresvik::sim {

TraceWriter::TraceWriter(const std::string& path) : m_file(std::fopen(path.c_str(), "w")) {}

TraceWriter::~TraceWriter() {
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
}

void TraceWriter::bytes(std::string_view kind, ByteView data) {
    std::string line(kind);
    for (const std::uint8_t b : data) {
        line.push_back(' ');
        appendHexByte(line, b);
    }
    event(line);
}

void TraceWriter::event(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), m_file);
    std::fputc('\n', m_file);
}

void TraceWriter::flush() {
    std::fflush(m_file);
}

}  // namespace tresvik::sim
