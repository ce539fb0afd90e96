#include "commands/simulation_buttons.h"

#include <array>

#include "link/frame_writer.h"

namespace tresvik {

namespace {

// Each button sets exactly one of the three command bytes.
constexpr std::array<SimulationButton, kSimulationButtonCount> kButtons{{
    {1020, u"BLINKER", 0x11, 0x00, 0x00},
    {1021, u"CLOSE4", 0x00, 0x00, 0x01},
    {1022, u"OPEN1", 0x00, 0x00, 0x03},
    {1023, u"OPEN4", 0x00, 0x00, 0x05},
    {1024, u"OPENBAG", 0x00, 0x00, 0x07},
    {1025, u"CLOSEWIN", 0x00, 0x15, 0x00},
    {1026, u"STARTENG", 0x00, 0x00, 0x0E},
    {1027, u"STOPENG", 0x00, 0x00, 0x0D},
    {1028, u"SIMDOOR", 0x00, 0x00, 0x0F},
    {1029, u"HORN", 0x21, 0x00, 0x00},
    {1030, u"HORN BLINK", 0x31, 0x00, 0x00},
    {1031, u"START WEB", 0x00, 0x00, 0x0C},
    {1032, u"STOP WEB", 0x00, 0x00, 0x0B},
    {1033, u"EngineLock", 0x00, 0x00, 0x09},
    {1034, u"EngineUnlock", 0x00, 0x00, 0x0A},
}};

}  // namespace

std::span<const SimulationButton> simulationButtons() {
    return kButtons;
}

const SimulationButton* findSimulationButton(int controlId) {
    for (const SimulationButton& button : kButtons) {
        if (button.controlId == controlId) {
            return &button;
        }
    }
    return nullptr;
}

const SimulationButton* findSimulationButton(std::u16string_view caption) {
    for (const SimulationButton& button : kButtons) {
        if (button.caption == caption) {
            return &button;
        }
    }
    return nullptr;
}

Bytes simulationFrame(std::uint16_t sequence, const SimulationButton& button) {
    Bytes payload = sequencePayload(sequence);
    payload.insert(payload.end(), {button.a, button.b, button.c, 0x00, 0x00, 0x00});
    return makeFrame(kSimulationId, payload, FrameChecksum::Omitted);
}

void sendSimulation(FrameWriter& writer, const SimulationButton& button) {
    auto tx = writer.begin();
    tx.WriteFrame(simulationFrame(tx.nextSequence(), button));
}

}  // namespace tresvik
