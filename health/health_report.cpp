#include "health/health_report.h"

#include <cstdio>
#include <optional>

#include "health/json_writer.h"

namespace tresvik {

namespace {

constexpr std::chrono::seconds kSummaryWindow{10};

double seconds(LinkHealth::Duration duration) {
    return std::chrono::duration<double>(duration).count();
}

double milliseconds(LinkHealth::Duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

void optionalMilliseconds(JsonWriter& json, const std::optional<LinkHealth::Duration>& duration) {
    if (duration) {
        json.number(milliseconds(*duration), 3);
    } else {
        json.null();
    }
}

void rateWindow(JsonWriter& json, const RateWindow& window) {
    json.beginObject();
    json.key("covered_s");
    json.number(seconds(window.covered), 3);
    json.key("frames_per_s");
    json.number(window.framesPerSecond, 3);
    json.key("bytes_per_s");
    json.number(window.bytesPerSecond, 3);
    json.key("checksum_errors_per_min");
    json.number(window.checksumErrorsPerMinute, 3);
    json.key("noise_bytes_per_min");
    json.number(window.noiseBytesPerMinute, 3);
    json.key("line_use_percent");
    json.number(window.lineUsePercent, 3);
    json.endObject();
}

// `value` with `decimals` digits after the point.
std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

}  // namespace

std::string_view stateName(HealthState state) {
    switch (state) {
        case HealthState::Disconnected:
            break;
        case HealthState::Silent:
            return "silent";
        case HealthState::Warning:
            return "warning";
        case HealthState::Healthy:
            return "healthy";
    }
    return "disconnected";
}

std::string healthJson(const LinkHealth& health, ArrivalTime now, std::string_view source) {
    const LinkHealth::Counters& c = health.counters();
    JsonWriter json;
    json.beginObject();
    json.key("source");
    json.string(source);
    json.key("baud_rate");
    json.number(static_cast<std::uint64_t>(health.baudRate()));
    json.key("state");
    json.string(stateName(health.state(now)));
    json.key("counting_s");
    json.number(seconds(health.countingTime(now)), 3);

    json.key("counters");
    json.beginObject();
    const std::pair<const char*, std::uint64_t> counters[] = {
        {"bytes_received", c.bytesReceived},
        {"bytes_sent", c.bytesSent},
        {"good_frames", c.goodFrames},
        {"checksum_errors", c.checksumErrors},
        {"noise_bytes", c.noiseBytes},
        {"frames_cut_off", c.framesCutOff},
        {"unknown_identifiers", c.unknownIdentifiers},
        {"commands_sent", c.commandsSent},
        {"answers_received", c.answersReceived},
    };
    for (const auto& [name, value] : counters) {
        json.key(name);
        json.number(value);
    }
    json.endObject();

    json.key("gaps");
    json.beginObject();
    json.key("longest_ms");
    optionalMilliseconds(json, health.longestGap());
    json.key("usual_ms");
    json.number(milliseconds(health.usualGap()), 3);
    json.key("since_last_good_frame_ms");
    optionalMilliseconds(json, health.sinceLastGoodFrame(now));
    json.endObject();

    json.key("rates");
    json.beginObject();
    for (const std::chrono::seconds window : LinkRates::kWindows) {
        json.key(std::to_string(window.count()) + "s");
        rateWindow(json, health.rates(window, now));
    }
    json.endObject();
    json.key("peak_line_use_percent");
    json.number(health.peakLineUsePercent(now), 3);
    json.endObject();
    return json.text();
}

std::string healthSummary(const LinkHealth& health, ArrivalTime now) {
    const LinkHealth::Counters& c = health.counters();
    const RateWindow rates = health.rates(kSummaryWindow, now);
    std::string line = "link ";
    line += stateName(health.state(now));
    line += " for " + fixed(seconds(health.countingTime(now)), 1) + " s: ";
    line += std::to_string(c.goodFrames) + " good frames, ";
    line += std::to_string(c.checksumErrors) + " checksum errors, ";
    line += std::to_string(c.noiseBytes) + " noise bytes, ";
    line += std::to_string(c.framesCutOff) + " cut off, ";
    line += std::to_string(c.unknownIdentifiers) + " unknown; ";
    line += std::to_string(c.bytesReceived) + " bytes in, ";
    line += std::to_string(c.bytesSent) + " out, ";
    line += std::to_string(c.commandsSent) + " commands, ";
    line += std::to_string(c.answersReceived) + " answers; 10 s: ";
    line += fixed(rates.framesPerSecond, 1) + " frames/s, ";
    line += fixed(rates.bytesPerSecond, 0) + " bytes/s, line ";
    line += fixed(rates.lineUsePercent, 1) + " % (peak ";
    line += fixed(health.peakLineUsePercent(now), 1) + " %)";
    if (const auto since = health.sinceLastGoodFrame(now)) {
        line += "; last good frame " + fixed(milliseconds(*since), 0) + " ms ago";
    }
    if (const auto longest = health.longestGap()) {
        line += ", longest gap " + fixed(milliseconds(*longest), 0) + " ms";
    }
    return line;
}

}  // namespace tresvik
