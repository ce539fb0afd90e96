// The console's main window, Log window shown, on a real serial link (a pseudo-terminal), under
// load. Runs on the display it finds (offscreen when there is none).
//
//   console_bench burst [CYCLES]
//     The simulated unit sends CYCLES report cycles back to back, as fast as the line takes them.
//     Prints the rate the console took them at, the frames lost (the unit's trace against the
//     frames the console received), the CPU used, and how long an input event waited for the
//     window's thread: one is posted every 20 ms, as the window system posts a click.
//
//   console_bench latency [SECONDS]
//     A unit at the line rate (960 bytes/s) sends odometer reports, each with a new value. Prints
//     the time from a frame's last byte to the moment its value stands in the list: median, 99th
//     percentile and longest.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "app/tresvik_dlg.h"
#include "bench/bench_support.h"
#include "decode/parameter_list.h"
#include "decode/parameter_table.h"
#include "decode/receive_path.h"
#include "link/frame.h"
#include "link/serial_link_session.h"
#include "tests/support/pty_pair.h"

namespace {

using namespace tresvik;
using Clock = std::chrono::steady_clock;

constexpr double kLineRate = 960.0;

void runFor(int ms) {
    runUntil([] { return false; }, ms);
}

double percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1));
    return values[at];
}

// Measures how long events posted from another thread wait before the window's thread handles
// them, the wait a click has when the window system hands it over.
class EventDelayProbe : public QObject {
public:
    EventDelayProbe() {
        m_poster = std::thread([this] {
            while (!m_stop.load()) {
                QCoreApplication::postEvent(this, new StampEvent(Clock::now()));
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
    }
    ~EventDelayProbe() override {
        m_stop = true;
        m_poster.join();
    }
    std::vector<double> delaysMs() {
        std::lock_guard lock(m_mutex);
        return m_delaysMs;
    }

protected:
    bool event(QEvent* event) override {
        if (event->type() != kType) {
            return QObject::event(event);
        }
        const double ms = std::chrono::duration<double, std::milli>(
                              Clock::now() - static_cast<StampEvent*>(event)->posted)
                              .count();
        std::lock_guard lock(m_mutex);
        m_delaysMs.push_back(ms);
        return true;
    }

private:
    static inline const QEvent::Type kType = static_cast<QEvent::Type>(QEvent::registerEventType());
    struct StampEvent : QEvent {
        explicit StampEvent(Clock::time_point at) : QEvent(kType), posted(at) {}
        Clock::time_point posted;
    };
    std::atomic<bool> m_stop{false};
    std::thread m_poster;
    std::mutex m_mutex;
    std::vector<double> m_delaysMs;
};

struct Console {
    SerialLinkSession session;
    CTresvikDlg dlg{session};

    bool start() {
        dlg.show();
        if (runUntil([&] { return dlg.isVisible() && dlg.logDlg().initialised(); }, 5000)) {
            dlg.logButton()->click();
        }
        if (!runUntil([&] { return dlg.logDlg().isVisible(); }, 5000)) {
            std::fprintf(stderr, "console_bench: the main window did not come up\n");
            return false;
        }
        return true;
    }

    bool connectTo(const QString& path) {
        bool opened = false;
        QObject::connect(&session, &LinkSession::opened, [&] { opened = true; });
        session.connectPort(path);
        return runUntil([&] { return opened; }, 5000);
    }

    std::size_t framesReceived() const {
        const ReceivePath::Counters& c = dlg.receivePath().counters();
        return c.goodFrames + c.checksumErrors;
    }
};

// The unit's trace, read as it grows: only the lines added since the last look.
class TraceReader {
public:
    explicit TraceReader(const QString& path) : m_file(path) {}

    std::size_t frames = 0;
    std::size_t bytes = 0;
    bool done = false;

    void readMore() {
        if (!m_file.isOpen() && !m_file.open(QIODevice::ReadOnly)) {
            return;
        }
        m_partial += m_file.readAll();
        qsizetype start = 0;
        for (qsizetype end = m_partial.indexOf('\n'); end >= 0;
             end = m_partial.indexOf('\n', start)) {
            const QByteArray line = m_partial.mid(start, end - start).trimmed();
            if (line == "DONE") {
                done = true;
            } else if (line.startsWith("TX")) {
                ++frames;
                bytes += static_cast<std::size_t>(line.count(' '));
            }
            start = end + 1;
        }
        m_partial.remove(0, start);
    }

private:
    QFile m_file;
    QByteArray m_partial;
};

int burst(int cycles) {
    Console console;
    if (!console.start()) {
        return 1;
    }
    QTemporaryDir runtime;
    const QString tracePath = runtime.filePath(QStringLiteral("trace.txt"));
    QProcess sim;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    sim.setProcessEnvironment(environment);
    sim.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/sim/tresvik-sim"),
              {QStringLiteral("--rate"), QStringLiteral("0"), QStringLiteral("--period"),
               QStringLiteral("0"), QStringLiteral("--cycles"), QString::number(cycles),
               QStringLiteral("--trace"), tracePath});
    QString port;
    runUntil(
        [&] {
            while (sim.canReadLine()) {
                const QString line = QString::fromUtf8(sim.readLine()).trimmed();
                if (line.startsWith(QStringLiteral("port: "))) {
                    port = line.mid(6);
                }
            }
            return !port.isEmpty();
        },
        5000);
    if (port.isEmpty() || !console.connectTo(port)) {
        std::fprintf(stderr, "console_bench: the simulated unit could not be reached\n");
        return 1;
    }
    EventDelayProbe probe;
    const double cpuBefore = processCpuSeconds();
    QElapsedTimer elapsed;
    elapsed.start();
    TraceReader trace(tracePath);
    // The unit marks the end of its last cycle in the trace; the run ends when the console has
    // every frame of it, or when nothing has come for 5 s.
    std::size_t lastSeen = 0;
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    while (true) {
        runFor(100);
        trace.readMore();
        const std::size_t got = console.framesReceived();
        if (got != lastSeen) {
            lastSeen = got;
            sinceProgress.restart();
        }
        if ((trace.done && got >= trace.frames) || sinceProgress.elapsed() > 5000) {
            break;
        }
    }
    const double seconds = static_cast<double>(elapsed.elapsed()) / 1000.0;
    const double cpu = processCpuSeconds() - cpuBefore;
    const std::vector<double> delays = probe.delaysMs();
    const std::size_t got = console.framesReceived();
    std::printf("burst: %zu frames, %zu bytes in %.1f s = %.0f bytes/s = %.1f x the line rate\n",
                trace.frames, trace.bytes, seconds, static_cast<double>(trace.bytes) / seconds,
                static_cast<double>(trace.bytes) / seconds / kLineRate);
    std::printf("frames lost: %zd (unit sent %zu, console received %zu)\n",
                static_cast<std::ptrdiff_t>(trace.frames) - static_cast<std::ptrdiff_t>(got),
                trace.frames, got);
    std::printf("CPU: %.1f %% of one core\n", 100.0 * cpu / seconds);
    std::printf(
        "input event wait: median %.2f ms, 99th percentile %.2f ms, longest %.2f ms "
        "(%zu events)\n",
        percentile(delays, 0.5), percentile(delays, 0.99),
        delays.empty() ? 0.0 : *std::max_element(delays.begin(), delays.end()), delays.size());
    sim.terminate();
    sim.waitForFinished(5000);
    return got == trace.frames ? 0 : 1;
}

Bytes odometerFrame(std::uint32_t value) {
    const ParameterRow& row = parameterRow(*findParameterRow(0x0033));
    Bytes payload;
    for (int i = 0; i < 4; ++i) {
        payload.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    return makeFrame(row.messageId, payload);
}

// The text the console's own decoder gives each frame's value, so that a cell text names the
// frame that set it.
class TextRecorder : public ConsoleListener {
public:
    void parameterChanged(const ParameterUpdate& update) override { text = update.text; }
    std::u16string text;
};

int latency(int seconds) {
    Console console;
    PtyPair pty;
    if (!pty.ok() || !console.start() || !console.connectTo(pty.devicePath())) {
        std::fprintf(stderr, "console_bench: the pseudo-terminal could not be reached\n");
        return 1;
    }
    const int frameCount = static_cast<int>(seconds * kLineRate / 9.0);
    std::vector<Bytes> frames;
    std::map<QString, int> frameOfText;
    TextRecorder recorder;
    const std::atomic<bool> notClosing{false};
    ReceivePath decoder(nullptr, notClosing, nullptr, &recorder);
    for (int i = 0; i < frameCount; ++i) {
        // Steps larger than the row's divisor, so that every frame shows a text of its own.
        frames.push_back(odometerFrame(static_cast<std::uint32_t>(1000 * (i + 1))));
        decoder.push(frames.back());
        if (!frameOfText.emplace(QString::fromStdU16String(recorder.text), i).second) {
            std::fprintf(stderr, "console_bench: two frames show the same text\n");
            return 1;
        }
    }
    // Written by the writer thread before the frame's bytes reach the line, read after they
    // have come through the console.
    std::vector<std::atomic<Clock::rep>> written(frames.size());
    std::vector<double> latenciesMs;
    QObject::connect(console.dlg.parameterList()->model(), &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& from, const QModelIndex&) {
                         const auto found = frameOfText.find(from.data().toString());
                         if (found == frameOfText.end()) {
                             return;
                         }
                         latenciesMs.push_back(
                             std::chrono::duration<double, std::milli>(
                                 Clock::now() -
                                 Clock::time_point(Clock::duration(written[found->second].load())))
                                 .count());
                     });
    std::atomic<bool> writerDone{false};
    std::thread writer([&] {
        // Each frame goes out whole, then the writer keeps the line's average rate.
        const auto start = Clock::now();
        std::size_t sent = 0;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const QByteArray bytes(reinterpret_cast<const char*>(frames[i].data()),
                                   static_cast<qsizetype>(frames[i].size()));
            written[i] = Clock::now().time_since_epoch().count();
            pty.write(bytes);
            sent += frames[i].size();
            std::this_thread::sleep_until(
                start + std::chrono::duration_cast<Clock::duration>(
                            std::chrono::duration<double>(static_cast<double>(sent) / kLineRate)));
        }
        writerDone = true;
    });
    runUntil([&] { return writerDone.load(); }, (seconds + 30) * 1000);
    runFor(200);
    writer.join();
    std::printf(
        "latency, frame's last byte to its value in the list, %zu of %zu frames: "
        "median %.1f ms, 99th percentile %.1f ms, longest %.1f ms\n",
        latenciesMs.size(), frames.size(), percentile(latenciesMs, 0.5),
        percentile(latenciesMs, 0.99),
        latenciesMs.empty() ? 0.0 : *std::max_element(latenciesMs.begin(), latenciesMs.end()));
    return latenciesMs.size() == frames.size() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const int amount = argc > 2 ? std::max(1, std::atoi(argv[2])) : 0;
    if (mode == QStringLiteral("burst")) {
        return burst(amount > 0 ? amount : 100);
    }
    if (mode == QStringLiteral("latency")) {
        return latency(amount > 0 ? amount : 30);
    }
    std::fprintf(stderr, "usage: console_bench burst [CYCLES] | latency [SECONDS]\n");
    return 2;
}
