#include "flags/flag_states.h"

#include <algorithm>
#include <cstddef>

namespace tresvik {

std::vector<FlagUpdate> readFlags(ByteView frame) {
    std::vector<FlagUpdate> flags;
    if (frame.size() < frame::kHeaderSize) {
        return flags;
    }
    const int g = flagGroupOf(frame::id(frame));
    if (g < 0) {
        return flags;
    }
    const std::size_t available =
        std::min<std::size_t>(frame::payloadLength(frame), frame.size() - frame::kHeaderSize);
    const FlagGroup& group = flagGroup(g);
    for (const std::uint8_t c : group.entries) {
        if (c == kNoFlag || c / 8U >= available) {
            continue;
        }
        const auto value =
            static_cast<std::uint8_t>((frame[frame::kHeaderSize + c / 8U] >> (c % 8U)) & 3U);
        flags.push_back({g, c, value, {}});
    }
    return flags;
}

FlagStates::FlagStates() {
    for (auto& group : m_states) {
        group.fill(kUnreported);
    }
}

std::vector<FlagUpdate> FlagStates::changesFor(ByteView frame) const {
    std::vector<FlagUpdate> flags = readFlags(frame);
    std::erase_if(flags, [this](const FlagUpdate& f) {
        return m_states[static_cast<std::size_t>(f.group)][static_cast<std::size_t>(f.position)] ==
               f.state;
    });
    return flags;
}

void FlagStates::apply(const std::vector<FlagUpdate>& updates) {
    for (const FlagUpdate& f : updates) {
        if (f.group >= 0 && f.group < kFlagGroupCount && f.position >= 0 &&
            static_cast<std::size_t>(f.position) < kPositions) {
            m_states[static_cast<std::size_t>(f.group)][static_cast<std::size_t>(f.position)] =
                f.state;
        }
    }
}

std::optional<std::uint8_t> FlagStates::state(int group, int position) const {
    if (group < 0 || group >= kFlagGroupCount || position < 0 ||
        static_cast<std::size_t>(position) >= kPositions) {
        return std::nullopt;
    }
    const std::uint8_t s =
        m_states[static_cast<std::size_t>(group)][static_cast<std::size_t>(position)];
    return s == kUnreported ? std::nullopt : std::optional<std::uint8_t>(s);
}

}  // namespace tresvik
