#pragma once

#include <array>
#include <optional>
#include <ostream>
#include <string>

#include "decode/parameter_table.h"
#include "decode/receive_path.h"

namespace tresvik::cli {

// Prints what the console does for each received frame, one TAB-separated UTF-8 line per
// event, and remembers the parameter list's value cells for the final listing.
class EventPrinter : public ReceiveObserver {
public:
    EventPrinter(std::ostream& out, bool printEvents);

    void frameReceived(ByteView frame) override;
    void checksumError(ByteView frame) override;
    void valueCellChanged(const ValueCellUpdate& update) override;
    void programNumberChanged(const std::u16string& text) override;
    void deviceIdChanged(const std::u16string& suffix) override;
    void flagCellChanged(const FlagCell& cell) override;
    void txCellChanged(const TxCellUpdate& update) override;
    void debugLineRecorded(const std::u16string& line) override;

    // "label<TAB>text" for every row that has a value, in row order.
    void printValues() const;

private:
    void line(const std::string& text) const;

    std::ostream& m_out;
    bool m_printEvents;
    std::array<std::optional<std::u16string>, kParameterCount> m_values;
};

// Bytes as two upper-case hex digits separated by single spaces.
std::string hexBytes(ByteView bytes);
// A value text made safe for one output field: UTF-8, with TAB, line ends, other control
// characters and the backslash written as escapes (\t, \n, \r, \xNN, \\).
std::string fieldText(std::u16string_view text);

}  // namespace tresvik::cli
