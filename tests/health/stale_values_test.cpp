#include "health/stale_values.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace tresvik {
namespace {

using std::chrono::milliseconds;

const ArrivalTime kStart = ArrivalTime{} + std::chrono::hours(3);
constexpr int kRow = 42;

void set(StaleValues& values, int row, int ms) {
    ParameterUpdate update;
    update.row = row;
    update.arrival = kStart + milliseconds(ms);
    values.parameterChanged(update);
}

struct StaleCase {
    const char* name;
    std::vector<int> updatesMs;
    std::optional<int> periodMs;
    int staleAfterMs;
};

TEST(StaleValues, AValueIsStaleAfterThreeOfItsPeriodsAndNeverBeforeThreeSeconds) {
    const std::vector<StaleCase> cases = {
        {"every 500 ms: the floor holds", {0, 500, 1000, 1500}, 500, 3000},
        {"every 2 s", {0, 2000, 4000, 6000}, 2000, 6000},
        {"one late report", {0, 1000, 2000, 9000, 10000, 11000}, 1000, 3000},
        {"two reports in quick succession", {0, 2000, 4000, 4010, 6000, 8000}, 2000, 6000},
        {"a unit that slowed down, after three reports",
         {0, 100, 200, 300, 400, 500, 2500, 4500, 6500},
         2000,
         6000},
    };
    for (const StaleCase& c : cases) {
        SCOPED_TRACE(c.name);
        StaleValues values;
        for (const int ms : c.updatesMs) {
            set(values, kRow, ms);
        }
        const int last = c.updatesMs.back();
        EXPECT_EQ(values.period(kRow),
                  c.periodMs ? std::optional(milliseconds(*c.periodMs)) : std::nullopt);
        EXPECT_EQ(values.staleAfter(kRow), milliseconds(c.staleAfterMs));
        EXPECT_EQ(values.age(kRow, kStart + milliseconds(last + 700)), milliseconds(700));
        EXPECT_FALSE(values.isStale(kRow, kStart + milliseconds(last + c.staleAfterMs - 1)));
        EXPECT_TRUE(values.isStale(kRow, kStart + milliseconds(last + c.staleAfterMs)));
        // The other rows have not been set at all.
        EXPECT_FALSE(values.age(kRow + 1, kStart + milliseconds(last)));
        EXPECT_FALSE(values.isStale(kRow + 1, kStart + milliseconds(last + 60000)));
    }
}

TEST(StaleValues, AValueThatCameOnlyOnceIsNeverStale) {
    StaleValues values;
    set(values, kRow, 0);
    EXPECT_FALSE(values.period(kRow));
    EXPECT_FALSE(values.isStale(kRow, kStart + std::chrono::hours(1)));
    set(values, kRow, 4000);
    EXPECT_TRUE(values.isStale(kRow, kStart + milliseconds(4000 + 12000)));
}

TEST(StaleValues, NoPeriodIsMeasuredAcrossAReconnect) {
    StaleValues values;
    set(values, kRow, 0);
    set(values, kRow, 1000);
    values.portOpened(kStart + milliseconds(5000), {});
    set(values, kRow, 60000);
    EXPECT_EQ(values.period(kRow), milliseconds(1000));
    EXPECT_EQ(values.lastSet(kRow), kStart + milliseconds(60000));
    set(values, kRow, 61500);
    set(values, kRow, 63000);
    EXPECT_EQ(values.period(kRow), milliseconds(1500));
}

}  // namespace
}  // namespace tresvik
