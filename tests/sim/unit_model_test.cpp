#include "tools/sim/unit_model.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <set>
#include <string>

#include "commands/command_encoder.h"
#include "commands/command_table.h"
#include "commands/simulation_buttons.h"
#include "decode/format_code.h"
#include "decode/parameter_table.h"
#include "decode/receive_path.h"
#include "link/frame_assembler.h"
#include "link/frame_writer.h"
#include "link/transmit_queue.h"

namespace tresvik::sim {
namespace {

constexpr std::uint16_t kFirstTachoId = 0x5301;
constexpr std::uint16_t kLastTachoId = 0x5304;
constexpr int kSetProgramRow = 1;
constexpr int kSetSpeedLimitRow = 25;
constexpr int kGetSpeedLimitRow = 26;
constexpr int kStartTachoRow = 43;
constexpr int kStopTachoRow = 44;

// What the console makes of the frames the unit sends, as its receive path reports it.
class ConsoleView : public ConsoleListener {
public:
    ConsoleView() : m_path(nullptr, m_closing, nullptr, this) {}

    void hear(const std::vector<Bytes>& frames) {
        for (const Bytes& frame : frames) {
            m_path.push(frame);
        }
    }

    void parameterChanged(const ParameterUpdate& update) override {
        values[update.row] = update.text;
    }
    void readBackReceived(const ReadBack& readBack) override {
        const TxCellUpdate cell = txCellFor(readBack);
        txCells[cell.row] = cell.text;
    }
    void flagChanged(const FlagUpdate&) override { ++flagChanges; }

    const ReceivePath& path() const { return m_path; }

    std::map<int, std::u16string> values;
    std::map<int, std::u16string> txCells;
    int flagChanges = 0;

private:
    const std::atomic<bool> m_closing{false};
    ReceivePath m_path;
};

// The console's side of the line: frames built exactly as the Tx window, the simulation
// buttons and a double-clicked label build them, fed to the unit through the frame assembler
// the simulated unit reads its line with.
class ConsoleLine {
public:
    std::vector<Bytes> sendRow(UnitModel& unit, int row, std::u16string_view text) {
        tresvik::sendRow(m_writer, row, text);
        return deliver(unit);
    }
    std::vector<Bytes> request(UnitModel& unit, std::uint16_t id) {
        sendRequest(m_writer, id);
        return deliver(unit);
    }
    std::vector<Bytes> press(UnitModel& unit, std::u16string_view caption) {
        sendSimulation(m_writer, *findSimulationButton(caption));
        return deliver(unit);
    }
    std::uint16_t lastSequence() const { return m_writer.sequenceNumber(); }
    std::size_t bytesOutsideFrames() const { return m_outside; }

private:
    std::vector<Bytes> deliver(UnitModel& unit) {
        std::vector<Bytes> replies;
        for (const std::uint8_t byte : m_queue.takeAll()) {
            switch (m_assembler.push(byte)) {
                case FrameAssembler::Result::GoodFrame:
                    for (Bytes& reply : unit.receive(m_assembler.frame())) {
                        replies.push_back(std::move(reply));
                    }
                    break;
                case FrameAssembler::Result::ChecksumError:
                    ADD_FAILURE() << "the console sent a frame with a bad checksum";
                    break;
                case FrameAssembler::Result::Discarded:
                    ++m_outside;
                    break;
                case FrameAssembler::Result::None:
                    break;
            }
        }
        return replies;
    }

