// EventLoopWait: lets a test run the GUI thread's event loop until something happened or
// a deadline passed, so that events posted from worker threads are delivered.
#pragma once

#include <QCoreApplication>
#include <QEventLoop>

#include <chrono>
#include <thread>

// Processes events until done() or the time-out; returns done().
template <typename Pred>
bool SpinUntil(Pred done, std::chrono::milliseconds timeout = std::chrono::milliseconds(5000))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

// Processes events for the whole period.
inline void SpinFor(std::chrono::milliseconds period)
{
    (void)SpinUntil([] { return false; }, period);
}
