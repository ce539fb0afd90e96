#include "tools/sim/sim_options.h"

#include <gtest/gtest.h>

#include <ostream>

namespace tresvik::sim {
namespace {

std::string usageError(const std::vector<std::string>& args) {
    try {
        parseSimOptions(args);
    } catch (const SimUsageError& e) {
        return e.what();
    }
    return "(accepted)";
}

TEST(SimOptions, DefaultsAreTheUnitsLineRateAndOneCycleASecond) {
    const SimOptions o = parseSimOptions({});
    EXPECT_EQ(o.rate, 960.0);
    EXPECT_EQ(o.periodMs, 1000);
    EXPECT_EQ(o.cycles, 0U);
    EXPECT_EQ(o.faults.crcErrors, 0.0);
    EXPECT_EQ(o.faults.noise, 0.0);
    EXPECT_EQ(o.faults.badLength, 0.0);
    EXPECT_TRUE(o.tracePath.empty());
    EXPECT_TRUE(o.portPath.empty());
}

TEST(SimOptions, EveryOptionIsTaken) {
    const SimOptions o =
        parseSimOptions({"--rate", "0", "--period", "250", "--cycles", "3", "--seed",
                         "18446744073709551615", "--crc-errors", "0.05", "--noise", "1",
                         "--bad-length", "0.5", "--trace", "t.txt", "--port", "/dev/ttyUSB1"});
    EXPECT_EQ(o.rate, 0.0);
    EXPECT_EQ(o.periodMs, 250);
    EXPECT_EQ(o.cycles, 3U);
    EXPECT_EQ(o.seed, UINT64_MAX);
    EXPECT_EQ(o.faults.crcErrors, 0.05);
    EXPECT_EQ(o.faults.noise, 1.0);
    EXPECT_EQ(o.faults.badLength, 0.5);
    EXPECT_EQ(o.tracePath, "t.txt");
    EXPECT_EQ(o.portPath, "/dev/ttyUSB1");
}

TEST(SimOptions, AReplayTakesItsOwnOptionsAndTheLineAndFaultOptions) {
    const SimOptions o = parseSimOptions(
        {"--loop", "--speed", "2.5", "--answer", "--replay", "run.rec", "--rate", "9600"});
    EXPECT_EQ(o.replayPath, "run.rec");
    EXPECT_EQ(o.speed, 2.5);
    EXPECT_FALSE(o.asFastAsLineRate);
    EXPECT_TRUE(o.loop);
    EXPECT_TRUE(o.answer);
    EXPECT_EQ(o.rate, 9600.0);

    const SimOptions plain = parseSimOptions({"--replay", "run.rec", "--as-fast-as-line-rate",
                                              "--crc-errors", "0.1", "--port", "/dev/ttyUSB1"});
    EXPECT_EQ(plain.speed, 1.0);
    EXPECT_TRUE(plain.asFastAsLineRate);
    EXPECT_FALSE(plain.loop);
    EXPECT_FALSE(plain.answer);
}

struct Mistake {
    std::vector<std::string> args;
    std::string error;  // a part of the message
};

void PrintTo(const Mistake& mistake, std::ostream* out) {
    for (const std::string& arg : mistake.args) {
        *out << '\'' << arg << "' ";
    }
}

class SimOptionsMistake : public ::testing::TestWithParam<Mistake> {};

TEST_P(SimOptionsMistake, IsRefusedWithTheOptionNamed) {
    const std::string error = usageError(GetParam().args);
    EXPECT_NE(error.find(GetParam().error), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Mistakes, SimOptionsMistake,
    ::testing::Values(
        Mistake{{"--sped", "9"}, "unknown argument '--sped' (try --help)"},
        Mistake{{"--trace"}, "--trace needs a value"},
        Mistake{{"--crc-errors", "1.5"}, "--crc-errors '1.5'"},
        Mistake{{"--noise", "-0.1"}, "--noise"}, Mistake{{"--rate", "fast"}, "--rate 'fast'"},
        Mistake{{"--rate", "nan"}, "--rate"},
        Mistake{{"--period", "-5"}, "--period '-5' is not a whole number"},
        Mistake{{"--period", "1.5"}, "--period"},
        Mistake{{"--seed", "18446744073709551616"}, "--seed"},
        Mistake{{"--cycles", "2000000000"}, "larger than"},
        Mistake{{"--replay"}, "--replay needs a value"},
        Mistake{{"--replay", ""}, "--replay needs a file name"},
        Mistake{{"--replay", "r", "--speed", "0"}, "--speed '0' must be above 0"},
        Mistake{{"--replay", "r", "--speed", "inf"}, "--speed 'inf'"},
        Mistake{{"--speed", "2"}, "--speed is only for --replay"},
        Mistake{{"--as-fast-as-line-rate"}, "--as-fast-as-line-rate is only for --replay"},
        Mistake{{"--loop"}, "--loop is only for --replay"},
        Mistake{{"--answer", "--cycles", "2"}, "--answer is only for --replay"},
        Mistake{{"--replay", "r", "--speed", "2", "--as-fast-as-line-rate"},
                "--speed and --as-fast-as-line-rate do not go together"},
        Mistake{{"--as-fast-as-line-rate", "--speed", "2", "--replay", "r"},
                "--speed and --as-fast-as-line-rate do not go together"},
        Mistake{{"--replay", "r", "--cycles", "3"}, "--cycles is for report cycles"},
        Mistake{{"--period", "200", "--replay", "r"}, "--period is for report cycles"}));

}  // namespace
}  // namespace tresvik::sim
