#include "link/serial_thread.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QSocketNotifier>

#include <chrono>
#include <utility>

#include "link/serial_port.h"
#include "link/thread_sanitizer.h"

namespace tresvik {

namespace {

// The unit's texts: the write failure uses the read failure's words, without the line end.
const QString kWriteFailed = QStringLiteral("Reading of serial communication has problem.");
const QString kReadFailed = QStringLiteral("Reading of serial communication has problem.\r\n");
const QString kCloseFailed = QStringLiteral("Port Closeing isn't successed.");

// The byte hand-off (see the class comment). Free: nothing pending. Posted: a byte waits, announced
// through the pipe (or an event). Watching: the GUI thread has taken a byte and looks for the next
// one without an event. Handed: a byte waits that the watching GUI thread takes without an event.
enum HandOff : int { kFree = 0, kPosted = 1, kWatching = 2, kHanded = 3 };

// A burst: at least this many bytes wait in the port's buffer behind the one handed over. At the
// line rate an adapter delivers a few bytes at a time, and the GUI thread sleeps between them;
// watching would only burn the time it takes to wake.
constexpr qint64 kBurstBytes = 16;
// How long the GUI thread watches for the next byte of a burst: the worker, awake, hands it over
// within a few microseconds.
constexpr auto kGuiWatchTime = std::chrono::microseconds(15);
// How long the worker watches for the take of a byte in a burst before it sleeps: long enough
// for a GUI thread that has to wake up first.
constexpr auto kWorkerWatchTime = std::chrono::microseconds(100);
// The most bytes the GUI thread takes in one go before it returns to its event loop, so that a
// long burst never keeps input, timers and painting waiting for more than a few milliseconds.
constexpr int kMostBytesPerDelivery = 256;
using Clock = std::chrono::steady_clock;

// Carries nothing: the byte waits in the worker until it is taken.
const QEvent::Type kByteEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// How long a read waits on a silent line with nothing to send. Every request that needs the
// worker wakes it, so this only bounds the wait should a wake ever be missed.
constexpr int kQuietReadWaitMs = 1000;

}  // namespace

SerialThread::SerialThread(QObject* parent) : QThread(parent) {
    // The thread's name in the system's task list.
    setObjectName(QStringLiteral("SerialThread"));
    m_transmitQueue.setAppendListener([this] { m_lineWaker.wake(); });
    if (m_guiWaker.valid()) {
        m_guiNotifier =
            std::make_unique<QSocketNotifier>(m_guiWaker.waitHandle(), QSocketNotifier::Read);
        connect(m_guiNotifier.get(), &QSocketNotifier::activated, this, [this] {
            m_guiWaker.clear();
            deliverBytes();
        });
    }
    start(QThread::TimeCriticalPriority);
}

SerialThread::~SerialThread() {
    m_silent = true;
    m_openRequest = false;
    m_closeRequest = true;
    m_exitRequest = true;
    wake();
    m_lineWaker.wake();
    // A notification already under way waits for this thread to handle it; deliver it so that
    // the worker can finish.
    while (!wait(QDeadlineTimer(10))) {
        if (QThread::currentThread() == thread()) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        }
    }
    happensAfter(this);
}

void SerialThread::connectPort(const PortSettings& settings, const QString& devicePath) {
    {
        std::lock_guard lock(m_mutex);
        m_requestedSettings = settings;
        m_devicePath = devicePath;
        m_errorList.clear();
    }
    m_closeRequest = false;
    m_openRequest = true;
    m_transmitQueue.clear();
    wake();
}

void SerialThread::disconnectPort() {
    m_openRequest = false;
    m_closeRequest = true;
    m_lineWaker.wake();
    // A worker waiting for its byte to be taken closes at once.
    std::lock_guard lock(m_mutex);
    m_wakeUp.notify_all();
}

void SerialThread::shutdown() {
    m_closeRequest = true;
    m_exitRequest = true;
    wake();
    m_lineWaker.wake();
}

bool SerialThread::requestDrainReport() {
    m_drainRequest = true;
    m_lineWaker.wake();
    // The worker answers a request it finds, and one still open when it closes the port, which
    // it marks closed first: if the port reads closed here, the worker may already have looked.
    return m_portOpen.load() || !m_drainRequest.exchange(false);
}

