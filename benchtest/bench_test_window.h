#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "benchtest/step_result.h"

class QCloseEvent;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tresvik {

class BenchRun;

// A bench test run as it goes: every test with its steps, each step's state and latency, the
// detail of the step picked (and of the first failure, unasked), the suite's warnings, and once
// the run is over its verdict and the spread of its latencies. Stop ends the run; Run again asks
// for the same file to be run afresh. Closing the window stops a run that is still going on.
class BenchTestWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kNameColumn = 0;
    static constexpr int kStateColumn = 1;
    static constexpr int kLatencyColumn = 2;

    explicit BenchTestWindow(QWidget* parent = nullptr);

    // Shows `run`, about to start, in place of the run shown before; `run` is followed until the
    // next call, or until it is destroyed.
    void follow(BenchRun& run);

    // A step's state as the list shows it.
    static QString stateText(StepState state);

    QTreeWidgetItem* testItem(int test) const;
    QTreeWidgetItem* stepItem(int test, int step) const;
    QString detailText() const;
    QString statusText() const;
    QString warningText() const;
    QPushButton* stopButton() const { return m_stop; }
    QPushButton* runAgainButton() const { return m_runAgain; }

signals:
    void runAgainRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool runGoingOn() const;
    void stepChanged(int test, int step);
    void showState(QTreeWidgetItem& item, StepState state);
    void showTest(int test);
    void showSelected();
    void select(QTreeWidgetItem& item);
    void addWarning(const QString& text);
    void showProgress();
    void runEnded();
    void updateButtons();

    QPointer<BenchRun> m_run;
    QLabel* m_warnings = nullptr;
    QTreeWidget* m_tree = nullptr;
    QPlainTextEdit* m_detail = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_runAgain = nullptr;
    // Whether the first failure of the run has been picked for the detail pane already.
    bool m_failureShown = false;
    // Whether the user has picked a row during the run: the first failure then leaves it alone.
    bool m_userPicked = false;
    bool m_selecting = false;
};

}  // namespace tresvik
