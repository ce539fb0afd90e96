#include "plot/csv_export.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <string>

#include "decode/utf8.h"
#include "decode/value_format.h"
#include "plot/csv_fields.h"

namespace tresvik {

namespace {

// Text is handed to the stream in pieces of about this size.
constexpr std::size_t kFlushBytes = 64 * 1024;
// Lines between two reports of progress: a few per second at the export's speed.
constexpr std::size_t kProgressLines = 64 * 1024;

// The rows asked for, each once, in the order asked; every row with samples when none are.
std::vector<int> chosenRows(const TrendSamples& samples, const std::vector<int>& asked) {
    if (asked.empty()) {
        return samples.rows();
    }
    std::vector<int> rows;
    std::array<bool, kTrendRowCount> chosen{};
    for (const int row : asked) {
        if (row >= 0 && row < kTrendRowCount && !chosen[static_cast<std::size_t>(row)]) {
            chosen[static_cast<std::size_t>(row)] = true;
            rows.push_back(row);
        }
    }
    return rows;
}

std::string csvField(std::u16string_view text) {
    std::string field;
    appendCsvField(field, toUtf8(text));
    return field;
}

}  // namespace

CsvExportResult exportCsv(const TrendSamples& samples, const CsvExportOptions& options,
                          std::ostream& out, const CsvProgress& progress) {
    const std::vector<int> rows = chosenRows(samples, options.rows);
    const std::uint64_t toMs = std::max(options.toMs, options.fromMs);
    // The place of each chosen row among the labels and the wide layout's columns; -1 for others.
    std::array<int, kTrendRowCount> column{};
    column.fill(-1);
    std::vector<std::string> labels;
    std::vector<std::string> units;
    std::size_t total = 0;
    for (const int row : rows) {
        column[static_cast<std::size_t>(row)] = static_cast<int>(labels.size());
        labels.push_back(csvField(trendLabel(row)));
        units.push_back(csvField(trendUnit(row)));
        const TrendSeries& series = samples.series(row);
        total += series.firstAtOrAfter(toMs) - series.firstAtOrAfter(options.fromMs);
    }
    const bool wide = options.layout == CsvLayout::Wide;

    std::string buffer;
    buffer.reserve(2 * kFlushBytes);
    const auto flush = [&] {
        out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        buffer.clear();
        return out.good();
    };

    buffer += "time_utc,t_s";
    if (wide) {
        for (const std::string& label : labels) {
            buffer += ',';
            buffer += label;
        }
    } else {
        buffer += ",parameter,value,unit,text";
    }
    buffer += "\r\n";

    // The wide layout's numbers in force, as written.
    std::vector<std::string> inForce(rows.size());
    if (wide) {
        for (std::size_t c = 0; c < rows.size(); ++c) {
            const std::size_t next = samples.series(rows[c]).firstAtOrAfter(options.fromMs);
            if (next > 0) {
                appendDecimal(inForce[c], samples.number(rows[c], next - 1));
            }
        }
    }

    std::optional<std::chrono::sys_time<std::chrono::milliseconds>> utcStart;
    if (samples.utcStart()) {
        utcStart = std::chrono::floor<std::chrono::milliseconds>(*samples.utcStart());
    }
    std::size_t written = 0;
    CsvExportResult result = CsvExportResult::Written;
    std::string text;
    samples.visitInArrivalOrder(options.fromMs, toMs, [&](int row, std::size_t index) {
        const int c = column[static_cast<std::size_t>(row)];
        if (c < 0) {
            return true;
        }
        const auto at = static_cast<std::size_t>(c);
        const std::uint32_t timeMs = samples.series(row)[index].timeMs;
        if (utcStart) {
            appendUtcTime(buffer, *utcStart + std::chrono::milliseconds(timeMs));
        }
        buffer += ',';
        appendSeconds(buffer, timeMs);
        if (wide) {
            inForce[at].clear();
            appendDecimal(inForce[at], samples.number(row, index));
            for (const std::string& number : inForce) {
                buffer += ',';
                buffer += number;
            }
        } else {
            buffer += ',';
            buffer += labels[at];
            buffer += ',';
            appendDecimal(buffer, samples.number(row, index));
            buffer += ',';
            buffer += units[at];
            buffer += ',';
            text.clear();
            appendUtf8(text, samples.text(row, index));
            appendCsvField(buffer, text);
        }
        buffer += "\r\n";
        ++written;
        if (buffer.size() >= kFlushBytes && !flush()) {
            result = CsvExportResult::WriteFailed;
            return false;
        }
        if (written % kProgressLines == 0 && progress && !progress(written, total)) {
            result = CsvExportResult::Cancelled;
            return false;
        }
        return true;
    });
    if (result == CsvExportResult::WriteFailed || !flush() || !out.flush()) {
        return CsvExportResult::WriteFailed;
    }
    if (result == CsvExportResult::Written && progress) {
        progress(written, total);
    }
    return result;
}

}  // namespace tresvik
