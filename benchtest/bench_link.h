#pragma once

namespace tresvik {

// What a bench test run needs from the link besides the frame writer: word of when the bytes it
// sent have physically left the port, since a step's time-out runs from that moment.
class BenchLink {
public:
    virtual ~BenchLink() = default;
    // The run is told once, through SuiteRunner::sendDrained(), when every byte queued so far
    // has left the port.
    virtual void requestDrainReport() = 0;
};

}  // namespace tresvik
