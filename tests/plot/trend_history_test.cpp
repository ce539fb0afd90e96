#include "plot/trend_history.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <thread>
#include <utility>
#include <vector>

#include "decode/receive_path.h"
#include "link/frame.h"
#include "tests/support/parameter_rows.h"

using tresvik::test::rowLabelled;

namespace tresvik {
namespace {

using std::chrono::milliseconds;
using Utc = TrendHistory::Utc;

// A history behind the console's receive path, fed frames at chosen times.
class TrendHistoryTest : public ::testing::Test {
protected:
    const ArrivalTime kStart = ArrivalTime{} + std::chrono::hours(3);
    const Utc kUtc = Utc{} + std::chrono::hours(24 * 365 * 56);

    void open() { history.portOpened(kStart, kUtc); }
    void receive(std::u16string_view label, const Bytes& payload, std::int64_t atMs) {
        path.push(makeFrame(parameterRow(rowLabelled(label)).messageId, payload),
                  kStart + milliseconds(atMs));
    }
    // Every sample of the session as (row, sample), in the order they arrived.
    std::vector<std::pair<int, TrendSample>> arrivals(const TrendSamples& samples) const {
        std::vector<std::pair<int, TrendSample>> all;
        samples.visitInArrivalOrder(0, kLastSampleTimeMs + 1, [&](int row, std::size_t index) {
            all.emplace_back(row, samples.series(row)[index]);
            return true;
        });
        return all;
    }

    TrendHistory history;
    const std::atomic<bool> closing{false};
    ReceivePath path{nullptr, closing, nullptr, &history};
};

struct KeptCase {
    std::u16string_view label;
    Bytes payload;
    std::int32_t raw;
    ShownNumber number;
    std::u16string text;
};

TEST_F(TrendHistoryTest, EveryNumericFormatKeepsItsIntegerAndGivesBackTheListsNumberAndText) {
    const std::vector<KeptCase> cases = {
        {u"RPM", {0x80, 0x0C}, 3200, {800, 0}, u"0800"},
        {u"Odometer", {0x40, 0xE2, 0x01}, 123456, {617280, 3}, u"0000617.280"},
        {u"Harvesting Efficiency", {0x10, 0x27}, 10000, {10000, 5}, u"000.10000"},
        {u"Accelerator Position [%]", {250}, 250, {1000, 1}, u"100.0"},
        {u"Gross combined wehicle weight", {0x39, 0x30}, 12345, {1234500, 1}, u"123450.0"},
        {u"Temperature", {55}, 55, {-50, 1}, u"-05.0"},
        {u"Engine Load [%]", {125}, 125, {0, 1}, u"+.0"},
        {u"Arm - Slope [*]", {0x03, 0x07}, 1795, {-5, 1}, u"-000.5"},
        {u"Fuel Level [%]", {0xFF, 0xFF, 0xFF, 0xFF}, -1, {-1, 1}, u"-000.1"},
        {u"PRG_NO", {0xAA, 0xBB, 42, 0, 0, 0}, 42, {42, 0}, u"00042"},
        {u"DBG_EE_WR", {0, 0, 0, 0, 0, 0x80}, INT32_MIN, {INT32_MIN, 0}, u"-2147483648"},
        {u"Lifetime", {0x8D, 0x0E}, 3725, {3725, 0}, u"0001:02:05"},
        {u"Eco Speed limit time [h]", {0xFF, 0xFF, 0xFF, 0xFF}, -1, {-1, 0}, u"-0000:00:01"},
    };
    open();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        receive(cases[i].label, cases[i].payload, static_cast<std::int64_t>(10 * i + 5));
    }

