#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace tresvik {

// How finely a time label reads: the step between ticks decides it.
enum class TimePrecision { Milliseconds, Seconds, Minutes };

struct TimeTicks {
    std::int64_t stepMs = 0;
    TimePrecision precision = TimePrecision::Seconds;
    // Where the ticks fall, in milliseconds since the session began.
    std::vector<std::int64_t> atMs;
};

// The room, in pixels, a label needs at each precision, a gap included.
using TimeLabelWidths = std::array<double, 3>;

// Ticks for a time axis from `fromMs` to `toMs` drawn `widthPx` wide: the finest of the steps a
// clock reads easily (10 ms up to 12 h) whose labels do not overlap, on round moments of the local
// clock. `clockAtStartMs` is what the local clock read, in milliseconds, when the session began,
// so that a ten-minute tick falls on 14:10 and not ten minutes after Connect.
TimeTicks timeTicks(double fromMs, double toMs, double widthPx, const TimeLabelWidths& labelWidths,
                    std::int64_t clockAtStartMs);

// A value axis that holds a set of numbers with round ticks.
struct ValueScale {
    double low = 0;
    double high = 1;
    double step = 1;
    // Decimals a tick label needs for the step.
    int decimals = 0;
    std::vector<double> ticks() const;
};

// A scale from about `low` to `high` with at most `maxTicks` ticks (three at least) 1, 2 or 5
// times a power of ten apart. A single value gets room around it, so that a flat line is drawn in
// the middle.
ValueScale valueScale(double low, double high, int maxTicks);

}  // namespace tresvik
