#include "commands/simulation_buttons.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>

#include "link/frame_writer.h"
#include "link/transmit_queue.h"
#include "tests/commands/sent_bytes.h"

namespace tresvik {
namespace {

using test::withCrc;

struct SimulationFixture : ::testing::Test {
    TransmitQueue queue;
    std::atomic<bool> portOpen{true};
    std::atomic<bool> closing{false};
    FrameWriter writer{queue, nullptr, portOpen, closing};

    Bytes click(std::u16string_view caption) {
        const SimulationButton* button = findSimulationButton(caption);
        EXPECT_NE(button, nullptr) << "no button";
        if (button != nullptr) {
            sendSimulation(writer, *button);
        }
        return queue.takeAll();
    }
};

using SimulationButtons = SimulationFixture;

TEST_F(SimulationButtons, BlinkerThenCloseWinCarryConsecutiveSequenceNumbers) {
    EXPECT_EQ(click(u"BLINKER"),
              withCrc({0xC7, 0x1E, 0x34, 0x08, 0x01, 0x00, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(click(u"CLOSEWIN"),
              withCrc({0xC7, 0x1E, 0x34, 0x08, 0x02, 0x00, 0x00, 0x15, 0x00, 0x00, 0x00, 0x00}));
}

TEST(SimulationFrame, AllZeroCommandMatchesTheWorkedFrame) {
    const Bytes body = simulationFrame(1, SimulationButton{});
    const Bytes expected{0xC7, 0x1E, 0x34, 0x08, 0x01, 0x00, 0x00,
                         0x00, 0x00, 0x00, 0x00, 0x00, 0x9A};
    EXPECT_EQ(withCrc(body), expected);
}

struct ButtonCase {
    int controlId;
    std::u16string caption;
    std::size_t commandOffset;  // frame offset of the command byte
    std::uint8_t command;
};

class ButtonTable : public ::testing::TestWithParam<ButtonCase> {};

TEST_P(ButtonTable, ButtonSetsItsOneCommandByte) {
    const ButtonCase& c = GetParam();
    const SimulationButton* byId = findSimulationButton(c.controlId);
    ASSERT_NE(byId, nullptr);
    EXPECT_EQ(byId->caption, c.caption);
    EXPECT_EQ(findSimulationButton(c.caption), byId);

    Bytes expected{0xC7, 0x1E, 0x34, 0x08, 0x34, 0x12, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    expected[c.commandOffset] = c.command;
    EXPECT_EQ(simulationFrame(0x1234, *byId), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, ButtonTable,
    ::testing::Values(ButtonCase{1020, u"BLINKER", 6, 0x11}, ButtonCase{1021, u"CLOSE4", 8, 0x01},
                      ButtonCase{1022, u"OPEN1", 8, 0x03}, ButtonCase{1023, u"OPEN4", 8, 0x05},
                      ButtonCase{1024, u"OPENBAG", 8, 0x07}, ButtonCase{1025, u"CLOSEWIN", 7, 0x15},
                      ButtonCase{1026, u"STARTENG", 8, 0x0E}, ButtonCase{1027, u"STOPENG", 8, 0x0D},
                      ButtonCase{1028, u"SIMDOOR", 8, 0x0F}, ButtonCase{1029, u"HORN", 6, 0x21},
                      ButtonCase{1030, u"HORN BLINK", 6, 0x31},
                      ButtonCase{1031, u"START WEB", 8, 0x0C},
                      ButtonCase{1032, u"STOP WEB", 8, 0x0B},
                      ButtonCase{1033, u"EngineLock", 8, 0x09},
                      ButtonCase{1034, u"EngineUnlock", 8, 0x0A}));

TEST(SimulationButtonLookup, FifteenButtonsCoverTheControlRange) {
    ASSERT_EQ(simulationButtons().size(), 15U);
    std::set<int> ids;
    for (const SimulationButton& button : simulationButtons()) {
        ids.insert(button.controlId);
        const int nonZero = (button.a != 0) + (button.b != 0) + (button.c != 0);
        EXPECT_EQ(nonZero, 1) << button.controlId;
    }
    EXPECT_EQ(ids.size(), 15U);
    EXPECT_EQ(*ids.begin(), 1020);
    EXPECT_EQ(*ids.rbegin(), 1034);
    EXPECT_EQ(findSimulationButton(1019), nullptr);
    EXPECT_EQ(findSimulationButton(1035), nullptr);
    EXPECT_EQ(findSimulationButton(u"Blinker"), nullptr);
    EXPECT_EQ(findSimulationButton(u"HORN "), nullptr);
}

TEST_F(SimulationButtons, SameButtonTwiceSendsTwoFramesWithNewNumbers) {
    const Bytes first = click(u"HORN");
    const Bytes second = click(u"HORN");
    ASSERT_EQ(first.size(), 13U);
    ASSERT_EQ(second.size(), 13U);
    EXPECT_EQ(test::sequenceOf(first), 1);
    EXPECT_EQ(test::sequenceOf(second), 2);
}

TEST_F(SimulationButtons, ClickWithPortClosedUsesUpASequenceNumber) {
    portOpen = false;
    EXPECT_TRUE(click(u"STARTENG").empty());
    portOpen = true;
    EXPECT_EQ(click(u"STOPENG"),
              withCrc({0xC7, 0x1E, 0x34, 0x08, 0x02, 0x00, 0x00, 0x00, 0x0D, 0x00, 0x00, 0x00}));
}

}  // namespace
}  // namespace tresvik
