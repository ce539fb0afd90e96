#pragma once

#include <optional>
#include <string>

#include "link/frame.h"

namespace tresvik {

// A change to one cell of the Tx window's list.
struct TxCellUpdate {
    int row = 0;
    int column = 0;  // 0 = CMD, 1 = Value
    std::u16string text;
    friend bool operator==(const TxCellUpdate&, const TxCellUpdate&) = default;
};

// The Tx cell that a received value frame updates, if any.
std::optional<TxCellUpdate> readBack(ByteView frame);

}  // namespace tresvik
