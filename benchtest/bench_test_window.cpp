#include "benchtest/bench_test_window.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <chrono>

#include "benchtest/bench_run.h"
#include "benchtest/junit_report.h"
#include "benchtest/latency_summary.h"
#include "benchtest/suite_runner.h"

namespace tresvik {

namespace {

QString millisecondsText(std::chrono::microseconds time) {
    return QStringLiteral("%1 ms").arg(static_cast<double>(time.count()) / 1e3, 0, 'f', 1);
}

bool isFailure(StepState state) {
    return state == StepState::Failed || state == StepState::Broken || state == StepState::Aborted;
}

// Light enough for black text on either a light or a dark desktop theme.
QColor rowColour(StepState state) {
    switch (state) {
        case StepState::Running:
            return {0xFF, 0xE8, 0x9C};
        case StepState::Passed:
            return {0xCF, 0xEE, 0xD4};
        case StepState::Failed:
        case StepState::Broken:
        case StepState::Aborted:
            return {0xF6, 0xC6, 0xC2};
        case StepState::Waiting:
        case StepState::Skipped:
            break;
    }
    return {};
}

QString verdictText(RunVerdict verdict) {
    switch (verdict) {
        case RunVerdict::Passed:
            return QStringLiteral("passed");
        case RunVerdict::Failed:
            return QStringLiteral("failed");
        case RunVerdict::Infrastructure:
            return QStringLiteral("aborted");
        case RunVerdict::Running:
            break;
    }
    return QStringLiteral("running");
}

// A test stands where its steps have brought it: at the step that decided it, still running
// while any step is left, passed once all of them have.
StepState testState(const SuiteRunner& runner, int test) {
    const auto& steps = runner.suite().tests[static_cast<std::size_t>(test)].steps;
    bool anyStarted = false;
    bool allPassed = true;
    bool allSkipped = true;
    for (std::size_t s = 0; s < steps.size(); ++s) {
        const StepState state = runner.result(test, static_cast<int>(s)).state;
        if (isFailure(state)) {
            return state;
        }
        anyStarted = anyStarted || state != StepState::Waiting;
        allPassed = allPassed && state == StepState::Passed;
        allSkipped = allSkipped && state == StepState::Skipped;
    }
    if (allPassed) {
        return StepState::Passed;
    }
    if (allSkipped) {
        return StepState::Skipped;
    }
    return anyStarted ? StepState::Running : StepState::Waiting;
}

}  // namespace

BenchTestWindow::BenchTestWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("benchTestWindow"));
    setWindowTitle(QStringLiteral("Bench test"));
    resize(640, 560);
    auto* layout = new QVBoxLayout(this);

    m_warnings = new QLabel(this);
    m_warnings->setObjectName(QStringLiteral("benchWarnings"));
    m_warnings->setWordWrap(true);
    m_warnings->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_warnings->setFrameShape(QFrame::StyledPanel);
    m_warnings->setMargin(4);
    m_warnings->setStyleSheet(QStringLiteral("background: #FFF4CE; color: black;"));
    m_warnings->hide();
    layout->addWidget(m_warnings);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    m_tree = new QTreeWidget(splitter);
    m_tree->setObjectName(QStringLiteral("benchTree"));
    m_tree->setHeaderLabels(
        {QStringLiteral("Test / step"), QStringLiteral("State"), QStringLiteral("Latency")});
    m_tree->setUniformRowHeights(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(kNameColumn, QHeaderView::Stretch);
    m_tree->header()->setSectionResizeMode(kStateColumn, QHeaderView::ResizeToContents);
    m_tree->header()->setSectionResizeMode(kLatencyColumn, QHeaderView::ResizeToContents);
    m_tree->headerItem()->setTextAlignment(kLatencyColumn, Qt::AlignRight | Qt::AlignVCenter);
    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (!m_selecting) {
            m_userPicked = true;
        }
        showSelected();
    });

    m_detail = new QPlainTextEdit(splitter);
    m_detail->setObjectName(QStringLiteral("benchDetail"));
    m_detail->setReadOnly(true);
    // Wrapped, so that the verdict's line is read whole; a traffic line breaks after its bytes,
    // which keeps them in columns.
    m_detail->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_detail->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_detail->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_detail->setPlaceholderText(QStringLiteral("Pick a step to see what it found."));
    splitter->addWidget(m_tree);
    splitter->addWidget(m_detail);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    layout->addWidget(splitter, 1);

    auto* bottom = new QHBoxLayout;
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("benchStatus"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bottom->addWidget(m_status, 1);
    m_runAgain = new QPushButton(QStringLiteral("Run again"), this);
    m_runAgain->setObjectName(QStringLiteral("runAgainButton"));
    m_runAgain->setAutoDefault(false);
    connect(m_runAgain, &QPushButton::clicked, this, &BenchTestWindow::runAgainRequested);
    bottom->addWidget(m_runAgain);
    m_stop = new QPushButton(QStringLiteral("Stop"), this);
    m_stop->setObjectName(QStringLiteral("stopButton"));
    m_stop->setAutoDefault(false);
    connect(m_stop, &QPushButton::clicked, this, [this] {
        if (runGoingOn()) {
            m_run->stop(QStringLiteral("stopped by the user"));
        }
    });
    bottom->addWidget(m_stop);
    layout->addLayout(bottom);
    updateButtons();
}

