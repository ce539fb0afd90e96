#pragma once

#include <cstdint>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "link/bytes.h"

namespace tresvik::test {

// The lines of a trace the simulated unit writes with --trace.
inline std::vector<std::string> traceLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// What the unit put on the line, in order, as (kind, bytes): frames sent intact (TX), with a
// damaged checksum (TX-CRC) or length (TX-LEN), and noise (NOISE).
inline std::vector<std::pair<std::string, Bytes>> sentPieces(
    const std::vector<std::string>& trace) {
    static const std::set<std::string> kSentKinds = {"TX", "TX-CRC", "TX-LEN", "NOISE"};
    std::vector<std::pair<std::string, Bytes>> pieces;
    for (const std::string& line : trace) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        if (!kSentKinds.contains(kind)) {
            continue;
        }
        Bytes bytes;
        for (std::string pair; words >> pair;) {
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(pair, nullptr, 16)));
        }
        pieces.emplace_back(kind, bytes);
    }
    return pieces;
}

// What a console must count for a trace: every intact frame good, every damaged checksum and
// length a checksum error, and as noise the noise sent plus the bytes each damaged length left
// past the frame it claimed (SHORT n).
struct TraceCounts {
    bool done = false;
    std::uint64_t bytesSent = 0;
    std::uint64_t intact = 0;
    std::uint64_t damaged = 0;
    std::uint64_t noise = 0;
};

inline TraceCounts traceCounts(const std::vector<std::string>& lines) {
    TraceCounts counts;
    for (const auto& [kind, bytes] : sentPieces(lines)) {
        counts.bytesSent += bytes.size();
        counts.intact += kind == "TX" ? 1 : 0;
        counts.damaged += kind == "TX-CRC" || kind == "TX-LEN" ? 1 : 0;
        counts.noise += kind == "NOISE" ? bytes.size() : 0;
    }
    for (const std::string& line : lines) {
        if (line.starts_with("SHORT ")) {
            counts.noise += std::stoull(line.substr(6));
        }
        counts.done = counts.done || line == "DONE";
    }
    return counts;
}

}  // namespace tresvik::test
