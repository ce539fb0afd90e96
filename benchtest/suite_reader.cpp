#include "benchtest/suite_reader.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <regex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "benchtest/json_parser.h"
#include "benchtest/json_value.h"
#include "commands/command_table.h"
#include "commands/simulation_buttons.h"
#include "decode/format_code.h"
#include "decode/parameter_table.h"
#include "decode/utf8.h"
#include "flags/flag_grid.h"
#include "link/bytes.h"

namespace tresvik {

namespace {

// An hour is far longer than any answer of the unit takes, a day longer than any soak.
constexpr std::int64_t kMaxTimeoutMs = 3'600'000;
constexpr std::int64_t kMaxWaitMs = 86'400'000;
constexpr std::int64_t kMaxIdentifier = 0xFFFF;
// A flag's bit position counts within its status message's payload.
constexpr std::int64_t kMaxBit = 0xFF;

// Thrown wherever the file is found wanting and caught by readSuite(): the first fault ends the
// read, however deep in the file it lies.
struct Refused {
    SourcePlace place;
    std::string message;
};

using Keys = std::initializer_list<std::u16string_view>;

[[noreturn]] void refuse(SourcePlace place, std::string message) {
    throw Refused{place, std::move(message)};
}

std::string quoted(std::u16string_view text) {
    return "\"" + toUtf8(text) + "\"";
}

std::string listOf(Keys keys) {
    std::string list;
    for (const std::u16string_view key : keys) {
        list += (list.empty() ? "" : ", ") + quoted(key);
    }
    return list;
}

bool contains(Keys keys, std::u16string_view key) {
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

std::string placeText(SourcePlace place) {
    return std::to_string(place.line) + ":" + std::to_string(place.column);
}

std::string identifierText(std::uint16_t id) {
    std::string text = "0x";
    appendHexByte(text, static_cast<std::uint8_t>(id >> 8));
    appendHexByte(text, static_cast<std::uint8_t>(id & 0xFF));
    return text;
}

std::optional<unsigned> hexDigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return std::nullopt;
}

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

std::u16string_view trimmed(std::u16string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Trimmed and in ASCII lower case, to find the name a misspelt one was meant to be; the tables'
// names are all ASCII.
std::u16string folded(std::u16string_view text) {
    std::u16string out(trimmed(text));
    for (char16_t& c : out) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
    }
    return out;
}

// `what` names the value in the message: a key ("\"suite\"") or an item ("an item of \"tests\"").
[[noreturn]] void wrongKind(const JsonValue& value, std::string_view what,
                            std::string_view expected) {
    refuse(value.place(),
           std::string(what) + " must be " + std::string(expected) + ", not " + value.kindName());
}

void requireObject(const JsonValue& value, std::string_view what) {
    if (!value.isObject()) {
        wrongKind(value, what, "an object");
    }
}

const JsonValue::Array& nonEmptyArrayOf(const JsonValue& value, std::string_view what) {
    if (!value.isArray()) {
        wrongKind(value, what, "a non-empty array");
    }
    if (value.array().empty()) {
        refuse(value.place(), std::string(what) + " must not be empty");
    }
    return value.array();
}

const std::u16string& stringOf(const JsonValue& value, std::string_view what) {
    if (!value.isString()) {
        wrongKind(value, what, "a string");
    }
    return value.string();
}

// A name a report shows: UTF-8, with something in it besides blanks.
std::string nameOf(const JsonValue& value, std::string_view what) {
    const std::u16string& name = stringOf(value, what);
    if (trimmed(name).empty()) {
        refuse(value.place(), std::string(what) + " must not be empty");
    }
    return toUtf8(name);
}

std::int64_t wholeNumberOf(const JsonValue& value, std::string_view what, std::int64_t low,
                           std::int64_t high) {
    const std::string expected =
        "a whole number from " + std::to_string(low) + " to " + std::to_string(high);
    if (!value.isNumber()) {
        wrongKind(value, what, expected);
    }
    const double number = value.number().value;
    if (number != std::floor(number) || number < static_cast<double>(low) ||
        number > static_cast<double>(high)) {
        refuse(value.place(),
               std::string(what) + " must be " + expected + ", not " + value.number().text);
    }
    return static_cast<std::int64_t>(number);
}

double numberOf(const JsonValue& value, std::string_view what) {
    if (!value.isNumber()) {
        wrongKind(value, what, "a number");
    }
    return value.number().value;
}

// Refuses any key but `allowed`; `where` names the object ("a step").
void allowOnly(const JsonValue& object, std::string_view where, Keys allowed) {
    for (const JsonMember& member : object.object()) {
        if (!contains(allowed, member.key)) {
            refuse(member.keyPlace, "unknown key " + quoted(member.key) + " in " +
                                        std::string(where) + "; allowed: " + listOf(allowed));
        }
    }
}

const JsonValue* optionalMember(const JsonValue& object, std::u16string_view key) {
    const JsonMember* member = object.find(key);
    return member ? &member->value : nullptr;
}

const JsonValue& requiredMember(const JsonValue& object, std::u16string_view key,
                                std::string_view where) {
    const JsonMember* member = object.find(key);
    if (!member) {
        refuse(object.place(), std::string(where) + " needs " + quoted(key));
    }
    return member->value;
}

// The one key of `choices` the object has, which says what kind of thing it is.
const JsonMember& choiceOf(const JsonValue& object, std::string_view where, Keys choices) {
    const JsonMember* chosen = nullptr;
    for (const JsonMember& member : object.object()) {
        if (!contains(choices, member.key)) {
            continue;
        }
        if (chosen) {
            refuse(member.keyPlace, std::string(where) + " takes one of " + listOf(choices) +
                                        ", not both " + quoted(chosen->key) + " and " +
                                        quoted(member.key));
        }
        chosen = &member;
    }
    if (!chosen) {
        refuse(object.place(), std::string(where) + " needs one of " + listOf(choices));
    }
    return *chosen;
}

int parameterRowOf(const JsonValue& value) {
    const std::u16string& label = stringOf(value, "\"parameter\"");
    const auto rows = parameterTable();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].label == label) {
            return static_cast<int>(i);
        }
    }
    std::string message = "unknown parameter " + quoted(label);
    for (const ParameterRow& row : rows) {
        if (folded(row.label) == folded(label)) {
            message += "; did you mean " + quoted(row.label) + "?";
            break;
        }
    }
    refuse(value.place(), message);
}

