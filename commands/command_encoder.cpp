#include "commands/command_encoder.h"

#include <cstdint>
#include <limits>
#include <string>

#include "commands/command_table.h"
#include "link/frame_writer.h"

namespace tresvik {

namespace {

// White space as the C locale classifies it for the wide conversion.
bool isBlank(char16_t ch) {
    return ch == u' ' || ch == u'\t' || ch == u'\n' || ch == u'\v' || ch == u'\f' || ch == u'\r';
}

bool isDigit(char16_t ch) {
    return ch >= u'0' && ch <= u'9';
}

}  // namespace

bool isRequestText(std::u16string_view valueText) {
    return !valueText.empty() && valueText.front() == u'-';
}

std::int32_t parseValueText(std::u16string_view valueText) {
    std::size_t pos = 0;
    while (pos < valueText.size() && isBlank(valueText[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < valueText.size() && (valueText[pos] == u'+' || valueText[pos] == u'-')) {
        negative = valueText[pos] == u'-';
        ++pos;
    }
    // The magnitude stops growing once it is past what 32 bits can hold, so any number of digits
    // is read without overflow and the result saturates.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; pos < valueText.size() && isDigit(valueText[pos]); ++pos) {
        if (magnitude <= kLimit) {
            magnitude = magnitude * 10 + (valueText[pos] - u'0');
        }
    }
    if (negative) {
        return magnitude >= kLimit ? std::numeric_limits<std::int32_t>::min()
                                   : static_cast<std::int32_t>(-magnitude);
    }
    return magnitude >= kLimit ? std::numeric_limits<std::int32_t>::max()
                               : static_cast<std::int32_t>(magnitude);
}

std::u16string canonicalValueText(std::u16string_view valueText) {
    const std::string digits = std::to_string(parseValueText(valueText));
    return std::u16string(digits.begin(), digits.end());
}

void sendRow(FrameWriter& writer, int row, std::u16string_view valueText) {
    if (row < 0 || row >= kCommandCount) {
        return;
    }
    const std::uint16_t id = commandRow(row).messageId;
    if (isRequestText(valueText)) {
        auto tx = writer.begin();
        tx.WriteFrame(requestFrame(id, tx.nextSequence()));
        return;
    }
    const std::int32_t value = parseValueText(valueText);
    auto tx = writer.begin();
    const Bytes frame = valueFrame(id, tx.nextSequence(), value);
    // A program change needs the unit awake: the zero bytes go out ahead of the frame, inside the
    // same build so that no other frame can slip between them.
    if (id == kSetProgramId) {
        tx.queueWakeUp();
    }
    tx.WriteFrame(frame);
}

}  // namespace tresvik
