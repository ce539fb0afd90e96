#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "link/frame.h"

namespace tresvik::sim {

// The simulated unit's record of the line, one line per event:
//   TX <bytes>       a frame sent intact
//   TX-CRC <bytes>   a frame sent with a damaged checksum (as sent)
//   TX-LEN <bytes>   a frame sent with a damaged length byte (as sent)
//   SHORT <n>        follows TX-LEN: how many of its bytes lie beyond the length it claims, which
//                    a receiver drops as noise after the shortened frame's checksum error
//   NOISE <bytes>    bytes sent between frames
//   RX <bytes>       a frame received with a good checksum
//   RX-CRC <bytes>   a frame received with a bad checksum
//   CYCLE <n>        report cycle n begins
//   DONE             the last report cycle asked for (--cycles) has been sent
//   REPLAY <bytes>   a chunk of the replayed file, sent as it was received
//   REPLAY-END       the last chunk of a pass through the replayed file has been sent
//   CONNECTED / DISCONNECTED   a console opened or closed the port
// Bytes are upper-case hex pairs separated by single spaces.
class TraceWriter {
public:
    explicit TraceWriter(const std::string& path);
    ~TraceWriter();
    TraceWriter(const TraceWriter&) = delete;
    TraceWriter& operator=(const TraceWriter&) = delete;

    bool isOpen() const { return m_file != nullptr; }
    void bytes(std::string_view kind, ByteView data);
    void event(std::string_view text);
    void flush();

private:
    std::FILE* m_file;
};

}  // namespace tresvik::sim
