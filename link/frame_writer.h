#pragma once

#include <atomic>
#include <cstdint>

#include "link/frame.h"
#include "link/owner_thread.h"

namespace tresvik {

class TrafficLog;
class TransmitQueue;

// Builds outgoing frames: sequence number, checksum, "UART Tx - " log line and the hand-over to
// the transmit queue. Every window that sends lives on the GUI thread, so the writer belongs to
// the thread that made it and takes no lock; a frame goes into the transmit queue in one append,
// which is what the serial worker shares. A frame builder opens a Transaction for the frames that
// belong together (a wake-up preamble and its program change).
class FrameWriter {
public:
    static constexpr std::size_t kWakeUpLength = 60;

    // `log` may be null; nothing is logged while `closing` is set.
    FrameWriter(TransmitQueue& queue, TrafficLog* log, const std::atomic<bool>& portOpen,
                const std::atomic<bool>& closing);

    class Transaction {
    public:
        // Increments the shared sequence number (wrapping) and returns the new value.
        std::uint16_t nextSequence();
        // Appends the checksum, logs the frame and queues it when the port is open; the
        // frame is dropped silently otherwise. Returns the checksum byte.
        std::uint8_t WriteFrame(ByteView frameWithoutChecksum);
        // Puts `bytes` on the line exactly as given, with no sequence number or checksum added:
        // for a bench test that must send what the unit would reject. Logged and queued like a
        // frame, and likewise dropped while the port is closed.
        void writeRaw(ByteView bytes);
        // 60 zero bytes that wake the unit before a program change; queued whether the port
        // is open or not, logged as "WakeUp".
        void queueWakeUp();

    private:
        friend class FrameWriter;
        explicit Transaction(FrameWriter& writer);
        FrameWriter& m_writer;
    };

    Transaction begin();

    std::uint16_t sequenceNumber() const;
    // Sets the counter, e.g. to reproduce a frame recorded with a known sequence number.
    void setSequenceNumber(std::uint16_t value);

private:
    TransmitQueue& m_queue;
    TrafficLog* m_log;
    const std::atomic<bool>& m_portOpen;
    const std::atomic<bool>& m_closing;
    OwnerThread m_owner{"the frame writer"};
    std::uint16_t m_sequence = 0;
    Bytes m_transmitBuffer;
};

// The three forms of frame the console sends, without their checksum.
Bytes requestFrame(std::uint16_t id, std::uint16_t sequence);
Bytes valueFrame(std::uint16_t id, std::uint16_t sequence, std::int32_t value);

// One request frame for `id` as one indivisible build.
void sendRequest(FrameWriter& writer, std::uint16_t id);
// `bytes` as they stand, as one indivisible build.
void sendRaw(FrameWriter& writer, ByteView bytes);

}  // namespace tresvik
