// Waiting in the window benchmarks: the event loop runs until a condition holds, while a timer
// that asks to tick every 10 ms records its longest gap, the longest the window could not
// answer a key or paint.
#pragma once

#include <functional>

namespace zv::bench {

struct EventLoopWait {
    double ms = -1;       // until done held; -1: not within the time allowed
    double stall_ms = 0;  // the longest gap between the ticks meanwhile, the last one's too
};

// Starts the ticks, calls start() (an action whose own time counts as a gap), then runs the
// event loop until done() or for at most timeout_ms, calling each() at every tick.
EventLoopWait RunEventLoop(const std::function<bool()>& done, int timeout_ms,
                           const std::function<void()>& start = {},
                           const std::function<void()>& each = {});

}  // namespace zv::bench