// "0x" and one to four hex digits, or a JSON whole number.
std::uint16_t identifierOf(const JsonValue& value, std::string_view what) {
    const std::string expected =
        "an identifier (\"0x\" and one to four hex digits, or a whole "
        "number from 0 to 65535)";
    if (value.isNumber()) {
        return static_cast<std::uint16_t>(wholeNumberOf(value, what, 0, kMaxIdentifier));
    }
    if (!value.isString()) {
        wrongKind(value, what, expected);
    }
    const std::u16string& text = value.string();
    const bool prefixed = text.size() > 2 && text.size() <= 6 && text[0] == u'0' &&
                          (text[1] == u'x' || text[1] == u'X');
    const bool hex = prefixed && std::all_of(text.begin() + 2, text.end(), [](char16_t c) {
                         return hexDigitValue(c).has_value();
                     });
    if (!hex) {
        refuse(value.place(), std::string(what) + " must be " + expected + ", not " + quoted(text));
    }
    unsigned id = 0;
    for (auto digit = text.begin() + 2; digit != text.end(); ++digit) {
        id = id << 4 | *hexDigitValue(*digit);
    }
    return static_cast<std::uint16_t>(id);
}

bool looksLikeIdentifier(const JsonValue& value) {
    return value.isNumber() || (value.isString() && (value.string().starts_with(u"0x") ||
                                                     value.string().starts_with(u"0X")));
}

