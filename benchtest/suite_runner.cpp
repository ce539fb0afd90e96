#include "benchtest/suite_runner.h"

#include <algorithm>
#include <cstdio>
#include <regex>
#include <string_view>
#include <type_traits>

#include "benchtest/bench_link.h"
#include "benchtest/bench_run_observer.h"
#include "commands/command_encoder.h"
#include "commands/command_table.h"
#include "commands/simulation_buttons.h"
#include "decode/parameter_table.h"
#include "decode/utf8.h"
#include "flags/flag_states.h"
#include "health/health_report.h"
#include "health/link_health.h"
#include "link/frame.h"
#include "link/frame_writer.h"

namespace tresvik {

namespace {

using std::chrono::duration_cast;
using std::chrono::microseconds;
using std::chrono::milliseconds;

// The longest a send may take to leave the port beyond its wire time before the run gives up on
// the port: a line held by flow control, an adapter that stopped answering.
constexpr std::chrono::seconds kLongestDrain{5};
// What a step is taken to wait for on the line: a value frame, the unit's usual answer.
constexpr std::size_t kAnswerBytes = frame::kOverhead + 6;

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
// Clang before 17 deduces an aggregate's template arguments only with a guide.
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

std::string labelOf(int row) {
    return toUtf8(parameterRow(row).label);
}

std::string commandName(int row) {
    std::u16string_view name = commandRow(row).name;
    while (!name.empty() && name.back() == u' ') {
        name.remove_suffix(1);
    }
    return toUtf8(name);
}

std::string numberText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

std::string rangeText(const ValueInRange& range) {
    return numberText(range.low) + " to " + numberText(range.high);
}

std::string millisecondsText(std::chrono::nanoseconds time) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", static_cast<double>(time.count()) / 1e6);
    return text;
}

std::string hexId(std::uint16_t id) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", id);
    return text;
}

constexpr std::string_view kStateNames[] = {"off", "on", "third", "fourth"};

bool inRange(const ValueInRange& range, const ParameterUpdate& update) {
    if (!update.number) {
        return false;
    }
    const double value = update.number->toDouble();
    return value >= range.low && value <= range.high;
}

// The file's patterns were checked when it was read; a match that the library gives up on (too
// complex for its stack) is no match.
bool matches(const std::string& text, const std::string& pattern) {
    try {
        return std::regex_match(text, std::regex(pattern, std::regex::ECMAScript));
    } catch (const std::regex_error&) {
        return false;
    }
}

}  // namespace

SuiteRunner::SuiteRunner(const BenchSuite& suite, FrameWriter& writer, BenchLink& link,
                         const LinkHealth& health, BenchRunObserver& observer, Settings settings)
    : m_suite(suite),
      m_writer(writer),
      m_link(link),
      m_health(health),
      m_observer(observer),
      m_settings(settings),
      m_traffic(settings.trafficKept) {
    for (const BenchTest& test : suite.tests) {
        m_results.emplace_back(test.steps.size());
    }
}

SuiteRunner::~SuiteRunner() = default;

const StepResult& SuiteRunner::result(int test, int step) const {
    return m_results.at(static_cast<std::size_t>(test)).at(static_cast<std::size_t>(step));
}

const BenchStep& SuiteRunner::step() const {
    return m_suite.tests[static_cast<std::size_t>(m_test)].steps[static_cast<std::size_t>(m_step)];
}

StepResult& SuiteRunner::currentResult() {
    return m_results[static_cast<std::size_t>(m_test)][static_cast<std::size_t>(m_step)];
}

std::chrono::microseconds SuiteRunner::testDuration(int test) const {
    std::chrono::microseconds total{};
    for (const StepResult& r : m_results.at(static_cast<std::size_t>(test))) {
        total += r.duration;
    }
    return total;
}

std::chrono::microseconds SuiteRunner::runDuration() const {
    return duration_cast<microseconds>((finished() ? m_end : m_now) - m_start);
}

std::string SuiteRunner::stepTitle(int test, int step) const {
    const BenchTest& t = m_suite.tests.at(static_cast<std::size_t>(test));
    return "'" + t.steps.at(static_cast<std::size_t>(step)).name + "' of '" + t.name + "'";
}

