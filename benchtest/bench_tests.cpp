#include "benchtest/bench_tests.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>

#include <chrono>
#include <string_view>
#include <variant>

#include "benchtest/suite_reader.h"
#include "health/link_health_monitor.h"
#include "link/adapter_latency.h"
#include "link/link_session.h"
#include "ui/window_frame.h"

namespace tresvik {

namespace {

const QString kLastFolderKey = QStringLiteral("benchTest/lastFolder");
const QString kTitle = QStringLiteral("Bench test");

// The least width that still shows a step's name, state and latency side by side.
constexpr int kNarrowestBeside = 420;

}  // namespace

BenchTests::BenchTests(LinkSession& link, ConsoleSession& console, const LinkHealthMonitor& health,
                       QWidget& owner)
    : m_link(link), m_console(console), m_health(health), m_owner(owner) {}

BenchTests::~BenchTests() {
    // The window looks into the run: it goes first.
    delete m_window;
}

void BenchTests::chooseAndRun() {
    if (running()) {
        return;
    }
    QSettings settings;
    const QString path = QFileDialog::getOpenFileName(
        &m_owner, QStringLiteral("Run bench test"), settings.value(kLastFolderKey).toString(),
        QStringLiteral("Bench test suites (*.json);;All files (*)"));
    if (path.isEmpty()) {
        return;
    }
    settings.setValue(kLastFolderKey, QFileInfo(path).absolutePath());
    runFile(path);
}

bool BenchTests::runFile(const QString& path) {
    return runFileFrom(path, m_owner);
}

bool BenchTests::runFileFrom(const QString& path, QWidget& parent) {
    if (running()) {
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        tell(parent,
             QStringLiteral("Cannot read %1: %2")
                 .arg(QDir::toNativeSeparators(path), file.errorString()),
             true);
        return false;
    }
    const QByteArray json = file.readAll();
    std::variant<BenchSuite, SuiteRefusal> read =
        readSuite(std::string_view(json.constData(), static_cast<std::size_t>(json.size())),
                  QDir::toNativeSeparators(path).toStdString());
    if (const SuiteRefusal* refusal = std::get_if<SuiteRefusal>(&read)) {
        tell(parent, QString::fromStdString(refusal->text()), true);
        return false;
    }
    if (!m_link.portOpen()) {
        tell(parent, QStringLiteral("Connect to the unit first."), false);
        return false;
    }
    m_path = path;

    SuiteRunner::Settings settings;
    const int latencyMs = adapterLatencyTimerMs(m_health.devicePath());
    if (latencyMs >= 0) {
        settings.adapterLatency = std::chrono::milliseconds(latencyMs);
    }
    // The run before was kept until now for its results.
    m_run.reset();
    m_run = std::make_unique<BenchRun>(std::get<BenchSuite>(std::move(read)), m_link, m_console,
                                       m_health.health(), settings);
    BenchTestWindow& window = ensureWindow();
    window.follow(*m_run);
    window.show();
    window.raise();
    window.activateWindow();
    m_run->start();
    return true;
}

bool BenchTests::running() const {
    return m_run != nullptr && m_run->running();
}

void BenchTests::close() {
    if (m_window != nullptr) {
        m_window->close();
    }
}

BenchTestWindow& BenchTests::ensureWindow() {
    if (m_window == nullptr) {
        m_window = new BenchTestWindow(&m_owner);
        placeBeside(*m_window, m_owner, kNarrowestBeside);
        connect(m_window, &BenchTestWindow::runAgainRequested, this,
                [this] { runFileFrom(m_path, *m_window); });
    }
    return *m_window;
}

void BenchTests::tell(QWidget& parent, const QString& text, bool warning) {
    QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::NoIcon, kTitle, text,
                    QMessageBox::Ok, &parent);
    // Blocks the window it came from only; the Log window stays usable.
    box.setWindowModality(Qt::WindowModal);
    box.exec();
}

}  // namespace tresvik
