// serial_latency: over a pseudo-terminal pair, the delay from the far end's last byte to
// OnReceiveData on the GUI thread, and CloseComm's time with both threads busy (figures only).
#include "serial/SerialComm.h"
#include "support/AppPortSettings.h"
#include "support/PtyPair.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int kDeliveryRuns = 300;
constexpr int kCloseRuns = 20;
constexpr double kDeliveryGoalBeyondIntervalMs = 1.0;
constexpr double kCloseGoalMs = 50.0;
constexpr int kLostChunkMs = 1000;
constexpr std::size_t kMessageBytes = 16;
constexpr std::size_t kFeedBytes = 512;
constexpr std::uint16_t kWriteBlockBytes = 60000;
constexpr int kQueuedBlocks = 4;
constexpr auto kBusyPeriod = std::chrono::milliseconds(30);
constexpr int kIdleWaitUs = 100;

double Percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

// Runs the event loop until the next chunk arrives; false when none came in time.
bool AwaitChunk(QEventLoop& loop, QTimer& deadline, bool& arrived)
{
    arrived = false;
    deadline.start(kLostChunkMs);
    loop.exec();
    deadline.stop();
    return arrived;
}

void MeasureDelivery()
{
    TPtyPair pty;
    TComm comm;
    UseAppPortSettings(comm, pty.SlavePath());
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    bool arrived = false;
    Clock::time_point deliveredAt;
    comm.OnReceiveData = [&](TComm*, void*, std::uint16_t) {
        deliveredAt = Clock::now();
        arrived = true;
        loop.quit();
    };
    comm.OpenComm();

    const std::vector<std::uint8_t> message(kMessageBytes, 0x5A);
    std::vector<double> delays;
    int lost = 0;
    for (int run = 0; run < kDeliveryRuns; ++run) {
        pty.WriteAll(message.data(), message.size());
        const auto sent = Clock::now();
        if (AwaitChunk(loop, deadline, arrived))
            delays.push_back(Ms(deliveredAt - sent).count());
        else
            ++lost;
    }
    comm.CloseComm();
    if (delays.empty()) {
        std::printf("delivery: no chunk arrived\n");
        return;
    }
    const double median = Percentile(delays, 0.5);
    const double p99 = Percentile(delays, 0.99);
    std::printf("delivery delay, far end's last byte -> OnReceiveData on the GUI thread "
                "(%d runs of %zu bytes, quiet interval %u ms, %d lost):\n",
                kDeliveryRuns, kMessageBytes, kAppPortReadIntervalMs, lost);
    std::printf("  median %.3f ms (%.3f ms beyond the interval), p99 %.3f ms, max %.3f ms\n", median,
                median - kAppPortReadIntervalMs, p99, Percentile(delays, 1.0));
    std::printf("  goal: median at most %.1f ms beyond the interval -> %s\n",
                kDeliveryGoalBeyondIntervalMs,
                median - kAppPortReadIntervalMs <= kDeliveryGoalBeyondIntervalMs ? "met" : "NOT met");
}

// The far end keeps sending and draining while the port closes.
void MeasureClose(bool drainFarEnd)
{
    std::vector<double> times;
    for (int run = 0; run < kCloseRuns; ++run) {
        TPtyPair pty;
        ::fcntl(pty.Master(), F_SETFL, ::fcntl(pty.Master(), F_GETFL) | O_NONBLOCK);
        TComm comm;
        UseAppPortSettings(comm, pty.SlavePath());
        std::size_t received = 0;
        comm.OnReceiveData = [&](TComm*, void*, std::uint16_t n) { received += n; };
        comm.OpenComm();

        std::atomic<bool> stop{false};
        std::thread feeder([&] {
            const std::vector<std::uint8_t> feed(kFeedBytes, 0x33);
            while (!stop.load()) {
                if (::write(pty.Master(), feed.data(), feed.size()) <= 0)
                    ::usleep(kIdleWaitUs);
            }
        });
        std::thread drain([&] {
            std::uint8_t buf[4096];
            while (drainFarEnd && !stop.load()) {
                if (::read(pty.Master(), buf, sizeof buf) <= 0)
                    ::usleep(kIdleWaitUs);
            }
        });
        const std::vector<std::uint8_t> block(kWriteBlockBytes, 0x44);
        for (int i = 0; i < kQueuedBlocks; ++i)
            comm.SendCommData(block.data(), kWriteBlockBytes);
        const auto busyUntil = Clock::now() + kBusyPeriod;
        while (Clock::now() < busyUntil)
            QCoreApplication::processEvents();

        const auto start = Clock::now();
        comm.CloseComm();
        times.push_back(Ms(Clock::now() - start).count());
        stop.store(true);
        feeder.join();
        drain.join();
    }
    const double worst = Percentile(times, 1.0);
    std::printf("CloseComm with the reader receiving and the writer %s (%d runs):\n",
                drainFarEnd ? "writing" : "blocked on a full line", kCloseRuns);
    std::printf("  median %.3f ms, max %.3f ms; goal: under %.0f ms -> %s\n", Percentile(times, 0.5),
                worst, kCloseGoalMs, worst < kCloseGoalMs ? "met" : "NOT met");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    MeasureDelivery();
    MeasureClose(true);
    MeasureClose(false);
    return 0;
}
