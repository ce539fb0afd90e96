#pragma once

#include <cstdint>

namespace tresvik {

// The span of session time a plot shows, in milliseconds since the session began, and how the
// user's wheel, drags and double-clicks move it. Any span from a second to a day can be shown.
// While following, the view keeps the newest sample at its right edge and only its width is the
// user's; panning ends following, as looking back in time is what a pan is for.
class PlotViewRange {
public:
    static constexpr double kMinSpanMs = 1000.0;
    static constexpr double kMaxSpanMs = 24.0 * 3600 * 1000;

    PlotViewRange() = default;
    PlotViewRange(double fromMs, double toMs);

    double fromMs() const { return m_fromMs; }
    double toMs() const { return m_toMs; }
    double spanMs() const { return m_toMs - m_fromMs; }
    bool following() const { return m_following; }
    bool contains(double timeMs) const { return timeMs >= m_fromMs && timeMs <= m_toMs; }

    // Turns following on or off; on, the view moves to `latestMs` at once.
    void setFollowing(bool following, std::uint64_t latestMs);
    // Moves a following view to the newest sample, at `latestMs`. A session shorter than the
    // span fills the view from its left edge.
    void follow(std::uint64_t latestMs);
    // Widens the span by `factor` (below 1 narrows it), keeping the moment at `anchorMs` where it
    // stands on the screen; a following view keeps its right edge instead.
    void zoom(double anchorMs, double factor, std::uint64_t latestMs);
    // Moves the view `deltaMs` later (earlier when negative), no further than leaves some of the
    // session in sight, and stops following.
    void pan(double deltaMs, std::uint64_t latestMs);
    // The whole session up to `latestMs`, or its last day when it has run longer.
    void showAll(std::uint64_t latestMs);

private:
    void setSpan(double fromMs, double spanMs);
    // Keeps the view on the session: never before its start, and at most half a span past its
    // newest sample.
    void keepInSession(std::uint64_t latestMs);

    double m_fromMs = 0;
    double m_toMs = 60'000;
    bool m_following = true;
};

}  // namespace tresvik
