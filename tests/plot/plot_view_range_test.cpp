#include "plot/plot_view_range.h"

#include <gtest/gtest.h>

namespace tresvik {
namespace {

constexpr std::uint64_t kHourMs = 3600 * 1000;

TEST(PlotViewRange, FollowingKeepsTheNewestSampleAtTheRightEdge) {
    PlotViewRange range;
    range.setFollowing(true, 10'000);
    // A session shorter than the span fills the view from its left edge.
    EXPECT_EQ(range.fromMs(), 0);
    EXPECT_EQ(range.toMs(), 60'000);
    range.follow(kHourMs);
    EXPECT_EQ(range.toMs(), kHourMs);
    EXPECT_EQ(range.spanMs(), 60'000);
    // Zooming while following changes the span only.
    range.zoom(kHourMs - 50'000.0, 0.5, kHourMs);
    EXPECT_TRUE(range.following());
    EXPECT_EQ(range.toMs(), kHourMs);
    EXPECT_EQ(range.spanMs(), 30'000);
}

TEST(PlotViewRange, ZoomKeepsTheMomentUnderTheCursorInPlace) {
    PlotViewRange range(100'000, 200'000);
    const double anchor = 125'000;
    range.zoom(anchor, 0.5, kHourMs);
    EXPECT_DOUBLE_EQ(range.spanMs(), 50'000);
    EXPECT_DOUBLE_EQ((anchor - range.fromMs()) / range.spanMs(), 0.25);
    range.zoom(anchor, 2, kHourMs);
    EXPECT_DOUBLE_EQ(range.fromMs(), 100'000);
    EXPECT_DOUBLE_EQ(range.toMs(), 200'000);
}

TEST(PlotViewRange, SpansStayBetweenASecondAndADay) {
    PlotViewRange range(0, 10'000);
    range.zoom(5000, 1e-6, 30 * kHourMs);
    EXPECT_DOUBLE_EQ(range.spanMs(), PlotViewRange::kMinSpanMs);
    range.zoom(5000, 1e9, 30 * kHourMs);
    EXPECT_DOUBLE_EQ(range.spanMs(), PlotViewRange::kMaxSpanMs);
    range.showAll(30 * kHourMs);
    EXPECT_DOUBLE_EQ(range.spanMs(), PlotViewRange::kMaxSpanMs);
    EXPECT_DOUBLE_EQ(range.toMs(), 30.0 * kHourMs);
    range.showAll(200);
    EXPECT_DOUBLE_EQ(range.fromMs(), 0);
    EXPECT_DOUBLE_EQ(range.spanMs(), PlotViewRange::kMinSpanMs);
}

TEST(PlotViewRange, PanningStopsFollowingAndStaysOnTheSession) {
    PlotViewRange range;
    range.setFollowing(true, kHourMs);
    range.pan(-30'000, kHourMs);
    EXPECT_FALSE(range.following());
    EXPECT_DOUBLE_EQ(range.toMs(), kHourMs - 30'000.0);
    range.pan(-2.0 * kHourMs, kHourMs);
    EXPECT_DOUBLE_EQ(range.fromMs(), 0);
    range.pan(5.0 * kHourMs, kHourMs);
    EXPECT_DOUBLE_EQ(range.toMs(), kHourMs + 30'000.0);
    EXPECT_DOUBLE_EQ(range.spanMs(), 60'000);
}

}  // namespace
}  // namespace tresvik
