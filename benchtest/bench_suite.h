#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "link/bytes.h"

namespace tresvik {

// A bench test file, read and checked against the console's tables: every name in it has been
// resolved to the row, button or flag it means, so running it never meets an unknown name.
// Texts are UTF-8.

// Where in the file something was written, 1-based; for messages that name the place.
struct SourcePlace {
    int line = 0;
    int column = 0;
    friend bool operator==(const SourcePlace&, const SourcePlace&) = default;
};

// A Tx window row sent with a value text, as the Tx window sends it ("-" asks for the value).
struct SendCommand {
    int row = 0;
    std::u16string value;
};
// A simulation button of the main window, pressed.
struct SendButton {
    int controlId = 0;
};
// Bytes put on the line exactly as written: no sequence number, no checksum added.
struct SendRaw {
    Bytes bytes;
};
using Send = std::variant<SendCommand, SendButton, SendRaw>;

// A parameter's value text: equal to a text, within a range (of the number the text shows), or
// matching a regular expression (ECMAScript, the whole text).
struct ValueEquals {
    std::string text;
};
struct ValueInRange {
    double low = 0;
    double high = 0;
};
struct ValueMatches {
    std::string pattern;
};
using ValueTest = std::variant<ValueEquals, ValueInRange, ValueMatches>;

struct ExpectValue {
    int row = 0;
    ValueTest test;
};
// A good frame with this identifier.
struct ExpectFrame {
    std::uint16_t id = 0;
};
// A value the unit reports back under a Tx row's identifier; any value when `text` is empty,
// otherwise the text the Tx window's cell would show.
struct ExpectReadBack {
    int commandRow = 0;
    std::optional<std::string> text;
};
// A status flag (group, bit position) reported in a state: 0 off, 1 on, 2 third.
struct ExpectFlag {
    int group = 0;
    int position = 0;
    std::uint8_t state = 0;
};
using ExpectationKind = std::variant<ExpectValue, ExpectFrame, ExpectReadBack, ExpectFlag>;

struct Expectation {
    ExpectationKind kind;
    SourcePlace place;
};

// What must hold for the whole of a step.
struct NoChecksumErrors {};
struct LinkNotStale {};
struct ValueStaysInRange {
    int row = 0;
    ValueInRange range;
};
using ConstraintKind = std::variant<NoChecksumErrors, LinkNotStale, ValueStaysInRange>;

struct Constraint {
    ConstraintKind kind;
    SourcePlace place;
};

// One step: send (if any), then wait for every expectation within the time-out, or for a fixed
// time; the constraints hold until the step ends.
struct BenchStep {
    std::string name;
    std::optional<Send> send;
    std::vector<Expectation> expectations;
    std::chrono::milliseconds timeout{1000};
    // A fixed time to wait after the send, when the step has no expectations.
    std::optional<std::chrono::milliseconds> wait;
    std::vector<Constraint> constraints;
    SourcePlace place;
};

struct BenchTest {
    std::string name;
    std::vector<BenchStep> steps;
    SourcePlace place;
};

struct BenchSuite {
    std::string name;
    std::vector<BenchTest> tests;
};

}  // namespace tresvik
