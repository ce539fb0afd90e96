#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "decode/parameter_table.h"
#include "decode/parameter_update.h"

namespace tresvik {

// The link's own figures that a trend history keeps beside the parameters, once a second while
// connected, so that a plot can set the line's health beside the values it carried.
enum class LinkSeries { FramesPerSecond, ChecksumErrorsPerMinute, NoiseBytesPerMinute, LineUse };
inline constexpr int kLinkSeriesCount = 4;
// Trend rows: the parameter table's rows, then the link's series.
inline constexpr int kTrendRowCount = kParameterCount + kLinkSeriesCount;
// Link figures are kept in tenths.
inline constexpr int kLinkSeriesDecimals = 1;

constexpr int trendRow(LinkSeries series) {
    return kParameterCount + static_cast<int>(series);
}

// Whether `row` is kept: a parameter with a number (plain, prefixed or a duration) or a link
// series.
bool hasTrend(int row);
// The label the list shows, or the link series' name, with its unit in brackets at the end.
std::u16string_view trendLabel(int row);
// The unit of trendNumber(): a parameter's numberUnit(), or the link series' unit.
std::u16string_view trendUnit(int row);
// Whether the row's text says its own units (a duration's hours, minutes and seconds).
bool textHasUnits(int row);
// The number and the value text of the integer a sample of `row` holds.
ShownNumber trendNumber(int row, std::int32_t raw);
std::u16string trendText(int row, std::int32_t raw);

}  // namespace tresvik
