#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>

#include "plot/chunked_vector.h"

namespace tresvik {

// The latest time a sample can have: about 49.7 days into a session.
inline constexpr std::uint64_t kLastSampleTimeMs = std::numeric_limits<std::uint32_t>::max();

// One received value of a numeric parameter: when its frame's first byte arrived, in milliseconds
// since the session began, and the integer the frame carried, from which the number and the text
// the list shows are made again. Eight bytes, so that a day at the line rate stays small.
struct TrendSample {
    std::uint32_t timeMs = 0;
    std::int32_t raw = 0;
    friend bool operator==(const TrendSample&, const TrendSample&) = default;
};

// The samples of one parameter in arrival order; their times never decrease. Copies share what
// they hold, as ChunkedVector's do.
class TrendSeries {
public:
    // 8 KiB chunks: a parameter reported once a second fills one in about 17 minutes.
    static constexpr std::size_t kSamplesPerChunk = 1024;

    // `sample` must not be earlier than the last one.
    void append(TrendSample sample) { m_samples.append(sample); }

    std::size_t size() const { return m_samples.size(); }
    bool empty() const { return m_samples.empty(); }
    const TrendSample& operator[](std::size_t index) const { return m_samples[index]; }
    // Calls `visit(sample)` for the samples from `first` up to, not including, `last`.
    template <typename Visit>
    void visit(std::size_t first, std::size_t last, Visit&& visit) const {
        m_samples.visit(first, last, visit);
    }

    // Index of the first sample at `timeMs` or later, at or after `from`; size() when none is.
    std::size_t firstAtOrAfter(std::uint64_t timeMs, std::size_t from = 0) const;
    // Index of the sample in force at `timeMs`: the last that arrived at or before it.
    std::optional<std::size_t> inForceAt(std::uint64_t timeMs) const;

private:
    ChunkedVector<TrendSample, kSamplesPerChunk> m_samples;
};

}  // namespace tresvik
