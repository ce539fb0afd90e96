#include "plot/csv_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>
#include <locale>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "decode/utf8.h"
#include "plot/csv_fields.h"
#include "tests/support/csv_reader.h"
#include "tests/support/parameter_rows.h"

using tresvik::test::rowLabelled;

namespace tresvik {
namespace {

using namespace std::chrono;
using test::CsvRecord;
using test::readCsv;
using Utc = TrendSamples::Utc;

const ArrivalTime kStart = ArrivalTime{} + hours(2);
const Utc kUtcStart = sys_days{2026y / 12 / 7} + 13h + 22min + 1s;

struct Received {
    std::u16string_view label;
    std::int64_t atMs;
    std::int32_t raw;
};

TrendSamples sessionOf(const std::vector<Received>& received,
                       std::optional<Utc> utcStart = kUtcStart) {
    TrendSamples samples(kStart, utcStart);
    for (const Received& r : received) {
        EXPECT_TRUE(samples.add(rowLabelled(r.label), kStart + milliseconds(r.atMs), r.raw));
    }
    return samples;
}

std::string csvOf(const TrendSamples& samples, const CsvExportOptions& options = {}) {
    std::ostringstream out;
    EXPECT_EQ(exportCsv(samples, options, out), CsvExportResult::Written);
    return out.str();
}

// Numbers with a comma before their decimals and points between thousands, as in much of
// Europe; made here so that no installed locale is needed.
class CommaDecimals : public std::numpunct<char> {
protected:
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

// The program's locale for one test, given back at its end.
class GlobalLocale {
public:
    explicit GlobalLocale(const std::locale& locale) : m_before(std::locale::global(locale)) {}
    ~GlobalLocale() { std::locale::global(m_before); }
    GlobalLocale(const GlobalLocale&) = delete;
    GlobalLocale& operator=(const GlobalLocale&) = delete;

private:
    std::locale m_before;
};

// "-12.50" as 1250 units with two decimals; nothing unless it is a plain decimal number.
std::optional<ShownNumber> decimalFrom(std::string_view text) {
    ShownNumber number;
    const bool negative = text.starts_with('-');
    text.remove_prefix(negative ? 1 : 0);
    const std::size_t point = text.find('.');
    std::string digits(text.substr(0, point));
    if (point != std::string_view::npos) {
        digits += text.substr(point + 1);
        number.decimals = static_cast<int>(text.size() - point - 1);
    }
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), number.units);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
        point == 0 || point + 1 == text.size()) {
        return std::nullopt;
    }
    number.units = negative ? -number.units : number.units;
    return number;
}

// The number a value text shows, written plainly: no plus sign, no zeros in front but one before
// the point; a duration's hours, minutes and seconds as seconds.
std::string plainNumberOf(const std::string& text, FormatCode format) {
    if (format == FormatCode::Duration) {
        const bool negative = text.starts_with('-');
        long hours = 0;
        long minutes = 0;
        long seconds = 0;
        std::sscanf(text.c_str() + (negative ? 1 : 0), "%ld:%ld:%ld", &hours, &minutes, &seconds);
        const long total = hours * 3600 + minutes * 60 + seconds;
        return (negative && total != 0 ? "-" : "") + std::to_string(total);
    }
    std::string sign = text.starts_with('-') ? "-" : "";
    std::string digits = text.substr(text.starts_with('-') || text.starts_with('+') ? 1 : 0);
    const std::size_t firstDigit = std::min(digits.find_first_not_of('0'), digits.find('.'));
    digits.erase(0, std::min(firstDigit, digits.size() - 1));
    if (digits.starts_with('.')) {
        digits.insert(0, "0");
    }
    return sign + digits;
}

TEST(CsvFields, FieldsAreQuotedOnlyWhenTheyMustBe) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"Fuel Level [%]", "Fuel Level [%]"},
        {"Battery Temperature [*C]", "Battery Temperature [*C]"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"\"", "\"\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {"line\n", "\"line\n\""},
        {" padded ", " padded "},
        {"caf\xC3\xA9", "caf\xC3\xA9"},
    };
    for (const auto& [text, field] : cases) {
        std::string out = "x,";
        appendCsvField(out, text);
        EXPECT_EQ(out, "x," + field) << text;
        const auto parsed = readCsv(out + "\r\n");
        ASSERT_TRUE(parsed) << field;
        EXPECT_EQ(parsed->front(), (CsvRecord{"x", text}));
    }
}