    TransmitQueue m_queue;
    const std::atomic<bool> m_open{true};
    const std::atomic<bool> m_closing{false};
    FrameWriter m_writer{m_queue, nullptr, m_open, m_closing};
    FrameAssembler m_assembler;
    std::size_t m_outside = 0;
};

bool isTachoFrame(const Bytes& frame) {
    const std::uint16_t id = frame::id(frame);
    return id >= kFirstTachoId && id <= kLastTachoId;
}

std::set<std::uint16_t> idsOf(const std::vector<Bytes>& frames) {
    std::set<std::uint16_t> ids;
    for (const Bytes& frame : frames) {
        ids.insert(frame::id(frame));
    }
    return ids;
}

TEST(UnitModelReport, OneCycleGivesEveryParameterRowAValueTheConsoleDecodes) {
    UnitModel unit;
    ConsoleView console;
    const std::vector<Bytes> cycle = unit.nextReportCycle();
    console.hear(cycle);
    EXPECT_EQ(console.path().counters().checksumErrors, 0U);
    EXPECT_EQ(console.path().counters().bytesOutsideFrames, 0U);
    EXPECT_EQ(console.path().counters().goodFrames, cycle.size());
    for (int row = 0; row < kParameterCount; ++row) {
        ASSERT_TRUE(console.values.contains(row)) << "row " << row << " has no value";
        EXPECT_FALSE(console.values[row].empty()) << "row " << row;
    }
    const std::set<std::uint16_t> ids = idsOf(cycle);
    for (int group = 0; group < kFlagGroupCount; ++group) {
        EXPECT_TRUE(ids.contains(flagGroup(group).messageId)) << "flag group " << group;
    }
    EXPECT_TRUE(ids.contains(kDebugInfoId));
    EXPECT_GT(console.flagChanges, 0);
}

TEST(UnitModelReport, GaugesCountersAndFlagsMoveFromCycleToCycle) {
    UnitModel unit;
    ConsoleView console;
    console.hear(unit.nextReportCycle());
    const std::map<int, std::u16string> first = console.values;
    const int flagChangesBefore = console.flagChanges;
    for (int cycle = 1; cycle < 8; ++cycle) {
        console.hear(unit.nextReportCycle());
    }
    int changed = 0;
    for (const auto& [row, text] : first) {
        changed += console.values[row] != text ? 1 : 0;
    }
    // Identification rows (device, software date, names, VIN) keep their values; most others
    // move.
    EXPECT_GT(changed, kParameterCount * 3 / 4);
    EXPECT_GT(console.flagChanges, flagChangesBefore);
}

TEST(UnitModelAnswers, ARequestForAParameterIsAnsweredWithItsRowAndTheSequenceNumber) {
    UnitModel unit;
    ConsoleLine line;
    std::set<std::uint16_t> asked;
    for (const ParameterRow& row : parameterTable()) {
        if (!asked.insert(row.messageId).second) {
            continue;
        }
        const std::vector<Bytes> replies = line.request(unit, row.messageId);
        ASSERT_EQ(replies.size(), 1U) << std::hex << row.messageId;
        EXPECT_EQ(frame::id(replies[0]), row.messageId);
        ConsoleView console;
        console.hear(replies);
        EXPECT_EQ(console.path().counters().goodFrames, 1U);
        if (hasSequencePrefix(row.formatCode)) {
            const ByteView payload = frame::payload(replies[0]);
            EXPECT_EQ(payload[0] | payload[1] << 8, line.lastSequence())
                << std::hex << row.messageId;
        }
    }
}

TEST(UnitModelAnswers, ARequestForACommandIsAnsweredWithItsPresentValue) {
    UnitModel unit;
    ConsoleLine line;
    ConsoleView console;
    console.hear(line.sendRow(unit, kGetSpeedLimitRow, u"-"));
    EXPECT_EQ(console.txCells[kSetSpeedLimitRow], u"120");

    console.hear(line.sendRow(unit, kSetSpeedLimitRow, u"95"));
    console.txCells.clear();
    console.hear(line.sendRow(unit, kGetSpeedLimitRow, u"-"));
    EXPECT_EQ(console.txCells[kSetSpeedLimitRow], u"95");
}

TEST(UnitModelAnswers, AValueFrameIsReadBackUnderItsIdentifier) {
    UnitModel unit;
    ConsoleLine line;
    const std::vector<Bytes> taken = line.sendRow(unit, kSetSpeedLimitRow, u"88");
    ASSERT_EQ(taken.size(), 1U);
    EXPECT_EQ(frame::payloadLength(taken[0]), 6U);
    ConsoleView console;
    console.hear(taken);
    EXPECT_EQ(console.txCells[kSetSpeedLimitRow], u"88");
    EXPECT_EQ(unit.state().eepromWrites, 1U);
}

TEST(UnitModelAnswers, TheProgramNumberFollowsAProgramSetSentAfterTheWakeUpZeros) {
    UnitModel unit;
    ConsoleLine line;
    line.sendRow(unit, kSetProgramRow, u"4321");
    // The wake-up preamble reached the unit as bytes outside any frame.
    EXPECT_EQ(line.bytesOutsideFrames(), FrameWriter::kWakeUpLength);
    ConsoleView console;
    console.hear(unit.nextReportCycle());
    EXPECT_EQ(console.path().programNumber(), u"04321");
}

TEST(UnitModelAnswers, TachoStopAndStartCommandsStopAndStartTheTachoFrames) {
    UnitModel unit;
    ConsoleLine line;
    const std::vector<Bytes> first = unit.nextReportCycle();
    EXPECT_EQ(std::count_if(first.begin(), first.end(), isTachoFrame), 4);

    line.sendRow(unit, kStopTachoRow, commandRow(kStopTachoRow).defaultValue);
    const std::vector<Bytes> stopped = unit.nextReportCycle();
    EXPECT_EQ(std::count_if(stopped.begin(), stopped.end(), isTachoFrame), 0);
    EXPECT_EQ(stopped.size(), first.size() - 4);

    line.sendRow(unit, kStartTachoRow, commandRow(kStartTachoRow).defaultValue);
    const std::vector<Bytes> started = unit.nextReportCycle();
    EXPECT_EQ(std::count_if(started.begin(), started.end(), isTachoFrame), 4);
}

TEST(UnitModelAnswers, EverySimulationButtonIsAnsweredWithTheVehicleFlags) {
    UnitModel unit;
    ConsoleLine line;
    for (const SimulationButton& button : simulationButtons()) {
        const std::vector<Bytes> replies = line.press(unit, button.caption);
        ASSERT_EQ(replies.size(), 1U);
        EXPECT_EQ(frame::id(replies[0]), flagGroup(0).messageId);
    }
}

TEST(UnitModelAnswers, SimulationButtonsChangeTheFlagsTheyAffect) {
    UnitModel unit;
    ConsoleLine line;
    ConsoleView console;
    console.hear(unit.nextReportCycle());

    const int before = console.flagChanges;
    console.hear(line.press(unit, u"BLINKER"));
    EXPECT_GT(console.flagChanges, before);

    // An immobilised engine stops and cannot be started until it is unlocked.
    console.hear(line.press(unit, u"EngineLock"));
    const int locked = console.flagChanges;
    console.hear(line.press(unit, u"STARTENG"));
    EXPECT_EQ(console.flagChanges, locked);
    EXPECT_FALSE(unit.state().vehicle.engineRunning);
    console.hear(line.press(unit, u"EngineUnlock"));
    const int unlocked = console.flagChanges;
    console.hear(line.press(unit, u"STARTENG"));
    EXPECT_GT(console.flagChanges, unlocked);
    EXPECT_TRUE(unit.state().vehicle.engineRunning);
}

TEST(UnitModelAnswers, UnknownIdentifiersAndOtherLengthsGetNoAnswer) {
    UnitModel unit;
    ConsoleLine line;
    EXPECT_TRUE(line.request(unit, 0x7777).empty());
    EXPECT_TRUE(unit.receive(makeFrame(0x2401, Bytes{1, 0, 2})).empty());
    EXPECT_TRUE(
        unit.receive(makeFrame(kSimulationId, Bytes{1, 0, 0xEE, 0xEE, 0xEE, 0, 0, 0})).empty());
    EXPECT_TRUE(unit.receive(Bytes{0xC7, 0x01}).empty());
}

}  // namespace
}  // namespace tresvik::sim
