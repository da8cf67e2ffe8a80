#include "event_loop_wait.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <algorithm>

namespace zv::bench {

EventLoopWait RunEventLoop(const std::function<bool()>& done, int timeout_ms,
                           const std::function<void()>& start, const std::function<void()>& each) {
    EventLoopWait wait;
    QElapsedTimer clock, tick;
    const auto gap = [&] {
        wait.stall_ms = std::max(wait.stall_ms, static_cast<double>(tick.nsecsElapsed()) / 1e6);
        tick.restart();
    };
    QTimer ticks;
    ticks.setInterval(10);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        gap();
        if (each) each();
    });
    ticks.start();
    clock.start();
    tick.start();
    if (start) start();
    if (QTest::qWaitFor(done, timeout_ms))
        wait.ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    gap();
    return wait;
}

}  // namespace zv::bench
