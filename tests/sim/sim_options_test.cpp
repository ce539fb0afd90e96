#include "tools/sim/sim_options.h"

#include <gtest/gtest.h>

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

TEST(SimOptions, MistakesAreRefusedWithTheOptionNamed) {
    EXPECT_EQ(usageError({"--speed", "9"}), "unknown argument '--speed' (try --help)");
    EXPECT_EQ(usageError({"--trace"}), "--trace needs a value");
    EXPECT_NE(usageError({"--crc-errors", "1.5"}).find("--crc-errors '1.5'"), std::string::npos);
    EXPECT_NE(usageError({"--noise", "-0.1"}).find("--noise"), std::string::npos);
    EXPECT_NE(usageError({"--rate", "fast"}).find("--rate 'fast'"), std::string::npos);
    EXPECT_NE(usageError({"--rate", "nan"}).find("--rate"), std::string::npos);
    EXPECT_NE(usageError({"--period", "-5"}).find("--period '-5' is not a whole number"),
              std::string::npos);
    EXPECT_NE(usageError({"--period", "1.5"}).find("--period"), std::string::npos);
    EXPECT_NE(usageError({"--seed", "18446744073709551616"}).find("--seed"), std::string::npos);
    EXPECT_NE(usageError({"--cycles", "2000000000"}).find("larger than"), std::string::npos);
}

}  // namespace
}  // namespace tresvik::sim