std::string SuiteRunner::describe(const Expectation& expectation) {
    return std::visit(
        Overloaded{
            [](const ExpectValue& e) {
                const std::string label = "'" + labelOf(e.row) + "'";
                return std::visit(
                    Overloaded{
                        [&](const ValueEquals& v) { return label + " shows \"" + v.text + "\""; },
                        [&](const ValueInRange& v) { return label + " within " + rangeText(v); },
                        [&](const ValueMatches& v) {
                            return label + " matching /" + v.pattern + "/";
                        }},
                    e.test);
            },
            [](const ExpectFrame& e) { return "a frame " + hexId(e.id); },
            [](const ExpectReadBack& e) {
                std::string text = "a read-back of '" + commandName(e.commandRow) + "'";
                if (e.text) {
                    text += " showing \"" + *e.text + "\"";
                }
                return text;
            },
            [](const ExpectFlag& e) {
                return "flag bit " + std::to_string(e.position) + " of group " +
                       std::to_string(e.group) + " " + std::string(kStateNames[e.state & 3]);
            }},
        expectation.kind);
}

std::string SuiteRunner::describe(const Constraint& constraint) {
    return std::visit(
        Overloaded{[](const NoChecksumErrors&) { return std::string("no checksum errors"); },
                   [](const LinkNotStale&) { return std::string("link not stale"); },
                   [](const ValueStaysInRange& c) {
                       return "'" + labelOf(c.row) + "' stays within " + rangeText(c.range);
                   }},
        constraint.kind);
}

std::chrono::nanoseconds SuiteRunner::wireTime(const BenchStep& s) const {
    std::size_t bytes = kAnswerBytes;
    std::visit(Overloaded{[&](const SendCommand& c) {
                              const bool request = isRequestText(c.value);
                              bytes += frame::kOverhead + (request ? 2 : 6);
                              if (!request && commandRow(c.row).messageId == kSetProgramId) {
                                  bytes += FrameWriter::kWakeUpLength;
                              }
                          },
                          [&](const SendButton& b) {
                              bytes +=
                                  simulationFrame(0, *findSimulationButton(b.controlId)).size() + 1;
                          },
                          [&](const SendRaw& r) { bytes += r.bytes.size(); }},
               *s.send);
    return lineTime(bytes, m_settings.baudRate) + m_settings.adapterLatency;
}

void SuiteRunner::warnOfShortTimeouts() {
    for (std::size_t t = 0; t < m_suite.tests.size(); ++t) {
        const BenchTest& test = m_suite.tests[t];
        for (std::size_t s = 0; s < test.steps.size(); ++s) {
            const BenchStep& st = test.steps[s];
            if (!st.send || st.expectations.empty()) {
                continue;
            }
            const std::chrono::nanoseconds needed = wireTime(st);
            if (st.timeout < needed) {
                m_observer.warning(
                    "step " + stepTitle(static_cast<int>(t), static_cast<int>(s)) +
                    ": its time-out of " + std::to_string(st.timeout.count()) +
                    " ms is shorter than the " + millisecondsText(needed) +
                    " its request and answer take on the line plus the adapter's latency of " +
                    std::to_string(m_settings.adapterLatency.count()) + " ms");
            }
        }
    }
}

void SuiteRunner::start(ArrivalTime now, std::chrono::system_clock::time_point utcNow) {
    m_start = now;
    m_now = now;
    m_startUtc = utcNow;
    m_traffic.setClock(now, utcNow);
    warnOfShortTimeouts();
    m_test = 0;
    m_step = -1;
    m_stepOver = true;
    nextStep();
}

void SuiteRunner::nextStep() {
    for (;;) {
        if (m_test >= static_cast<int>(m_suite.tests.size())) {
            m_verdict = RunVerdict::Passed;
            for (const auto& test : m_results) {
                for (const StepResult& r : test) {
                    if (r.state != StepState::Passed) {
                        m_verdict = RunVerdict::Failed;
                    }
                }
            }
            m_end = m_now;
            m_phase = Phase::Done;
            m_observer.runFinished();
            return;
        }
        ++m_step;
        if (m_step <
                static_cast<int>(m_suite.tests[static_cast<std::size_t>(m_test)].steps.size()) &&
            currentResult().state == StepState::Waiting) {
            startStep(m_now);
            return;
        }
        if (m_step >=
            static_cast<int>(m_suite.tests[static_cast<std::size_t>(m_test)].steps.size())) {
            ++m_test;
            m_step = -1;
        }
    }
}

