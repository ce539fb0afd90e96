#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tresvik {

struct CaptureTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

struct CaptureNames {
    std::u16string picture;  // ... .jpeg
    std::u16string dump;     // ... .txt
};

inline constexpr std::size_t kMaxCaptureNameLength = 199;

// The picture and text dump names: program directory (ending with its separator), then
// "_%d_%02d_%02d__%02d_%02d_%02d__PRG_", the program number text, the device ID suffix and the
// extension. In the two texts, characters that cannot stand in a file name become "_". A name that
// would pass 199 characters is kept within them by shortening the device ID suffix; nothing when
// even that cannot make it fit.
std::optional<CaptureNames> captureNames(std::u16string_view programDirectory,
                                         const CaptureTime& time, std::u16string_view programNumber,
                                         std::u16string_view deviceIdSuffix);

}  // namespace tresvik
