#pragma once

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace tresvik::test {

// Waits in a real event loop until done() holds or timeoutMs pass; true when done() held.
// QTRY_* sleeps 10 ms between its rounds of events, which a burst from the serial worker, handed
// over a byte at a time, cannot survive: a few kB would take seconds. The console's own loop never
// sleeps while events wait, and neither does this one.
template <typename Done>
bool waitInEventLoop(Done done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer check;
    check.setInterval(5);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired()) {
            loop.quit();
        }
    });
    check.start();
    if (!done()) {
        loop.exec();
    }
    return done();
}

}  // namespace tresvik::test
