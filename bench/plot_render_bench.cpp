// How long the Plot window takes to draw a view of a day of eight values at the line rate:
// every lane's min/max columns computed afresh and painted, offscreen, for views from the whole
// day down to a second at places across the day. Prints the median, the 95th percentile and the
// slowest view per span.
//
//   build/bench/plot_render_bench [WIDTH HEIGHT]
#include <QApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/synthetic_day.h"
#include "plot/plot_view.h"
#include "plot/trend_history.h"

using namespace tresvik;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int width = argc > 2 ? std::atoi(argv[1]) : 1600;
    const int height = argc > 2 ? std::atoi(argv[2]) : 900;

    std::vector<int> rows = numericRows();
    rows.resize(PlotView::kMaxSeries);
    TrendHistory history;
    fillSyntheticDay(history, rows);

    PlotView view(history);
    view.resize(width, height);
    for (const int row : rows) {
        view.addSeries(row);
    }
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    // The first drawing loads fonts and glyph caches once for the run; it is not a view's cost.
    view.render(&image);
    std::printf("%zu samples in %zu lanes, %dx%d pixels\n", history.samples().size(), rows.size(),
                width, height);
    std::printf("%12s %10s %10s %10s\n", "span", "median ms", "p95 ms", "worst ms");
    constexpr double kDayMs = 24.0 * 3600 * 1000;
    constexpr int kViews = 41;
    for (const double spanMs : {kDayMs, kDayMs / 4, 3600e3, 600e3, 60e3, 10e3, 1e3}) {
        std::vector<double> times;
        for (int v = 0; v < kViews; ++v) {
            const double from = (kDayMs - spanMs) * v / (kViews - 1);
            view.setRange(PlotViewRange(from, from + spanMs));
            const auto began = std::chrono::steady_clock::now();
            view.render(&image);
            times.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began)
                    .count());
        }
        std::sort(times.begin(), times.end());
        std::printf("%10.0f s %10.2f %10.2f %10.2f\n", spanMs / 1000, times[times.size() / 2],
                    times[times.size() * 95 / 100], times.back());
    }
    return 0;
}