QString BenchTestWindow::stateText(StepState state) {
    switch (state) {
        case StepState::Waiting:
            return QStringLiteral("waiting");
        case StepState::Running:
            return QStringLiteral("running");
        case StepState::Passed:
            return QStringLiteral("passed");
        case StepState::Failed:
            return QStringLiteral("failed");
        case StepState::Broken:
            return QStringLiteral("broken constraint");
        case StepState::Aborted:
            return QStringLiteral("aborted");
        case StepState::Skipped:
            return QStringLiteral("skipped");
    }
    return {};
}

void BenchTestWindow::follow(BenchRun& run) {
    if (m_run != nullptr) {
        disconnect(m_run, nullptr, this, nullptr);
    }
    m_run = &run;
    const SuiteRunner& runner = run.runner();
    const BenchSuite& suite = runner.suite();
    setWindowTitle(QStringLiteral("Bench test - ") + QString::fromStdString(suite.name));
    m_failureShown = false;
    m_userPicked = false;
    m_warnings->clear();
    m_warnings->hide();
    m_detail->clear();
    {
        // The rows of the run before go without a word to the detail pane.
        const QSignalBlocker blocker(m_tree);
        m_tree->clear();
        for (std::size_t t = 0; t < suite.tests.size(); ++t) {
            auto* test = new QTreeWidgetItem(m_tree, {QString::fromStdString(suite.tests[t].name)});
            for (const BenchStep& step : suite.tests[t].steps) {
                new QTreeWidgetItem(test, {QString::fromStdString(step.name)});
            }
        }
    }
    m_tree->expandAll();
    for (std::size_t t = 0; t < suite.tests.size(); ++t) {
        const int test = static_cast<int>(t);
        for (std::size_t s = 0; s < suite.tests[t].steps.size(); ++s) {
            showState(*stepItem(test, static_cast<int>(s)),
                      runner.result(test, static_cast<int>(s)).state);
        }
        showTest(test);
    }
    connect(&run, &BenchRun::stepChanged, this, &BenchTestWindow::stepChanged);
    connect(&run, &BenchRun::warningGiven, this, &BenchTestWindow::addWarning);
    connect(&run, &BenchRun::ended, this, &BenchTestWindow::runEnded);
    showProgress();
    updateButtons();
}

QTreeWidgetItem* BenchTestWindow::testItem(int test) const {
    return m_tree->topLevelItem(test);
}

QTreeWidgetItem* BenchTestWindow::stepItem(int test, int step) const {
    QTreeWidgetItem* item = testItem(test);
    return item != nullptr ? item->child(step) : nullptr;
}

QString BenchTestWindow::detailText() const {
    return m_detail->toPlainText();
}

QString BenchTestWindow::statusText() const {
    return m_status->text();
}

QString BenchTestWindow::warningText() const {
    return m_warnings->text();
}

bool BenchTestWindow::runGoingOn() const {
    // A run followed but not yet started counts: it starts right after it is followed.
    return m_run != nullptr && !m_run->runner().finished();
}

void BenchTestWindow::closeEvent(QCloseEvent* event) {
    if (runGoingOn()) {
        m_run->stop(QStringLiteral("stopped by closing the Test window"));
    }
    QWidget::closeEvent(event);
}

void BenchTestWindow::stepChanged(int test, int step) {
    QTreeWidgetItem* item = stepItem(test, step);
    if (item == nullptr) {
        return;
    }
    const StepResult& result = m_run->runner().result(test, step);
    showState(*item, result.state);
    showTest(test);
    if (result.state == StepState::Running) {
        m_tree->scrollToItem(item);
    }
    if (isFailure(result.state) && !m_failureShown) {
        m_failureShown = true;
        if (!m_userPicked) {
            select(*item);
        }
    }
    const QList<QTreeWidgetItem*> selected = m_tree->selectedItems();
    if (!selected.isEmpty() && (selected.front() == item || selected.front() == item->parent())) {
        showSelected();
    }
    showProgress();
    updateButtons();
}

