// Fault runs: four emulated units work at once while one of them misbehaves;
// only that channel may fail, with its own line and a red gauge, nothing
// hangs, and a following search finds the units again.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "link/OpsTestUtil.h"
#include "link/StatusMsgCy.h"
#include "link/TelvicComm.h"

namespace {

using Lines = std::vector<std::string>;
using emu::TFault;

constexpr std::uint16_t kImageKB = 16;  // four program blocks
constexpr int kFaultBlockArg = 8;       // the third block carries the fault
constexpr int kMaxTimeoutTicks = 1000;  // the longest time-out of any step

const Lines kAutoLines = {"擦除芯片操作成功！", "开始芯片编程...", "编程操作成功！", "开始数据校验......",
                          "数据校验成功！", "写Security Data...", "写Security Data操作成功！", "芯片烧写成功！"};

void ExpectGauge(const TGauge& g, TGaugeColor color)
{
    EXPECT_EQ(g.ForeColor(), color);
    EXPECT_EQ(g.Progress(), g.MaxValue());
}

// The search again, with the lost unit (if any) no longer listed, as when it
// is unplugged: every unit still attached is found and connected.
void ExpectFoundAgain(TLinkRig& rig, const emu::TProgrammerEmulator* lost)
{
    std::vector<std::string> paths;
    for (int i = 0; i < rig.UnitCount(); ++i)
        if (&rig.Unit(i) != lost) paths.push_back(rig.Unit(i).Path());
    rig.Lister = std::make_unique<TFixedPortLister>(paths);
    rig.Search({}, static_cast<int>(paths.size()));
    auto connected = [](const std::string& path) {
        for (const TChannelState& ch : Channels)
            if (ch.ComPortName == path && ch.Connected) return true;
        return false;
    };
    for (const std::string& path : paths) {
        EXPECT_TRUE(rig.Pump([&] { return connected(path); })) << path << " not found again";
    }
}

// A rig with four units found on channels 1 to 4 and a 16 KiB PSoC 1 image.
struct TFourUnits {
    TFourUnits() : rig(Units(kChannelCount))
    {
        rig.Search({}, kChannelCount);
        EXPECT_EQ(ProgrammerCount, kChannelCount);
        CurChip.FamilyCode = 0x20;
        LoadImage(kImageKB, 11);
    }
    // Runs the timer until the channel's operation ends; false when it does not.
    bool TickUntilIdle(int channel)
    {
        for (int i = 0; i <= kMaxTimeoutTicks && Channels[channel].Busy; ++i) rig.Tick(1);
        return Channels[channel].Busy == 0;
    }
    bool WaitRequest(emu::TProgrammerEmulator& u, std::uint8_t code, int arg)
    {
        return rig.Pump([&] {
            for (const emu::TRequest& r : u.Requests())
                if (r.code == code && (arg < 0 || r.arg == arg)) return true;
            return false;
        });
    }
    void ExpectFoundAgain(const emu::TProgrammerEmulator* lost = nullptr) { ::ExpectFoundAgain(rig, lost); }
    TLinkRig rig;
};

// ---- faults during the automatic sequence ------------------------------------

struct TFaultCase {
    const char* Label;
    int Channel;
    // Set up before the run (a fault rule), and sent once the faulted request is out.
    std::function<void(emu::TProgrammerEmulator&)> Before;
    std::function<void(emu::TProgrammerEmulator&)> During;
    std::string Line;  // the faulted channel's last chip line; empty: it succeeds
    bool ByTimeout;    // the line comes only when the time runs out
};

emu::TFaultRule OnThirdBlock(TFault f) { return {emu::kCmdProgFlash, kFaultBlockArg, 1, f}; }

emu::Bytes Oversized()
{
    emu::Bytes b(kRxFrameBufSize + 100, 0x5A);
    b.front() = 0xC0;
    b.back() = 0xC0;
    return b;
}

class AutoWithFault : public ::testing::TestWithParam<TFaultCase> {};

TEST_P(AutoWithFault, OnlyTheFaultedChannelEndsDifferently)
{
    const TFaultCase& c = GetParam();
    TFourUnits four;
    TLinkRig& rig = four.rig;
    emu::TProgrammerEmulator& faulty = *rig.UnitOf(c.Channel);
    if (c.Before) c.Before(faulty);
    for (int ch = 0; ch < kChannelCount; ++ch) rig.Start(ch, TRigOp::Auto);
    if (c.During) {
        ASSERT_TRUE(four.WaitRequest(faulty, emu::kCmdProgFlash, kFaultBlockArg));
        rig.Settle();
        c.During(faulty);
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (ch != c.Channel) {
            ASSERT_TRUE(rig.WaitIdle(ch)) << "channel " << ch + 1;
        }
    }
    if (c.ByTimeout) {
        rig.Settle(100);
        EXPECT_EQ(Channels[c.Channel].Busy, 1) << "ended before its time-out";
        ASSERT_TRUE(four.TickUntilIdle(c.Channel));
    } else {
        ASSERT_TRUE(rig.WaitIdle(c.Channel));
    }
    rig.Settle();

    for (int ch = 0; ch < kChannelCount; ++ch) {
        SCOPED_TRACE("channel " + std::to_string(ch + 1));
        const Lines lines = ChannelLines(rig.Log, "芯片", ch);
        if (ch != c.Channel || c.Line.empty()) {
            EXPECT_EQ(lines, kAutoLines);
            ExpectGauge(rig.Gauges[ch], TGaugeColor::Blue);
            EXPECT_EQ(rig.UnitOf(ch)->ChipFlash(0, kImageKB * 1024u), Bytes(ImageBufs.MainFlashBuf, kImageKB * 1024u));
        } else {
            const Lines expected = {"擦除芯片操作成功！", "开始芯片编程...", c.Line};
            EXPECT_EQ(lines, expected);
            ExpectGauge(rig.Gauges[ch], TGaugeColor::Red);
        }
    }
    EXPECT_EQ(rig.Image.Advances, c.Line.empty() ? 4 : 3);
    four.ExpectFoundAgain();
}

const emu::Bytes kNoiseWithDelimiters = {0x11, 0x22, 0xC0, 0x33, 0x44, 0xC0, 0x55};

INSTANTIATE_TEST_SUITE_P(
    Faults, AutoWithFault,
    ::testing::Values(
        TFaultCase{"reply_in_one_byte_chunks", 1, [](auto& u) { u.AddFault(OnThirdBlock({TFault::Kind::Split, 0, 1, 300})); }, {}, "", false},
        TFaultCase{"garbage_without_delimiter", 2, [](auto& u) { u.AddFault(OnThirdBlock({TFault::Kind::Garbage, 0, 500})); }, {}, "", false},
        TFaultCase{"silence", 2, [](auto& u) { u.AddFault(OnThirdBlock({TFault::Kind::Silence})); }, {}, "操作超时！", true},
        TFaultCase{"corrupted_check_value", 0, [](auto& u) { u.AddFault(OnThirdBlock({TFault::Kind::BadCrc})); }, {}, "数据包校验错误！", false},
        TFaultCase{"bad_escape", 3, [](auto& u) { u.AddFault(OnThirdBlock({TFault::Kind::BadEscape})); }, {}, "数据包错误！", false},
        TFaultCase{"short_frame", 1, [](auto& u) { u.AddFault(OnThirdBlock({TFault::Kind::ShortFrame, 0, 4})); }, {}, "数据包错误！", false},
        TFaultCase{"garbage_with_delimiters", 0, [](auto& u) { u.AddFault(OnThirdBlock({TFault::Kind::Silence})); },
                   [](auto& u) { u.SendRaw(kNoiseWithDelimiters); }, "数据包错误！", false},
        TFaultCase{"oversized_frame", 3, [](auto& u) { u.AddFault(OnThirdBlock({TFault::Kind::Silence})); },
                   [](auto& u) { u.SendRaw(Oversized()); }, "操作超时！", true}),
    [](const ::testing::TestParamInfo<TFaultCase>& i) { return std::string(i.param.Label); });

// ---- status codes ------------------------------------------------------------

TEST(FaultRuns, EveryStatusCodeEndsOnlyItsOwnChannel)
{
    TFourUnits four;
    TLinkRig& rig = four.rig;
    constexpr int kSuccessCode = 6;
    for (int code = 1; code <= 0xFF; ++code) {
        if (code == kSuccessCode) continue;
        const int faulted = code % kChannelCount;
        SCOPED_TRACE("code " + std::to_string(code) + " on channel " + std::to_string(faulted + 1));
        rig.UnitOf(faulted)->AddFault({emu::kCmdOp, emu::kOpErase, 1, {TFault::Kind::Status, code}});
        rig.Log.Lines.clear();
        for (int ch = 0; ch < kChannelCount; ++ch) rig.Start(ch, TRigOp::Erase);
        ASSERT_TRUE(rig.WaitAllIdle(5000));
        for (int ch = 0; ch < kChannelCount; ++ch) {
            const Lines lines = ChannelLines(rig.Log, "芯片", ch);
            if (ch == faulted) {
                EXPECT_EQ(lines, Lines{StatusMessageText(ch, static_cast<unsigned>(code)).substr(ChipLinePrefix(ch).size())});
                ExpectGauge(rig.Gauges[ch], TGaugeColor::Red);
            } else {
                EXPECT_EQ(lines, Lines{"擦除芯片操作成功！"});
                ExpectGauge(rig.Gauges[ch], TGaugeColor::Blue);
            }
        }
        if (HasFailure()) break;
    }
    four.ExpectFoundAgain();
}

// ---- idle channels, downloads and discovery -------------------------------------

TEST(FaultRuns, GarbageWithDelimitersOnAnIdleChannelTurnsOnlyItsGaugeRed)
{
    TFourUnits four;
    TLinkRig& rig = four.rig;
    constexpr int kIdle = 2;
    for (int ch = 0; ch < kChannelCount; ++ch)
        if (ch != kIdle) rig.Start(ch, TRigOp::Auto);
    rig.UnitOf(kIdle)->SendRaw(kNoiseWithDelimiters);
    ASSERT_TRUE(rig.WaitAllIdle());
    rig.Settle();
    EXPECT_EQ(ChannelLines(rig.Log, "芯片", kIdle), Lines{"数据包错误！"});
    ExpectGauge(rig.Gauges[kIdle], TGaugeColor::Red);
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (ch == kIdle) continue;
        EXPECT_EQ(ChannelLines(rig.Log, "芯片", ch), kAutoLines) << "channel " << ch + 1;
        ExpectGauge(rig.Gauges[ch], TGaugeColor::Blue);
    }
    four.ExpectFoundAgain();
}

