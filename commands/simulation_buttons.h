#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "link/frame.h"

namespace tresvik {

class FrameWriter;

inline constexpr std::uint16_t kSimulationId = 0x341E;

// A simulation button of the main window and the command bytes its frame carries.
struct SimulationButton {
    int controlId = 0;
    std::u16string_view caption;
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    std::uint8_t c = 0;
};

inline constexpr int kSimulationButtonCount = 15;
std::span<const SimulationButton> simulationButtons();
// The button with a control id (1020 to 1034) or caption; nullptr when there is none.
const SimulationButton* findSimulationButton(int controlId);
const SimulationButton* findSimulationButton(std::u16string_view caption);

// The 12-byte simulation frame without its checksum.
Bytes simulationFrame(std::uint16_t sequence, const SimulationButton& button);
// One simulation frame as one indivisible frame build.
void sendSimulation(FrameWriter& writer, const SimulationButton& button);

}  // namespace tresvik
