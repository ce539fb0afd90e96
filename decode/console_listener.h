#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "commands/read_back.h"
#include "decode/parameter_update.h"
#include "flags/flag_states.h"
#include "link/frame.h"
#include "link/received_bytes.h"

namespace tresvik {

// A complete frame as it arrived: start byte to checksum, timed by its first byte.
struct ReceivedFrame {
    ByteView bytes;
    ArrivalTime arrival{};
    // When its last byte arrived: the checksum of a complete frame, the last byte collected of
    // one cut off. What the unit answered is only known from then on, so a reply is timed by it.
    ArrivalTime end{};
    // The frame was cut off before it was complete: the line went quiet inside it for longer than
    // the whole frame takes, or the port closed while it was being collected. The assembler has
    // no time-out, so it completed the frame with whatever came next; a checksum that still holds
    // says the bytes belonged together after all, and only slowly came.
    bool interrupted = false;
};

// What happens between the console and the unit, told in the unit's terms (parameters, flags,
// commands), never in a window's. Every call comes on the thread that feeds the receive path, a
// frame's events in this order: the frame, its parameter, program number, device ID, flags,
// read-back, debug line. A listener must not wait: the receive path waits for it.
class ConsoleListener {
public:
    virtual ~ConsoleListener() = default;
    // The port opened: a session with the unit begins. `utc` is the wall clock read at the
    // moment `at` was, so that arrival times map to UTC once, whatever the wall clock does later.
    virtual void portOpened(ArrivalTime /*at*/, std::chrono::system_clock::time_point /*utc*/) {}
    virtual void portClosed(ArrivalTime /*at*/) {}
    // Bytes the link handed on, before the receive path takes them; the frames they complete
    // follow.
    virtual void bytesReceived(const ReceivedBytes& /*bytes*/) {}
    virtual void frameReceived(const ReceivedFrame& /*frame*/) {}
    virtual void checksumError(const ReceivedFrame& /*frame*/) {}
    // A byte between frames that is not a start byte: noise on the line.
    virtual void byteDiscarded(std::uint8_t /*byte*/, ArrivalTime /*arrival*/) {}
    // The port closed while a frame was being collected; `frame` holds its bytes so far. The
    // assembler keeps them, so the frame may still be completed after the next open, then marked
    // as interrupted.
    virtual void frameCutOff(const ReceivedFrame& /*frame*/) {}
    virtual void parameterChanged(const ParameterUpdate& /*update*/) {}
    virtual void programNumberChanged(const std::u16string& /*text*/) {}
    virtual void deviceIdChanged(const std::u16string& /*suffix*/) {}
    virtual void flagChanged(const FlagUpdate& /*flag*/) {}
    virtual void readBackReceived(const ReadBack& /*readBack*/) {}
    // A debug-information frame not seen before, as the ID log keeps it.
    virtual void debugLineRecorded(const std::u16string& /*line*/) {}
    // A frame queued for sending, checksum included (or bytes queued exactly as given), and the
    // wake-up preamble.
    virtual void frameSent(ByteView /*frame*/) {}
    virtual void wakeUpSent() {}
};

}  // namespace tresvik