// The row a command identifier stands for: the first carrying it, as a read-back is shown there.
// Rows that share an identifier but do opposite things (tacho start and stop) leave it naming
// neither.
int commandRowOfIdentifier(std::uint16_t id, SourcePlace place) {
    if (const std::optional<int> row = findCommandRow(id)) {
        return *row;
    }
    std::string sharing;
    for (const CommandRow& row : commandTable()) {
        if (row.messageId == id) {
            sharing += (sharing.empty() ? "" : " and ") + quoted(trimmed(row.name));
        }
    }
    if (sharing.empty()) {
        refuse(place, "no Tx command carries the identifier " + identifierText(id));
    }
    refuse(place, "the identifier " + identifierText(id) + " is ambiguous: " + sharing +
                      " share it; name the command instead");
}

// A Tx row by its name (blanks around either side's name do not count) or its identifier.
int commandRowOf(const JsonValue& value, std::string_view what) {
    if (looksLikeIdentifier(value)) {
        return commandRowOfIdentifier(identifierOf(value, what), value.place());
    }
    if (!value.isString()) {
        wrongKind(value, what, "a command name or identifier");
    }
    const std::u16string_view name = trimmed(value.string());
    const auto rows = commandTable();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (trimmed(rows[i].name) == name) {
            return static_cast<int>(i);
        }
    }
    std::string message = "unknown Tx command " + quoted(value.string());
    for (const CommandRow& row : rows) {
        if (folded(row.name) == folded(name)) {
            message += "; did you mean " + quoted(trimmed(row.name)) + "?";
            break;
        }
    }
    refuse(value.place(), message);
}

const SimulationButton& buttonOf(const JsonValue& value) {
    const std::u16string& caption = stringOf(value, "\"button\"");
    if (const SimulationButton* button = findSimulationButton(caption)) {
        return *button;
    }
    std::string captions;
    for (const SimulationButton& button : simulationButtons()) {
        if (folded(button.caption) == folded(caption)) {
            refuse(value.place(), "unknown button " + quoted(caption) + "; did you mean " +
                                      quoted(button.caption) + "?");
        }
        captions += (captions.empty() ? "" : ", ") + quoted(button.caption);
    }
    refuse(value.place(), "unknown button " + quoted(caption) + "; the buttons are " + captions);
}

// Hex pairs, blanks allowed between them but not inside one.
Bytes rawBytesOf(const JsonValue& value) {
    const std::u16string& text = stringOf(value, "\"raw\"");
    Bytes bytes;
    std::optional<unsigned> high;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (isBlank(c) && !high) {
            continue;
        }
        const std::optional<unsigned> digit = hexDigitValue(c);
        if (!digit) {
            const std::string at = "character " + std::to_string(i + 1);
            refuse(value.place(),
                   isBlank(c) ? "\"raw\" has a byte of one hex digit before " + at +
                                    "; write each byte as two"
                              : "\"raw\" must hold hex pairs; " + at + " is not a hex digit");
        }
        if (high) {
            bytes.push_back(static_cast<std::uint8_t>(*high << 4 | *digit));
            high.reset();
        } else {
            high = *digit;
        }
    }
    if (high) {
        refuse(value.place(), "\"raw\" ends in a byte of one hex digit; write each byte as two");
    }
    if (bytes.empty()) {
        refuse(value.place(), "\"raw\" must hold at least one byte");
    }
    return bytes;
}

Send sendOf(const JsonValue& value) {
    requireObject(value, "\"send\"");
    allowOnly(value, "a send", {u"command", u"value", u"button", u"raw"});
    const JsonMember& kind = choiceOf(value, "a send", {u"command", u"button", u"raw"});
    if (kind.key == u"button") {
        allowOnly(value, "a button send", {u"button"});
        return SendButton{buttonOf(kind.value).controlId};
    }
    if (kind.key == u"raw") {
        allowOnly(value, "a raw send", {u"raw"});
        return SendRaw{rawBytesOf(kind.value)};
    }
    const int row = commandRowOf(kind.value, "\"command\"");
    const JsonValue& text = requiredMember(value, u"value", "a command send");
    return SendCommand{row, stringOf(text, "\"value\"")};
}