std::uint8_t SerialThread::takeByte() {
    const std::uint8_t byte = m_receivedByte.load();
    if (bytePending()) {
        // Only a GUI thread inside deliverBytes() goes on watching; a byte taken later, from
        // elsewhere, leaves the next one to an event.
        const int next = m_delivering && m_moreWaiting.load() ? kWatching : kFree;
        ++m_taken;
        {
            std::lock_guard lock(m_mutex);
            m_handOff = next;
        }
        m_wakeUp.notify_all();
    }
    return byte;
}

bool SerialThread::bytePending() const {
    const int state = m_handOff.load();
    return state == kPosted || state == kHanded;
}

bool SerialThread::event(QEvent* event) {
    if (event->type() != kByteEvent) {
        return QThread::event(event);
    }
    // The event was made on the worker; its way through Qt's queue is invisible to the thread
    // sanitizer.
    happensAfter(&m_receivedByte);
    deliverBytes();
    return true;
}

void SerialThread::deliverBytes() {
    m_delivering = true;
    for (int delivered = 0; bytePending(); ++delivered) {
        if (delivered == kMostBytesPerDelivery) {
            // The event loop runs first; the rest follows at once.
            announceByte();
            break;
        }
        const std::uint64_t takenBefore = m_taken;
        emit byteReceived();
        // Not taken yet (the receiver takes it later), or taken with nothing more waiting.
        if (m_taken == takenBefore || m_handOff.load() == kFree) {
            break;
        }
        // Watching: the worker hands the next byte over (it may have done so already).
        const auto watchUntil = Clock::now() + kGuiWatchTime;
        while (m_handOff.load() == kWatching && Clock::now() < watchUntil) {
        }
        int expected = kWatching;
        if (m_handOff.compare_exchange_strong(expected, kFree)) {
            break;
        }
    }
    m_delivering = false;
}

QStringList SerialThread::errorList() const {
    std::lock_guard lock(m_mutex);
    return m_errorList;
}

void SerialThread::setErrorText(const QString& text) {
    std::lock_guard lock(m_mutex);
    m_errorText = text;
}

QString SerialThread::errorText() const {
    std::lock_guard lock(m_mutex);
    return m_errorText;
}

void SerialThread::park() {
    std::unique_lock lock(m_mutex);
    m_wakeUp.wait(lock, [this] { return m_wakePending; });
    m_wakePending = false;
}

void SerialThread::wake() {
    {
        std::lock_guard lock(m_mutex);
        m_wakePending = true;
    }
    m_wakeUp.notify_all();
}

template <typename Signal, typename... Args>
void SerialThread::notify(Signal signal, Args&&... args) {
    if (m_silent.load()) {
        return;
    }
    // The handler runs on the GUI thread while this thread waits inside Qt, where the thread
    // sanitizer cannot see the hand-over; the receiver states its side with the same tag.
    happensBefore(this);
    (this->*signal)(std::forward<Args>(args)...);
    happensAfter(this);
}

void SerialThread::run() {
    SerialPort port;
    // Created parked: nothing happens before the first connect or the shutdown.
    park();
    for (;;) {
        if (!m_portOpen.load()) {
            if (m_openRequest.load()) {
                openPort(port);
            }
        } else {
            inputOutputPass(port);
        }
        if (m_exitRequest.load()) {
            if (m_portOpen.load()) {
                // One more pass: the close request set at shutdown closes the port.
                continue;
            }
            break;
        }
        // Closed with nothing to do (after a close, a failed open or a failed close): wait for
        // the next connect or the shutdown instead of polling the flags.
        if (!m_portOpen.load() && !m_openRequest.load()) {
            park();
        }
    }
    m_transmitQueue.clear();
    {
        std::lock_guard lock(m_mutex);
        m_errorList.clear();
    }
    notify(&SerialThread::workerExiting);
    happensBefore(this);
}

bool SerialThread::openPort(SerialPort& port) {
    if (m_portOpen.load()) {
        return false;
    }
    PortSettings settings;
    QString path;
    {
        std::lock_guard lock(m_mutex);
        settings = m_requestedSettings;
        path = m_devicePath;
    }
    QString text;
    if (!port.open(settings, path, text)) {
        const QString reason = port.failureReason();
        setErrorText(text);
        {
            std::lock_guard lock(m_mutex);
            m_errorList.append(text);
        }
        // Cleared before the notification, so that a connect made meanwhile is not lost.
        m_openRequest = false;
        notify(&SerialThread::openFailed, text, reason);
        return false;
    }
    m_portOpen = true;
    m_handOff = kFree;
    port.raiseRts();
    // Whatever the line held before the open is not the unit's answer to anything.
    port.purge();
    notify(&SerialThread::portOpened);
    m_openRequest = false;
    return true;
}

