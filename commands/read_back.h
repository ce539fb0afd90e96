#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "link/frame.h"
#include "link/received_bytes.h"

namespace tresvik {

// A change to one cell of the Tx window's list.
struct TxCellUpdate {
    int row = 0;
    int column = 0;  // 0 = CMD, 1 = Value
    std::u16string text;
    friend bool operator==(const TxCellUpdate&, const TxCellUpdate&) = default;
};

// A value frame the unit reported for one of the Tx window's commands.
struct ReadBack {
    int commandRow = 0;
    std::int32_t value = 0;
    ArrivalTime arrival{};
    friend bool operator==(const ReadBack&, const ReadBack&) = default;
};

// The read-back a received frame carries, if any.
std::optional<ReadBack> readBack(ByteView frame);
// The Tx cell that shows a read-back.
TxCellUpdate txCellFor(const ReadBack& readBack);

}  // namespace tresvik