// [LOW, HIGH], for a row that shows a number.
ValueInRange rangeOf(const JsonValue& value, int row) {
    const ParameterRow& parameter = parameterRow(row);
    if (!hasNumericValue(parameter.formatCode)) {
        refuse(value.place(), quoted(parameter.label) +
                                  " shows text, not a number, so it has no range; use "
                                  "\"equals\" or \"matches\"");
    }
    if (!value.isArray() || value.array().size() != 2) {
        refuse(value.place(), "\"range\" must be [LOW, HIGH], two numbers");
    }
    const JsonValue& low = value.array()[0];
    const JsonValue& high = value.array()[1];
    const ValueInRange range{numberOf(low, "LOW of \"range\""),
                             numberOf(high, "HIGH of \"range\"")};
    if (range.low > range.high) {
        refuse(value.place(), "\"range\" must have LOW <= HIGH, not [" + low.number().text + ", " +
                                  high.number().text + "]");
    }
    return range;
}

std::string patternOf(const JsonValue& value) {
    std::string pattern = toUtf8(stringOf(value, "\"matches\""));
    try {
        [[maybe_unused]] const std::regex compiled(pattern, std::regex::ECMAScript);
    } catch (const std::regex_error& error) {
        refuse(value.place(),
               "\"matches\" is not a regular expression: " + std::string(error.what()));
    }
    return pattern;
}

ExpectValue valueExpectationOf(const JsonValue& object, const JsonValue& label) {
    allowOnly(object, "a parameter expectation", {u"parameter", u"equals", u"range", u"matches"});
    const int row = parameterRowOf(label);
    const JsonMember& test =
        choiceOf(object, "a parameter expectation", {u"equals", u"range", u"matches"});
    if (test.key == u"equals") {
        return {row, ValueEquals{toUtf8(stringOf(test.value, "\"equals\""))}};
    }
    if (test.key == u"range") {
        return {row, rangeOf(test.value, row)};
    }
    return {row, ValueMatches{patternOf(test.value)}};
}

// A read-back is shown in the first row carrying its identifier, so that is the row expected; a
// row whose identifier no read-back can be told by is refused, as the expectation could never
// be met.
ExpectReadBack readBackExpectationOf(const JsonValue& object, const JsonValue& command) {
    allowOnly(object, "a read-back expectation", {u"readBack", u"equals"});
    const CommandRow& named = commandRow(commandRowOf(command, "\"readBack\""));
    const std::optional<int> shown = findCommandRow(named.messageId);
    if (!shown) {
        refuse(command.place(), quoted(trimmed(named.name)) +
                                    " is never read back: its identifier " +
                                    identifierText(named.messageId) +
                                    " is shared by commands that do opposite things");
    }
    ExpectReadBack expectation{*shown, std::nullopt};
    if (const JsonValue* text = optionalMember(object, u"equals")) {
        if (stringOf(*text, "\"equals\"").empty()) {
            refuse(text->place(), "\"equals\" must not be empty; leave it out to accept any value");
        }
        expectation.text = toUtf8(text->string());
    }
    return expectation;
}