TEST(CsvFields, NumbersAndTimesAreWrittenDigitByDigit) {
    const std::pair<ShownNumber, std::string> decimals[] = {
        {{0, 0}, "0"},
        {{0, 1}, "0.0"},
        {{1250, 2}, "12.50"},
        {{-5, 2}, "-0.05"},
        {{5, 3}, "0.005"},
        {{-1000, 1}, "-100.0"},
        {{INT32_MIN, 0}, "-2147483648"},
        {{LLONG_MIN, 0}, "-9223372036854775808"},
        {{LLONG_MAX, 5}, "92233720368547.75807"},
    };
    for (const auto& [number, text] : decimals) {
        std::string out;
        appendDecimal(out, number);
        EXPECT_EQ(out, text);
    }
    const std::pair<std::uint64_t, std::string> seconds[] = {
        {0, "0.000"}, {7, "0.007"}, {112040, "112.040"}, {4294967295, "4294967.295"}};
    for (const auto& [ms, text] : seconds) {
        std::string out;
        appendSeconds(out, ms);
        EXPECT_EQ(out, text);
    }
    const std::pair<sys_time<milliseconds>, std::string> times[] = {
        {sys_time<milliseconds>{}, "1970-01-01T00:00:00.000Z"},
        {sys_days{2026y / 12 / 7} + 13h + 22min + 1s + 112ms, "2026-12-07T13:22:01.112Z"},
        {sys_days{2024y / 2 / 29} + 23h + 59min + 59s + 999ms, "2024-02-29T23:59:59.999Z"},
        {sys_days{2000y / 3 / 1} + 9ms, "2000-03-01T00:00:00.009Z"},
        {sys_days{1969y / 12 / 31} + 23h + 59min + 59s + 500ms, "1969-12-31T23:59:59.500Z"},
        {sys_days{9999y / 12 / 31} + 86399999ms, "9999-12-31T23:59:59.999Z"},
    };
    for (const auto& [time, text] : times) {
        std::string out;
        appendUtcTime(out, time);
        EXPECT_EQ(out, text);
    }
}

TEST(CsvExport, AWorkedExampleOfTheLongLayout) {
    const TrendSamples samples = sessionOf({{u"Temperature", 112, 55},
                                            {u"Fuel Level [%]", 162, 857},
                                            {u"Lifetime", 162, 3725},
                                            {u"Battery Temperature [*C]", 112040, 77},
                                            {u"Engine Load [%]", 112040, 125}});
    EXPECT_EQ(csvOf(samples),
              "time_utc,t_s,parameter,value,unit,text\r\n"
              "2026-12-07T13:22:01.112Z,0.112,Temperature,-5.0,,-05.0\r\n"
              "2026-12-07T13:22:01.162Z,0.162,Fuel Level [%],85.7,%,0085.7\r\n"
              "2026-12-07T13:22:01.162Z,0.162,Lifetime,3725,s,0001:02:05\r\n"
              "2026-12-07T13:23:53.040Z,112.040,Battery Temperature [*C],17.0,*C,+17.0\r\n"
              "2026-12-07T13:23:53.040Z,112.040,Engine Load [%],0.0,%,+.0\r\n");
}

TEST(CsvExport, WithoutAKnownStartTheUtcTimesAreEmpty) {
    const TrendSamples samples = sessionOf({{u"RPM", 3, 3200}}, std::nullopt);
    EXPECT_EQ(csvOf(samples),
              "time_utc,t_s,parameter,value,unit,text\r\n"
              ",0.003,RPM,800,,0800\r\n");
}

