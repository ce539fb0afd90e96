#pragma once

#include <cstdint>
#include <vector>

#include "decode/parameter_table.h"
#include "link/frame.h"

// A day of the unit at the line rate, made up for the trend benchmarks: a frame every 10 ms, the
// numeric rows in turn, each value drifting with a little noise and now and then a spike.

inline constexpr std::uint64_t kFramesPerSecond = 100;
inline constexpr std::uint64_t kDayFrames = 24 * 3600 * kFramesPerSecond;
inline constexpr std::uint64_t kFrameGapMs = 1000 / kFramesPerSecond;

inline std::vector<int> numericRows() {
    std::vector<int> rows;
    for (int row = 0; row < tresvik::kParameterCount; ++row) {
        if (tresvik::hasNumericValue(tresvik::parameterRow(row).formatCode)) {
            rows.push_back(row);
        }
    }
    return rows;
}

// The integer of the `frame`-th frame of the day, which reports `row`.
inline std::int32_t syntheticValue(int row, std::uint64_t frame) {
    const auto drift = static_cast<std::int32_t>(frame / 977 % 4000);
    const auto noise = static_cast<std::int32_t>((frame * 2654435761U) >> 7 & 0x3F);
    const std::int32_t spike = frame % 123457 == 0 ? 90000 : 0;
    return 1000 * (row % 7) + drift + noise + spike;
}

// The frame the unit sends with `raw` for `row`: four bytes, after the two-byte prefix where the
// row's format has one.
inline tresvik::Bytes syntheticFrame(int row, std::int32_t raw) {
    const auto bits = static_cast<std::uint32_t>(raw);
    tresvik::Bytes payload;
    if (tresvik::parameterRow(row).formatCode == tresvik::FormatCode::PrefixedNumeric) {
        payload = {0, 0};
    }
    for (int shift = 0; shift < 32; shift += 8) {
        payload.push_back(static_cast<std::uint8_t>(bits >> shift));
    }
    return tresvik::makeFrame(tresvik::parameterRow(row).messageId, payload);
}
