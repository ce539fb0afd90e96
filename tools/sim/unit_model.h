#pragma once

#include <cstdint>
#include <vector>

#include "link/frame.h"
#include "tools/sim/unit_state.h"

namespace tresvik::sim {

// The simulated unit's behaviour, free of any port or clock: the report cycle it sends and its
// answers to the frames the console sends it.
class UnitModel {
public:
    UnitModel();

    // Every frame of the next report cycle, checksums included: each parameter row (the
    // tachograph rows while the tachograph runs), the five flag groups and a debug-information
    // frame. Advances the cycle.
    std::vector<Bytes> nextReportCycle();
    // The unit's answers to one frame with a good checksum: a request (payload of 2) is answered
    // with the value asked for, a value frame (payload of 6) is taken and reflected, a simulation
    // frame changes the vehicle and is answered with the flags it changed.
    std::vector<Bytes> receive(ByteView frame);

    const UnitState& state() const { return m_state; }
    // The frame reporting parameter row `row` now; `sequence` fills the two leading payload
    // bytes of the formats that have them.
    Bytes parameterFrame(int row, std::uint16_t sequence = 0) const;

private:
    std::vector<Bytes> answerRequest(std::uint16_t id, std::uint16_t sequence) const;
    std::vector<Bytes> takeValue(std::uint16_t id, std::uint16_t sequence, std::int32_t value);
    std::vector<Bytes> simulate(ByteView payload);

    UnitState m_state;
};

}  // namespace tresvik::sim
