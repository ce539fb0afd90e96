#pragma once

namespace tresvik {

// How a parameter row's payload becomes its value text. The numbers are the unit's own codes for
// its formats and stay fixed.
enum class FormatCode {
    Numeric = 0,            // short little-endian number, scaled by the row
    DeviceVersion = 1,      // hardware, variant and build, in hex
    SoftwareDate = 2,       // build date and revision, BCD
    HexBytes = 3,           // every byte after the prefix, in hex
    PrefixedNumeric = 4,    // 32-bit number after the prefix, scaled by the row
    Characters = 5,         // one character per byte
    Duration = 6,           // seconds shown as hours, minutes and seconds
    ImmobiliserId = 7,      // in-use marker and a 32-bit key identifier
    ImmobiliserBaseId = 8,  // 64-bit base identifier
    DriverName = 9,         // code page byte, then the characters
    DriverState = 10,       // activity and time-related warning
    CardPresence = 11,      // which driver cards are inserted
    Date = 12,              // year, quarter days and month
    DateTime = 13,          // local offsets, date and time of day
};

// Whether the format's text shows a number made from one integer of the frame: plain and prefixed
// numbers, and durations in seconds.
constexpr bool hasNumericValue(FormatCode code) {
    return code == FormatCode::Numeric || code == FormatCode::PrefixedNumeric ||
           code == FormatCode::Duration;
}

// Whether the format's payload starts with two bytes the console does not read; the unit puts
// the sequence number of a request there when it answers one.
constexpr bool hasSequencePrefix(FormatCode code) {
    switch (code) {
        case FormatCode::DeviceVersion:
        case FormatCode::SoftwareDate:
        case FormatCode::HexBytes:
        case FormatCode::PrefixedNumeric:
        case FormatCode::ImmobiliserId:
        case FormatCode::ImmobiliserBaseId:
            return true;
        default:
            return false;
    }
}

}  // namespace tresvik
