#include "tools/sim/sim_runner.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "tools/sim/replay_scheduler.h"
#include "tools/sim/sim_port.h"
#include "tools/sim/trace_writer.h"
#include "tools/sim/unit_model.h"

namespace tresvik::sim {

namespace {

// poll() takes its timeout as an int: a replayed chunk due far ahead is waited for in steps.
constexpr std::chrono::milliseconds kLongestPoll{60000};

const char* traceKind(FrameFault fault) {
    switch (fault) {
        case FrameFault::Checksum:
            return "TX-CRC";
        case FrameFault::Length:
            return "TX-LEN";
        case FrameFault::None:
            break;
    }
    return "TX";
}

}  // namespace

SimRunner::SimRunner(const SimOptions& options, SimPort& port, UnitModel& model,
                     FaultInjector& faults, TraceWriter* trace, ReplayScheduler* replay)
    : m_options(options),
      m_port(port),
      m_model(model),
      m_faults(faults),
      m_trace(trace),
      m_replay(replay),
      m_pacer(options.rate) {}

void SimRunner::run(int stopFd) {
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (!m_peer && m_port.peerPresent()) {
            connect(now);
        }
        if (m_peer) {
            startCycleIfDue(now);
            writeDue(now);
        }
        if (m_trace != nullptr) {
            m_trace->flush();
        }
        // Without a console the master reports a hang-up all the time; it is not watched then.
        pollfd fds[2] = {{m_peer ? m_port.fd() : -1,
                          static_cast<short>(POLLIN | (m_waitWritable ? POLLOUT : 0)), 0},
                         {stopFd, POLLIN, 0}};
        if (::poll(fds, 2, pollTimeoutMs(now)) < 0 && errno != EINTR) {
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        if ((fds[0].revents & POLLHUP) != 0 && m_port.isPseudoTerminal()) {
            disconnect();
        } else if ((fds[0].revents & POLLIN) != 0) {
            readIncoming();
        }
    }
}

void SimRunner::connect(Clock::time_point now) {
    m_peer = true;
    m_nextCycle = now + kSettleTime;
    m_pacer.restart(now + kSettleTime);
    if (m_replay != nullptr) {
        m_replay->restart(now + kSettleTime);
    }
    if (m_trace != nullptr) {
        m_trace->event("CONNECTED");
    }
}

void SimRunner::disconnect() {
    // What was still to be sent is lost with the line; a replay starts over on the next open.
    m_peer = false;
    m_current.reset();
    m_replies.clear();
    m_cycle.clear();
    m_waitWritable = false;
    if (m_trace != nullptr) {
        m_trace->event("DISCONNECTED");
    }
}

bool SimRunner::cyclesLeft() const {
    return m_replay == nullptr && (m_options.cycles == 0 || m_cyclesStarted < m_options.cycles);
}

bool SimRunner::cyclePending() const {
    return !m_cycle.empty() || (m_current && m_current->source == Source::Cycle);
}

SimRunner::Outgoing SimRunner::prepare(const Bytes& frame, Source source) {
    Outgoing out;
    out.emission = m_faults.apply(frame);
    out.bytes = out.emission.noise;
    out.bytes.insert(out.bytes.end(), out.emission.frame.begin(), out.emission.frame.end());
    out.source = source;
    return out;
}

void SimRunner::startCycleIfDue(Clock::time_point now) {
    if (!cyclesLeft() || cyclePending() || now < m_nextCycle) {
        return;
    }
    if (m_trace != nullptr) {
        m_trace->event("CYCLE " + std::to_string(m_model.state().cycle));
    }
    for (const Bytes& frame : m_model.nextReportCycle()) {
        m_cycle.push_back(prepare(frame, Source::Cycle));
    }
    ++m_cyclesStarted;
    if (!cyclesLeft()) {
        m_cycle.back().lastOfRun = true;
    }
    // A cycle longer than the period is followed by the next one at once.
    m_nextCycle = now + std::chrono::milliseconds(m_options.periodMs);
}

void SimRunner::writeDue(Clock::time_point now) {
    std::size_t allowance = m_pacer.allowance(now);
    m_waitWritable = false;
    for (;;) {
        if (!m_current && !takeNext(now)) {
            return;
        }
        const std::size_t count = std::min(m_current->bytes.size() - m_offset, allowance);
        if (count == 0) {
            return;
        }
        const ssize_t written = ::write(m_port.fd(), m_current->bytes.data() + m_offset, count);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            // Full (the console is not reading) or gone (seen as a hang-up by the next poll).
            m_waitWritable = errno == EAGAIN;
            return;
        }
        m_offset += static_cast<std::size_t>(written);
        m_pacer.spend(static_cast<std::size_t>(written));
        allowance -= static_cast<std::size_t>(written);
        // A looping replay on an unpaced line would never let go of the line: the end of a
        // pass hands it back to the loop, which reads what came in and looks for the stop.
        if (m_offset == m_current->bytes.size() && finishCurrent(now)) {
            return;
        }
    }
}

