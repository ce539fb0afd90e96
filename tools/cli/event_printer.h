#pragma once

#include <array>
#include <optional>
#include <ostream>
#include <string>

#include "decode/console_listener.h"
#include "decode/parameter_table.h"
#include "flags/flag_grid.h"

namespace tresvik::cli {

// Prints what the console does for each received frame, one TAB-separated UTF-8 line per
// event, and remembers the parameters' values for the final listing. Value, flag and read-back
// events are printed as the cells of the console's windows that change, with the icon numbers
// of the built-in flag pictures, as scripts that read this output have always seen them.
class EventPrinter : public ConsoleListener {
public:
    EventPrinter(std::ostream& out, bool printEvents);

    void frameReceived(const ReceivedFrame& frame) override;
    void checksumError(const ReceivedFrame& frame) override;
    void parameterChanged(const ParameterUpdate& update) override;
    void programNumberChanged(const std::u16string& text) override;
    void deviceIdChanged(const std::u16string& suffix) override;
    void flagChanged(const FlagUpdate& flag) override;
    void readBackReceived(const ReadBack& readBack) override;
    void debugLineRecorded(const std::u16string& line) override;

    // "label<TAB>text" for every row that has a value, in row order.
    void printValues() const;

private:
    void line(const std::string& text) const;

    std::ostream& m_out;
    bool m_printEvents;
    std::array<std::optional<std::u16string>, kParameterCount> m_values;
    FlagGrid m_flagCells;
};

// Bytes as two upper-case hex digits separated by single spaces.
std::string hexBytes(ByteView bytes);
// A value text made safe for one output field: UTF-8, with TAB, line ends, other control
// characters and the backslash written as escapes (\t, \n, \r, \xNN, \\).
std::string fieldText(std::u16string_view text);

}  // namespace tresvik::cli
