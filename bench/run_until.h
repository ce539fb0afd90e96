#pragma once

#include <QEventLoop>
#include <QTimer>

#include <functional>

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
