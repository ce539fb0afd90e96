#pragma once

#include "link/bytes.h"

namespace tresvik {

// Where the frame writer reports what it sends: the Log window's "UART Tx - " lines. Called on
// the writer's thread as each frame is queued.
class TrafficLog {
public:
    virtual ~TrafficLog() = default;
    // A frame written to the port, checksum included, or bytes written exactly as given.
    virtual void sentFrame(ByteView frame) = 0;
    // The wake-up preamble queued ahead of a program change.
    virtual void sentWakeUp() = 0;
};

}  // namespace tresvik
