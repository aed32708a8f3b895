// The programmers' stand-alone reports end to end: stage lines and gauges,
// good/failed counters and totals, and the log saved at every 1000th result.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "link/HdlRxInfoPkt.h"
#include "link/OpsTestUtil.h"

namespace {

struct TReportStep {
    int Channel;
    std::uint8_t Stage, Result;
    std::uint16_t Progress, Maximum;
    bool BadSum;
    std::vector<TRigLine> NewLines;
    int GaugeProgress, GaugeMax;
    TGaugeColor Color;
};

bool SameLines(const std::vector<TRigLine>& a, const std::vector<TRigLine>& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].Timed != b[i].Timed || a[i].Text != b[i].Text) return false;
    return true;
}

// Runs the event loop until the channel has taken in a whole frame: each
// received chunk sets its time-out to 1000, and a complete frame leaves
// nothing in its receive buffer. So a report that must change nothing is
// known to have been handled.
bool TakenIn(TLinkRig& rig, int channel)
{
    return rig.Pump([channel] { return Channels[channel].OpTimeout == 1000 && Channels[channel].RxLen == 0; });
}

TEST(Reports, StagesAndResultsOnTwoChannels)
{
    using C = TGaugeColor;
    // Rows that must change nothing start from a gauge their wrong effect
    // would move: not half full, and on channel 2 red.
    const TReportStep kSteps[] = {
        {0, 0x10, 0, 0, 0, false, {{true, "Channel 1 : Initial Programming Interface ...."}}, 5, 100, C::Blue},
        {1, 0x10, 0, 0, 0, false, {{true, "Channel 2 : Start Auto-Programming...."}}, 5, 100, C::Blue},
        {0, 0x20, 0, 0, 0, false, {{true, "Channel 1 : Chip Blank Checking...."}}, 50, 100, C::Blue},
        {0, 0x30, 0, 0, 0, false, {{true, "Channel 1 : Do Chip Erasing...."}}, 50, 100, C::Blue},
        {0, 0x40, 0, 0, 64, false, {{true, "Channel 1 : Do Main Flash Programming...."}}, 2, 64, C::Blue},
        {0, 0x40, 0, 4, 64, false, {}, 6, 64, C::Blue},
        {0, 0x40, 0, 8, 64, false, {}, 10, 64, C::Blue},
        {0, 0x60, 0, 1, 2, false, {}, 10, 64, C::Blue},  // unknown stages change nothing
        {0, 0x90, 0, 1, 2, false, {}, 10, 64, C::Blue},
        {0, 0x20, 0, 0, 0, true, {}, 10, 64, C::Blue},   // a bad sum is dropped
        {0, 0x50, 0, 0, 8, false, {{true, "Channel 1 : Do EEP Data Programming...."}}, 2, 8, C::Blue},
        {0, 0x50, 0, 4, 8, false, {{true, "Channel 1 : Do EEP Data Programming...."}}, 6, 8, C::Blue},
        // Progress is set before the maximum, so it is still clamped to 8 here.
        {0, 0x70, 0, 0, 0, false, {{true, "Channel 1 : Do Main Flash Verification...."}}, 8, 100, C::Blue},
        {0, 0x80, 0, 0, 0, false, {{true, "Channel 1 : Do EEP Data Verification...."}}, 50, 100, C::Blue},
        {0, 0xA0, 0, 0, 0, false, {{true, "Channel 1 : Do Chip Option Byte Programming...."}}, 50, 100, C::Blue},
        {0, 0xF0, 6, 0, 0, false, {{true, "Channel 1 : OK=1, NG=0."}, {false, "----Total OK Number is : 1, NG is 0----"}}, 100, 100, C::Blue},
        {1, 0x40, 0, 30, 64, false, {}, 32, 64, C::Blue},
        {1, 0xF0, 30, 0, 0, false, {{true, "Channel 2 : OK=0, NG=1."}, {false, "----Total OK Number is : 1, NG is 1----"}}, 64, 64, C::Red},
        {1, 0x90, 0, 1, 2, false, {}, 64, 64, C::Red},
        {1, 0x10, 0, 0, 0, true, {}, 64, 64, C::Red},     // a bad sum is dropped, the gauge stays red
        {1, 0xF0, 6, 0, 0, true, {}, 64, 64, C::Red},     // and the chip is not counted
        {0, 0xF0, 6, 0, 0, false, {{true, "Channel 1 : OK=2, NG=0."}, {false, "----Total OK Number is : 2, NG is 1----"}}, 100, 100, C::Blue},
    };
    TLinkRig rig(Units(2));
    rig.Search({}, 2);
    for (int ch = 0; ch < 2; ++ch) rig.Gauges[ch].SetMaxValue(100);
    std::size_t expectedCount = rig.Log.Lines.size();
    int n = 0;
    for (const TReportStep& s : kSteps) {
        SCOPED_TRACE("step " + std::to_string(n++));
        Channels[s.Channel].OpTimeout = 0;
        rig.UnitOf(s.Channel)->SendReport(s.Stage, s.Result, s.Progress, s.Maximum, s.BadSum);
        ASSERT_TRUE(TakenIn(rig, s.Channel));
        expectedCount += s.NewLines.size();
        const TGauge& g = rig.Gauges[s.Channel];
        ASSERT_EQ(rig.Log.Lines.size(), expectedCount);
        const std::vector<TRigLine> tail(rig.Log.Lines.end() - static_cast<long>(s.NewLines.size()), rig.Log.Lines.end());
        EXPECT_TRUE(SameLines(tail, s.NewLines));
        EXPECT_EQ(g.Progress(), s.GaugeProgress);
        EXPECT_EQ(g.MaxValue(), s.GaugeMax);
        EXPECT_EQ(g.ForeColor(), s.Color);
    }
    EXPECT_EQ(Channels[0].OkCount, 2u);
    EXPECT_EQ(Channels[1].NgCount, 1u);
    EXPECT_EQ(Channels[1].OkCount, 0u);
    EXPECT_EQ(TotalOkCount, 2u);
    EXPECT_EQ(TotalNgCount, 1u);
    EXPECT_EQ(ResultsSinceLogSave, 3u);
    EXPECT_TRUE(rig.Log.SavedPaths.empty());
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(Reports, ThousandthResultSavesTheWholeLogUnderItsTime)
{
    TLinkRig rig(Units(1));
    rig.Search({}, 1);
    char tmpl[] = "/tmp/telvic-app-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    AppDir = std::string(tmpl) + "/";
    ResultLogClock = [] { return TDateTimeText{"2026-12/10", "09:05:07"}; };
    ResultsSinceLogSave = 998;
    const std::size_t before = rig.Log.Lines.size();
    rig.UnitOf(0)->SendReport(0xF0, 6, 0, 0);
    ASSERT_TRUE(rig.Pump([&] { return ResultsSinceLogSave == 999; }));
    EXPECT_TRUE(rig.Log.SavedPaths.empty());
    rig.UnitOf(0)->SendReport(0xF0, 7, 0, 0);
    ASSERT_TRUE(rig.Pump([&] { return !rig.Log.SavedPaths.empty(); }));
    const std::string path = AppDir + "ZAz4_2026_12_10_09_05_07.log";
    EXPECT_EQ(rig.Log.SavedPaths, std::vector<std::string>{path});
    EXPECT_EQ(ResultsSinceLogSave, 0u);
    // The saved file ends with the thousandth result's own lines; the log keeps everything.
    const std::string text = ReadFile(path);
    EXPECT_NE(text.find("找到设备1"), std::string::npos);
    const std::string tail = "Channel 1 : OK=1, NG=1.\n----Total OK Number is : 1, NG is 1----\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    EXPECT_EQ(rig.Log.Lines.size(), before + 4);
    std::remove(path.c_str());
    rmdir(tmpl);
}

TEST(Reports, FailedSaveIsLoggedAndFramesGoOn)
{
    TLinkRig rig(Units(1));
    rig.Search({}, 1);
    AppDir = "/nonexistent-telvic-dir/";
    ResultsSinceLogSave = 999;
    rig.UnitOf(0)->SendReport(0xF0, 6, 0, 0);
    rig.UnitOf(0)->SendReport(0x30, 0, 0, 0);
    ASSERT_TRUE(rig.Pump([&] { return rig.Log.Has("Channel 1 : Do Chip Erasing...."); }));
    EXPECT_EQ(rig.Log.SavedPaths.size(), 1u);
    EXPECT_TRUE(rig.Log.Has("Write Log File error!"));
    EXPECT_EQ(ResultsSinceLogSave, 0u);
    EXPECT_EQ(Channels[0].OkCount, 1u);
}

}  // namespace
