#pragma once

#include <atomic>
#include <thread>

namespace tresvik::test {

// A latch whose waiters spin. std::latch cannot be used: where there is no futex (Windows),
// libstdc++ 12 loses a count-down that comes between its waiter's check and its sleep, and the
// waiter hangs for good. Spinning also lets threads started together leave the latch together,
// which the race tests want.
class SpinLatch {
public:
    explicit SpinLatch(int count) : m_count(count) {}
    SpinLatch(const SpinLatch&) = delete;
    SpinLatch& operator=(const SpinLatch&) = delete;

    void countDown() { m_count.fetch_sub(1, std::memory_order_release); }
    void wait() const {
        while (m_count.load(std::memory_order_acquire) > 0) {
            std::this_thread::yield();
        }
    }
    void arriveAndWait() {
        countDown();
        wait();
    }

private:
    std::atomic<int> m_count;
};

}  // namespace tresvik::test