// Answers go first, and only between chunks or frames, never inside one.
bool SimRunner::takeNext(Clock::time_point now) {
    std::deque<Outgoing>& from = m_replies.empty() ? m_cycle : m_replies;
    if (!from.empty()) {
        m_current = std::move(from.front());
        from.pop_front();
    } else if (const Bytes* chunk = m_replay != nullptr ? m_replay->take(now) : nullptr) {
        m_current = Outgoing{{}, *chunk, Source::Replay, m_replay->passDone()};
    } else {
        return false;
    }
    m_offset = 0;
    return true;
}

bool SimRunner::finishCurrent(Clock::time_point now) {
    const Outgoing done = std::move(*m_current);
    m_current.reset();
    if (done.source == Source::Replay) {
        if (m_trace != nullptr) {
            m_trace->bytes("REPLAY", done.bytes);
            if (done.lastOfRun) {
                m_trace->event("REPLAY-END");
            }
        }
        if (done.lastOfRun && m_options.loop) {
            m_replay->restart(now);
        }
        return done.lastOfRun;
    }
    if (m_trace != nullptr) {
        if (!done.emission.noise.empty()) {
            m_trace->bytes("NOISE", done.emission.noise);
        }
        m_trace->bytes(traceKind(done.emission.fault), done.emission.frame);
        if (done.emission.fault == FrameFault::Length) {
            m_trace->event("SHORT " + std::to_string(done.emission.bytesPastLength));
        }
        if (done.lastOfRun) {
            m_trace->event("DONE");
        }
    }
    return false;
}

void SimRunner::readIncoming() {
    // A replay without --answer only listens: the recording says what the unit sends.
    const bool answering = m_replay == nullptr || m_options.answer;
    std::uint8_t buffer[512];
    const ssize_t count = ::read(m_port.fd(), buffer, sizeof buffer);
    for (ssize_t i = 0; i < count; ++i) {
        switch (m_assembler.push(buffer[i])) {
            case FrameAssembler::Result::GoodFrame: {
                const Bytes frame(m_assembler.frame().begin(), m_assembler.frame().end());
                if (m_trace != nullptr) {
                    m_trace->bytes("RX", frame);
                }
                if (answering) {
                    for (const Bytes& reply : m_model.receive(frame)) {
                        m_replies.push_back(prepare(reply, Source::Answer));
                    }
                }
                break;
            }
            case FrameAssembler::Result::ChecksumError:
                if (m_trace != nullptr) {
                    m_trace->bytes("RX-CRC", m_assembler.frame());
                }
                break;
            case FrameAssembler::Result::None:
            case FrameAssembler::Result::Discarded:
                break;
        }
    }
}

int SimRunner::pollTimeoutMs(Clock::time_point now) const {
    if (!m_peer) {
        return kPeerPollMs;
    }
    auto untilMs = [now](Clock::time_point when) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(when - now);
        return static_cast<int>(
            std::clamp(wait, std::chrono::milliseconds(0), kLongestPoll).count());
    };
    int timeout = -1;
    if (cyclesLeft() && !cyclePending()) {
        timeout = untilMs(m_nextCycle);
    }
    const bool pending = m_current || !m_replies.empty() || !m_cycle.empty();
    if (!pending && m_replay != nullptr) {
        if (const std::optional<Clock::time_point> due = m_replay->nextDue()) {
            timeout = untilMs(*due);
        }
    }
    if (pending && !m_waitWritable) {
        const std::size_t left =
            m_current ? m_current->bytes.size() - m_offset
                      : (m_replies.empty() ? m_cycle : m_replies).front().bytes.size();
        const int wait = static_cast<int>(m_pacer.wait(left, now).count());
        timeout = timeout < 0 ? wait : std::min(timeout, wait);
    }
    return timeout;
}

}  // namespace tresvik::sim
