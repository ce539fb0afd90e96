#pragma once

class QTableWidget;

namespace tresvik {

// A list of the console's windows drawn as a report: whole rows selected, several at a time,
// cells that only the program changes, one line per item of the template font's item height,
// no row numbers.
void setUpReportList(QTableWidget& list);

// Item height of a report list in the 11-pixel template font, grid line included.
inline constexpr int kReportItemHeight = 17;

}  // namespace tresvik
