#pragma once

#include <QTimer>
#include <QWidget>

#include "plot/csv_export.h"
#include "plot/csv_export_job.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace tresvik {

class PlotView;
class TrendHistory;

// The Plot window: how up to eight parameters moved since Connect, a picture of it for a report,
// and the CSV export of what was received. It looks at the session's history ten times a second
// and draws again only what new samples changed.
class PlotWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 100;

    explicit PlotWindow(const TrendHistory& history, QWidget* parent = nullptr);
    ~PlotWindow() override;

    PlotView& view() { return *m_view; }
    // Adds numeric parameter `row` to the plot; false, with the reason shown, when it cannot.
    bool addSeries(int row);

    // Writes the plot as a PNG picture; false when the file cannot be written.
    bool savePicture(const QString& path);
    // Starts writing the samples `options` chooses to `path`; progress and the outcome show at
    // the window's foot. False while an export still runs.
    bool exportCsv(const QString& path, const CsvExportOptions& options);
    const CsvExportJob& exportJob() const { return m_export; }
    QString statusText() const;

    // The samples from `fromMs` to `toMs` (both in the view) as an export's bounds.
    static CsvExportOptions visibleRange(double fromMs, double toMs);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void askSavePicture();
    void askExportCsv();
    void onExportProgress(qulonglong written, qulonglong total);
    void onExportFinished(CsvExportResult result, const QString& error);
    void showStatus(const QString& text);

    const TrendHistory& m_history;
    PlotView* m_view = nullptr;
    QToolButton* m_follow = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancel = nullptr;
    QLabel* m_status = nullptr;
    QTimer m_refresh;
    CsvExportJob m_export;
    QString m_exportPath;
};

}  // namespace tresvik
