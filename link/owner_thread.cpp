#include "link/owner_thread.h"

#include <cstdio>
#include <cstdlib>

namespace tresvik {

void OwnerThread::fail() const {
    std::fprintf(stderr, "tresvik: %s used from a thread it does not belong to\n", m_what);
    std::abort();
}

}  // namespace tresvik
