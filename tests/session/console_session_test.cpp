#include "session/console_session.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/frame.h"
#include "link/transmit_queue.h"
#include "tests/support/memory_log_text.h"

namespace tresvik {
namespace {

// Writes down every event as one short line.
class Journal : public ConsoleListener {
public:
    explicit Journal(std::string name) : m_name(std::move(name)) {}

    void portOpened(ArrivalTime at, std::chrono::system_clock::time_point utc) override {
        opened = at;
        openedUtc = utc;
        add("OPEN");
    }
    void portClosed(ArrivalTime) override { add("CLOSED"); }
    void frameReceived(const ReceivedFrame&) override { add("RX"); }
    void checksumError(const ReceivedFrame&) override { add("CRC"); }
    void byteDiscarded(std::uint8_t byte, ArrivalTime) override {
        add("NOISE " + std::to_string(byte));
    }
    void parameterChanged(const ParameterUpdate& u) override {
        add("PARAM " + std::to_string(u.row) + " " + std::string(u.text.begin(), u.text.end()));
    }
    void programNumberChanged(const std::u16string&) override { add("PRG"); }
    void deviceIdChanged(const std::u16string&) override { add("DEVID"); }
    void flagChanged(const FlagUpdate& f) override {
        add("FLAG " + std::to_string(f.group) + " " + std::to_string(f.position));
    }
    void readBackReceived(const ReadBack& r) override {
        add("READBACK " + std::to_string(r.commandRow) + " " + std::to_string(r.value));
    }
    void debugLineRecorded(const std::u16string&) override { add("IDLOG"); }
    void frameSent(ByteView frame) override { add("SENT " + std::to_string(frame::id(frame))); }
    void wakeUpSent() override { add("WAKEUP"); }

