#include "tools/sim/report_payloads.h"

#include <algorithm>
#include <string_view>

#include "decode/decoder.h"
#include "decode/parameter_table.h"
#include "flags/flag_grid.h"

namespace tresvik::sim {

namespace {

constexpr std::uint16_t kDebugFlagsId = 0x24F0;
constexpr std::uint16_t kEepromWritesId = 0x24F1;
constexpr std::uint16_t kSoftResetsId = 0x24F2;
constexpr std::uint16_t kRpmId = 0x0039;
constexpr std::uint16_t kSpeedId = 0x003B;
constexpr std::uint16_t kVinId = 0x0057;
constexpr std::uint16_t kFirstImmoKeyId = 0x2061;
constexpr std::uint16_t kTachoTotalId = 0x5301;
constexpr std::uint16_t kTachoTripId = 0x5302;
constexpr std::uint16_t kTachoSpeedId = 0x5303;
constexpr std::uint16_t kDriverNameLow = 0x01;  // low byte of 0x5101 and 0x5201
constexpr std::uint16_t kDriverIdLow = 0x03;    // 0x5103, 0x5203
constexpr std::uint16_t kWeeklyRestLow = 0x13;  // 0x5113, 0x5213

// Vehicle functions and the bit of their flag in status group 0.
constexpr int kBlinkerBit = 0;
constexpr int kHornBit = 4;
constexpr int kEngineBit = 6;
constexpr int kLockedBit = 8;
constexpr int kDriverDoorBit = 10;
constexpr int kAllDoorsBit = 12;
constexpr int kBootBit = 14;
constexpr int kWindowsBit = 16;
constexpr int kHeaterBit = 18;
constexpr int kImmobiliserBit = 20;
constexpr int kDoorOpenBit = 24;

// Year bytes of the date formats count from 1985.
constexpr std::uint8_t kYear2025 = 40;
// Hour and minute offsets of the time format are biased by 125.
constexpr std::uint8_t kNoOffset = 125;

void appendLittleEndian(Bytes& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void appendText(Bytes& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

Bytes prefixed() {
    return Bytes{0, 0};
}

int bytesFor(std::int64_t largest) {
    if (largest <= 0xFF) {
        return 1;
    }
    if (largest <= 0xFFFF) {
        return 2;
    }
    return largest <= 0xFFFFFF ? 3 : 4;
}

std::int64_t powerOfTen(int n) {
    std::int64_t p = 1;
    for (int i = 0; i < n; ++i) {
        p *= 10;
    }
    return p;
}

// 0 to 63, moving every cycle and differently for each row.
std::int64_t wave(const UnitState& state, int row) {
    return (static_cast<std::int64_t>(state.cycle) * 7 + row * 13) % 64;
}

// The largest raw change the row's text can show within its width.
std::int64_t rawSpan(const ParameterRow& row) {
    int digits = row.width - (row.decimals > 0 ? 1 : 0) - (row.offset != 0 ? 1 : 0);
    digits = std::clamp(digits, 3, 9);
    const std::int64_t shown = powerOfTen(digits) - 1;
    return std::max<std::int64_t>(
        1, shown * row.divisor / (powerOfTen(row.decimals) * std::max(1, row.multiplier)));
}

// How much a counter grows per cycle: a tenth of its displayed unit.
std::int64_t counterStep(const ParameterRow& row) {
    return std::max<std::int64_t>(1, row.divisor / 10);
}

std::int64_t speedKmh(const UnitState& state) {
    return state.vehicle.engineRunning ? 30 + (state.cycle * 3) % 60 : 0;
}

Bytes numericPayload(int index, const ParameterRow& row, const UnitState& state) {
    std::int64_t raw = 0;
    std::int64_t largest = 0;
    const auto& setting = state.counters[static_cast<std::size_t>(index)];
    if (row.messageId == kRpmId) {
        raw = state.vehicle.engineRunning ? (800 + wave(state, index) * 30) * row.divisor : 0;
        largest = 0xFFFF;
    } else if (row.messageId == kSpeedId || row.messageId == kTachoSpeedId) {
        raw = speedKmh(state) * row.divisor;
        largest = 0xFFFF;
    } else if (row.messageId == kTachoTotalId || row.messageId == kTachoTripId) {
        // 200 counts per kilometre; the trip started a while ago.
        const std::int64_t start = row.messageId == kTachoTotalId ? 123456 * 200 : 42 * 200;
        raw = start + static_cast<std::int64_t>(state.cycle) * speedKmh(state) * 200 / 3600;
        largest = 0xFFFFFFFF;
    } else if (setting) {
        raw = setting->value + static_cast<std::int64_t>(state.cycle - setting->cycle) *
                                   (row.formatCode == FormatCode::Duration ? 1 : counterStep(row));
        largest = 0xFFFFFFFF;
    } else if (row.formatCode == FormatCode::Duration) {
        // Hours of operation, counted in seconds.
        raw = (index * 7919 % 5000 + 100) * 360 + static_cast<std::int64_t>(state.cycle);
        largest = 0xFFFFFFFF;
    } else if (row.width >= 8 && row.offset == 0) {
        const std::int64_t span = rawSpan(row);
        raw =
            (span / 1000 + index * 97 + static_cast<std::int64_t>(state.cycle) * counterStep(row)) %
            (span + 1);
        largest = span;
    } else {
        // A gauge moves within a tenth of what its text could show, around its offset when it
        // has one (temperatures, angles).
        const std::int64_t span = rawSpan(row);
        const std::int64_t low =
            row.offset > 0 ? std::max<std::int64_t>(0, row.offset - span / 4) : 0;
        const std::int64_t high = row.offset > 0 ? row.offset + span / 4 : span / 10;
        raw = low + (high - low) * wave(state, index) / 63;
        largest = high;
    }
    Bytes out;
    appendLittleEndian(out, static_cast<std::uint64_t>(raw), bytesFor(largest));
    return out;
}

int driverOf(const ParameterRow& row) {
    return (row.messageId >> 8) == 0x52 ? 2 : 1;
}

Bytes characterPayload(const ParameterRow& row) {
    Bytes out;
    const bool second = driverOf(row) == 2;
    if (row.messageId == kVinId) {
        appendText(out, "TRVSIMUNIT0000042");
    } else if ((row.messageId & 0xFF) == kDriverIdLow) {
        appendText(out, second ? "SIMDRV0000000002" : "SIMDRV0000000001");
    } else {
        // Names: a code page byte, then the characters.
        out.push_back(1);
        const bool first = (row.messageId & 0xFF) == kDriverNameLow;
        appendText(out, first ? (second ? "Robin" : "Alex") : (second ? "Example" : "Sample"));
    }
    return out;
}

std::uint32_t counterValue(std::uint16_t id, const UnitState& state) {
    switch (id) {
        case kProgramNumberId:
            return static_cast<std::uint32_t>(state.program);
        case kEepromWritesId:
            return state.eepromWrites;
        case kSoftResetsId:
            return state.softResets;
        default:
            return 0;
    }
}

Bytes dateTimePayload(const ParameterRow& row, const UnitState& state) {
    const int driver = driverOf(row);
    const bool weekly = (row.messageId & 0xFF) == kWeeklyRestLow;
    const std::uint32_t seconds = 6 * 3600 + driver * 1800 + state.cycle;
    const int day = (weekly ? 7 : 10) + driver;
    return Bytes{kNoOffset,
                 kNoOffset,
                 kYear2025,
                 static_cast<std::uint8_t>(day * 4),
                 6,
                 static_cast<std::uint8_t>(seconds / 3600 % 24),
                 static_cast<std::uint8_t>(seconds / 60 % 60),
                 static_cast<std::uint8_t>(seconds % 60 * 4)};
}

void setFlag(Bytes& payload, int bit, bool on) {
    auto& byte = payload[static_cast<std::size_t>(bit / 8)];
    const int shift = bit % 8;
    byte = static_cast<std::uint8_t>((byte & ~(3 << shift)) | ((on ? 1 : 0) << shift));
}

}  // namespace

Bytes parameterPayload(int row, const UnitState& state) {
    const ParameterRow& r = parameterRow(row);
    const int driver = driverOf(r);
    Bytes out;
    switch (r.formatCode) {
        case FormatCode::DeviceVersion:  // hardware, variant, build
            out = prefixed();
            appendLittleEndian(out, 0x1A3, 2);
            appendLittleEndian(out, 0x02, 2);
            appendLittleEndian(out, 0x15, 2);
            return out;
        case FormatCode::SoftwareDate:  // software date and revision
            return Bytes{0, 0, 0x25, 0x06, 0x18, 0x03};
        case FormatCode::HexBytes:
            out = prefixed();
            if (r.messageId == kDebugFlagsId) {
                appendLittleEndian(out, 1U << (state.cycle % 16), 2);
            } else {
                appendLittleEndian(out, 0x2A001D5E, 4);
            }
            return out;
        case FormatCode::PrefixedNumeric:
            out = prefixed();
            appendLittleEndian(out, counterValue(r.messageId, state), 4);
            return out;
        case FormatCode::Characters:
        case FormatCode::DriverName:
            return characterPayload(r);
        case FormatCode::ImmobiliserId: {
            // Immobiliser keys; the key in use carries the marker.
            const int key = r.messageId - kFirstImmoKeyId;
            out = prefixed();
            out.push_back(static_cast<int>(state.cycle / 4 % 5) == key ? 1 : 0);
            appendLittleEndian(out, 0x1000A000U + static_cast<std::uint32_t>(key) * 0x1111U, 4);
            return out;
        }
        case FormatCode::ImmobiliserBaseId:
            out = prefixed();
            appendLittleEndian(out, 0x00C0FFEE12345678ULL, 8);
            return out;
        case FormatCode::DriverState: {
            // Activity in the low four bits, time-related warning in the high four.
            const std::uint32_t activity = (state.cycle / 3 + driver) % 4;
            const std::uint32_t warning = (state.cycle / 5 + driver) % 7;
            return Bytes{static_cast<std::uint8_t>(warning << 4 | activity)};
        }
        case FormatCode::CardPresence:  // driver cards inserted
            return Bytes{static_cast<std::uint8_t>(state.cycle / 6 % 4)};
        case FormatCode::Date:  // next download: year, day in quarter days, month
            return Bytes{kYear2025, static_cast<std::uint8_t>((state.cycle / 10 % 28 + 1) * 4),
                         static_cast<std::uint8_t>(driver + 2)};
        case FormatCode::DateTime:
            return dateTimePayload(r, state);
        case FormatCode::Numeric:
        case FormatCode::Duration:
            break;
    }
    return numericPayload(row, r, state);
}

Bytes flagPayload(int group, const UnitState& state) {
    const FlagGroup& flags = flagGroup(group);
    Bytes out(static_cast<std::size_t>(flags.rows));
    for (std::size_t byte = 0; byte < out.size(); ++byte) {
        std::uint8_t value = 0;
        for (unsigned pair = 0; pair < 4; ++pair) {
            const unsigned flag = (state.cycle / 2 + byte + pair + group) % 4;
            value = static_cast<std::uint8_t>(value | flag << (2 * pair));
        }
        out[byte] = value;
    }
    if (group == 0) {
        const VehicleState& v = state.vehicle;
        setFlag(out, kBlinkerBit, v.blinker);
        setFlag(out, kHornBit, v.horn);
        setFlag(out, kEngineBit, v.engineRunning);
        setFlag(out, kLockedBit, v.locked);
        setFlag(out, kDriverDoorBit, v.driverDoorUnlocked);
        setFlag(out, kAllDoorsBit, v.allDoorsUnlocked);
        setFlag(out, kBootBit, v.bootOpen);
        setFlag(out, kWindowsBit, v.windowsClosed);
        setFlag(out, kHeaterBit, v.heaterOn);
        setFlag(out, kImmobiliserBit, v.immobilised);
        setFlag(out, kDoorOpenBit, v.doorOpen);
    }
    return out;
}

Bytes debugPayload(const UnitState& state) {
    Bytes out = prefixed();
    appendText(out, "DBG");
    out.push_back(static_cast<std::uint8_t>(state.cycle / 8));
    out.push_back(static_cast<std::uint8_t>(state.softResets));
    out.push_back(static_cast<std::uint8_t>(state.program));
    return out;
}

}  // namespace tresvik::sim