    const TrendSamples& samples = history.samples();
    ASSERT_EQ(samples.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const KeptCase& c = cases[i];
        SCOPED_TRACE(testing::PrintToString(std::u16string(c.label)));
        const int row = rowLabelled(c.label);
        ASSERT_EQ(samples.series(row).size(), 1U);
        EXPECT_EQ(samples.series(row)[0],
                  (TrendSample{static_cast<std::uint32_t>(10 * i + 5), c.raw}));
        EXPECT_EQ(samples.number(row, 0), c.number);
        EXPECT_EQ(samples.text(row, 0), c.text);
    }
}

TEST_F(TrendHistoryTest, SamplesAreTimedFromTheSessionStartAndKeepTheirArrivalOrderAcrossRows) {
    receive(u"RPM", {0x10}, 1);  // before any session: nothing to keep it in
    open();
    receive(u"RPM", {0x20}, -40);  // bytes from before the port opened
    receive(u"Speed", {0x00, 0x05}, 7);
    receive(u"RPM", {0x30}, 7);
    receive(u"VIN", {'T', 'R', 'V'}, 8);   // a text, not a number
    receive(u"PRG_NO", {0, 0, 42, 0}, 9);  // a prefixed number without its six bytes
    receive(u"Speed", {0x00, 0x06}, 3000000);
    receive(u"Temperature", {61}, 3000000);

    const int rpm = rowLabelled(u"RPM");
    const int speed = rowLabelled(u"Speed");
    const int temperature = rowLabelled(u"Temperature");
    EXPECT_EQ(arrivals(history.samples()),
              (std::vector<std::pair<int, TrendSample>>{{rpm, {0, 0x20}},
                                                        {speed, {7, 0x0500}},
                                                        {rpm, {7, 0x30}},
                                                        {speed, {3000000, 0x0600}},
                                                        {temperature, {3000000, 61}}}));
    std::vector<int> rows{rpm, speed, temperature};
    std::ranges::sort(rows);
    EXPECT_EQ(history.samples().rows(), rows);
    EXPECT_EQ(history.samples().lastTimeMs(), 3000000U);
}

TEST_F(TrendHistoryTest, ADisconnectKeepsTheSessionAndTheNextConnectBeginsANewOne) {
    open();
    receive(u"RPM", {0x20}, 100);
    history.portClosed(kStart + milliseconds(200));
    EXPECT_EQ(history.samples().size(), 1U);
    EXPECT_EQ(history.samples().utcStart(), kUtc);

    const ArrivalTime again = kStart + milliseconds(5000);
    history.portOpened(again, kUtc + milliseconds(5000));
    EXPECT_EQ(history.samples().size(), 0U);
    EXPECT_TRUE(history.samples().rows().empty());
    EXPECT_EQ(history.samples().start(), again);
    EXPECT_EQ(history.samples().utcStart(), kUtc + milliseconds(5000));
    receive(u"RPM", {0x21}, 5250);
    EXPECT_EQ(history.samples().latest(rowLabelled(u"RPM")), (TrendSample{250, 0x21}));
    EXPECT_EQ(history.columns(rowLabelled(u"RPM"), 0, 1000, 1).front().count, 1U);
}

TEST_F(TrendHistoryTest, TheSampleInForceAtATimeIsTheLastOneThatArrivedByThen) {
    open();
    for (const std::int64_t at : {100, 200, 200, 450}) {
        receive(u"RPM", {static_cast<std::uint8_t>(at / 10)}, at);
    }
    const TrendSeries& rpm = history.samples().series(rowLabelled(u"RPM"));
    const std::vector<std::pair<std::uint64_t, std::optional<std::size_t>>> cases = {
        {0, std::nullopt}, {99, std::nullopt},    {100, 0}, {199, 0}, {200, 2}, {449, 2}, {450, 3},
        {451, 3},          {kLastSampleTimeMs, 3}};
    for (const auto& [at, index] : cases) {
        EXPECT_EQ(rpm.inForceAt(at), index) << at;
    }
    EXPECT_EQ(history.samples().latest(rowLabelled(u"RPM")), (TrendSample{450, 45}));
    EXPECT_EQ(history.samples().latest(rowLabelled(u"Speed")), std::nullopt);
}

TEST_F(TrendHistoryTest, TimesNeverGoBackEvenWhenAFrameIsTimedEarlierThanTheOneBefore) {
    open();
    receive(u"RPM", {1}, 500);
    receive(u"Speed", {2}, 300);
    EXPECT_EQ(history.samples().latest(rowLabelled(u"Speed")), (TrendSample{500, 2}));
}

TEST_F(TrendHistoryTest, ASessionLongerThanItsTimesCanCountKeepsWhatFitsAndCountsTheRest) {
    open();
    const int rpm = rowLabelled(u"RPM");
    EXPECT_TRUE(history.add(rpm, kStart + milliseconds(kLastSampleTimeMs), 1));
    EXPECT_FALSE(history.add(rpm, kStart + milliseconds(kLastSampleTimeMs + 1), 2));
    EXPECT_EQ(history.samples().series(rpm).size(), 1U);
    EXPECT_EQ(history.samples().notKept(), 1U);
    EXPECT_EQ(history.columns(rpm, 0, static_cast<double>(kLastSampleTimeMs) + 1, 3)[2].max, 1);
}

// What the window's export does: a worker thread reads a copy while the session goes on.
TEST_F(TrendHistoryTest, ACopyKeepsItsSamplesWhileTheHistoryGrowsAndCanBeReadOnAnotherThread) {
    open();
    const int rpm = rowLabelled(u"RPM");
    const int speed = rowLabelled(u"Speed");
    const auto rowOf = [&](int i) { return i % 3 == 0 ? speed : rpm; };
    // Not a whole number of chunks: the copy shares a chunk the history goes on filling.
    constexpr int kBefore = 1500;
    for (int i = 0; i < kBefore; ++i) {
        history.add(rowOf(i), kStart + milliseconds(i), i);
    }
    const TrendSamples copy = history.samples();
    std::vector<std::pair<int, TrendSample>> read;
    std::thread reader([&] { read = arrivals(copy); });
    for (int i = kBefore; i < 20 * kBefore; ++i) {
        history.add(rowOf(i), kStart + milliseconds(i), -i);
    }
    reader.join();
    history.begin(kStart, std::nullopt);

    std::vector<std::pair<int, TrendSample>> kept;
    for (int i = 0; i < kBefore; ++i) {
        kept.emplace_back(rowOf(i), TrendSample{static_cast<std::uint32_t>(i), i});
    }
    EXPECT_EQ(read, kept);
    EXPECT_EQ(arrivals(copy), kept);
}

TEST(TrendSamples, ACopyAndItsOriginalGoOnSeparately) {
    const ArrivalTime start{};
    const int rpm = rowLabelled(u"RPM");
    TrendSamples original(start, std::nullopt);
    for (int i = 0; i < 10; ++i) {
        original.add(rpm, start + milliseconds(i), i);
    }
    TrendSamples copy = original;
    copy.add(rpm, start + milliseconds(11), 111);
    original.add(rpm, start + milliseconds(12), 222);
    EXPECT_EQ(copy.latest(rpm), (TrendSample{11, 111}));
    EXPECT_EQ(original.latest(rpm), (TrendSample{12, 222}));
    EXPECT_EQ(copy.size(), 11U);
    EXPECT_EQ(original.size(), 11U);
}

}  // namespace
}  // namespace tresvik
