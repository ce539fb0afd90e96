#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>

#include "link/frame_assembler.h"
#include "tools/sim/fault_injector.h"
#include "tools/sim/line_pacer.h"
#include "tools/sim/sim_options.h"

namespace tresvik::sim {

class ReplayScheduler;
class SimPort;
class TraceWriter;
class UnitModel;

// The simulated unit's line: sends the report cycles, or a replay, and the answers at the line
// rate while a console has the port open, and hands what the console sends to the unit model.
class SimRunner {
public:
    // The unit waits this long after a console opens the port before it starts talking, as the
    // console discards whatever is waiting in the port right after opening it.
    static constexpr std::chrono::milliseconds kSettleTime{100};
    // While no console has the port open, the unit looks for one this often.
    static constexpr int kPeerPollMs = 10;

    // With `replay`, its chunks take the place of the report cycles.
    SimRunner(const SimOptions& options, SimPort& port, UnitModel& model, FaultInjector& faults,
              TraceWriter* trace, ReplayScheduler* replay);

    // Runs until `stopFd` becomes readable.
    void run(int stopFd);

private:
    using Clock = std::chrono::steady_clock;

    enum class Source {
        Answer,
        Cycle,
        Replay,  // sent as recorded: `emission` is left empty
    };

    struct Outgoing {
        Emission emission;
        Bytes bytes;  // noise, then the frame as sent; or a replayed chunk
        Source source = Source::Answer;
        bool lastOfRun = false;  // of the report cycles asked for, or of a replay's pass
    };

    void connect(Clock::time_point now);
    void disconnect();
    void startCycleIfDue(Clock::time_point now);
    void writeDue(Clock::time_point now);
    // Makes the next answer, frame or due chunk the current one; false when none waits.
    bool takeNext(Clock::time_point now);
    void readIncoming();
    // Traces what was sent; true when it ended a pass of the replay.
    bool finishCurrent(Clock::time_point now);
    Outgoing prepare(const Bytes& frame, Source source);
    bool cyclesLeft() const;
    bool cyclePending() const;
    int pollTimeoutMs(Clock::time_point now) const;

    const SimOptions& m_options;
    SimPort& m_port;
    UnitModel& m_model;
    FaultInjector& m_faults;
    TraceWriter* m_trace;
    ReplayScheduler* m_replay;

    bool m_peer = false;
    std::deque<Outgoing> m_replies;
    std::deque<Outgoing> m_cycle;
    std::optional<Outgoing> m_current;
    std::size_t m_offset = 0;
    Clock::time_point m_nextCycle;
    LinePacer m_pacer;
    bool m_waitWritable = false;
    std::uint32_t m_cyclesStarted = 0;
    FrameAssembler m_assembler;
};

}  // namespace tresvik::sim
