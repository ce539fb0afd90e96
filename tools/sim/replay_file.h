#pragma once

#include <cstddef>
#include <string>
#include <variant>

#include "log/recording.h"

namespace tresvik::sim {

// Larger files are refused rather than read: a day at the line rate is well below this, and a
// device that never ends (/dev/zero) must not eat the memory.
inline constexpr std::size_t kLargestReplayFile = std::size_t{1} << 30U;

// The received bytes of the recording, text dump or hex file at `path`, or one line saying why
// they cannot be replayed, beginning with the path.
std::variant<TimedBytes, std::string> loadReplayFile(const std::string& path,
                                                     std::size_t largest = kLargestReplayFile);

}  // namespace tresvik::sim