void SuiteRunner::startStep(ArrivalTime now) {
    m_stepOver = false;
    m_armedAt = now;
    m_watches.assign(step().expectations.size(), {});
    currentResult().state = StepState::Running;
    m_observer.stepStarted(m_test, m_step);
    if (step().send) {
        m_phase = Phase::Sending;
        send(*step().send);
        m_link.requestDrainReport();
    } else {
        m_phase = Phase::Timing;
        m_clockStart = now;
        checkDone();
    }
}

void SuiteRunner::send(const Send& what) {
    std::visit(Overloaded{[&](const SendCommand& c) { sendRow(m_writer, c.row, c.value); },
                          [&](const SendButton& b) {
                              sendSimulation(m_writer, *findSimulationButton(b.controlId));
                          },
                          [&](const SendRaw& r) { sendRaw(m_writer, r.bytes); }},
               what);
}

void SuiteRunner::sendDrained(ArrivalTime at) {
    if (m_phase != Phase::Sending || finished()) {
        return;
    }
    m_now = std::max(m_now, at);
    m_clockStart = at;
    m_phase = Phase::Timing;
    checkDone();
}

void SuiteRunner::checkDone() {
    if (m_phase != Phase::Timing) {
        return;
    }
    const BenchStep& s = step();
    if (s.expectations.empty()) {
        if (!s.wait) {
            finishStep(StepState::Passed, {}, m_clockStart);
        }
        return;
    }
    ArrivalTime last = m_clockStart;
    for (const Watch& w : m_watches) {
        if (!w.metAt) {
            return;
        }
        last = std::max(last, *w.metAt);
    }
    // A step that only watches has no request to answer, so no latency: how long it waited says
    // how often the unit reports, not how fast it answers.
    if (s.send) {
        currentResult().latency = duration_cast<microseconds>(last - m_clockStart);
    }
    finishStep(StepState::Passed, {}, last);
}

void SuiteRunner::advance(ArrivalTime now) {
    if (finished()) {
        return;
    }
    m_now = std::max(m_now, now);
    if (m_stepOver) {
        nextStep();
        if (finished()) {
            return;
        }
    }
    const BenchStep& s = step();
    if (m_phase == Phase::Sending) {
        if (m_now - m_armedAt > kLongestDrain + wireTime(s)) {
            abort("what the step sent did not leave the port within " +
                      std::to_string(kLongestDrain.count()) + " s",
                  m_now);
        }
        return;
    }
    if (m_phase != Phase::Timing) {
        return;
    }
    for (const Constraint& c : s.constraints) {
        if (std::holds_alternative<LinkNotStale>(c.kind) &&
            m_health.state(m_now) == HealthState::Silent) {
            // Stale from the moment the silence grew too long, which may be after a wait.
            const auto since = m_health.sinceLastGoodFrame(m_now);
            const ArrivalTime staleAt = since ? m_now - *since + m_health.silenceLimit() : m_now;
            breakConstraint(c,
                            since ? "no good frame for " + millisecondsText(*since)
                                  : std::string("no good frame since the port opened"),
                            staleAt);
            if (m_stepOver) {
                return;
            }
        }
    }
    const ArrivalTime end = m_clockStart + (s.expectations.empty() && s.wait ? *s.wait : s.timeout);
    if (m_now < end + m_settings.verdictDelay) {
        return;
    }
    if (s.expectations.empty()) {
        finishStep(StepState::Passed, {}, end);
        return;
    }
    for (std::size_t i = 0; i < m_watches.size(); ++i) {
        if (!m_watches[i].metAt) {
            finishStep(StepState::Failed,
                       "timed out after " + std::to_string(s.timeout.count()) + " ms waiting for " +
                           describe(s.expectations[i]),
                       end);
            return;
        }
    }
}