TEST(CsvExport, TheWideLayoutCarriesEachNumberForwardFromBeforeTheRange) {
    const TrendSamples samples = sessionOf({{u"Temperature", 112, 55},
                                            {u"Fuel Level [%]", 162, 857},
                                            {u"RPM", 170, 3200},
                                            {u"Engine Load [%]", 112040, 125},
                                            {u"Temperature", 112041, 56}});
    CsvExportOptions options;
    options.layout = CsvLayout::Wide;
    options.rows = {rowLabelled(u"Temperature"), rowLabelled(u"Fuel Level [%]"),
                    rowLabelled(u"Engine Load [%]")};
    EXPECT_EQ(csvOf(samples, options),
              "time_utc,t_s,Temperature,Fuel Level [%],Engine Load [%]\r\n"
              "2026-12-07T13:22:01.112Z,0.112,-5.0,,\r\n"
              "2026-12-07T13:22:01.162Z,0.162,-5.0,85.7,\r\n"
              "2026-12-07T13:23:53.040Z,112.040,-5.0,85.7,0.0\r\n"
              "2026-12-07T13:23:53.041Z,112.041,-4.0,85.7,0.0\r\n");
    options.fromMs = 150;
    options.toMs = 112041;
    EXPECT_EQ(csvOf(samples, options),
              "time_utc,t_s,Temperature,Fuel Level [%],Engine Load [%]\r\n"
              "2026-12-07T13:22:01.162Z,0.162,-5.0,85.7,\r\n"
              "2026-12-07T13:23:53.040Z,112.040,-5.0,85.7,0.0\r\n");
}

TEST(CsvExport, ARangeAndAChoiceOfRowsWriteExactlyTheirSamples) {
    std::vector<Received> received;
    for (int i = 0; i < 300; ++i) {
        received.push_back({i % 2 == 0 ? u"RPM" : u"Speed", 10 * i, i});
        received.push_back({u"Temperature", 10 * i, i});
    }
    const TrendSamples samples = sessionOf(received);
    const int rpm = rowLabelled(u"RPM");
    const int temperature = rowLabelled(u"Temperature");
    CsvExportOptions options;
    options.rows = {temperature, -1, rpm, kParameterCount, rpm};
    options.fromMs = 995;
    options.toMs = 2000;
    const auto records = readCsv(csvOf(samples, options));
    ASSERT_TRUE(records);
    std::vector<std::pair<std::string, std::string>> written;
    for (std::size_t i = 1; i < records->size(); ++i) {
        written.emplace_back((*records)[i][1], (*records)[i][2]);
    }
    std::vector<std::pair<std::string, std::string>> expected;
    for (int i = 100; i < 200; ++i) {
        char time[16];
        std::snprintf(time, sizeof time, "%d.%03d", i / 100, i % 100 * 10);
        if (i % 2 == 0) {
            expected.emplace_back(time, "RPM");
        }
        expected.emplace_back(time, "Temperature");
    }
    EXPECT_EQ(written, expected);
}

// 10^5 samples of every numeric row, written while the program's locale puts a comma before
// decimals, come back as the very times, numbers and texts that were kept.
TEST(CsvExport, EverySampleComesBackExactlyWhateverTheLocale) {
    constexpr std::size_t kCount = 100000;
    const std::locale commas(std::locale::classic(), new CommaDecimals);
    const GlobalLocale global(commas);
    std::ostringstream probe;
    probe << 1234.5;
    ASSERT_EQ(probe.str(), "1.234,5") << "the locale of the test is not in force";

    std::vector<int> numericRows;
    for (int row = 0; row < kParameterCount; ++row) {
        if (hasNumericValue(parameterRow(row).formatCode)) {
            numericRows.push_back(row);
        }
    }
    std::mt19937 random(42);
    std::uniform_int_distribution<std::size_t> pickRow(0, numericRows.size() - 1);
    std::uniform_int_distribution<std::int64_t> gap(0, 40);
    std::uniform_int_distribution<std::int32_t> anyRaw(INT32_MIN, INT32_MAX);
    std::uniform_int_distribution<std::int32_t> smallRaw(-3000, 3000);
    TrendSamples samples(kStart, kUtcStart);
    std::int64_t atMs = 0;
    for (std::size_t i = 0; i < kCount; ++i) {
        atMs += gap(random);
        const std::int32_t raw = i % 3 == 0 ? anyRaw(random) : smallRaw(random);
        ASSERT_TRUE(samples.add(numericRows[pickRow(random)], kStart + milliseconds(atMs), raw));
    }

    std::ostringstream out;
    out.imbue(commas);
    ASSERT_EQ(exportCsv(samples, {}, out), CsvExportResult::Written);
    const auto records = readCsv(out.str());
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), kCount + 1);
    EXPECT_EQ(records->front(),
              (CsvRecord{"time_utc", "t_s", "parameter", "value", "unit", "text"}));

    std::size_t line = 1;
    samples.visitInArrivalOrder(0, kLastSampleTimeMs + 1, [&](int row, std::size_t index) {
        const CsvRecord& record = (*records)[line++];
        const ParameterRow& r = parameterRow(row);
        const TrendSample& sample = samples.series(row)[index];
        const std::string text = toUtf8(samples.text(row, index));
        EXPECT_EQ(record.size(), 6U);
        EXPECT_EQ(test::readUtcTime(record[0]),
                  floor<milliseconds>(kUtcStart) + milliseconds(sample.timeMs))
            << record[0];
        EXPECT_EQ(decimalFrom(record[1]), (ShownNumber{sample.timeMs, 3})) << record[1];
        EXPECT_EQ(record[2], toUtf8(r.label));
        EXPECT_EQ(decimalFrom(record[3]), samples.number(row, index)) << record[3];
        EXPECT_EQ(record[3], plainNumberOf(text, r.formatCode)) << text;
        EXPECT_EQ(record[5], text);
        return !testing::Test::HasFailure();
    });
    EXPECT_EQ(line, records->size());
}