TEST(FaultRuns, OversizedFrameIsDroppedAndTheChannelResynchronises)
{
    TFourUnits four;
    TLinkRig& rig = four.rig;
    constexpr int kCh = 1;
    rig.UnitOf(kCh)->SendRaw(Oversized());
    rig.Settle(100);
    EXPECT_TRUE(ChannelLines(rig.Log, "芯片", kCh).empty());
    // The next exchange on that channel goes through whole.
    for (int ch = 0; ch < kChannelCount; ++ch) rig.Start(ch, TRigOp::Auto);
    ASSERT_TRUE(rig.WaitAllIdle());
    for (int ch = 0; ch < kChannelCount; ++ch) {
        EXPECT_EQ(ChannelLines(rig.Log, "芯片", ch), kAutoLines) << "channel " << ch + 1;
        ExpectGauge(rig.Gauges[ch], TGaugeColor::Blue);
    }
}

TEST(FaultRuns, DisconnectMidDownloadEndsThatChannelByItsTimeout)
{
    TFourUnits four;
    TLinkRig& rig = four.rig;
    constexpr int kCh = 3;
    emu::TProgrammerEmulator* lost = rig.UnitOf(kCh);
    lost->AddFault({emu::kCmdDlFlash, kFaultBlockArg, 1, {TFault::Kind::Disconnect, 0, 3}});
    for (int ch = 0; ch < kChannelCount; ++ch) rig.Start(ch, TRigOp::Download);
    ASSERT_TRUE(rig.Pump([] { return Channels[kCh].Connected == 0; }));
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (ch != kCh) {
            ASSERT_TRUE(rig.WaitIdle(ch));
        }
    }
    rig.Settle();
    EXPECT_EQ(Channels[kCh].Busy, 1);
    ASSERT_TRUE(four.TickUntilIdle(kCh));
    EXPECT_EQ(ChannelLines(rig.Log, "编程器", kCh).back(), "操作超时！");
    ExpectGauge(rig.Gauges[kCh], TGaugeColor::Red);
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (ch == kCh) continue;
        EXPECT_EQ(ChannelLines(rig.Log, "编程器", ch).back(), "数据下载成功！") << "channel " << ch + 1;
        ExpectGauge(rig.Gauges[ch], TGaugeColor::Blue);
    }
    four.ExpectFoundAgain(lost);
}

