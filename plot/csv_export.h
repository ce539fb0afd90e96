#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <ostream>
#include <vector>

#include "plot/trend_samples.h"

namespace tresvik {

enum class CsvLayout {
    // One line per sample: time_utc, t_s, parameter, value, unit, text.
    Long,
    // One line per sample: time_utc, t_s, then a column per parameter holding the number in force
    // at that moment, empty until the parameter's first value.
    Wide,
};

struct CsvExportOptions {
    CsvLayout layout = CsvLayout::Long;
    // The parameters to write, in the order of the wide layout's columns; empty: every row with
    // samples, in row order.
    std::vector<int> rows;
    // The samples from `fromMs` up to, not including, `toMs`, in milliseconds since the session
    // began. The wide layout starts from the numbers in force at `fromMs`.
    std::uint64_t fromMs = 0;
    std::uint64_t toMs = kLastSampleTimeMs + 1;
};

enum class CsvExportResult { Written, Cancelled, WriteFailed };

// Told every so many lines, and once at the end, how many lines of samples are written and how
// many there are in all; returning false stops the export there.
using CsvProgress = std::function<bool(std::size_t written, std::size_t total)>;

// Writes the samples as CSV (RFC 4180, UTF-8, CR LF line ends, a header line) to `out`, which
// should be opened in binary mode, a few kilobytes at a time: the file is never built in memory.
// The lines follow the order the samples arrived in, each timed by its own arrival: time_utc is
// the session's UTC start plus t_s, in ISO 8601 with milliseconds (empty when the start is not
// known); t_s is seconds since the session began, to the millisecond. `parameter` is the label as
// the list shows it; `value` is the number the list's text shows, without padding or plus sign,
// with '.' as the decimal separator, a duration in seconds; `unit` is numberUnit()'s; `text` is
// the value text as the list showed it.
CsvExportResult exportCsv(const TrendSamples& samples, const CsvExportOptions& options,
                          std::ostream& out, const CsvProgress& progress = {});

}  // namespace tresvik
