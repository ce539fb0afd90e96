#pragma once

namespace tresvik {

// Lets another thread cut short the serial worker's wait for input: the worker waits on its
// port and on this at once, so it can wait for the unit as long as the unit is silent and still
// see at once a frame to send or a request to close. A pipe, where the system has them; where
// it has not, valid() is false and the worker waits in short steps instead.
class LineWaker {
public:
    LineWaker();
    ~LineWaker();
    LineWaker(const LineWaker&) = delete;
    LineWaker& operator=(const LineWaker&) = delete;

    bool valid() const { return m_readEnd >= 0; }
    // The descriptor that turns readable after wake(); for the worker's poll.
    int waitHandle() const { return m_readEnd; }
    // Any thread; never blocks. Wakes that come before the worker has seen one fold into one.
    void wake();
    // The worker, after its poll has seen the wake.
    void clear();

private:
    int m_readEnd = -1;
    int m_writeEnd = -1;
};

}  // namespace tresvik
