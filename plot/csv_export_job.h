#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <cstddef>
#include <memory>
#include <thread>

#include "plot/csv_export.h"
#include "plot/trend_samples.h"

namespace tresvik {

// One CSV export on a thread of its own, so that a day of samples can be written while the
// console goes on receiving and drawing. It writes a snapshot of the samples to a file beside the
// one asked for and puts it in that one's place only once it is complete: a cancelled or failed
// export leaves no half-written file and an older file of that name as it was.
class CsvExportJob : public QObject {
    Q_OBJECT
public:
    explicit CsvExportJob(QObject* parent = nullptr);
    // Cancels an export that still runs and waits for its thread.
    ~CsvExportJob() override;

    // Starts writing `samples` to `path`; false while an export still runs.
    bool start(const TrendSamples& samples, const CsvExportOptions& options, const QString& path);
    bool running() const { return m_thread.joinable() && !m_done; }
    // Asks the export to stop; it reports Cancelled soon after.
    void cancel() { m_cancel = true; }

signals:
    // Lines of samples written so far, of `total`.
    void progress(qulonglong written, qulonglong total);
    // The export has ended; `error` says why a file could not be written.
    void finished(CsvExportResult result, const QString& error);

private:
    void join();

    std::thread m_thread;
    std::atomic<bool> m_cancel{false};
    bool m_done = true;
};

}  // namespace tresvik
