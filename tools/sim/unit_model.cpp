#include "tools/sim/unit_model.h"

#include <optional>
#include <string_view>

#include "commands/command_encoder.h"
#include "commands/command_table.h"
#include "commands/simulation_buttons.h"
#include "decode/decoder.h"
#include "decode/parameter_table.h"
#include "flags/flag_grid.h"
#include "link/bytes.h"
#include "tools/sim/report_payloads.h"

namespace tresvik::sim {

namespace {

constexpr std::uint16_t kFirstTachoId = 0x5301;
constexpr std::uint16_t kLastTachoId = 0x5304;
// A command 0x0400 above a counter's identifier sets that counter (0x0434 the odometer count
// 0x0034, 0x4410 the total driving time 0x4010).
constexpr std::uint16_t kCounterSetOffset = 0x0400;

struct ButtonEffect {
    std::u16string_view caption;
    void (*apply)(VehicleState&);
};

// What each simulation button does to the vehicle.
constexpr ButtonEffect kButtonEffects[] = {
    {u"BLINKER", [](VehicleState& v) { v.blinker = !v.blinker; }},
    {u"CLOSE4",
     [](VehicleState& v) {
         v.locked = true;
         v.driverDoorUnlocked = false;
         v.allDoorsUnlocked = false;
     }},
    {u"OPEN1",
     [](VehicleState& v) {
         v.locked = false;
         v.driverDoorUnlocked = true;
     }},
    {u"OPEN4",
     [](VehicleState& v) {
         v.locked = false;
         v.driverDoorUnlocked = true;
         v.allDoorsUnlocked = true;
     }},
    {u"OPENBAG", [](VehicleState& v) { v.bootOpen = true; }},
    {u"CLOSEWIN", [](VehicleState& v) { v.windowsClosed = true; }},
    // An immobilised engine does not start.
    {u"STARTENG", [](VehicleState& v) { v.engineRunning = !v.immobilised; }},
    {u"STOPENG", [](VehicleState& v) { v.engineRunning = false; }},
    {u"SIMDOOR", [](VehicleState& v) { v.doorOpen = !v.doorOpen; }},
    {u"HORN", [](VehicleState& v) { v.horn = !v.horn; }},
    {u"HORN BLINK",
     [](VehicleState& v) {
         v.horn = !v.horn;
         v.blinker = v.horn;
     }},
    {u"START WEB", [](VehicleState& v) { v.heaterOn = true; }},
    {u"STOP WEB", [](VehicleState& v) { v.heaterOn = false; }},
    {u"EngineLock",
     [](VehicleState& v) {
         v.immobilised = true;
         v.engineRunning = false;
     }},
    {u"EngineUnlock", [](VehicleState& v) { v.immobilised = false; }},
};

bool isTachoRow(const ParameterRow& row) {
    return row.messageId >= kFirstTachoId && row.messageId <= kLastTachoId;
}

Bytes valueReply(std::uint16_t id, std::uint16_t sequence, std::int32_t value) {
    return makeFrame(id, valuePayload(sequence, value));
}

}  // namespace

UnitModel::UnitModel() {
    m_state.program = 42;
    // Commands start at the values the console's table offers; an asking row shares its
    // identifier with the setting row above it.
    for (const CommandRow& row : commandTable()) {
        if (!isRequestText(row.defaultValue)) {
            m_state.commandValues.emplace(row.messageId, parseValueText(row.defaultValue));
        }
    }
}

Bytes UnitModel::parameterFrame(int row, std::uint16_t sequence) const {
    Bytes payload = parameterPayload(row, m_state);
    if (hasSequencePrefix(parameterRow(row).formatCode)) {
        payload[0] = static_cast<std::uint8_t>(sequence & 0xFF);
        payload[1] = static_cast<std::uint8_t>(sequence >> 8);
    }
    return makeFrame(parameterRow(row).messageId, payload);
}

std::vector<Bytes> UnitModel::nextReportCycle() {
    std::vector<Bytes> frames;
    for (int row = 0; row < kParameterCount; ++row) {
        if (m_state.tachoRunning || !isTachoRow(parameterRow(row))) {
            frames.push_back(parameterFrame(row));
        }
    }
    for (int group = 0; group < kFlagGroupCount; ++group) {
        frames.push_back(makeFrame(flagGroup(group).messageId, flagPayload(group, m_state)));
    }
    frames.push_back(makeFrame(kDebugInfoId, debugPayload(m_state)));
    ++m_state.cycle;
    return frames;
}

std::vector<Bytes> UnitModel::receive(ByteView frame) {
    if (frame.size() < frame::kOverhead) {
        return {};
    }
    const std::uint16_t id = frame::id(frame);
    const ByteView payload = frame::payload(frame);
    switch (payload.size()) {
        case 2:
            return answerRequest(id, readLittleEndian16(payload));
        case 6: {
            const auto value = static_cast<std::int32_t>(readLittleEndian32(payload.subspan(2)));
            return takeValue(id, readLittleEndian16(payload), value);
        }
        case 8:
            return id == kSimulationId ? simulate(payload) : std::vector<Bytes>{};
        default:
            return {};
    }
}

std::vector<Bytes> UnitModel::answerRequest(std::uint16_t id, std::uint16_t sequence) const {
    if (const std::optional<int> row = findParameterRow(id)) {
        return {parameterFrame(*row, sequence)};
    }
    if (id == kDebugInfoId) {
        Bytes payload = debugPayload(m_state);
        payload[0] = static_cast<std::uint8_t>(sequence & 0xFF);
        payload[1] = static_cast<std::uint8_t>(sequence >> 8);
        return {makeFrame(id, payload)};
    }
    if (id == kTachoId) {
        return {valueReply(id, sequence, m_state.tachoRunning ? 1 : 0)};
    }
    if (const auto it = m_state.commandValues.find(id); it != m_state.commandValues.end()) {
        return {valueReply(id, sequence, it->second)};
    }
    return {};
}

std::vector<Bytes> UnitModel::takeValue(std::uint16_t id, std::uint16_t sequence,
                                        std::int32_t value) {
    m_state.commandValues[id] = value;
    ++m_state.eepromWrites;
    if (id == kSetProgramId) {
        m_state.program = value;
    } else if (id == kTachoId) {
        m_state.tachoRunning = value != 0;
    } else if (id == kResetId) {
        ++m_state.softResets;
    } else if (const std::optional<int> row =
                   findParameterRow(static_cast<std::uint16_t>(id - kCounterSetOffset));
               row && (parameterRow(*row).formatCode == FormatCode::Numeric ||
                       parameterRow(*row).formatCode == FormatCode::Duration)) {
        m_state.counters[static_cast<std::size_t>(*row)] = CounterSetting{value, m_state.cycle};
    }
    // The unit reports what it took under the same identifier.
    return {valueReply(id, sequence, value)};
}

std::vector<Bytes> UnitModel::simulate(ByteView payload) {
    for (const SimulationButton& button : simulationButtons()) {
        if (button.a != payload[2] || button.b != payload[3] || button.c != payload[4]) {
            continue;
        }
        for (const ButtonEffect& effect : kButtonEffects) {
            if (effect.caption == button.caption) {
                effect.apply(m_state.vehicle);
            }
        }
        // The flags change at once, not only in the next report cycle.
        return {makeFrame(flagGroup(0).messageId, flagPayload(0, m_state))};
    }
    return {};
}

}  // namespace tresvik::sim
