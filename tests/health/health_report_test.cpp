#include "health/health_report.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <string>

#include "health/json_writer.h"
#include "link/frame.h"
#include "link/transmit_queue.h"
#include "session/console_session.h"

namespace tresvik {
namespace {

using std::chrono::milliseconds;

TEST(JsonWriter, TextsAreEscapedAndAlwaysValidUtf8) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"SIM-1234", R"("SIM-1234")"},
        {"a\"b\\c/d", R"("a\"b\\c/d")"},
        {"\b\f\n\r\t", R"("\b\f\n\r\t")"},
        {std::string("\x00\x01\x1F\x7F", 4), "\"\\u0000\\u0001\\u001f\x7F\""},
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x9A\x97",
         "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x9A\x97\""},
        // Bytes of no well-formed sequence: a stray continuation, a cut sequence, an overlong
        // slash, an encoded surrogate, a code point beyond U+10FFFF.
        {"\x80", "\"\xEF\xBF\xBD\""},
        {"\xE2\x82", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"\xF4\x90\x80\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(jsonQuoted(c.in), c.out);
    }
}

TEST(JsonWriter, NumbersThatJsonCannotHoldBecomeNull) {
    JsonWriter json;
    json.beginObject();
    json.key("nan");
    json.number(std::nan(""), 3);
    json.key("infinite");
    json.number(std::numeric_limits<double>::infinity(), 3);
    json.key("largest");
    json.number(std::numeric_limits<double>::max(), 3);
    json.key("negative zero");
    json.number(-0.0, 1);
    json.key("none");
    json.beginObject();
    json.endObject();
    json.endObject();
    const std::string& text = json.text();
    EXPECT_TRUE(text.starts_with("{\n  \"nan\": null,\n  \"infinite\": null,\n")) << text;
    EXPECT_NE(text.find("\"largest\": 17976931348623157"), std::string::npos);
    EXPECT_NE(text.find("\"negative zero\": 0.0,\n  \"none\": {}\n}\n"), std::string::npos);
}

// The document scripts read: every member README.md describes, with this session's values. The
// port closed two seconds after it opened, so the rates stop there: the one-second window holds
// the second before, the longer ones the whole session.
TEST(HealthReport, TheJsonDocumentHoldsEveryCounterGapAndRate) {
    TransmitQueue queue;
    std::atomic<bool> portOpen{true};
    ConsoleSession session(queue, portOpen, {.trafficLog = false, .idLog = false});
    LinkHealth health;
    session.addListener(health);
    const ArrivalTime open = ArrivalTime{} + std::chrono::hours(1);
    session.linkOpened(open, {});
    const Bytes frame = makeFrame(0x0039, {0x80, 0x0C});
    Bytes damaged = frame;
    damaged.back() ^= 1;
    session.receive(ReceivedBytes(frame, open + milliseconds(100)));
    session.receive(ReceivedBytes(Bytes{0x00, 0x01}, open + milliseconds(1200)));
    session.receive(ReceivedBytes(damaged, open + milliseconds(1300)));
    session.receive(ReceivedBytes(frame, open + milliseconds(1600)));
    sendRequest(session.frameWriter(), 0x2406);
    // Cut off by the close.
    session.receive(
        ReceivedBytes(Bytes(frame.begin(), frame.begin() + 3), open + milliseconds(1900)));
    session.linkClosed(open + milliseconds(2000));

    EXPECT_EQ(healthJson(health, open + milliseconds(2500), "port \"A\""),
              R"({
  "source": "port \"A\"",
  "baud_rate": 9600,
  "state": "disconnected",
  "counting_s": 2.000,
  "counters": {
    "bytes_received": 26,
    "bytes_sent": 7,
    "good_frames": 2,
    "checksum_errors": 1,
    "noise_bytes": 2,
    "frames_cut_off": 1,
    "unknown_identifiers": 0,
    "commands_sent": 1,
    "answers_received": 0
  },
  "gaps": {
    "longest_ms": 1500.000,
    "usual_ms": 0.000,
    "since_last_good_frame_ms": 900.000
  },
  "rates": {
    "1s": {
      "covered_s": 1.000,
      "frames_per_s": 1.000,
      "bytes_per_s": 19.000,
      "checksum_errors_per_min": 60.000,
      "noise_bytes_per_min": 120.000,
      "line_use_percent": 1.979
    },
    "10s": {
      "covered_s": 2.000,
      "frames_per_s": 1.000,
      "bytes_per_s": 13.000,
      "checksum_errors_per_min": 30.000,
      "noise_bytes_per_min": 60.000,
      "line_use_percent": 1.354
    },
    "60s": {
      "covered_s": 2.000,
      "frames_per_s": 1.000,
      "bytes_per_s": 13.000,
      "checksum_errors_per_min": 30.000,
      "noise_bytes_per_min": 60.000,
      "line_use_percent": 1.354
    }
  },
  "peak_line_use_percent": 1.979
}
)");
    EXPECT_EQ(healthSummary(health, open + milliseconds(2500)),
              "link disconnected for 2.0 s: 2 good frames, 1 checksum errors, 2 noise bytes, 1 "
              "cut off, 0 unknown; 26 bytes in, 7 out, 1 commands, 0 answers; 10 s: 1.0 "
              "frames/s, 13 bytes/s, line 1.4 % (peak 2.0 %); last good frame 900 ms ago, "
              "longest gap 1500 ms");
}

}  // namespace
}  // namespace tresvik
