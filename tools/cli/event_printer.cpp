#include "tools/cli/event_printer.h"

#include "link/bytes.h"
#include "tools/cli/utf8.h"

namespace tresvik::cli {

std::string hexBytes(ByteView bytes) {
    std::string out;
    out.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            out.push_back(' ');
        }
        appendHexByte(out, bytes[i]);
    }
    return out;
}

std::string fieldText(std::u16string_view text) {
    std::u16string escaped;
    escaped.reserve(text.size());
    for (const char16_t c : text) {
        if (c == u'\\') {
            escaped += u"\\\\";
        } else if (c == u'\t') {
            escaped += u"\\t";
        } else if (c == u'\n') {
            escaped += u"\\n";
        } else if (c == u'\r') {
            escaped += u"\\r";
        } else if (c < 0x20 || c == 0x7F) {
            escaped += u"\\x";
            appendHexByte(escaped, static_cast<std::uint8_t>(c));
        } else {
            escaped.push_back(c);
        }
    }
    return toUtf8(escaped);
}

EventPrinter::EventPrinter(std::ostream& out, bool printEvents)
    : m_out(out), m_printEvents(printEvents) {}

void EventPrinter::line(const std::string& text) const {
    if (m_printEvents) {
        m_out << text << '\n';
    }
}

void EventPrinter::frameReceived(const ReceivedFrame& frame) {
    line("RX\t" + hexBytes(frame.bytes));
}

void EventPrinter::checksumError(const ReceivedFrame& frame) {
    line("CRC\t" + hexBytes(frame.bytes));
}

void EventPrinter::parameterChanged(const ParameterUpdate& update) {
    m_values[static_cast<std::size_t>(update.row)] = update.text;
    const ListPosition at = listPosition(update.row);
    line("CELL\t" + std::to_string(at.item) + "\t" + std::to_string(at.valueColumn) + "\t" +
         fieldText(update.text));
}

void EventPrinter::programNumberChanged(const std::u16string& text) {
    line("PRG\t" + fieldText(text));
}

void EventPrinter::deviceIdChanged(const std::u16string& suffix) {
    line("DEVID\t" + fieldText(suffix));
}

void EventPrinter::flagChanged(const FlagUpdate& flag) {
    for (const FlagCell& cell : m_flagCells.show(flag)) {
        line("FLAG\t" + std::to_string(cell.row) + "\t" + std::to_string(cell.column) + "\t" +
             std::to_string(cell.image));
    }
}

void EventPrinter::readBackReceived(const ReadBack& readBack) {
    const TxCellUpdate cell = txCellFor(readBack);
    line("TX\t" + std::to_string(cell.row) + "\t" + std::to_string(cell.column) + "\t" +
         fieldText(cell.text));
}

void EventPrinter::debugLineRecorded(const std::u16string& text) {
    line("IDLOG\t" + fieldText(text));
}

void EventPrinter::printValues() const {
    for (int row = 0; row < kParameterCount; ++row) {
        const auto& value = m_values[static_cast<std::size_t>(row)];
        if (value) {
            m_out << fieldText(parameterRow(row).label) << '\t' << fieldText(*value) << '\n';
        }
    }
}

}  // namespace tresvik::cli
