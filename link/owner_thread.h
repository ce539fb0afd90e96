#pragma once

#include <thread>

namespace tresvik {

// The thread an object belongs to: the one that made it. Objects that only one thread ever uses
// carry no locks; this check makes a call from any other thread stop the program at once with a
// message, instead of racing unnoticed.
class OwnerThread {
public:
    // `what` names the object in the message.
    explicit OwnerThread(const char* what) : m_what(what) {}

    void check() const {
        if (std::this_thread::get_id() != m_id) {
            fail();
        }
    }

private:
    [[noreturn]] void fail() const;

    const char* m_what;
    std::thread::id m_id = std::this_thread::get_id();
};

}  // namespace tresvik