void BenchTestWindow::showState(QTreeWidgetItem& item, StepState state) {
    item.setText(kStateColumn, stateText(state));
    const QColor colour = rowColour(state);
    QFont font = item.font(kNameColumn);
    font.setBold(state == StepState::Running);
    for (int column = 0; column < m_tree->columnCount(); ++column) {
        item.setBackground(column, colour.isValid() ? QBrush(colour) : QBrush());
        item.setFont(column, font);
        if (colour.isValid()) {
            item.setForeground(column, QBrush(Qt::black));
        } else if (state == StepState::Skipped) {
            item.setForeground(column, palette().brush(QPalette::Disabled, QPalette::Text));
        } else {
            item.setForeground(column, QBrush());
        }
    }
    if (QTreeWidgetItem* test = item.parent()) {
        const int step = test->indexOfChild(&item);
        const auto& latency =
            m_run->runner().result(m_tree->indexOfTopLevelItem(test), step).latency;
        item.setText(kLatencyColumn, latency ? millisecondsText(*latency) : QString());
        item.setTextAlignment(kLatencyColumn, Qt::AlignRight | Qt::AlignVCenter);
    }
}

void BenchTestWindow::showTest(int test) {
    if (QTreeWidgetItem* item = testItem(test)) {
        showState(*item, testState(m_run->runner(), test));
    }
}

void BenchTestWindow::select(QTreeWidgetItem& item) {
    m_selecting = true;
    m_tree->setCurrentItem(&item);
    m_tree->scrollToItem(&item);
    m_selecting = false;
}

void BenchTestWindow::showSelected() {
    const QList<QTreeWidgetItem*> selected = m_tree->selectedItems();
    if (m_run == nullptr || selected.isEmpty()) {
        m_detail->clear();
        return;
    }
    const SuiteRunner& runner = m_run->runner();
    QTreeWidgetItem* item = selected.front();
    QString text;
    if (QTreeWidgetItem* parent = item->parent()) {
        const int test = m_tree->indexOfTopLevelItem(parent);
        const int step = parent->indexOfChild(item);
        text = QString::fromStdString(isFailure(runner.result(test, step).state)
                                          ? stepDetail(runner, test, step)
                                          : stepLine(runner, test, step));
    } else {
        // A test: the line of each of its steps.
        const int test = m_tree->indexOfTopLevelItem(item);
        for (int step = 0; step < item->childCount(); ++step) {
            text += QString::fromStdString(stepLine(runner, test, step)) + u'\n';
        }
    }
    if (text != m_detail->toPlainText()) {
        m_detail->setPlainText(text);
    }
}

void BenchTestWindow::addWarning(const QString& text) {
    const QString line = QStringLiteral("Warning: ") + text;
    m_warnings->setText(m_warnings->text().isEmpty() ? line : m_warnings->text() + u'\n' + line);
    m_warnings->show();
}

void BenchTestWindow::showProgress() {
    if (m_run == nullptr || m_run->runner().finished()) {
        return;
    }
    const SuiteRunner& runner = m_run->runner();
    int steps = 0;
    int done = 0;
    for (std::size_t t = 0; t < runner.suite().tests.size(); ++t) {
        for (std::size_t s = 0; s < runner.suite().tests[t].steps.size(); ++s) {
            const StepState state = runner.result(static_cast<int>(t), static_cast<int>(s)).state;
            ++steps;
            done += state != StepState::Waiting && state != StepState::Running ? 1 : 0;
        }
    }
    m_status->setText(QStringLiteral("Running: %1 of %2 steps done").arg(done).arg(steps));
}

void BenchTestWindow::runEnded() {
    const SuiteRunner& runner = m_run->runner();
    QString text = QStringLiteral("Verdict: %1 after %2 s.")
                       .arg(verdictText(runner.verdict()))
                       .arg(std::chrono::duration<double>(runner.runDuration()).count(), 0, 'f', 1);
    const LatencySummary latency = summarizeLatencies(runLatencies(runner));
    if (latency.count == 0) {
        text += QStringLiteral(" No latency measured.");
    } else {
        text += QStringLiteral(" Latency over %1 step%2: min %3, median %4, p95 %5, max %6.")
                    .arg(latency.count)
                    .arg(latency.count == 1 ? QString() : QStringLiteral("s"))
                    .arg(millisecondsText(latency.min), millisecondsText(latency.median),
                         millisecondsText(latency.p95), millisecondsText(latency.max));
    }
    m_status->setText(text);
    updateButtons();
}

void BenchTestWindow::updateButtons() {
    const bool going = runGoingOn();
    m_stop->setEnabled(going);
    m_runAgain->setEnabled(m_run != nullptr && !going);
}

}  // namespace tresvik
