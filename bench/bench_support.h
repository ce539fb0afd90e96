#pragma once

#include <QEventLoop>
#include <QTimer>

#include <sys/resource.h>

#include <functional>

// What the console benchmarks share.

// CPU time the whole process has used so far, every thread together, in seconds.
inline double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop until `done` holds or `timeoutMs` has passed; true when `done` holds. The
// thread sleeps in the event loop meanwhile: QTest's waits sleep between their looks instead,
// and a benchmark that spins or sleeps there measures itself, not the console.
inline bool runUntil(const std::function<bool()>& done, int timeoutMs) {
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    look.start(10);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!done()) {
        loop.exec();
    }
    return done();
}