void SerialThread::inputOutputPass(SerialPort& port) {
    writePass(port);
    if (m_transmitQueue.empty() && m_drainRequest.exchange(false)) {
        drainStep(port);
    }
    if (!bytePending()) {
        readStep(port);
    } else {
        // Nobody has taken the last byte (no receiver is connected, or it takes it later):
        // wait as long as a read would, rather than spin.
        std::unique_lock lock(m_mutex);
        m_wakeUp.wait_for(lock, std::chrono::milliseconds(SerialPort::kTimeoutMs),
                          [this] { return !bytePending(); });
    }
    if (m_closeRequest.load() && m_portOpen.load()) {
        closeStep(port);
    }
}

void SerialThread::writePass(SerialPort& port) {
    while (const auto byte = m_transmitQueue.front()) {
        switch (port.writeByte(*byte)) {
            case SerialPort::Io::Done:
                m_transmitQueue.popFront();
                break;
            case SerialPort::Io::TimedOut:
                // The byte stays first in the queue; the next pass tries again, so that a stalled
                // line still lets the worker read and see a close request.
                return;
            case SerialPort::Io::Failed:
                writeFailed();
                return;
        }
    }
}

void SerialThread::writeFailed() {
    notify(&SerialThread::failureMessage, kWriteFailed);
    m_openRequest = false;
    m_closeRequest = true;
}

void SerialThread::drainStep(SerialPort& port) {
    // Bytes queued just before the request may have come after the write pass found the queue
    // empty; the request, read after them, makes them visible now.
    writePass(port);
    if (!m_transmitQueue.empty()) {
        m_drainRequest = true;
        return;
    }
    switch (port.drain()) {
        case SerialPort::Io::Done:
            notify(&SerialThread::portDrained, Clock::now());
            break;
        case SerialPort::Io::TimedOut:
            // A stalled line: the next pass waits again, still able to read and to close.
            m_drainRequest = true;
            break;
        case SerialPort::Io::Failed:
            // The close that follows answers the request.
            m_drainRequest = true;
            writeFailed();
            break;
    }
}

void SerialThread::answerDrainRequest() {
    if (m_drainRequest.exchange(false)) {
        notify(&SerialThread::portDrained, Clock::now());
    }
}

void SerialThread::readStep(SerialPort& port) {
    std::uint8_t byte = 0;
    // A byte still to be written, or a drain still to be seen through, keeps the wait short, so
    // that the next pass tries again.
    const bool quiet = m_transmitQueue.empty() && !m_drainRequest.load();
    const int waitMs = quiet ? kQuietReadWaitMs : SerialPort::kTimeoutMs;
    switch (port.readByte(byte, waitMs, &m_lineWaker)) {
        case SerialPort::Io::Done:
            handOver(byte, port.bufferedInput() >= kBurstBytes);
            break;
        case SerialPort::Io::TimedOut:
            break;
        case SerialPort::Io::Failed:
            setErrorText(kReadFailed);
            m_openRequest = false;
            m_closeRequest = true;
            break;
    }
}

void SerialThread::handOver(std::uint8_t byte, bool moreWaiting) {
    m_receivedByte = byte;
    m_moreWaiting = moreWaiting;
    int expected = kWatching;
    if (!m_handOff.compare_exchange_strong(expected, kHanded)) {
        // Nobody watches (the state is free, and only this thread leaves free): announce it.
        m_handOff = kPosted;
        if (m_silent.load()) {
            return;
        }
        announceByte();
    }
    if (moreWaiting) {
        const auto watchUntil = Clock::now() + kWorkerWatchTime;
        while (bytePending() && Clock::now() < watchUntil) {
        }
    }
    if (bytePending()) {
        std::unique_lock lock(m_mutex);
        m_wakeUp.wait(lock, [this] { return !bytePending() || m_closeRequest.load(); });
    }
}

void SerialThread::announceByte() {
    if (m_guiWaker.valid()) {
        m_guiWaker.wake();
        return;
    }
    auto* event = new QEvent(kByteEvent);
    happensBefore(&m_receivedByte);
    QCoreApplication::postEvent(this, event);
}

void SerialThread::closeStep(SerialPort& port) {
    m_portOpen = false;
    if (port.close()) {
        notify(&SerialThread::portClosed);
        m_closeRequest = false;
    } else {
        notify(&SerialThread::failureMessage, kCloseFailed);
    }
    answerDrainRequest();
}

}  // namespace tresvik