TEST(FaultRuns, WrongIdentifyNameLeavesThatChannelQuietlyUnconnected)
{
    std::vector<emu::TEmulatorConfig> cfgs(kChannelCount);
    cfgs[1].name = "Telvic100Xy_OtherUnit_V9.1";
    TLinkRig rig(cfgs);
    rig.Search({}, kChannelCount - 1);
    rig.Settle(100);
    EXPECT_EQ(ProgrammerCount, kChannelCount - 1);
    int strangers = 0;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const bool stranger = rig.UnitOf(ch) == &rig.Unit(1);
        SCOPED_TRACE("channel " + std::to_string(ch + 1));
        EXPECT_EQ(Channels[ch].Connected, stranger ? 0 : 1);
        EXPECT_EQ(rig.Gauges[ch].ForeColor(), TGaugeColor::Blue);
        EXPECT_EQ(rig.Gauges[ch].Enabled(), !stranger);
        EXPECT_EQ(rig.Log.With("找到设备" + std::to_string(ch + 1)).size(), stranger ? 0u : 1u);
        if (stranger) {
            ++strangers;
            EXPECT_TRUE(ChannelLines(rig.Log, "芯片", ch).empty());
            EXPECT_TRUE(ChannelLines(rig.Log, "编程器", ch).empty());
        }
    }
    EXPECT_EQ(strangers, 1);
    // The other three work on.
    CurChip.FamilyCode = 0x20;
    LoadImage(kImageKB, 5);
    for (int ch = 0; ch < kChannelCount; ++ch)
        if (Channels[ch].Connected) rig.Start(ch, TRigOp::Auto);
    ASSERT_TRUE(rig.WaitAllIdle());
    EXPECT_EQ(rig.Image.Advances, kChannelCount - 1);
}