ExpectFlag flagExpectationOf(const JsonValue& object, const JsonValue& flag) {
    allowOnly(object, "a flag expectation", {u"flag", u"state"});
    requireObject(flag, "\"flag\"");
    allowOnly(flag, "a flag", {u"group", u"bit"});
    const auto group = static_cast<int>(wholeNumberOf(requiredMember(flag, u"group", "a flag"),
                                                      "\"group\"", 0, kFlagGroupCount - 1));
    const JsonValue& bitValue = requiredMember(flag, u"bit", "a flag");
    const auto bit = static_cast<int>(wholeNumberOf(bitValue, "\"bit\"", 0, kMaxBit));
    std::vector<int> bits;
    for (const std::uint8_t entry : flagGroup(group).entries) {
        if (entry != kNoFlag) {
            bits.push_back(entry);
        }
    }
    std::sort(bits.begin(), bits.end());
    if (!std::binary_search(bits.begin(), bits.end(), bit)) {
        std::string list;
        for (const int present : bits) {
            list += (list.empty() ? "" : ", ") + std::to_string(present);
        }
        refuse(bitValue.place(), "group " + std::to_string(group) + " has no flag at bit " +
                                     std::to_string(bit) + "; its flags are at bits " + list);
    }
    const JsonValue& stateValue = requiredMember(object, u"state", "a flag expectation");
    const std::u16string& state = stringOf(stateValue, "\"state\"");
    constexpr std::u16string_view kStates[] = {u"off", u"on", u"third"};
    const auto found = std::find(std::begin(kStates), std::end(kStates), state);
    if (found == std::end(kStates)) {
        refuse(stateValue.place(),
               "\"state\" must be \"off\", \"on\" or \"third\", not " + quoted(state));
    }
    return {group, bit, static_cast<std::uint8_t>(found - std::begin(kStates))};
}

Expectation expectationOf(const JsonValue& value) {
    requireObject(value, "an item of \"expect\"");
    allowOnly(
        value, "an expectation",
        {u"parameter", u"equals", u"range", u"matches", u"frame", u"readBack", u"flag", u"state"});
    const JsonMember& kind =
        choiceOf(value, "an expectation", {u"parameter", u"frame", u"readBack", u"flag"});
    if (kind.key == u"parameter") {
        return {valueExpectationOf(value, kind.value), value.place()};
    }
    if (kind.key == u"frame") {
        allowOnly(value, "a frame expectation", {u"frame"});
        return {ExpectFrame{identifierOf(kind.value, "\"frame\"")}, value.place()};
    }
    if (kind.key == u"readBack") {
        return {readBackExpectationOf(value, kind.value), value.place()};
    }
    return {flagExpectationOf(value, kind.value), value.place()};
}

std::vector<Expectation> expectationsOf(const JsonValue& value) {
    if (value.isObject()) {
        return {expectationOf(value)};
    }
    if (!value.isArray()) {
        wrongKind(value, "\"expect\"", "an object or a non-empty array of them");
    }
    std::vector<Expectation> expectations;
    for (const JsonValue& item : nonEmptyArrayOf(value, "\"expect\"")) {
        expectations.push_back(expectationOf(item));
    }
    return expectations;
}

Constraint constraintOf(const JsonValue& value) {
    if (value.isString()) {
        if (value.string() == u"noChecksumErrors") {
            return {NoChecksumErrors{}, value.place()};
        }
        if (value.string() == u"linkNotStale") {
            return {LinkNotStale{}, value.place()};
        }
        refuse(value.place(), "unknown constraint " + quoted(value.string()) +
                                  "; one of \"noChecksumErrors\", \"linkNotStale\" or a "
                                  "parameter's range");
    }
    if (!value.isObject()) {
        wrongKind(value, "an item of \"hold\"",
                  "\"noChecksumErrors\", \"linkNotStale\" or a parameter's range");
    }
    allowOnly(value, "a held range", {u"parameter", u"range"});
    const int row = parameterRowOf(requiredMember(value, u"parameter", "a held range"));
    const ValueInRange range = rangeOf(requiredMember(value, u"range", "a held range"), row);
    return {ValueStaysInRange{row, range}, value.place()};
}

