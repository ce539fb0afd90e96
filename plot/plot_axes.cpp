#include "plot/plot_axes.h"

#include <algorithm>
#include <cmath>

namespace tresvik {

namespace {

constexpr std::int64_t kSecond = 1000;
constexpr std::int64_t kMinute = 60 * kSecond;
constexpr std::int64_t kHour = 60 * kMinute;
constexpr std::array<std::int64_t, 24> kTimeSteps = {
    10,      20,          50,          100,          200,          500,
    kSecond, 2 * kSecond, 5 * kSecond, 10 * kSecond, 15 * kSecond, 30 * kSecond,
    kMinute, 2 * kMinute, 5 * kMinute, 10 * kMinute, 15 * kMinute, 30 * kMinute,
    kHour,   2 * kHour,   3 * kHour,   6 * kHour,    12 * kHour,   24 * kHour};

TimePrecision precisionOf(std::int64_t stepMs) {
    if (stepMs < kSecond) {
        return TimePrecision::Milliseconds;
    }
    return stepMs < kMinute ? TimePrecision::Seconds : TimePrecision::Minutes;
}

std::int64_t floorDiv(std::int64_t value, std::int64_t divisor) {
    const std::int64_t quotient = value / divisor;
    return quotient * divisor > value ? quotient - 1 : quotient;
}

}  // namespace

TimeTicks timeTicks(double fromMs, double toMs, double widthPx, const TimeLabelWidths& labelWidths,
                    std::int64_t clockAtStartMs) {
    TimeTicks ticks;
    const double span = toMs - fromMs;
    if (!(span > 0) || !(widthPx > 0)) {
        return ticks;
    }
    ticks.stepMs = kTimeSteps.back();
    for (const std::int64_t step : kTimeSteps) {
        const double room = labelWidths[static_cast<std::size_t>(precisionOf(step))];
        if (static_cast<double>(step) / span * widthPx >= room) {
            ticks.stepMs = step;
            break;
        }
    }
    ticks.precision = precisionOf(ticks.stepMs);
    const auto first = static_cast<std::int64_t>(std::ceil(fromMs));
    const std::int64_t clockFirst = clockAtStartMs + first;
    std::int64_t clockTick = floorDiv(clockFirst, ticks.stepMs) * ticks.stepMs;
    if (clockTick < clockFirst) {
        clockTick += ticks.stepMs;
    }
    for (std::int64_t at = clockTick - clockAtStartMs; static_cast<double>(at) <= toMs;
         at += ticks.stepMs) {
        ticks.atMs.push_back(at);
    }
    return ticks;
}

std::vector<double> ValueScale::ticks() const {
    std::vector<double> values;
    const auto count = static_cast<int>(std::llround((high - low) / step));
    for (int i = 0; i <= count; ++i) {
        values.push_back(low + step * i);
    }
    return values;
}

ValueScale valueScale(double low, double high, int maxTicks) {
    if (high < low) {
        std::swap(low, high);
    }
    if (high == low) {
        const double room = low == 0 ? 1.0 : std::abs(low) * 0.1;
        low -= room;
        high += room;
    }
    // Two intervals at least: a range across zero needs them whatever the step.
    const int intervals = std::max(maxTicks - 1, 2);
    const double power = std::pow(10.0, std::floor(std::log10((high - low) / intervals)));
    ValueScale scale;
    // The smallest round step whose round ends leave no more intervals than there is room for.
    for (const double multiple : {1.0, 2.0, 5.0, 10.0, 20.0, 50.0, 100.0}) {
        scale.step = multiple * power;
        scale.low = std::floor(low / scale.step + 1e-9) * scale.step;
        scale.high = std::ceil(high / scale.step - 1e-9) * scale.step;
        if (std::llround((scale.high - scale.low) / scale.step) <= intervals) {
            break;
        }
    }
    // Rounding can leave a round end a hair inside the value it was rounded from.
    scale.low = std::min(scale.low, low);
    scale.high = std::max(scale.high, high);
    scale.decimals = std::max(0, -static_cast<int>(std::floor(std::log10(scale.step) + 1e-9)));
    return scale;
}

}  // namespace tresvik
