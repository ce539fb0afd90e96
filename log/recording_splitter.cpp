#include "log/recording_splitter.h"

#include <utility>

namespace tresvik {

std::vector<TimedChunk> RecordingSplitter::push(std::uint8_t byte, std::uint64_t offsetMs) {
    std::vector<TimedChunk> done;
    const bool wasInFrame = m_assembler.inFrame();
    const FrameAssembler::Result result = m_assembler.push(byte);
    const bool startsFrame = !wasInFrame && m_assembler.inFrame();
    if (startsFrame && !m_current.bytes.empty()) {
        done.push_back(std::exchange(m_current, {}));
    }
    if (m_current.bytes.empty()) {
        m_current.offsetMs = offsetMs;
    }
    m_current.bytes.push_back(byte);
    if (result == FrameAssembler::Result::GoodFrame ||
        result == FrameAssembler::Result::ChecksumError) {
        done.push_back(std::exchange(m_current, {}));
    }
    return done;
}

std::optional<TimedChunk> RecordingSplitter::finish() {
    if (m_current.bytes.empty()) {
        return std::nullopt;
    }
    m_assembler = FrameAssembler();
    return std::exchange(m_current, {});
}

}  // namespace tresvik
