#include "plot/plot_view_range.h"

#include <algorithm>

namespace tresvik {

PlotViewRange::PlotViewRange(double fromMs, double toMs) : m_following(false) {
    setSpan(fromMs, toMs - fromMs);
}

void PlotViewRange::setSpan(double fromMs, double spanMs) {
    m_fromMs = fromMs;
    m_toMs = fromMs + std::clamp(spanMs, kMinSpanMs, kMaxSpanMs);
}

void PlotViewRange::setFollowing(bool following, std::uint64_t latestMs) {
    m_following = following;
    follow(latestMs);
}

void PlotViewRange::follow(std::uint64_t latestMs) {
    if (!m_following) {
        return;
    }
    const double span = spanMs();
    const double to = std::max(static_cast<double>(latestMs), span);
    m_fromMs = to - span;
    m_toMs = to;
}

void PlotViewRange::zoom(double anchorMs, double factor, std::uint64_t latestMs) {
    if (!(factor > 0)) {
        return;
    }
    const double span = spanMs();
    const double newSpan = std::clamp(span * factor, kMinSpanMs, kMaxSpanMs);
    if (m_following) {
        setSpan(m_toMs - newSpan, newSpan);
        follow(latestMs);
        return;
    }
    const double share = std::clamp((anchorMs - m_fromMs) / span, 0.0, 1.0);
    setSpan(anchorMs - share * newSpan, newSpan);
    keepInSession(latestMs);
}

void PlotViewRange::pan(double deltaMs, std::uint64_t latestMs) {
    m_following = false;
    const double span = spanMs();
    m_fromMs += deltaMs;
    m_toMs = m_fromMs + span;
    keepInSession(latestMs);
}

void PlotViewRange::showAll(std::uint64_t latestMs) {
    m_following = false;
    const double end = std::max(static_cast<double>(latestMs), kMinSpanMs);
    const double span = std::min(end, kMaxSpanMs);
    setSpan(end - span, span);
}

void PlotViewRange::keepInSession(std::uint64_t latestMs) {
    const double span = spanMs();
    const double latest = std::max(static_cast<double>(latestMs), span);
    m_fromMs = std::clamp(m_fromMs, 0.0, latest - span / 2);
    m_toMs = m_fromMs + span;
}

}  // namespace tresvik
