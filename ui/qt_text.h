#pragma once

#include <QString>

#include <string_view>

namespace tresvik {

// The core keeps its texts as UTF-16, as Qt does: a copy, nothing converted.
inline QString toQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace tresvik
