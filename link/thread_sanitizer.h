#pragma once

// Qt joins its threads and carries out blocking signal deliveries through futexes inside its own
// library. The thread sanitizer does not see them when Qt is not built with it, and would take
// what the serial worker and the GUI thread do on either side of them for races. These calls
// state the ordering that QThread::wait() and Qt::BlockingQueuedConnection guarantee: what one
// thread did before happensBefore(tag) is seen by the other after happensAfter(tag). In every
// other build they are empty.

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TRESVIK_THREAD_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define TRESVIK_THREAD_SANITIZER 1
#endif

#ifdef TRESVIK_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

namespace tresvik {

inline void happensBefore([[maybe_unused]] const void* tag) {
#ifdef TRESVIK_THREAD_SANITIZER
    __tsan_release(const_cast<void*>(tag));
#endif
}

inline void happensAfter([[maybe_unused]] const void* tag) {
#ifdef TRESVIK_THREAD_SANITIZER
    __tsan_acquire(const_cast<void*>(tag));
#endif
}

}  // namespace tresvik
