#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>

#include "decode/parameter_table.h"
#include "plot/plot_view.h"
#include "plot/plot_window.h"
#include "plot/trend_history.h"
#include "plot/trend_rows.h"
#include "tests/support/parameter_rows.h"
#include "tests/support/temp_folder.h"

using namespace tresvik;
using std::chrono::milliseconds;
using tresvik::test::rowLabelled;

namespace {

// A pixel of a series' line rather than of the grey frame, grid or white ground.
bool coloured(QRgb pixel) {
    const int high = std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)});
    const int low = std::min({qRed(pixel), qGreen(pixel), qBlue(pixel)});
    return high - low > 60;
}

// The rows of `rect` in `image` between x0 and x1 (inclusive) with a coloured pixel.
std::vector<int> colouredRows(const QImage& image, const QRect& rect, int x0, int x1) {
    std::vector<int> rows;
    for (int y = rect.top() + 1; y < rect.bottom(); ++y) {
        for (int x = std::max(x0, rect.left()); x <= std::min(x1, rect.right()); ++x) {
            if (coloured(image.pixel(x, y))) {
                rows.push_back(y);
                break;
            }
        }
    }
    return rows;
}

// Where a widget was painted.
class PaintedRegion : public QObject {
public:
    QRegion region;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            region += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }
};

}  // namespace

class PlotWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_history = std::make_unique<TrendHistory>();
        m_history->begin(m_start, std::chrono::system_clock::now());
        m_window = std::make_unique<PlotWindow>(*m_history);
        m_window->resize(900, 500);
    }
    void cleanup() {
        m_window.reset();
        m_history.reset();
    }

    void aSeriesAddedLaterShowsItsPastAndOnlyNumbersCanBeAdded() {
        // Two minutes of RPM before the plot asks for it: 0 for a minute, then 3000.
        for (int s = 0; s < 120; ++s) {
            add(rpm(), s * 1000, s < 60 ? 0 : 3000);
        }
        QVERIFY(!m_window->addSeries(rowLabelled(u"Device")));
        QVERIFY(m_window->addSeries(trendRow(LinkSeries::LineUse)));
        m_window->view().removeSeries(trendRow(LinkSeries::LineUse));
        QVERIFY(m_window->addSeries(rpm()));
        QVERIFY(!m_window->addSeries(rpm()));
        m_window->view().setRange(PlotViewRange(0, 120'000));
        const QImage picture = m_window->view().picture();
        const QRect lane = m_window->view().laneRect(0);
        const auto xAt = [&](double ms) { return static_cast<int>(m_window->view().xAtTime(ms)); };
        // The first minute low in the lane, the second high.
        const std::vector<int> early = colouredRows(picture, lane, xAt(10'000), xAt(50'000));
        const std::vector<int> late = colouredRows(picture, lane, xAt(70'000), xAt(110'000));
        QVERIFY(!early.empty() && !late.empty());
        QVERIFY(early.front() > lane.center().y());
        QVERIFY(late.back() < lane.center().y());
    }

    void aSingleSpikeShowsInAViewOfTheWholeDay() {
        const int row = rpm();
        constexpr int kSpikeSecond = 13 * 3600;
        for (int s = 0; s <= 24 * 3600; ++s) {
            add(row, std::int64_t{s} * 1000, s == kSpikeSecond ? 3000 : 1000 + s % 7);
        }
        m_window->addSeries(row);
        m_window->view().showWholeSession();
        QCOMPARE(m_window->view().range().spanMs(), PlotViewRange::kMaxSpanMs);
        const QImage picture = m_window->view().picture();
        const QRect lane = m_window->view().laneRect(0);
        const QRect top(lane.left(), lane.top(), lane.width(), lane.height() / 4);
        const int spikeX = static_cast<int>(m_window->view().xAtTime(kSpikeSecond * 1000.0));
        QVERIFY(!colouredRows(picture, top, spikeX - 1, spikeX + 1).empty());
        QVERIFY(colouredRows(picture, top, lane.left(), spikeX - 3).empty());
        QVERIFY(colouredRows(picture, top, spikeX + 3, lane.right()).empty());
    }

    void theWheelZoomsAroundTheCursorAndADoubleClickShowsTheWholeSession() {
        add(rpm(), 0, 1);
        add(rpm(), 600'000, 2);
        m_window->addSeries(rpm());
        PlotView& view = m_window->view();
        view.setRange(PlotViewRange(100'000, 400'000));
        const QPointF cursor(view.xAtTime(250'000), view.laneRect(0).center().y());
        const double before = view.timeAtX(cursor.x());
        QWheelEvent wheel(cursor, view.mapToGlobal(cursor), {}, QPoint(0, 120), Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &wheel);
        QCOMPARE(view.range().spanMs(), 300'000 * 0.8);
        QVERIFY(std::abs(view.timeAtX(cursor.x()) - before) < 1);
        QTest::mouseDClick(&view, Qt::LeftButton, {}, cursor.toPoint());
        QCOMPARE(view.range().fromMs(), 0.0);
        QCOMPARE(view.range().toMs(), 600'000.0);
        QVERIFY(!view.range().following());
    }

    void followingMovesWithNewSamplesAndOnlyDataInViewRedrawsTheLanes() {
        m_window->addSeries(rpm());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        PlotView& view = m_window->view();
        QVERIFY(view.range().following());
        add(rpm(), 90'000, 5);
        view.refresh();
        QCOMPARE(view.range().toMs(), 90'000.0);
        settle();

        // A new sample in view is drawn with the header that names it.
        add(rpm(), 91'000, 3200);
        view.refresh();
        settle();
        const QImage picture = m_window->grab().toImage();
        picture.save("/tmp/shots/dbg.png");
        qWarning() << view.laneRect(0) << view.pos() << view.range().fromMs() << view.range().toMs()
                   << view.xAtTime(91000);
        const QRect lane = view.laneRect(0).translated(view.pos());
        const int newX = view.pos().x() + static_cast<int>(view.xAtTime(91'000));
        QVERIFY(!colouredRows(picture, QRect(lane.left(), lane.top(), lane.width(), 20), newX - 1,
                              newX + 1)
                     .empty());

        // Nothing new: nothing is drawn again.
        const std::size_t drawn = view.laneDrawCount();
        view.refresh();
        settle();
        QCOMPARE(view.laneDrawCount(), drawn);

        // Looking back, a new sample beyond the view changes the header's latest value only.
        view.setFollowing(false);
        view.setRange(PlotViewRange(0, 30'000));
        settle();
        const std::size_t lookingBack = view.laneDrawCount();
        add(rpm(), 95'000, 6);
        view.refresh();
        settle();
        QCOMPARE(view.laneDrawCount(), lookingBack);

        // Back to following: the view jumps to the newest sample, and the button says so.
        auto* follow = m_window->findChild<QToolButton*>();
        QVERIFY(follow != nullptr && follow->text() == QStringLiteral("Follow"));
        QVERIFY(!follow->isChecked());
        follow->click();
        QCOMPARE(view.range().toMs(), 95'000.0);
        settle();
        QVERIFY(view.laneDrawCount() > lookingBack);
    }

    void aSessionShorterThanTheViewGrowsInPlace() {
        m_window->addSeries(rpm());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        PlotView& view = m_window->view();
        add(rpm(), 1000, 5);
        view.refresh();
        settle();
        const std::size_t drawn = view.laneDrawCount();
        // The view stays put from Connect on; the new sample is drawn all the same, even when
        // the window system had the header drawn on its own before the plot looked.
        add(rpm(), 2000, 3200);
        view.repaint(view.removeBoxRect(0));
        QCOMPARE(view.laneDrawCount(), drawn);
        PaintedRegion painted;
        view.installEventFilter(&painted);
        view.refresh();
        settle();
        QCOMPARE(view.range().fromMs(), 0.0);
        QVERIFY(view.laneDrawCount() > drawn);
        // The lane's value axis, left of it, rescales with it and is drawn again too.
        QVERIFY(painted.region.contains(QPoint(2, view.laneRect(0).center().y())));
    }

    void aSavedPictureIsThePlotAtItsSize() {
        add(rpm(), 0, 1);
        m_window->addSeries(rpm());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        test::TempFolder folder("plot-picture");
        const QString path = QString::fromStdString((folder.path() / "plot.png").string());
        QVERIFY(m_window->savePicture(path));
        QImage saved(path);
        const PlotView& view = m_window->view();
        QCOMPARE(saved.size(), view.size() * view.devicePixelRatio());
        QVERIFY(!m_window->savePicture(
            QString::fromStdString((folder.path() / "missing" / "plot.png").string())));
    }

    void anExportWritesWhatTheCsvWriterWritesAndReportsFailure() {
        for (int s = 0; s < 50; ++s) {
            add(rpm(), s * 100, s);
            add(rowLabelled(u"Temperature"), s * 100 + 50, 400 + s);
        }
        m_window->addSeries(rpm());
        test::TempFolder folder("plot-export");
        const QString path = QString::fromStdString((folder.path() / "out.csv").string());
        CsvExportOptions options = PlotWindow::visibleRange(1000, 2000);
        options.rows = m_window->view().rows();
        QVERIFY(exportAndWait(path, options));
        QVERIFY(m_window->statusText().startsWith(QStringLiteral("Exported to")));
        std::ostringstream expected;
        exportCsv(m_history->samples(), options, expected);
        QCOMPARE(readFile(path), expected.str());
        // The visible range holds both its ends: RPM of 1.0 s to 2.0 s, eleven lines and a header.
        QCOMPARE(std::ranges::count(expected.str(), '\n'), 12);

        QVERIFY(!exportAndWait(
            QString::fromStdString((folder.path() / "missing" / "out.csv").string()), options));
        QVERIFY(m_window->statusText().contains(QStringLiteral("could not be written")));
    }

    void aCancelledExportLeavesAnEarlierFileAsItWas() {
        // More lines than go by before the export first asks whether to go on.
        for (int i = 0; i < 400'000; ++i) {
            add(rpm(), i, i % 3000);
        }
        test::TempFolder folder("plot-cancel");
        const std::filesystem::path file = folder.path() / "out.csv";
        std::ofstream(file) << "earlier";
        const QString path = QString::fromStdString(file.string());
        QSignalSpy finished(&m_window->exportJob(), &CsvExportJob::finished);
        QVERIFY(m_window->exportCsv(path, {}));
        QVERIFY(!m_window->exportCsv(path, {}));
        auto* cancel = findButton(QStringLiteral("Cancel"));
        QVERIFY(cancel != nullptr && cancel->isVisible() == m_window->isVisible());
        cancel->click();
        QVERIFY(finished.wait(10'000));
        QCOMPARE(finished.first().first().value<CsvExportResult>(), CsvExportResult::Cancelled);
        QCOMPARE(readFile(path), std::string("earlier"));
        QVERIFY(!std::filesystem::exists(folder.path() / "out.csv.part"));
    }

private:
    int rpm() const { return rowLabelled(u"RPM"); }
    void add(int row, std::int64_t atMs, std::int32_t raw) {
        QVERIFY(m_history->add(row, m_start + milliseconds(atMs), raw));
    }
    // Lets the window draw what it was asked to.
    void settle() {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents();
        }
    }
    bool exportAndWait(const QString& path, const CsvExportOptions& options) {
        QSignalSpy finished(&m_window->exportJob(), &CsvExportJob::finished);
        if (!m_window->exportCsv(path, options) || !finished.wait(10'000)) {
            return false;
        }
        return finished.first().first().value<CsvExportResult>() == CsvExportResult::Written;
    }
    QPushButton* findButton(const QString& text) const {
        for (auto* button : m_window->findChildren<QPushButton*>()) {
            if (button->text() == text) {
                return button;
            }
        }
        return nullptr;
    }
    static std::string readFile(const QString& path) {
        std::ifstream in(path.toStdString(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    const ArrivalTime m_start = ArrivalTime{} + std::chrono::hours(2);
    std::unique_ptr<TrendHistory> m_history;
    std::unique_ptr<PlotWindow> m_window;
};

QTEST_MAIN(PlotWindowTest)
#include "plot_window_test.moc"