TEST(CsvExport, ProgressIsToldAlongTheWayAndCanStopTheExport) {
    std::vector<Received> received;
    for (int i = 0; i < 200000; ++i) {
        received.push_back({u"RPM", i, i});
    }
    const TrendSamples samples = sessionOf(received);

    std::vector<std::pair<std::size_t, std::size_t>> told;
    std::ostringstream all;
    EXPECT_EQ(exportCsv(samples, {}, all,
                        [&](std::size_t written, std::size_t total) {
                            told.emplace_back(written, total);
                            return true;
                        }),
              CsvExportResult::Written);
    ASSERT_GE(told.size(), 2U);
    for (std::size_t i = 0; i < told.size(); ++i) {
        EXPECT_EQ(told[i].second, received.size());
        EXPECT_TRUE(i == 0 || told[i].first > told[i - 1].first);
    }
    EXPECT_EQ(told.back().first, received.size());

    std::size_t whenStopped = 0;
    std::ostringstream part;
    EXPECT_EQ(exportCsv(samples, {}, part,
                        [&](std::size_t written, std::size_t) {
                            whenStopped = written;
                            return false;
                        }),
              CsvExportResult::Cancelled);
    const auto records = readCsv(part.str());
    ASSERT_TRUE(records);
    EXPECT_LT(whenStopped, received.size());
    EXPECT_EQ(records->size(), whenStopped + 1);
}

// A stream that takes so many bytes, then no more: a full disk.
class FullDisk : public std::streambuf {
public:
    explicit FullDisk(std::size_t room) : m_room(room) {}

protected:
    int_type overflow(int_type c) override {
        if (m_room == 0 || traits_type::eq_int_type(c, traits_type::eof())) {
            return traits_type::eof();
        }
        --m_room;
        return c;
    }
    std::streamsize xsputn(const char*, std::streamsize count) override {
        const auto taken = std::min(static_cast<std::size_t>(count), m_room);
        m_room -= taken;
        return static_cast<std::streamsize>(taken);
    }

private:
    std::size_t m_room;
};

TEST(CsvExport, AStreamThatCannotTakeTheTextIsAFailedWrite) {
    std::vector<Received> received;
    for (int i = 0; i < 50000; ++i) {
        received.push_back({u"Speed", i, i});
    }
    const TrendSamples samples = sessionOf(received);
    for (const std::size_t room : {std::size_t{0}, std::size_t{100}, std::size_t{200000}}) {
        FullDisk disk(room);
        std::ostream out(&disk);
        EXPECT_EQ(exportCsv(samples, {}, out), CsvExportResult::WriteFailed) << room;
    }
}

}  // namespace
}  // namespace tresvik