void SuiteRunner::abort(const std::string& reason, ArrivalTime now) {
    if (finished()) {
        return;
    }
    m_now = std::max(m_now, now);
    if (m_phase == Phase::Idle) {
        // Never started (the port would not open): the first step carries the reason.
        m_start = m_now;
        m_armedAt = m_now;
        m_test = 0;
        m_step = 0;
        m_phase = Phase::Sending;
    }
    if (!m_stepOver && m_phase != Phase::Done) {
        StepResult& r = currentResult();
        r.state = StepState::Aborted;
        r.message = reason;
        r.duration = duration_cast<microseconds>(m_now - m_armedAt);
        fillDetail(r, m_now);
        m_observer.stepFinished(m_test, m_step, r);
    }
    for (std::size_t t = 0; t < m_results.size(); ++t) {
        for (std::size_t st = 0; st < m_results[t].size(); ++st) {
            if (m_results[t][st].state == StepState::Waiting) {
                m_results[t][st].state = StepState::Skipped;
                m_observer.stepFinished(static_cast<int>(t), static_cast<int>(st),
                                        m_results[t][st]);
            }
        }
    }
    m_verdict = RunVerdict::Infrastructure;
    m_end = m_now;
    m_phase = Phase::Done;
    m_observer.runFinished();
}

void SuiteRunner::finishStep(StepState state, std::string message, ArrivalTime at) {
    StepResult& r = currentResult();
    r.state = state;
    r.message = std::move(message);
    r.duration = duration_cast<microseconds>(std::max(at, m_armedAt) - m_armedAt);
    if (state != StepState::Passed) {
        fillDetail(r, m_now);
    }
    m_phase = Phase::Done;
    m_stepOver = true;
    m_observer.stepFinished(m_test, m_step, r);
    if (state != StepState::Passed) {
        // The rest of a failed test depends on what failed; the next test starts afresh.
        auto& steps = m_results[static_cast<std::size_t>(m_test)];
        for (std::size_t s = static_cast<std::size_t>(m_step) + 1; s < steps.size(); ++s) {
            steps[s].state = StepState::Skipped;
            m_observer.stepFinished(m_test, static_cast<int>(s), steps[s]);
        }
    }
    // A run whose last step just ended is over now, not at the next tick.
    bool more = false;
    for (std::size_t t = static_cast<std::size_t>(m_test); t < m_results.size() && !more; ++t) {
        more = std::any_of(m_results[t].begin(), m_results[t].end(),
                           [](const StepResult& s) { return s.state == StepState::Waiting; });
    }
    if (!more) {
        m_test = static_cast<int>(m_suite.tests.size());
        nextStep();
    }
}

void SuiteRunner::fillDetail(StepResult& r, ArrivalTime at) const {
    const BenchStep& s = step();
    r.expected.clear();
    r.arrived.clear();
    for (std::size_t i = 0; i < s.expectations.size(); ++i) {
        if (i < m_watches.size() && m_watches[i].metAt) {
            continue;
        }
        r.expected +=
            describe(s.expectations[i]) + " within " + std::to_string(s.timeout.count()) + " ms\n";
        r.arrived += describe(s.expectations[i]) + ": " +
                     (i < m_watches.size() && !m_watches[i].seen.empty() ? m_watches[i].seen
                                                                         : std::string("nothing")) +
                     "\n";
    }
    for (const Constraint& c : s.constraints) {
        r.expected += "hold: " + describe(c) + "\n";
    }
    r.traffic = m_traffic.lines(at);
    r.counters = healthSummary(m_health, at);
}

bool SuiteRunner::belongsToStep(ArrivalTime frameStart) const {
    return !finished() && !m_stepOver && (m_phase == Phase::Sending || m_phase == Phase::Timing) &&
           frameStart >= m_armedAt;
}

void SuiteRunner::met(std::size_t i, ArrivalTime frameEnd) {
    Watch& w = m_watches[i];
    if (w.metAt) {
        return;
    }
    if (m_phase == Phase::Timing && frameEnd > m_clockStart + step().timeout) {
        seen(i, "met only " + millisecondsText(frameEnd - m_clockStart) +
                    " after the send, past the time-out");
        return;
    }
    w.metAt = frameEnd;
    checkDone();
}

void SuiteRunner::seen(std::size_t i, std::string text) {
    m_watches[i].seen = std::move(text);
}

void SuiteRunner::breakConstraint(const Constraint& constraint, const std::string& what,
                                  ArrivalTime at) {
    const BenchStep& s = step();
    // A wait's constraints hold for the wait, not for the moments its verdict waits beyond it.
    if (s.expectations.empty() && s.wait && m_phase == Phase::Timing &&
        at > m_clockStart + *s.wait) {
        return;
    }
    finishStep(StepState::Broken, "constraint broken: " + describe(constraint) + ": " + what, at);
}