TEST(FaultRuns, PortGoneBetweenListingAndOpeningEndsTheSearchThere)
{
    TLinkRig rig(Units(kChannelCount));
    std::vector<std::string> sorted;
    for (int i = 0; i < kChannelCount; ++i) sorted.push_back(rig.Unit(i).Path());
    std::sort(sorted.begin(), sorted.end(), TPortListBox::LessText);
    emu::TProgrammerEmulator* third = nullptr;
    for (int i = 0; i < kChannelCount; ++i)
        if (rig.Unit(i).Path() == sorted[2]) third = &rig.Unit(i);
    int pauses = 0;
    const TSearchResult r = rig.Search(
        [&](int) {
            if (++pauses == 2) third->Disconnect();  // channels 1 and 2 are open
        },
        2);
    EXPECT_TRUE(r.Stopped);
    EXPECT_EQ(r.Channel, 2);
    EXPECT_EQ(r.Message, "Error opening serial port:" + sorted[2]);
    EXPECT_EQ(rig.Log.With("查找设备").size(), 3u);
    EXPECT_EQ(ProgrammerCount, 2);
    EXPECT_EQ(Channels[3].Connected, 0);
    for (int i = 0; i < kChannelCount; ++i)
        if (rig.Unit(i).Path() == sorted[3]) {
            EXPECT_EQ(rig.Unit(i).RequestCount(), 0u);  // the fourth port was never searched
        }
    ExpectFoundAgain(rig, third);
}

}  // namespace
