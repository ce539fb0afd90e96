#include "commands/command_table.h"

#include <array>
#include <cstddef>

namespace tresvik {

namespace {

// Row order is the order of the Tx window's list. A setting row and the asking row below it share
// an identifier; the asking rows start as requests ("-").
constexpr std::array<CommandRow, kCommandCount> kCommands{{
    {0x2406, u"Debug Info", u"-"},
    {kSetProgramId, u"Set New Program ", u"11120"},
    {0x0432, u"Set Lifetime Count", u"0"},
    {0x0434, u"Set Distance Count", u"0"},
    {0x0436, u"Set Fuel Consumption Count", u"0"},
    {0x0497, u"Set CNG Consumption Count", u"0"},
    {0x440F, u"Set Cruise Driving Time", u"0"},
    {0x4410, u"Set Driving Time", u"0"},
    {0x4411, u"Set Idle Time", u"0"},
    {0x4412, u"Set Idle Fuel Consumption", u"0"},
    {0x4401, u"Eco Set Speed Limit Time", u"0"},
    {0x4402, u"Eco Set Rpm Time", u"0"},
    {0x4403, u"Eco Set Hi Rpm Time", u"0"},
    {0x4802, u"Eco Set Lo Rpm Value", u"0"},
    {0x4404, u"Eco Set Hi Accel Time", u"0"},
    {0x4406, u"Eco Set RED Working Time", u"0"},
    {0x4407, u"Eco Set RED Driving Time", u"0"},
    {0x4405, u"Eco Set Accel Cnt", u"0"},
    {0x4408, u"Eco Set Foot Brake Driving Time", u"0"},
    {0x4409, u"Eco Set Hand Brake Driving Time", u"0"},
    {0x440A, u"Eco Set Brake Count", u"0"},
    {0x440B, u"Eco Set Hard Braking Time", u"0"},
    {0x440C, u"Eco Set Hard Accelerating Time", u"0"},
    {0x440D, u"Eco Set Braking Time", u"0"},
    {0x440E, u"Eco Set Engine Braking Time", u"0"},
    {0x4801, u"Eco Set Speed Limit Value", u"120"},
    {0x4801, u"Eco Get Speed Limit Value", u"-"},
    {0x4C02, u"Eco Set Hi Rpm Value", u"3800"},
    {0x4C02, u"Eco Get Hi Rpm Value", u"-"},
    {0x4804, u"Eco Set Hi Accel Value", u"85"},
    {0x4804, u"Eco Get Hi Accel Value", u"-"},
    {0x4C05, u"Eco Set Top Accel Value", u"85"},
    {0x4C05, u"Eco Get Top Accel Value", u"-"},
    {0x4805, u"Eco Set Bottom Accel Value", u"70"},
    {0x4805, u"Eco Get Bottom Accel Value", u"-"},
    {0x480A, u"Eco Set Braking Speed Value", u"10"},
    {0x480A, u"Eco Get Braking Speed Value", u"-"},
    {0x480B, u"Eco Set Hard Braking Speed", u"13"},
    {0x480B, u"Eco Get Hard Braking Speed", u"-"},
    {0x480C, u"Eco Set Hard Accelerating Speed", u"13"},
    {0x480C, u"Eco Get Hard Accelerating Speed", u"-"},
    {0x2405, u"Reset", u"0"},
    {0x240F, u"Set Frame Time", u"1"},
    {kTachoId, u"START Simple Tacho", u"1"},
    {kTachoId, u"STOP Simple Tacho", u"0"},
}};

}  // namespace

std::span<const CommandRow> commandTable() {
    return kCommands;
}

const CommandRow& commandRow(int index) {
    return kCommands.at(static_cast<std::size_t>(index));
}

std::optional<int> findCommandRow(std::uint16_t id) {
    // The tacho start and stop rows differ only in their default value, so a report under their
    // shared identifier cannot say which of the two it belongs to.
    if (id == kTachoId) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kCommands.size(); ++i) {
        if (kCommands[i].messageId == id) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

}  // namespace tresvik
