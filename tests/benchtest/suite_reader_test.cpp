#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "benchtest/suite_reader.h"
#include "commands/simulation_buttons.h"
#include "tests/support/parameter_rows.h"

namespace tresvik {
namespace {

using test::rowLabelled;

constexpr int kSetSpeedLimitRow = 25;
constexpr int kSetProgramRow = 1;

// A suite of one test of one step, the step alone on line 2 so that its columns are its own.
std::string withStep(const std::string& step) {
    return "{\"suite\": \"S\", \"tests\": [{\"name\": \"T\", \"steps\": [\n" + step + "\n]}]}";
}

TEST(SuiteReader, RefusesAFileAtThePlaceOfItsFirstFault) {
    struct Case {
        std::string json;
        std::string place;
        std::string message;
    };
    const Case cases[] = {
        {withStep(R"({"send": {"button": "HORN"})"), "3:1", "expected ',' or '}'"},
        {withStep("{\"name\": \"a\xFF\", \"waitMs\": 1}"), "2:12", "not valid UTF-8"},
        {withStep(R"({"waitMs": 1, "waitMs": 2})"), "2:15",
         "duplicate key \"waitMs\" (first at 2:2)"},
        {withStep(R"({"wait": 1})"), "2:2",
         "unknown key \"wait\" in a step; allowed: \"name\", \"send\", \"expect\", "
         "\"timeoutMs\", \"waitMs\", \"hold\""},
        {withStep(R"({"waitMs": "10"})"), "2:12",
         "\"waitMs\" must be a whole number from 0 to 86400000, not a string"},
        {withStep(R"({"name": " ", "waitMs": 1})"), "2:10", "\"name\" must not be empty"},
        {withStep(R"({"name": "x"})"), "2:1", "a step does nothing"},
        // Names: parameters, commands and buttons, with the name that was probably meant.
        {withStep(R"({"expect": {"parameter": "rpm", "equals": "1"}})"), "2:26",
         "unknown parameter \"rpm\"; did you mean \"RPM\"?"},
        {withStep(R"({"expect": {"parameter": "Speed ", "equals": "1"}})"), "2:26",
         "did you mean \"Speed\"?"},
        {withStep(R"({"send": {"command": "eco set speed limit value", "value": "90"}})"), "2:22",
         "did you mean \"Eco Set Speed Limit Value\"?"},
        {withStep(R"({"send": {"command": "0x240D", "value": "1"}})"), "2:22",
         "0x240D is ambiguous: \"START Simple Tacho\" and \"STOP Simple Tacho\" share it"},
        {withStep(R"({"send": {"command": 4660, "value": "1"}})"), "2:22",
         "no Tx command carries the identifier 0x1234"},
        {withStep(R"({"send": {"command": "Reset"}})"), "2:10", "a command send needs \"value\""},
        {withStep(R"({"send": {"command": "Reset", "value": 0}})"), "2:40",
         "\"value\" must be a string, not a number"},
        {withStep(R"({"send": {"button": "starteng"}})"), "2:21", "did you mean \"STARTENG\"?"},
        {withStep(R"({"send": {"button": "PANIC"}})"), "2:21",
         "unknown button \"PANIC\"; the buttons are \"BLINKER\", "},
        {withStep(R"({"send": {"button": "HORN", "raw": "C7"}})"), "2:29",
         "a send takes one of \"command\", \"button\", \"raw\", not both \"button\" and \"raw\""},
        {withStep(R"({"send": {}})"), "2:10", "a send needs one of"},
        {withStep(R"({"send": {"raw": "C7 0G"}})"), "2:18", "character 5 is not a hex digit"},
        {withStep(R"({"send": {"raw": "C7 0 1"}})"), "2:18", "one hex digit before character 5"},
        {withStep(R"({"send": {"raw": "C70"}})"), "2:18", "ends in a byte of one hex digit"},
        {withStep(R"({"send": {"raw": " "}})"), "2:18", "at least one byte"},
        // Expectations.
        {withStep(R"({"expect": {"parameter": "VIN", "matches": "(["}})"), "2:44",
         "\"matches\" is not a regular expression"},
        {withStep(R"({"expect": {"parameter": "VIN", "range": [0, 1]}})"), "2:42",
         "\"VIN\" shows text, not a number"},
        {withStep(R"({"expect": {"parameter": "RPM", "range": [3000, 500]}})"), "2:42",
         "LOW <= HIGH, not [3000, 500]"},
        {withStep(R"({"expect": {"parameter": "RPM", "range": [500]}})"), "2:42",
         "\"range\" must be [LOW, HIGH]"},
        {withStep(R"({"expect": {"parameter": "RPM", "range": [500, "3000"]}})"), "2:48",
         "HIGH of \"range\" must be a number, not a string"},
        {withStep(R"({"expect": {"equals": "1"}})"), "2:12",
         "an expectation needs one of \"parameter\", \"frame\", \"readBack\", \"flag\""},
        {withStep(R"({"expect": {"frame": 1, "equals": "1"}})"), "2:25",
         "unknown key \"equals\" in a frame expectation; allowed: \"frame\""},
        {withStep(R"({"expect": {"frame": "0x12345"}})"), "2:22",
         "\"frame\" must be an identifier"},
        {withStep(R"({"expect": {"frame": "4801"}})"), "2:22", "\"frame\" must be an identifier"},
        {withStep(R"({"expect": []})"), "2:12", "\"expect\" must not be empty"},
        {withStep(R"({"expect": {"readBack": "STOP Simple Tacho"}})"), "2:25",
         "\"STOP Simple Tacho\" is never read back"},
        {withStep(R"({"expect": {"readBack": "Reset", "equals": ""}})"), "2:44",
         "\"equals\" must not be empty"},
        {withStep(R"({"expect": {"flag": {"group": 0, "bit": 2}, "state": "on"}})"), "2:41",
         "group 0 has no flag at bit 2; its flags are at bits 0, 4, 6, 8,"},
        {withStep(R"({"expect": {"flag": {"group": 0, "bit": 255}, "state": "on"}})"), "2:41",
         "group 0 has no flag at bit 255"},
        {withStep(R"({"expect": {"flag": {"group": 5, "bit": 0}, "state": "on"}})"), "2:31",
         "\"group\" must be a whole number from 0 to 4, not 5"},
        {withStep(R"({"expect": {"flag": {"group": 0, "bit": 6}, "state": "fourth"}})"), "2:54",
         "\"state\" must be \"off\", \"on\" or \"third\", not \"fourth\""},
        // Time-outs, waits and constraints.
        {withStep(R"({"send": {"button": "HORN"}, "timeoutMs": 5})"), "2:30",
         "\"timeoutMs\" without \"expect\""},
        {withStep(R"({"expect": {"frame": 1}, "waitMs": 5})"), "2:26",
         "\"waitMs\" together with \"expect\""},
        {withStep(R"({"expect": {"frame": 1}, "timeoutMs": 0})"), "2:39",
         "\"timeoutMs\" must be a whole number from 1 to 3600000, not 0"},
        {withStep(R"({"expect": {"frame": 1}, "timeoutMs": 1.5})"), "2:39", "not 1.5"},
        {withStep(R"({"waitMs": 1, "hold": ["noErrors"]})"), "2:24",
         "unknown constraint \"noErrors\""},
        {withStep(R"({"waitMs": 1, "hold": [{"parameter": "VIN", "range": [0, 1]}]})"), "2:54",
         "\"VIN\" shows text, not a number"},
        // The suite and its tests.
        {"[]", "1:1", "the file's value must be an object, not an array"},
        {R"({"tests": []})", "1:1", "the suite needs \"suite\""},
        {R"({"suite": "S", "test": []})", "1:16", "unknown key \"test\" in the suite"},
        {R"({"suite": "S", "tests": []})", "1:25", "\"tests\" must not be empty"},
        {R"({"suite": "S", "tests": [{"name": "T", "steps": []}]})", "1:49",
         "\"steps\" must not be empty"},
        {"{\"suite\": \"S\", \"tests\": [\n{\"name\": \"T\", \"steps\": [{\"waitMs\": 1}]},\n"
         "{\"name\": \"T\", \"steps\": [{\"waitMs\": 1}]}]}",
         "3:10", "a test named \"T\" is already at 2:1"},
    };
    for (const Case& c : cases) {
        const auto read = readSuite(c.json, "s.json");
        ASSERT_TRUE(std::holds_alternative<SuiteRefusal>(read)) << c.json;
        const SuiteRefusal& refusal = std::get<SuiteRefusal>(read);
        EXPECT_EQ(refusal.text().rfind("s.json:" + c.place + ": ", 0), 0U) << c.json << "\n"
                                                                           << refusal.text();
        EXPECT_NE(refusal.message.find(c.message), std::string::npos) << c.json << "\n"
                                                                      << refusal.text();
    }
}

constexpr const char* kSuite = R"({
  "suite": "Smoke",
  "tests": [
    {
      "name": "Speed limit reads back",
      "steps": [
        { "name": "set 90",
          "send": { "command": "Eco Set Speed Limit Value", "value": "90" },
          "expect": { "readBack": "Eco Get Speed Limit Value", "equals": "90" },
          "timeoutMs": 500 },
        { "send": { "button": "STARTENG" },
          "expect": [ { "parameter": "RPM", "range": [500, 3000] },
                      { "flag": { "group": 0, "bit": 6 }, "state": "on" } ] },
        { "send": { "raw": "C7 01 24 02 00 00 5A" } },
        { "send": { "command": "0x4801", "value": "-" },
          "expect": { "frame": "0x4801" } },
        { "expect": { "parameter": "PRG_NO", "matches": "^[0-9]+$" } },
        { "name": "quiet line", "waitMs": 10000,
          "hold": [ "noChecksumErrors", "linkNotStale",
                    { "parameter": "Engine Load [%]", "range": [0, 100] } ] }
      ]
    },
    {
      "name": "Program",
      "steps": [
        { "send": { "command": "Set New Program", "value": "11120" },
          "expect": [ { "readBack": 9217 }, { "parameter": "VIN", "equals": "Ä1" } ] }
      ]
    }
  ]
})";

TEST(SuiteReader, ReadsAFileWithEveryNameResolvedAndTheDefaultsFilledIn) {
    const auto read = readSuite(kSuite, "smoke.json");
    ASSERT_TRUE(std::holds_alternative<BenchSuite>(read)) << std::get<SuiteRefusal>(read).text();
    const BenchSuite& suite = std::get<BenchSuite>(read);
    EXPECT_EQ(suite.name, "Smoke");
    ASSERT_EQ(suite.tests.size(), 2U);
    const BenchTest& speed = suite.tests[0];
    EXPECT_EQ(speed.name, "Speed limit reads back");
    EXPECT_EQ(speed.place, (SourcePlace{4, 5}));
    ASSERT_EQ(speed.steps.size(), 6U);

    // A read-back named by its asking row is expected where the Tx window shows it.
    const BenchStep& set = speed.steps[0];
    EXPECT_EQ(set.name, "set 90");
    EXPECT_EQ(set.place, (SourcePlace{7, 9}));
    const auto& send = std::get<SendCommand>(*set.send);
    EXPECT_EQ(send.row, kSetSpeedLimitRow);
    EXPECT_EQ(send.value, u"90");
    ASSERT_EQ(set.expectations.size(), 1U);
    const auto& readBack = std::get<ExpectReadBack>(set.expectations[0].kind);
    EXPECT_EQ(readBack.commandRow, kSetSpeedLimitRow);
    EXPECT_EQ(readBack.text, "90");
    EXPECT_EQ(set.timeout, std::chrono::milliseconds(500));
    EXPECT_FALSE(set.wait);

    const BenchStep& start = speed.steps[1];
    EXPECT_EQ(start.name, "step 2");
    EXPECT_EQ(std::get<SendButton>(*start.send).controlId,
              findSimulationButton(u"STARTENG")->controlId);
    EXPECT_EQ(start.timeout, std::chrono::milliseconds(1000));
    ASSERT_EQ(start.expectations.size(), 2U);
    const auto& rpm = std::get<ExpectValue>(start.expectations[0].kind);
    EXPECT_EQ(rpm.row, rowLabelled(u"RPM"));
    EXPECT_EQ(std::get<ValueInRange>(rpm.test).low, 500);
    EXPECT_EQ(std::get<ValueInRange>(rpm.test).high, 3000);
    EXPECT_EQ(start.expectations[0].place, (SourcePlace{12, 23}));
    const auto& flag = std::get<ExpectFlag>(start.expectations[1].kind);
    EXPECT_EQ(flag.group, 0);
    EXPECT_EQ(flag.position, 6);
    EXPECT_EQ(flag.state, 1);
    EXPECT_EQ(start.expectations[1].place, (SourcePlace{13, 23}));

    const BenchStep& raw = speed.steps[2];
    EXPECT_EQ(std::get<SendRaw>(*raw.send).bytes,
              (Bytes{0xC7, 0x01, 0x24, 0x02, 0x00, 0x00, 0x5A}));
    EXPECT_TRUE(raw.expectations.empty());

    const BenchStep& ask = speed.steps[3];
    EXPECT_EQ(std::get<SendCommand>(*ask.send).row, kSetSpeedLimitRow);
    EXPECT_EQ(std::get<SendCommand>(*ask.send).value, u"-");
    EXPECT_EQ(std::get<ExpectFrame>(ask.expectations[0].kind).id, 0x4801);

    const BenchStep& program = speed.steps[4];
    EXPECT_FALSE(program.send);
    const auto& matches = std::get<ExpectValue>(program.expectations[0].kind);
    EXPECT_EQ(matches.row, rowLabelled(u"PRG_NO"));
    EXPECT_EQ(std::get<ValueMatches>(matches.test).pattern, "^[0-9]+$");

    const BenchStep& quiet = speed.steps[5];
    EXPECT_EQ(quiet.name, "quiet line");
    EXPECT_EQ(quiet.wait, std::chrono::milliseconds(10000));
    ASSERT_EQ(quiet.constraints.size(), 3U);
    EXPECT_TRUE(std::holds_alternative<NoChecksumErrors>(quiet.constraints[0].kind));
    EXPECT_TRUE(std::holds_alternative<LinkNotStale>(quiet.constraints[1].kind));
    const auto& load = std::get<ValueStaysInRange>(quiet.constraints[2].kind);
    EXPECT_EQ(load.row, rowLabelled(u"Engine Load [%]"));
    EXPECT_EQ(load.range.high, 100);
    EXPECT_EQ(quiet.constraints[1].place, (SourcePlace{19, 41}));
    EXPECT_EQ(quiet.constraints[2].place, (SourcePlace{20, 21}));

    // A name is matched without the blanks around the table's, an identifier as a number.
    const BenchStep& setProgram = suite.tests[1].steps[0];
    EXPECT_EQ(std::get<SendCommand>(*setProgram.send).row, kSetProgramRow);
    EXPECT_EQ(std::get<ExpectReadBack>(setProgram.expectations[0].kind).commandRow, kSetProgramRow);
    EXPECT_FALSE(std::get<ExpectReadBack>(setProgram.expectations[0].kind).text);
    const auto& vin = std::get<ExpectValue>(setProgram.expectations[1].kind);
    EXPECT_EQ(std::get<ValueEquals>(vin.test).text,
              "\xC3\x84"
              "1");
    EXPECT_EQ(setProgram.expectations[1].place, (SourcePlace{27, 45}));
}

}  // namespace
}  // namespace tresvik
