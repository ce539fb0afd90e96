#pragma once

#include <chrono>
#include <vector>

#include "bench/synthetic_session.h"
#include "plot/trend_history.h"

// Starts a session in `history` and fills it with a synthetic day whose every frame reports one
// of `rows`, in turn.
inline void fillSyntheticDay(tresvik::TrendHistory& history, const std::vector<int>& rows) {
    const tresvik::ArrivalTime start{};
    history.begin(start, std::chrono::system_clock::now());
    for (std::uint64_t f = 0; f < kDayFrames; ++f) {
        const int row = rows[f % rows.size()];
        history.add(row, start + std::chrono::milliseconds(f * kFrameGapMs),
                    syntheticValue(row, f));
    }
}
