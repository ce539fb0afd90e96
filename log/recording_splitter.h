#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "link/frame_assembler.h"
#include "log/recording.h"

namespace tresvik {

// Cuts received bytes into the lines of a recording: one line per frame, good or damaged, and
// the bytes between frames as lines of their own, each timed by its first byte. Frames are
// found as the console finds them, so a replay is cut the same way.
class RecordingSplitter {
public:
    // Takes a byte received `offsetMs` after the recording began. Returns the lines it ended:
    // the frame it completed, or the bytes between frames that a start byte ends.
    std::vector<TimedChunk> push(std::uint8_t byte, std::uint64_t offsetMs);
    // What is left at the end: a frame not yet complete, or bytes after the last frame.
    std::optional<TimedChunk> finish();

private:
    FrameAssembler m_assembler;
    TimedChunk m_current;
};

}  // namespace tresvik