BenchStep stepOf(const JsonValue& value, int index) {
    requireObject(value, "an item of \"steps\"");
    allowOnly(value, "a step", {u"name", u"send", u"expect", u"timeoutMs", u"waitMs", u"hold"});
    BenchStep step;
    step.place = value.place();
    const JsonValue* name = optionalMember(value, u"name");
    step.name = name ? nameOf(*name, "\"name\"") : "step " + std::to_string(index + 1);
    if (const JsonValue* send = optionalMember(value, u"send")) {
        step.send = sendOf(*send);
    }
    const JsonValue* expect = optionalMember(value, u"expect");
    if (expect) {
        step.expectations = expectationsOf(*expect);
    }
    if (const JsonMember* timeout = value.find(u"timeoutMs")) {
        if (!expect) {
            refuse(timeout->keyPlace,
                   "\"timeoutMs\" without \"expect\": the step has nothing to wait for");
        }
        step.timeout = std::chrono::milliseconds(
            wholeNumberOf(timeout->value, "\"timeoutMs\"", 1, kMaxTimeoutMs));
    }
    if (const JsonMember* wait = value.find(u"waitMs")) {
        if (expect) {
            refuse(wait->keyPlace,
                   "\"waitMs\" together with \"expect\": a step waits either for "
                   "its expectations or for a fixed time");
        }
        step.wait =
            std::chrono::milliseconds(wholeNumberOf(wait->value, "\"waitMs\"", 0, kMaxWaitMs));
    }
    if (const JsonValue* hold = optionalMember(value, u"hold")) {
        for (const JsonValue& item : nonEmptyArrayOf(*hold, "\"hold\"")) {
            step.constraints.push_back(constraintOf(item));
        }
    }
    if (!step.send && !expect && !step.wait) {
        refuse(value.place(), "a step does nothing: give it \"send\", \"expect\" or \"waitMs\"");
    }
    return step;
}

BenchTest testOf(const JsonValue& value) {
    requireObject(value, "an item of \"tests\"");
    allowOnly(value, "a test", {u"name", u"steps"});
    BenchTest test;
    test.place = value.place();
    test.name = nameOf(requiredMember(value, u"name", "a test"), "\"name\"");
    const JsonValue::Array& steps =
        nonEmptyArrayOf(requiredMember(value, u"steps", "a test"), "\"steps\"");
    for (std::size_t i = 0; i < steps.size(); ++i) {
        test.steps.push_back(stepOf(steps[i], static_cast<int>(i)));
    }
    return test;
}

BenchSuite suiteOf(const JsonValue& root) {
    requireObject(root, "the file's value");
    allowOnly(root, "the suite", {u"suite", u"tests"});
    BenchSuite suite;
    suite.name = nameOf(requiredMember(root, u"suite", "the suite"), "\"suite\"");
    // Reports and the Test window tell tests apart by name.
    std::unordered_map<std::string, SourcePlace> names;
    for (const JsonValue& item :
         nonEmptyArrayOf(requiredMember(root, u"tests", "the suite"), "\"tests\"")) {
        BenchTest test = testOf(item);
        const auto [first, inserted] = names.emplace(test.name, test.place);
        if (!inserted) {
            refuse(item.find(u"name")->value.place(),
                   "a test named \"" + test.name + "\" is already at " + placeText(first->second));
        }
        suite.tests.push_back(std::move(test));
    }
    return suite;
}

}  // namespace

std::string SuiteRefusal::text() const {
    return file + ":" + std::to_string(place.line) + ":" + std::to_string(place.column) + ": " +
           message;
}

std::variant<BenchSuite, SuiteRefusal> readSuite(std::string_view json,
                                                 const std::string& fileName) {
    std::variant<JsonValue, JsonError> parsed = parseJson(json);
    if (const JsonError* error = std::get_if<JsonError>(&parsed)) {
        return SuiteRefusal{fileName, error->place, error->message};
    }
    try {
        return suiteOf(std::get<JsonValue>(parsed));
    } catch (const Refused& refused) {
        return SuiteRefusal{fileName, refused.place, refused.message};
    }
}

}  // namespace tresvik