void SuiteRunner::portClosed(ArrivalTime at) {
    abort("the port closed during the run", at);
}

void SuiteRunner::frameReceived(const ReceivedFrame& frame) {
    m_frameStart = frame.arrival;
    m_frameEnd = frame.end;
    m_traffic.received(frame.bytes, frame.arrival);
    if (!belongsToStep(frame.arrival)) {
        return;
    }
    const std::uint16_t id = frame::id(frame.bytes);
    std::vector<FlagUpdate> flags;
    bool flagsRead = false;
    const auto& expectations = step().expectations;
    for (std::size_t i = 0; i < expectations.size() && !m_stepOver; ++i) {
        if (const auto* e = std::get_if<ExpectFrame>(&expectations[i].kind)) {
            if (e->id == id) {
                met(i, frame.end);
            }
        } else if (const auto* f = std::get_if<ExpectFlag>(&expectations[i].kind)) {
            if (!flagsRead) {
                flags = readFlags(frame.bytes);
                flagsRead = true;
            }
            for (const FlagUpdate& flag : flags) {
                if (flag.group != f->group || flag.position != f->position) {
                    continue;
                }
                if (flag.state == f->state) {
                    met(i, frame.end);
                } else {
                    seen(i, std::string("reported ") + std::string(kStateNames[flag.state & 3]));
                }
            }
        }
    }
}

void SuiteRunner::checksumError(const ReceivedFrame& frame) {
    m_traffic.damaged(frame.bytes, frame.arrival);
    if (!belongsToStep(frame.arrival)) {
        return;
    }
    for (const Constraint& c : step().constraints) {
        if (std::holds_alternative<NoChecksumErrors>(c.kind)) {
            breakConstraint(c, "a frame with a bad checksum arrived", frame.end);
            return;
        }
    }
}

void SuiteRunner::byteDiscarded(std::uint8_t byte, ArrivalTime arrival) {
    m_traffic.noise(byte, arrival);
}

void SuiteRunner::parameterChanged(const ParameterUpdate& update) {
    const std::string text = toUtf8(update.text);
    m_traffic.decoded(labelOf(update.row) + " = " + text);
    if (!belongsToStep(m_frameStart)) {
        return;
    }
    const BenchStep& s = step();
    for (const Constraint& c : s.constraints) {
        const auto* range = std::get_if<ValueStaysInRange>(&c.kind);
        if (range && range->row == update.row && !inRange(range->range, update)) {
            breakConstraint(c, "it showed \"" + text + "\"", m_frameEnd);
            return;
        }
    }
    for (std::size_t i = 0; i < s.expectations.size() && !m_stepOver; ++i) {
        const auto* e = std::get_if<ExpectValue>(&s.expectations[i].kind);
        if (e == nullptr || e->row != update.row) {
            continue;
        }
        const bool ok =
            std::visit(Overloaded{[&](const ValueEquals& v) { return text == v.text; },
                                  [&](const ValueInRange& v) { return inRange(v, update); },
                                  [&](const ValueMatches& v) { return matches(text, v.pattern); }},
                       e->test);
        if (ok) {
            met(i, m_frameEnd);
        } else {
            seen(i, "\"" + text + "\"");
        }
    }
}

void SuiteRunner::readBackReceived(const ReadBack& readBack) {
    const std::string text = toUtf8(txCellFor(readBack).text);
    m_traffic.decoded("read-back of '" + commandName(readBack.commandRow) + "' = " + text);
    if (!belongsToStep(m_frameStart)) {
        return;
    }
    const auto& expectations = step().expectations;
    for (std::size_t i = 0; i < expectations.size() && !m_stepOver; ++i) {
        const auto* e = std::get_if<ExpectReadBack>(&expectations[i].kind);
        if (e == nullptr ||
            commandRow(e->commandRow).messageId != commandRow(readBack.commandRow).messageId) {
            continue;
        }
        if (!e->text || *e->text == text) {
            met(i, m_frameEnd);
        } else {
            seen(i, "\"" + text + "\"");
        }
    }
}

void SuiteRunner::frameSent(ByteView frame) {
    m_traffic.sent(frame, m_now);
}

void SuiteRunner::wakeUpSent() {
    const Bytes zeros(FrameWriter::kWakeUpLength, 0);
    m_traffic.sent(zeros, m_now);
}

}  // namespace tresvik
