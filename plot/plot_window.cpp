#include "plot/plot_window.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

#include "decode/parameter_table.h"
#include "plot/csv_export_dialog.h"
#include "plot/plot_view.h"
#include "plot/trend_history.h"
#include "plot/trend_rows.h"
#include "ui/qt_text.h"

namespace tresvik {

namespace {

const QString kHint =
    QStringLiteral("Wheel: zoom   Drag: pan   Double-click: whole session   Right-click: remove");

QToolButton* makeToolButton(const QString& text, const QString& tip, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(tip);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

QString defaultFileName(const QString& extension) {
    return QDir::home().filePath(
        QStringLiteral("plot-%1.%2")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")),
                 extension));
}

}  // namespace

PlotWindow::PlotWindow(const TrendHistory& history, QWidget* parent)
    : QWidget(parent, Qt::Window), m_history(history) {
    setWindowTitle(QStringLiteral("Plot"));
    setObjectName(QStringLiteral("plotWindow"));
    resize(960, 600);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* tools = new QHBoxLayout;
    m_follow = makeToolButton(QStringLiteral("Follow"),
                              QStringLiteral("Keep the newest values in view"), this);
    m_follow->setCheckable(true);
    m_follow->setChecked(true);
    auto* whole =
        makeToolButton(QStringLiteral("Whole session"),
                       QStringLiteral("Show everything since Connect (double-click)"), this);
    auto* picture = makeToolButton(QStringLiteral("Save picture..."),
                                   QStringLiteral("Save the plot as a PNG picture"), this);
    // The link's own figures, which no list row offers.
    auto* link =
        makeToolButton(QStringLiteral("Link"),
                       QStringLiteral("Plot the link's frames, errors, noise or line use"), this);
    link->setPopupMode(QToolButton::InstantPopup);
    auto* linkMenu = new QMenu(link);
    for (int i = 0; i < kLinkSeriesCount; ++i) {
        const int row = trendRow(static_cast<LinkSeries>(i));
        linkMenu->addAction(toQString(trendLabel(row)), this, [this, row] { addSeries(row); });
    }
    link->setMenu(linkMenu);
    auto* csv = makeToolButton(QStringLiteral("Export CSV..."),
                               QStringLiteral("Write the received values to a CSV file"), this);
    for (QWidget* widget : {static_cast<QWidget*>(m_follow), static_cast<QWidget*>(whole),
                            static_cast<QWidget*>(link), static_cast<QWidget*>(picture),
                            static_cast<QWidget*>(csv)}) {
        tools->addWidget(widget);
    }
    tools->addStretch();
    layout->addLayout(tools);

    m_view = new PlotView(history, this);
    m_view->setObjectName(QStringLiteral("plotView"));
    layout->addWidget(m_view, 1);

    auto* foot = new QHBoxLayout;
    m_status = new QLabel(kHint, this);
    // A long path in a message must not widen the window.
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_progress = new QProgressBar(this);
    m_progress->setMaximumWidth(240);
    m_progress->hide();
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->hide();
    foot->addWidget(m_status, 1);
    foot->addWidget(m_progress);
    foot->addWidget(m_cancel);
    layout->addLayout(foot);

    connect(m_follow, &QToolButton::toggled, m_view, &PlotView::setFollowing);
    connect(m_view, &PlotView::followingChanged, m_follow, &QToolButton::setChecked);
    connect(whole, &QToolButton::clicked, m_view, &PlotView::showWholeSession);
    connect(picture, &QToolButton::clicked, this, &PlotWindow::askSavePicture);
    connect(csv, &QToolButton::clicked, this, &PlotWindow::askExportCsv);
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_export.cancel(); });
    connect(&m_export, &CsvExportJob::progress, this, &PlotWindow::onExportProgress);
    connect(&m_export, &CsvExportJob::finished, this, &PlotWindow::onExportFinished);

    m_refresh.setInterval(kRefreshMs);
    connect(&m_refresh, &QTimer::timeout, m_view, &PlotView::refresh);
}

PlotWindow::~PlotWindow() = default;

void PlotWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_view->refresh();
    m_refresh.start();
}

void PlotWindow::hideEvent(QHideEvent* event) {
    // Nobody looks at a hidden plot: it costs nothing until it shows again.
    m_refresh.stop();
    QWidget::hideEvent(event);
}

bool PlotWindow::addSeries(int row) {
    if (m_view->addSeries(row)) {
        return true;
    }
    const QString label = toQString(trendLabel(row));
    if (m_view->rows().size() >= PlotView::kMaxSeries) {
        showStatus(QStringLiteral("The plot shows %1 parameters already; remove one to add %2.")
                       .arg(PlotView::kMaxSeries)
                       .arg(label));
    }
    return false;
}

QString PlotWindow::statusText() const {
    return m_status->text();
}

void PlotWindow::showStatus(const QString& text) {
    m_status->setText(text);
}

bool PlotWindow::savePicture(const QString& path) {
    return m_view->picture().save(path, "PNG");
}

void PlotWindow::askSavePicture() {
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save picture"), defaultFileName("png"),
                                     QStringLiteral("PNG pictures (*.png)"));
    if (path.isEmpty()) {
        return;
    }
    if (savePicture(path)) {
        showStatus(QStringLiteral("Saved the picture to %1.").arg(QDir::toNativeSeparators(path)));
    } else {
        QMessageBox::warning(this, QStringLiteral("Save picture"),
                             QStringLiteral("The picture could not be written to %1.")
                                 .arg(QDir::toNativeSeparators(path)));
    }
}

CsvExportOptions PlotWindow::visibleRange(double fromMs, double toMs) {
    CsvExportOptions options;
    options.fromMs = static_cast<std::uint64_t>(std::ceil(std::max(fromMs, 0.0)));
    options.toMs = static_cast<std::uint64_t>(std::floor(std::max(toMs, 0.0))) + 1;
    return options;
}

void PlotWindow::askExportCsv() {
    if (m_export.running()) {
        return;
    }
    CsvExportDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Export CSV"), defaultFileName("csv"),
                                     QStringLiteral("CSV files (*.csv)"));
    if (path.isEmpty()) {
        return;
    }
    CsvExportOptions options;
    if (!dialog.wholeSession()) {
        options = visibleRange(m_view->range().fromMs(), m_view->range().toMs());
    }
    if (!dialog.everyParameter()) {
        options.rows = m_view->rows();
        if (options.rows.empty()) {
            showStatus(QStringLiteral("The plot shows no parameter to export."));
            return;
        }
    }
    options.layout = dialog.wide() ? CsvLayout::Wide : CsvLayout::Long;
    exportCsv(path, options);
}

bool PlotWindow::exportCsv(const QString& path, const CsvExportOptions& options) {
    if (!m_export.start(m_history.samples(), options, path)) {
        return false;
    }
    m_exportPath = path;
    m_progress->setRange(0, 0);
    m_progress->show();
    m_cancel->show();
    showStatus(QStringLiteral("Exporting to %1...").arg(QDir::toNativeSeparators(path)));
    return true;
}

void PlotWindow::onExportProgress(qulonglong written, qulonglong total) {
    // The bar counts in thousandths, as a day of samples does not fit its int.
    m_progress->setRange(0, 1000);
    m_progress->setValue(total == 0 ? 1000 : static_cast<int>(written * 1000 / total));
}

void PlotWindow::onExportFinished(CsvExportResult result, const QString& error) {
    m_progress->hide();
    m_cancel->hide();
    const QString path = QDir::toNativeSeparators(m_exportPath);
    switch (result) {
        case CsvExportResult::Written:
            showStatus(QStringLiteral("Exported to %1.").arg(path));
            break;
        case CsvExportResult::Cancelled:
            showStatus(QStringLiteral("Export cancelled; %1 was not written.").arg(path));
            break;
        case CsvExportResult::WriteFailed:
            showStatus(
                QStringLiteral("Export failed: %1 could not be written (%2).").arg(path, error));
            break;
    }
}

}  // namespace tresvik
