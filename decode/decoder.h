#pragma once

#include <optional>
#include <string>
#include <vector>

#include "commands/read_back.h"
#include "flags/flag_grid.h"
#include "link/frame.h"

namespace tresvik {

// A new text for one value cell of the parameter list.
struct ValueCellUpdate {
    int item = 0;
    int column = 0;
    std::u16string text;
    friend bool operator==(const ValueCellUpdate&, const ValueCellUpdate&) = default;
};

// Everything one good frame changes, in the order the console applies it: value cell, program
// number text, device ID suffix, flag cells, Tx read-back, debug line for the ID log.
struct DecodeResult {
    // False only when a program-number or debug-counter frame lacks its 6-byte payload; such a
    // frame changes nothing at all.
    bool ok = true;
    std::optional<ValueCellUpdate> cell;
    std::optional<std::u16string> programNumber;
    std::optional<std::u16string> deviceIdSuffix;
    std::vector<FlagCell> flagChanges;
    std::optional<TxCellUpdate> txReadBack;
    std::optional<std::u16string> debugLine;
};

inline constexpr std::uint16_t kProgramNumberId = 0x2401;
inline constexpr std::uint16_t kDeviceIdId = 0x2421;
inline constexpr std::uint16_t kDebugInfoId = 0x2406;

// Decodes one complete frame with a good checksum (start byte to checksum). `flags` is the
// Flags window's present grid, against which changed cells are found; it is not modified.
DecodeResult decodeFrame(ByteView frame, const FlagGrid& flags);

// The ID log line of a frame: every byte but the checksum as "%02X", no separators.
std::u16string debugLine(ByteView frame);

}  // namespace tresvik