    std::vector<std::string> lines;
    ArrivalTime opened{};
    std::chrono::system_clock::time_point openedUtc{};

private:
    void add(const std::string& line) { lines.push_back(m_name + " " + line); }
    std::string m_name;
};

struct ConsoleSessionTest : ::testing::Test {
    TransmitQueue queue;
    std::atomic<bool> portOpen{true};
    ArrivalTime at = ArrivalTime{} + std::chrono::seconds(5);
};

TEST_F(ConsoleSessionTest, EveryListenerHearsEveryEventInTurnAndTheLogShowsTheTraffic) {
    ConsoleSession session(queue, portOpen, {});
    MemoryLogText text;
    session.log().initialise(text);
    Journal first("a");
    Journal second("b");
    session.addListener(first);
    session.addListener(second);

    ReceivedBytes bytes(Bytes{0x33}, at);
    bytes.append(makeFrame(0x2401, {1, 0, 42, 0, 0, 0}), at);
    bytes.append(makeFrame(0x2406, {1, 0}), at);
    session.receive(bytes);
    sendRequest(session.frameWriter(), 0x2406);

    const std::vector<std::string> expected{"NOISE 51",      "RX", "PARAM 3 00042", "PRG",
                                            "READBACK 1 42", "RX", "IDLOG",         "SENT 9222"};
    std::vector<std::string> interleaved;
    for (const std::string& e : expected) {
        interleaved.push_back("a " + e);
        interleaved.push_back("b " + e);
    }
    std::vector<std::string> heard;
    for (std::size_t i = 0; i < first.lines.size(); ++i) {
        heard.push_back(first.lines[i]);
        heard.push_back(second.lines.at(i));
    }
    EXPECT_EQ(heard, interleaved);
    EXPECT_EQ(session.idLog().known().size(), 1U);
    const std::u16string log = text.text();
    EXPECT_NE(log.find(u"UART Rx - C7 01 24 06"), std::u16string::npos);
    EXPECT_NE(log.find(u"UART Tx - C7 06 24 02 01 00"), std::u16string::npos);
}

TEST_F(ConsoleSessionTest, TheLinkOpeningIsToldWithBothClocksReadTogether) {
    ConsoleSession session(queue, portOpen, {.trafficLog = false, .idLog = false});
    Journal journal("a");
    session.addListener(journal);
    const auto steadyBefore = std::chrono::steady_clock::now();
    const auto utcBefore = std::chrono::system_clock::now();
    session.linkOpened();
    const auto steadyAfter = std::chrono::steady_clock::now();
    const auto utcAfter = std::chrono::system_clock::now();
    session.linkClosed();
    EXPECT_EQ(journal.lines, (std::vector<std::string>{"a OPEN", "a CLOSED"}));
    EXPECT_TRUE(journal.opened >= steadyBefore && journal.opened <= steadyAfter);
    EXPECT_TRUE(journal.openedUtc >= utcBefore && journal.openedUtc <= utcAfter);
}

TEST_F(ConsoleSessionTest, WithoutLogOrIdLogOnlyTheListenersHear) {
    ConsoleSession session(queue, portOpen, {.trafficLog = false, .idLog = false});
    Journal journal("a");
    session.addListener(journal);
    session.receive(ReceivedBytes(makeFrame(0x2406, {1, 0}), at));
    sendRequest(session.frameWriter(), 0x2406);
    EXPECT_EQ(journal.lines, (std::vector<std::string>{"a RX", "a SENT 9222"}));
    EXPECT_EQ(session.log().waitingCount(), 0U);
    EXPECT_TRUE(session.idLog().known().empty());
    EXPECT_EQ(queue.takeAll().size(), 7U);
}

// A listener that leaves when it first hears a frame.
class LeavingListener : public Journal {
public:
    explicit LeavingListener(ConsoleSession& session) : Journal("leaving"), m_session(session) {}
    void frameReceived(const ReceivedFrame& frame) override {
        Journal::frameReceived(frame);
        m_session.removeListener(*this);
    }

private:
    ConsoleSession& m_session;
};

TEST_F(ConsoleSessionTest, AListenerThatLeavesHearsNothingMoreAndTheOthersMissNothing) {
    ConsoleSession session(queue, portOpen, {.trafficLog = false, .idLog = false});
    LeavingListener leaving(session);
    Journal staying("b");
    session.addListener(leaving);
    session.addListener(staying);
    session.receive(ReceivedBytes(makeFrame(0x2421, {0, 0, 0xAB}), at));
    session.receive(ReceivedBytes(makeFrame(0x2421, {0, 0, 0xCD}), at));
    EXPECT_EQ(leaving.lines, (std::vector<std::string>{"leaving RX"}));
    EXPECT_EQ(staying.lines, (std::vector<std::string>{"b RX", "b PARAM 2 AB", "b DEVID", "b RX",
                                                       "b PARAM 2 CD", "b DEVID"}));
}

// Counts how often the Log's control is changed.
class CountingText : public MemoryLogText {
public:
    void endUpdate() override { ++changes; }
    int changes = 0;
};

TEST_F(ConsoleSessionTest, ADeliveryOfManyFramesIsOneChangeOfTheLog) {
    ConsoleSession session(queue, portOpen, {});
    CountingText text;
    session.log().initialise(text);
    ReceivedBytes bytes;
    for (int i = 0; i < 10; ++i) {
        bytes.append(makeFrame(0x0039, {static_cast<std::uint8_t>(i), 0x0C}), at);
    }
    session.receive(bytes);
    EXPECT_EQ(text.changes, 1);
    EXPECT_EQ(session.receivePath().counters().goodFrames, 10U);
}

TEST_F(ConsoleSessionTest, WhileClosingNothingIsLoggedButTheListenersStillHear) {
    ConsoleSession session(queue, portOpen, {});
    MemoryLogText text;
    session.log().initialise(text);
    Journal journal("a");
    session.addListener(journal);
    session.beginClosing();
    session.receive(ReceivedBytes(makeFrame(0x2421, {0, 0, 0xAB}), at));
    EXPECT_TRUE(text.text().empty());
    EXPECT_EQ(journal.lines.size(), 3U);
}

}  // namespace
}  // namespace tresvik
