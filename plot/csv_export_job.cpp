#include "plot/csv_export_job.h"

#include <QMetaObject>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace tresvik {

namespace {

std::filesystem::path toPath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

}  // namespace

CsvExportJob::CsvExportJob(QObject* parent) : QObject(parent) {}

CsvExportJob::~CsvExportJob() {
    m_cancel = true;
    join();
}

void CsvExportJob::join() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool CsvExportJob::start(const TrendSamples& samples, const CsvExportOptions& options,
                         const QString& path) {
    if (running()) {
        return false;
    }
    join();
    m_cancel = false;
    m_done = false;
    const std::filesystem::path target = toPath(path);
    std::filesystem::path partial = target;
    partial += ".part";
    m_thread = std::thread([this, samples, options, target, partial] {
        CsvExportResult result = CsvExportResult::WriteFailed;
        QString error;
        {
            std::ofstream out(partial, std::ios::binary | std::ios::trunc);
            if (!out) {
                error = QString::fromLocal8Bit(std::strerror(errno));
            } else {
                result = exportCsv(samples, options, out,
                                   [this](std::size_t written, std::size_t total) {
                                       emit progress(written, total);
                                       return !m_cancel.load();
                                   });
                out.close();
                if (result == CsvExportResult::Written && !out) {
                    result = CsvExportResult::WriteFailed;
                }
                if (result == CsvExportResult::WriteFailed) {
                    error = QString::fromLocal8Bit(std::strerror(errno));
                }
            }
        }
        std::error_code code;
        if (result == CsvExportResult::Written) {
            std::filesystem::rename(partial, target, code);
            if (code) {
                result = CsvExportResult::WriteFailed;
                error = QString::fromStdString(code.message());
            }
        }
        if (result != CsvExportResult::Written) {
            std::filesystem::remove(partial, code);
        }
        QMetaObject::invokeMethod(
            this,
            [this, result, error] {
                m_done = true;
                join();
                emit finished(result, error);
            },
            Qt::QueuedConnection);
    });
    return true;
}

}  // namespace tresvik
