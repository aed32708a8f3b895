// bench_link_turnaround: programs a 256 KiB image through real ports on
// pseudo-terminals into emulated units, on one channel and then on four, and
// prints the PC's turnaround per block and the four-channel scaling.
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "link/LinkRig.h"
#include "link/TelvicComm.h"

namespace {
constexpr std::uint16_t kImageKB = 256;
constexpr int kRounds = 3;
constexpr int kTimerMs = 15;
constexpr double kQuietMs = 5.0;
constexpr double kMedianSlackMs = 1.0;
constexpr double kP99SlackMs = 3.0;
constexpr double kScalingGoal = 1.2;

using Ms = std::chrono::duration<double, std::milli>;

// Runs the GUI thread's event loop, with the 15 ms timer step, until every
// channel is idle again. Returns the elapsed time.
double RunUntilIdle()
{
    const auto t0 = std::chrono::steady_clock::now();
    QEventLoop loop;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        Timer1Timer();
        if (std::all_of(std::begin(Channels), std::end(Channels), [](const TChannelState& c) { return c.Busy == 0; }))
            loop.quit();
    });
    timer.start(kTimerMs);
    loop.exec();
    return Ms(std::chrono::steady_clock::now() - t0).count();
}

// Time from the end of each reply to the first byte of the next request.
void CollectTurnarounds(emu::TProgrammerEmulator& u, std::vector<double>& out)
{
    const auto reqs = u.Requests();
    const auto done = u.ReplyDoneTimes();
    for (std::size_t i = 0; i + 1 < reqs.size() && i < done.size(); ++i)
        out.push_back(Ms(reqs[i + 1].firstByte - done[i]).count());
}

double Percentile(std::vector<double> v, double p)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t at = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[at];
}

double RunProgram(TLinkRig& rig, int channels, std::vector<double>& turnarounds)
{
    for (int ch = 0; ch < channels; ++ch) rig.UnitOf(ch)->ClearRequests();
    for (int ch = 0; ch < channels; ++ch) rig.Start(ch, TRigOp::Program);
    const double ms = RunUntilIdle();
    for (int ch = 0; ch < channels; ++ch) {
        if (!rig.Log.Has("芯片" + std::to_string(ch + 1) + " ：编程操作成功！"))
            std::fprintf(stderr, "channel %d did not finish its program run\n", ch + 1);
        CollectTurnarounds(*rig.UnitOf(ch), turnarounds);
    }
    rig.Log.Lines.clear();
    return ms;
}
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TLinkRig rig{std::vector<emu::TEmulatorConfig>(kChannelCount)};
    rig.Search({}, kChannelCount);
    if (ProgrammerCount != kChannelCount) {
        std::fprintf(stderr, "only %d units found\n", ProgrammerCount);
        return 1;
    }
    CurChip.FamilyCode = 0x20;
    LoadImage(kImageKB, 1);

    std::vector<double> one, four, turnOne, turnFour;
    for (int r = 0; r < kRounds; ++r) {
        one.push_back(RunProgram(rig, 1, turnOne));
        four.push_back(RunProgram(rig, kChannelCount, turnFour));
    }
    std::vector<double> all = turnOne;
    all.insert(all.end(), turnFour.begin(), turnFour.end());
    const double median = Percentile(all, 0.5);
    const double p99 = Percentile(all, 0.99);
    const double t1 = Percentile(one, 0.5);
    const double t4 = Percentile(four, 0.5);
    const double ratio = t4 / t1;
    auto mark = [](bool ok) { return ok ? "met" : "MISSED"; };

    std::printf("256 KiB program run, %d blocks per channel, %d rounds\n", kImageKB / 4, kRounds);
    std::printf("turnaround per block (%zu blocks): median %.2f ms, p99 %.2f ms, max %.2f ms\n", all.size(), median, p99,
                Percentile(all, 1.0));
    std::printf("  histogram (1 ms bins from 4 ms):");
    for (int b = 4; b < 16; ++b)
        std::printf(" %ld", static_cast<long>(std::count_if(all.begin(), all.end(), [b](double v) { return v >= b && v < b + 1; })));
    std::printf("\n");
    std::printf("  one channel : median %.2f ms, p99 %.2f ms\n", Percentile(turnOne, 0.5), Percentile(turnOne, 0.99));
    std::printf("  four channels: median %.2f ms, p99 %.2f ms\n", Percentile(turnFour, 0.5), Percentile(turnFour, 0.99));
    std::printf("goal: median within %.0f ms of the %.0f ms quiet interval (<= %.1f ms): %s\n", kMedianSlackMs, kQuietMs,
                kQuietMs + kMedianSlackMs, mark(median <= kQuietMs + kMedianSlackMs));
    std::printf("goal: p99 within %.0f ms of it (<= %.1f ms): %s\n", kP99SlackMs, kQuietMs + kP99SlackMs,
                mark(p99 <= kQuietMs + kP99SlackMs));
    std::printf("program time: one channel %.1f ms, four channels %.1f ms, ratio %.2f\n", t1, t4, ratio);
    std::printf("goal: four channels within %.1fx of one: %s\n", kScalingGoal, mark(ratio <= kScalingGoal));
    return 0;
}
