#include "log/capture_names.h"

#include <cstdio>

namespace tresvik {

namespace {

constexpr std::u16string_view kPictureExtension = u".jpeg";
constexpr std::u16string_view kDumpExtension = u".txt";

std::u16string timePart(const CaptureTime& time) {
    char buffer[96];
    const int length =
        std::snprintf(buffer, sizeof buffer, "_%d_%02d_%02d__%02d_%02d_%02d__PRG_", time.year,
                      time.month, time.day, time.hour, time.minute, time.second);
    return std::u16string(buffer, buffer + length);
}

bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// The unit's texts go into a file name: a character that no file system of the console's
// platforms takes in a name (a slash would even move the file elsewhere) becomes "_".
std::u16string fileNameSafe(std::u16string_view text) {
    constexpr std::u16string_view kForbidden = u"/\\:*?\"<>|";
    std::u16string safe(text);
    for (char16_t& unit : safe) {
        if (unit < 0x20 || unit == 0x7F || kForbidden.find(unit) != std::u16string_view::npos) {
            unit = u'_';
        }
    }
    return safe;
}

}  // namespace

std::optional<CaptureNames> captureNames(std::u16string_view programDirectory,
                                         const CaptureTime& time, std::u16string_view programNumber,
                                         std::u16string_view deviceIdSuffix) {
    std::u16string stem(programDirectory);
    stem.append(timePart(time));
    stem.append(fileNameSafe(programNumber));

    // The picture's extension is the longer one; a suffix that fits there fits the dump too.
    const std::size_t fixedLength = stem.size() + kPictureExtension.size();
    if (fixedLength > kMaxCaptureNameLength) {
        return std::nullopt;
    }
    const std::u16string safeSuffix = fileNameSafe(deviceIdSuffix);
    std::u16string_view suffix = safeSuffix;
    if (fixedLength + suffix.size() > kMaxCaptureNameLength) {
        suffix = suffix.substr(0, kMaxCaptureNameLength - fixedLength);
        // Never leave half of a surrogate pair at the cut.
        if (!suffix.empty() && isHighSurrogate(suffix.back())) {
            suffix.remove_suffix(1);
        }
    }
    stem.append(suffix);

    CaptureNames names{stem, stem};
    names.picture.append(kPictureExtension);
    names.dump.append(kDumpExtension);
    return names;
}

}  // namespace tresvik
