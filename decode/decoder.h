#pragma once

#include <optional>
#include <string>
#include <vector>

#include "commands/read_back.h"
#include "decode/parameter_update.h"
#include "flags/flag_states.h"
#include "link/frame.h"

namespace tresvik {

// Everything one good frame changes, in the order the console applies it: parameter value,
// program number text, device ID suffix, flags, Tx read-back, debug line for the ID log. The
// arrival times are left for the caller to fill in.
struct DecodeResult {
    // False only when a program-number or debug-counter frame lacks its 6-byte payload; such a
    // frame changes nothing at all.
    bool ok = true;
    std::optional<ParameterUpdate> parameter;
    std::optional<std::u16string> programNumber;
    std::optional<std::u16string> deviceIdSuffix;
    std::vector<FlagUpdate> flagChanges;
    std::optional<ReadBack> readBack;
    std::optional<std::u16string> debugLine;
};

inline constexpr std::uint16_t kProgramNumberId = 0x2401;
inline constexpr std::uint16_t kDeviceIdId = 0x2421;
inline constexpr std::uint16_t kDebugInfoId = 0x2406;

// Decodes one complete frame with a good checksum (start byte to checksum). `flags` holds the
// flags' last reported states, against which changes are found; it is not modified.
DecodeResult decodeFrame(ByteView frame, const FlagStates& flags);

// Whether the console makes anything of a frame with identifier `id`: a parameter row, a flag
// group, a Tx command whose read-back it shows, or the debug information the ID log keeps.
bool isKnownIdentifier(std::uint16_t id);

// The ID log line of a frame: every byte but the checksum as "%02X", no separators.
std::u16string debugLine(ByteView frame);

}  // namespace tresvik
