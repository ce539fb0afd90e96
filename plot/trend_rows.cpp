#include "plot/trend_rows.h"

#include <array>

#include "decode/format_code.h"
#include "decode/value_format.h"
#include "plot/csv_fields.h"

namespace tresvik {

namespace {

struct LinkSeriesName {
    std::u16string_view label;
    std::u16string_view unit;
};

constexpr std::array<LinkSeriesName, kLinkSeriesCount> kLinkSeries = {{
    {u"Link frames [/s]", u"/s"},
    {u"Link checksum errors [/min]", u"/min"},
    {u"Link noise [bytes/min]", u"bytes/min"},
    {u"Link line use [%]", u"%"},
}};

const LinkSeriesName& linkSeries(int row) {
    return kLinkSeries[static_cast<std::size_t>(row - kParameterCount)];
}

}  // namespace

bool hasTrend(int row) {
    if (row >= kParameterCount) {
        return row < kTrendRowCount;
    }
    return row >= 0 && hasNumericValue(parameterRow(row).formatCode);
}

std::u16string_view trendLabel(int row) {
    return row < kParameterCount ? parameterRow(row).label : linkSeries(row).label;
}

std::u16string_view trendUnit(int row) {
    return row < kParameterCount ? numberUnit(parameterRow(row)) : linkSeries(row).unit;
}

bool textHasUnits(int row) {
    return row < kParameterCount && parameterRow(row).formatCode == FormatCode::Duration;
}

ShownNumber trendNumber(int row, std::int32_t raw) {
    if (row < kParameterCount) {
        return shownNumber(raw, parameterRow(row));
    }
    return ShownNumber{raw, kLinkSeriesDecimals};
}

std::u16string trendText(int row, std::int32_t raw) {
    if (row < kParameterCount) {
        return numericValueText(parameterRow(row), raw);
    }
    // Digits, a sign and a point: ASCII, which widens to UTF-16 as it is.
    std::string digits;
    appendDecimal(digits, trendNumber(row, raw));
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace tresvik
