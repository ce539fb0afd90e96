#include "link/line_waker.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tresvik {

LineWaker::LineWaker() {
#ifdef Q_OS_UNIX
    int ends[2];
    if (::pipe(ends) != 0) {
        return;
    }
    for (const int end : ends) {
        ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
        ::fcntl(end, F_SETFD, FD_CLOEXEC);
    }
    m_readEnd = ends[0];
    m_writeEnd = ends[1];
#endif
}

LineWaker::~LineWaker() {
#ifdef Q_OS_UNIX
    if (valid()) {
        ::close(m_readEnd);
        ::close(m_writeEnd);
    }
#endif
}

void LineWaker::wake() {
#ifdef Q_OS_UNIX
    if (valid()) {
        // A full pipe is already a wake.
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_writeEnd, &byte, 1);
    }
#endif
}

void LineWaker::clear() {
#ifdef Q_OS_UNIX
    char buffer[64];
    while (valid() && ::read(m_readEnd, buffer, sizeof buffer) > 0) {
    }
#endif
}

}  // namespace tresvik
