// The reply state machine end to end: download chains, the automatic
// sequence on four channels, gauge steps and colours, status lines,
// time-outs, broken replies, reports during an operation and a hang-up in the
// middle of a download.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "link/OpsTestUtil.h"
#include "link/TelvicComm.h"

namespace {

using Lines = std::vector<std::string>;

void ExpectGauge(const TGauge& g, TGaugeColor color)
{
    EXPECT_EQ(g.ForeColor(), color);
    EXPECT_EQ(g.Progress(), g.MaxValue());
}

// ---- downloads -------------------------------------------------------------

struct TDownloadCase {
    const char* Label;
    std::uint8_t Family;
    bool Ecc, WFlash, SFlash;
    Lines Wire;
    Lines Stages;  // programmer lines between the main flash and the success line
};

class DownloadChain : public ::testing::TestWithParam<TDownloadCase> {};

TEST_P(DownloadChain, FourChannelsSendEveryAreaAndFinishWithRestx)
{
    const TDownloadCase& c = GetParam();
    TLinkRig rig(Units(4));
    rig.Search({}, 4);
    CurChip.FamilyCode = c.Family;
    LoadImage(8, 1);
    CurChip.EccSize = (c.Ecc || c.WFlash) ? 8192 : 0;
    ImageInfo.EccPresent = c.Ecc;
    CtrlSettings.WriteWFlash = c.WFlash;
    CtrlSettings.WriteSFlash = c.SFlash;
    SNSettings.SNValue = 1000;
    SNSettings.SNStep = 5;
    const auto side = Pattern(kEccWFlashBufSize, 2);
    const auto sflash = Pattern(kEepSFlashBufSize, 3);
    std::memcpy(ImageBufs.EccWFlashBuf, side.data(), side.size());
    std::memcpy(ImageBufs.EepSFlashBuf, sflash.data(), sflash.size());

    for (int ch = 0; ch < kChannelCount; ++ch) rig.Start(ch, TRigOp::Download);
    ASSERT_TRUE(rig.WaitAllIdle());
    rig.Settle();
    for (int ch = 0; ch < kChannelCount; ++ch) {
        SCOPED_TRACE("channel " + std::to_string(ch + 1));
        emu::TProgrammerEmulator& u = *rig.UnitOf(ch);
        // The end-of-download command gets no reply: wait until it is through.
        EXPECT_TRUE(u.WaitForRequests(c.Wire.size() + 1, 3000));
        EXPECT_EQ(Wire(u), c.Wire);
        EXPECT_TRUE(u.Errors().empty()) << u.Errors().front();
        Lines expected = {"下载Mian Flash Data......"};
        expected.insert(expected.end(), c.Stages.begin(), c.Stages.end());
        expected.push_back("数据下载成功！");
        EXPECT_EQ(ChannelLines(rig.Log, "编程器", ch), expected);
        ExpectGauge(rig.Gauges[ch], TGaugeColor::Blue);
        EXPECT_EQ(Channels[ch].OpCode, kOpIdle);
        EXPECT_EQ(u.StoreFlash(0, 8192), Bytes(ImageBufs.MainFlashBuf, 8192));
        if (c.Ecc || c.WFlash) {
            EXPECT_EQ(u.StoreSide(0, 8192), Bytes(ImageBufs.EccWFlashBuf, 8192));
        }
        if (c.SFlash) {
            EXPECT_EQ(u.StoreSFlash(0x800, 2048), Bytes(ImageBufs.EepSFlashBuf + 0x800, 2048));
            EXPECT_EQ(u.StoreSFlash(0x1A00, 2048), Bytes(ImageBufs.EepSFlashBuf + 0x1A00, 2048));
            EXPECT_EQ(u.StoreSFlash(0x5A00, 3072), Bytes(ImageBufs.EepSFlashBuf + 0x5A00, 3072));
            EXPECT_EQ(u.StoreSFlash(0x7C00, 1024), Bytes(ImageBufs.EepSFlashBuf + 0x7C00, 1024));
        }
        // Each channel's block carries its own first serial number.
        const auto block = u.ConfigBlock();
        ASSERT_EQ(block.size(), 512u);
        const std::uint32_t sn = block[76] | block[77] << 8 | block[78] << 16 | static_cast<std::uint32_t>(block[79]) << 24;
        EXPECT_EQ(sn, 1000u + 5u * ch);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Families, DownloadChain,
    ::testing::Values(
        TDownloadCase{"plain", 0x20, false, false, false, {"53", "55:0", "55:4", "8A"}, {}},
        TDownloadCase{"ecc_psoc3", 0x80, true, false, false, {"53", "55:0", "55:4", "D7:0", "D7:4", "8A"}, {"下载ECC Data......"}},
        // ECC data goes first and ends the download, whatever the work-flash flag says.
        TDownloadCase{"ecc_psoc5_wflash_flag_set", 0xD0, true, true, false, {"53", "55:0", "55:4", "D7:0", "D7:4", "8A"}, {"下载ECC Data......"}},
        TDownloadCase{"psoc6_wflash_sflash", 0xD8, false, true, true,
                      {"53", "55:0", "55:4", "5A:0", "5A:4", "D7:0", "D7:4", "8A"},
                      {"下载WFlash Data......", "下载SFlash Data......"}},
        TDownloadCase{"psoc6_sflash", 0xD9, false, false, true, {"53", "55:0", "55:4", "D7:0", "D7:4", "8A"}, {"下载SFlash Data......"}},
        TDownloadCase{"psoc6_main_only", 0xD8, false, false, false, {"53", "55:0", "55:4", "8A"}, {}}),
    [](const ::testing::TestParamInfo<TDownloadCase>& i) { return std::string(i.param.Label); });

// ---- automatic sequence --------------------------------------------------

struct TAutoCase {
    const char* Label;
    std::uint8_t Family;
    bool Eep, WFlash, SFlash, Ecc;
    Lines Wire;
    Lines ChipLines;
    int Advances;  // per channel
};

class AutoSequence : public ::testing::TestWithParam<TAutoCase> {};

TEST_P(AutoSequence, FourChannelsRunTheStagesInOrder)
{
    const TAutoCase& c = GetParam();
    TLinkRig rig(Units(4));
    rig.Search({}, 4);
    CurChip.FamilyCode = c.Family;
    LoadImage(8, 7);
    CurChip.EepSize = c.Eep ? 512 : 0;
    CurChip.EccSize = (c.WFlash || c.Ecc) ? 8192 : 0;
    CtrlSettings.WriteEep = c.Eep;
    CtrlSettings.WriteWFlash = c.WFlash;
    CtrlSettings.WriteSFlash = c.SFlash;
    ImageInfo.EccPresent = c.Ecc;
    const auto side = Pattern(kEccWFlashBufSize, 8);
    std::memcpy(ImageBufs.EccWFlashBuf, side.data(), side.size());
    for (int ch = 0; ch < kChannelCount; ++ch) rig.Start(ch, TRigOp::Auto);
    ASSERT_TRUE(rig.WaitAllIdle());
    rig.Settle();
    for (int ch = 0; ch < kChannelCount; ++ch) {
        SCOPED_TRACE("channel " + std::to_string(ch + 1));
        emu::TProgrammerEmulator& u = *rig.UnitOf(ch);
        EXPECT_EQ(Wire(u), c.Wire);
        EXPECT_TRUE(u.Errors().empty());
        EXPECT_EQ(ChannelLines(rig.Log, "芯片", ch), c.ChipLines);
        ExpectGauge(rig.Gauges[ch], TGaugeColor::Blue);
        EXPECT_EQ(u.ChipFlash(0, 8192), Bytes(ImageBufs.MainFlashBuf, 8192));
        if (c.Ecc) {  // 512 ECC bytes with each block
            EXPECT_EQ(u.ChipWFlash(0, 1024), Bytes(ImageBufs.EccWFlashBuf, 1024));
        }
    }
    EXPECT_EQ(rig.Image.Advances, 4 * c.Advances);
}

const Lines kSecurityTail = {"数据校验成功！", "写Security Data...", "写Security Data操作成功！", "芯片烧写成功！"};
Lines Join(std::initializer_list<Lines> parts)
{
    Lines out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Families, AutoSequence,
    ::testing::Values(
        TAutoCase{"psoc1", 0x20, false, false, false, false,
                  {"93:3", "95:0", "95:4", "93:83", "93:53"},
                  Join({{"擦除芯片操作成功！", "开始芯片编程...", "编程操作成功！", "开始数据校验......"}, kSecurityTail}),
                  1},
        TAutoCase{"psoc1_eep", 0x20, true, false, false, false,
                  {"93:3", "95:0", "95:4", "99:0", "93:83", "93:53"},
                  Join({{"擦除芯片操作成功！", "开始芯片编程...", "编程操作成功！", "开始编程芯片EEP Data...",
                         "写EEP Data操作成功！", "开始数据校验......"},
                        kSecurityTail}),
                  1},
        TAutoCase{"family0_ends_after_verify", 0x00, false, false, false, false,
                  {"95:0", "95:0", "95:4", "93:83"},
                  {"擦除芯片操作成功！", "开始芯片编程...", "编程操作成功！", "开始数据校验......", "数据校验成功！"},
                  0},
        TAutoCase{"psoc3_ecc", 0x80, false, false, false, true,
                  {"93:3", "95:0", "95:4", "93:83", "93:53"},
                  Join({{"擦除芯片操作成功！", "开始芯片编程...", "编程操作成功！", "开始数据校验......"}, kSecurityTail}),
                  1},
        TAutoCase{"psoc6_wflash_sflash", 0xD8, false, true, true, false,
                  {"93:3", "95:0", "95:4", "98:0", "98:4", "99:0", "99:4", "93:83", "93:53"},
                  Join({{"擦除芯片操作成功！", "开始芯片编程...", "编程操作成功！", "开始编程芯片Work Flash Data...",
                         "Work Falsh数据写入成功！", "开始编程芯片SFlash Data(User/NAR/Public Key/TOC2/RTOC2)...",
                         "写SFlash Data操作成功！", "开始数据校验......"},
                        kSecurityTail}),
                  1},
        TAutoCase{"psoc6_sflash_only", 0xD9, false, false, true, false,
                  {"93:3", "95:0", "95:4", "99:0", "99:4", "93:83", "93:53"},
                  Join({{"擦除芯片操作成功！", "开始芯片编程...", "编程操作成功！",
                         "开始编程芯片SFlash Data(User/NAR/Public Key/TOC2/RTOC2)...", "写SFlash Data操作成功！",
                         "开始数据校验......"},
                        kSecurityTail}),
                  1},
        // PSoC 6 has no EEP stage, and the work flash is PSoC 6 only.
        TAutoCase{"psoc6_ignores_eep_flag", 0xD8, true, false, false, false,
                  {"93:3", "95:0", "95:4", "93:83", "93:53"},
                  Join({{"擦除芯片操作成功！", "开始芯片编程...", "编程操作成功！", "开始数据校验......"}, kSecurityTail}),
                  1},
        TAutoCase{"psoc1_ignores_wflash_flag", 0x20, false, true, true, false,
                  {"93:3", "95:0", "95:4", "93:83", "93:53"},
                  Join({{"擦除芯片操作成功！", "开始芯片编程...", "编程操作成功！", "开始数据校验......"}, kSecurityTail}),
                  1}),
    [](const ::testing::TestParamInfo<TAutoCase>& i) { return std::string(i.param.Label); });

// Every gauge change of a PSoC 6 automatic sequence: each stage's start
// position and maximum, the block steps, and the clamping at the maximum.
TEST(AutoSequenceGauge, EveryStageSetsItsStartAndMaximumAndBlocksStepTheProgress)
{
    TLinkRig rig(Units(2));
    rig.Search({}, 2);
    CurChip.FamilyCode = 0xD8;
    LoadImage(12, 5);
    CurChip.EccSize = 8192;
    CtrlSettings.WriteWFlash = 1;
    CtrlSettings.WriteSFlash = 1;
    using Steps = std::vector<std::pair<int, int>>;  // progress, maximum
    Steps seen[2];
    for (int ch = 0; ch < 2; ++ch) {
        TGauge& g = rig.Gauges[ch];
        g.OnChanged = [&g, &s = seen[ch]] {
            const std::pair<int, int> now{g.Progress(), g.MaxValue()};
            if (s.empty() || s.back() != now) s.push_back(now);
        };
        rig.Start(ch, TRigOp::Auto);
    }
    ASSERT_TRUE(rig.WaitAllIdle());
    // Channel 1 starts each stage at 4, channel 2 at 5; program blocks show
    // BlockIndex + 1, SFlash blocks BlockIndex + 4; WFlash starts at 4, SFlash at 3.
    const Steps expected[2] = {
        {{4, 100}, {4, 500}, {4, 12}, {5, 12}, {9, 12}, {12, 12},  // erase, program 12 KB
         {4, 12}, {4, 8}, {5, 8}, {8, 8},                          // work flash, 8 KB
         {4, 8}, {3, 8}, {8, 8},                                   // SFlash, two parts
         {4, 8}, {4, 24}, {4, 12}, {12, 12}},                      // verify, security, end
        {{5, 100}, {5, 500}, {5, 12}, {9, 12}, {12, 12},
         {5, 12}, {5, 8}, {4, 8}, {5, 8}, {8, 8},
         {5, 8}, {3, 8}, {8, 8},
         {5, 8}, {5, 24}, {5, 12}, {12, 12}},
    };
    for (int ch = 0; ch < 2; ++ch) {
        SCOPED_TRACE("channel " + std::to_string(ch + 1));
        rig.Gauges[ch].OnChanged = nullptr;
        EXPECT_EQ(seen[ch], expected[ch]);
        EXPECT_EQ(Wire(*rig.UnitOf(ch)),
                  (Lines{"93:3", "95:0", "95:4", "95:8", "98:0", "98:4", "99:0", "99:4", "93:83", "93:53"}));
        ExpectGauge(rig.Gauges[ch], TGaugeColor::Blue);
    }
}

// Whether the unit has been sent this request (code and argument).
bool Asked(emu::TProgrammerEmulator& u, std::uint8_t code, std::uint16_t arg)
{
    const auto reqs = u.Requests();
    return std::any_of(reqs.begin(), reqs.end(), [&](const emu::TRequest& r) { return r.code == code && r.arg == arg; });
}

// The timer steps the gauge only in stages without block progress: not
// while the automatic sequence programs, again once it verifies.
TEST(AutoSequenceGauge, TimerStepsTheGaugeWhileVerifyingButNotWhileProgramming)
{
    TLinkRig rig(Units(2));
    rig.Search({}, 2);
    CurChip.FamilyCode = 0x20;
    LoadImage(8, 5);
    for (int ch = 0; ch < 2; ++ch) {
        rig.UnitOf(ch)->AddFault({emu::kCmdProgFlash, 0, 1, {emu::TFault::Kind::Hold}});
        rig.UnitOf(ch)->AddFault({emu::kCmdOp, emu::kOpVerify, 1, {emu::TFault::Kind::Hold}});
        rig.Start(ch, TRigOp::Auto);  // the command lets the timer step the erase
    }
    struct TPause {
        const char* Label;
        std::uint8_t Code;
        std::uint16_t Arg;
        int Progress[2];  // after three ticks, channels 1 and 2
        int Max;
    };
    const TPause kPauses[] = {
        {"first program block", emu::kCmdProgFlash, 0, {4, 5}, 8},
        {"verification", emu::kCmdOp, emu::kOpVerify, {7, 8}, 16},
    };
    for (const TPause& p : kPauses) {
        SCOPED_TRACE(p.Label);
        ASSERT_TRUE(rig.Pump([&] { return Asked(*rig.UnitOf(0), p.Code, p.Arg) && Asked(*rig.UnitOf(1), p.Code, p.Arg); }));
        rig.Tick(3);
        for (int ch = 0; ch < 2; ++ch) {
            EXPECT_EQ(rig.Gauges[ch].Progress(), p.Progress[ch]) << "channel " << ch + 1;
            EXPECT_EQ(rig.Gauges[ch].MaxValue(), p.Max) << "channel " << ch + 1;
            rig.UnitOf(ch)->ReleaseHeld();
        }
    }
    ASSERT_TRUE(rig.WaitAllIdle());
    for (int ch = 0; ch < 2; ++ch) {
        EXPECT_EQ(ChannelLines(rig.Log, "芯片", ch).back(), "芯片烧写成功！");
        ExpectGauge(rig.Gauges[ch], TGaugeColor::Blue);
    }
}

// A stage started on its own ends after itself: only the automatic sequence
// chains the next stage.
struct TSingleStageCase {
    const char* Label;
    std::uint8_t Family;
    TRigOp Op;
    Lines Wire;
    Lines ChipLines;
};

class SingleStage : public ::testing::TestWithParam<TSingleStageCase> {};

TEST_P(SingleStage, EndsWithoutTheNextStage)
{
    const TSingleStageCase& c = GetParam();
    TLinkRig rig(Units(2));
    rig.Search({}, 2);
    CurChip.FamilyCode = c.Family;
    LoadImage(8, 6);
    CurChip.EepSize = 512;
    CurChip.EccSize = 8192;
    CtrlSettings.WriteEep = 1;
    CtrlSettings.WriteWFlash = 1;
    CtrlSettings.WriteSFlash = 1;
    for (int ch = 0; ch < 2; ++ch) {
        Channels[ch].AutoSequence = 1;  // left by an earlier automatic run; the command clears it
        rig.Start(ch, c.Op);
    }
    ASSERT_TRUE(rig.WaitAllIdle());
    rig.Settle();
    for (int ch = 0; ch < 2; ++ch) {
        SCOPED_TRACE("channel " + std::to_string(ch + 1));
        EXPECT_EQ(Wire(*rig.UnitOf(ch)), c.Wire);
        EXPECT_EQ(ChannelLines(rig.Log, "芯片", ch), c.ChipLines);
        ExpectGauge(rig.Gauges[ch], TGaugeColor::Blue);
    }
    EXPECT_EQ(rig.Image.Advances, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Stages, SingleStage,
    ::testing::Values(
        TSingleStageCase{"erase", 0x20, TRigOp::Erase, {"93:3"}, {"擦除芯片操作成功！"}},
        TSingleStageCase{"program_with_eep_set", 0x20, TRigOp::Program, {"95:0", "95:4"}, {"编程操作成功！"}},
        TSingleStageCase{"verify_no_security", 0x20, TRigOp::Verify, {"93:83"}, {"数据校验成功！"}},
        TSingleStageCase{"security_no_advance", 0x20, TRigOp::Security, {"93:53"}, {"写Security Data操作成功！"}},
        TSingleStageCase{"eep_one_packet", 0x20, TRigOp::ProgramEep, {"99:0"}, {"开始编程芯片EEP Data...", "写EEP Data操作成功！"}},
        TSingleStageCase{"sflash_two_parts", 0xD8, TRigOp::ProgramEep, {"99:0", "99:4"},
                         {"开始编程芯片SFlash Data(User/NAR/Public Key/TOC2/RTOC2)...", "写SFlash Data操作成功！"}},
        TSingleStageCase{"wflash_without_sflash", 0xD8, TRigOp::ProgramWFlash, {"98:0", "98:4"},
                         {"开始编程芯片Work Flash Data...", "Work Falsh数据写入成功！"}}),
    [](const ::testing::TestParamInfo<TSingleStageCase>& i) { return std::string(i.param.Label); });

// ---- status codes ----------------------------------------------------------

TEST(StatusLines, EveryCodeEndsTheOperationWithItsLineAndARedGauge)
{
    const std::pair<int, const char*> kCases[] = {
        {4, "芯片未擦除！"}, {16, "芯片已被写保护"}, {19, "芯片已被读保护"}, {35, "数据包校验错误！"},
        {37, "不认识的命令！"}, {42, "数据包错误！"}, {44, "Flash Memory错误！"}, {49, "数据校验错误！"},
        {52, "芯片校验和不正确！"}, {54, "芯片类型不正确！"}, {56, "芯片厂家型号不正确！"}, {64, "命令执行超时"},
        {69, "命令执行错误"}, {71, "写序列号数据错误"}, {79, "写保护数据位错误！"}, {81, "Flash的大小与芯片不匹配"},
        {85, "地址空间超出芯片范围！"}, {96, "初始化编程接口错误！"}, {224, "串口同通讯错误！"}, {230, "串口接收超时！"},
        {7, "操作失败！错误代码: 07"}, {21, "操作失败！错误代码: 021"}, {200, "操作失败！错误代码: 0200"},
        {255, "操作失败！错误代码: 0255"},
    };
    TLinkRig rig(Units(4));
    rig.Search({}, 4);
    int n = 0;
    for (const auto& [code, text] : kCases) {
        const int ch = n % kChannelCount;  // spread over the channels
        SCOPED_TRACE("code " + std::to_string(code) + " on channel " + std::to_string(ch + 1));
        rig.UnitOf(ch)->AddFault({emu::kCmdOp, emu::kOpErase, 1, {emu::TFault::Kind::Status, code}});
        rig.Start(ch, TRigOp::Erase);
        ASSERT_TRUE(rig.WaitIdle(ch));
        EXPECT_EQ(rig.Log.Lines.back().Text, "芯片" + std::to_string(ch + 1) + " ：" + text);
        EXPECT_TRUE(rig.Log.Lines.back().Timed);
        ExpectGauge(rig.Gauges[ch], TGaugeColor::Red);
        ++n;
    }
    // Status 6 is a success like 0.
    rig.UnitOf(0)->AddFault({emu::kCmdOp, emu::kOpErase, 1, {emu::TFault::Kind::Status, 6}});
    rig.Start(0, TRigOp::Erase);
    ASSERT_TRUE(rig.WaitIdle(0));
    EXPECT_EQ(rig.Log.Lines.back().Text, "芯片1 ：擦除芯片操作成功！");
    ExpectGauge(rig.Gauges[0], TGaugeColor::Blue);
}

TEST(StatusLines, BlankCheckTellsBlankFromNotBlank)
{
    struct TBlankCase {
        const char* Label;
        int Status;  // the unit's reply; -1: its own answer for the chip
        bool Filled;
        const char* Line;
        TGaugeColor Color;
    };
    const TBlankCase kCases[] = {
        {"blank chip", -1, false, "当前芯片为空！", TGaugeColor::Blue},
        {"status 6", 6, false, "当前芯片为空！", TGaugeColor::Blue},
        {"programmed chip", -1, true, "当前芯片不为空！", TGaugeColor::Red},  // the unit says 21
        {"status 19", 19, false, "当前芯片不为空！", TGaugeColor::Red},
        {"plain failure", 4, false, "芯片未擦除！", TGaugeColor::Red},
    };
    TLinkRig rig(Units(4));
    rig.Search({}, 4);
    // Four channels at a time, each case on its own channel.
    const std::size_t n = std::size(kCases);
    for (std::size_t first = 0; first < n; first += kChannelCount) {
        const std::size_t last = std::min(n, first + kChannelCount);
        std::size_t before[kChannelCount] = {};
        for (std::size_t i = first; i < last; ++i) {
            const int ch = static_cast<int>(i - first);
            emu::TProgrammerEmulator& u = *rig.UnitOf(ch);
            if (kCases[i].Filled) u.FillChip(0x5A);
            if (kCases[i].Status >= 0) u.AddFault({emu::kCmdOp, emu::kOpBlank, 1, {emu::TFault::Kind::Status, kCases[i].Status}});
            before[ch] = ChannelLines(rig.Log, "芯片", ch).size();
            rig.Start(ch, TRigOp::Blank);
        }
        ASSERT_TRUE(rig.WaitAllIdle());
        for (std::size_t i = first; i < last; ++i) {
            const int ch = static_cast<int>(i - first);
            SCOPED_TRACE(std::string(kCases[i].Label) + " on channel " + std::to_string(ch + 1));
            const Lines lines = ChannelLines(rig.Log, "芯片", ch);
            EXPECT_EQ(Lines(lines.begin() + static_cast<long>(before[ch]), lines.end()), Lines{kCases[i].Line});
            ExpectGauge(rig.Gauges[ch], kCases[i].Color);
        }
    }
}

// ---- time-outs -----------------------------------------------------------

struct TTimeoutCase {
    const char* Label;
    int Channel;
    TRigOp Op;
    std::uint8_t SilentCode;
    int SilentArg;
    int SilentNth;
    TBuildLang Lang;
    int Ticks;
    std::string Line;
    bool Timed;
};

class Timeouts : public ::testing::TestWithParam<TTimeoutCase> {};

TEST_P(Timeouts, SilentUnitEndsTheOperationAtTheExactTick)
{
    const TTimeoutCase& c = GetParam();
    TLinkRig rig(Units(4));
    rig.Search({}, 4);
    CurChip.FamilyCode = 0xD8;
    LoadImage(16, 3);
    CurChip.EccSize = 16384;
    emu::TProgrammerEmulator& u = *rig.UnitOf(c.Channel);
    u.AddFault({c.SilentCode, c.SilentArg, c.SilentNth, {emu::TFault::Kind::Silence}});
    const std::size_t before = u.RequestCount();
    rig.Start(c.Channel, c.Op);
    // Wait for the request that gets no answer, and for everything before it.
    ASSERT_TRUE(rig.Pump([&] {
        const auto reqs = u.Requests();
        int seen = 0;
        for (std::size_t i = before; i < reqs.size(); ++i)
            if (reqs[i].code == c.SilentCode && (c.SilentArg < 0 || reqs[i].arg == c.SilentArg)) ++seen;
        return seen >= c.SilentNth;
    }));
    rig.Settle(40);
    const std::size_t lines = rig.Log.Lines.size();
    const TGauge& g = rig.Gauges[c.Channel];
    const int p0 = g.Progress();
    if (c.Op == TRigOp::Erase) {
        EXPECT_EQ(p0, c.Channel == 0 ? 4 : 5);  // where the operation starts the gauge
    }
    rig.Tick(c.Ticks - 1, c.Lang);
    EXPECT_EQ(Channels[c.Channel].Busy, 1);
    // Stages without block progress move the gauge one step per tick.
    EXPECT_EQ(g.Progress(), Channels[c.Channel].TimerProgress ? std::min(p0 + c.Ticks - 1, g.MaxValue()) : p0);
    EXPECT_EQ(rig.Log.Lines.size(), lines);
    rig.Tick(1, c.Lang);
    EXPECT_EQ(Channels[c.Channel].Busy, 0);
    ASSERT_EQ(rig.Log.Lines.size(), lines + 1);
    EXPECT_EQ(rig.Log.Lines.back().Text, c.Line);
    EXPECT_EQ(rig.Log.Lines.back().Timed, c.Timed);
    ExpectGauge(rig.Gauges[c.Channel], TGaugeColor::Red);
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (ch != c.Channel) {
            EXPECT_EQ(rig.Gauges[ch].ForeColor(), TGaugeColor::Blue);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Channels, Timeouts,
    ::testing::Values(
        TTimeoutCase{"ch1_erase", 0, TRigOp::Erase, emu::kCmdOp, emu::kOpErase, 1, TBuildLang::Chinese, 1000, "芯片1 ：操作超时！", true},
        TTimeoutCase{"ch2_erase", 1, TRigOp::Erase, emu::kCmdOp, emu::kOpErase, 1, TBuildLang::Chinese, 600, "芯片2 ：操作超时！", true},
        TTimeoutCase{"ch1_program_first_block", 0, TRigOp::Program, emu::kCmdProgFlash, 0, 1, TBuildLang::Chinese, 500, "芯片1 ：操作超时！", true},
        TTimeoutCase{"ch3_program_later_block", 2, TRigOp::Program, emu::kCmdProgFlash, 8, 1, TBuildLang::Chinese, 300, "芯片3 ：操作超时！", true},
        TTimeoutCase{"ch1_download_config", 0, TRigOp::Download, emu::kCmdConfig, -1, 1, TBuildLang::Chinese, 1000, "编程器1 ：操作超时！", true},
        TTimeoutCase{"ch4_download_config", 3, TRigOp::Download, emu::kCmdConfig, -1, 1, TBuildLang::Chinese, 600, "编程器4 ：操作超时！", true},
        TTimeoutCase{"ch4_download_block", 3, TRigOp::Download, emu::kCmdDlFlash, 4, 1, TBuildLang::Chinese, 1000, "编程器4 ：操作超时！", true},
        TTimeoutCase{"ch2_wflash_later_block", 1, TRigOp::ProgramWFlash, emu::kCmdProgWFlash, 4, 1, TBuildLang::Chinese, 1000, "芯片2 ：操作超时！", true},
        TTimeoutCase{"ch2_english", 1, TRigOp::Download, emu::kCmdConfig, -1, 1, TBuildLang::English, 600, "> Chip 2 : Operation Time Out!", false}),
    [](const ::testing::TestParamInfo<TTimeoutCase>& i) { return std::string(i.param.Label); });

// ---- broken and odd replies -----------------------------------------------

struct TReplyFaultCase {
    const char* Label;
    emu::TFault Fault;
    std::string Line;  // empty: the operation succeeds
};

class ReplyFaults : public ::testing::TestWithParam<TReplyFaultCase> {};

TEST_P(ReplyFaults, ProgramRunOnChannelTwo)
{
    const TReplyFaultCase& c = GetParam();
    TLinkRig rig(Units(2));
    rig.Search({}, 2);
    CurChip.FamilyCode = 0x20;
    LoadImage(16, 4);
    rig.UnitOf(1)->AddFault({emu::kCmdProgFlash, 4, 1, c.Fault});
    rig.Start(1, TRigOp::Program);
    ASSERT_TRUE(rig.WaitIdle(1));
    rig.Settle();
    if (c.Line.empty()) {
        EXPECT_EQ(Wire(*rig.UnitOf(1)), (Lines{"95:0", "95:4", "95:8", "95:12"}));
        EXPECT_EQ(ChannelLines(rig.Log, "芯片", 1), Lines{"编程操作成功！"});
        ExpectGauge(rig.Gauges[1], TGaugeColor::Blue);
    } else {
        EXPECT_EQ(Wire(*rig.UnitOf(1)), (Lines{"95:0", "95:4"}));
        EXPECT_EQ(ChannelLines(rig.Log, "芯片", 1), Lines{c.Line});
        ExpectGauge(rig.Gauges[1], TGaugeColor::Red);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ReplyFaults,
    ::testing::Values(
        TReplyFaultCase{"bad_escape", {emu::TFault::Kind::BadEscape}, "数据包错误！"},
        TReplyFaultCase{"short_frame", {emu::TFault::Kind::ShortFrame, 0, 5}, "数据包错误！"},
        TReplyFaultCase{"bad_check_value", {emu::TFault::Kind::BadCrc}, "数据包校验错误！"},
        TReplyFaultCase{"split_in_chunks", {emu::TFault::Kind::Split, 0, 3, 6000}, ""},
        TReplyFaultCase{"garbage_before", {emu::TFault::Kind::Garbage, 0, 300}, ""}),
    [](const ::testing::TestParamInfo<TReplyFaultCase>& i) { return std::string(i.param.Label); });

TEST(ReplyFaultsIdle, BrokenFrameOnAnIdleChannelTurnsItsGaugeRed)
{
    TLinkRig rig(Units(3));
    rig.Search({}, 3);
    rig.UnitOf(2)->SendRaw({0xC0, 0x01, 0xDB, 0x41, 0x02, 0xC0});
    ASSERT_TRUE(rig.Pump([&] { return rig.Log.Has("芯片3 ：数据包错误！"); }));
    ExpectGauge(rig.Gauges[2], TGaugeColor::Red);
    EXPECT_EQ(Channels[2].Busy, 0);
    EXPECT_EQ(rig.Gauges[0].ForeColor(), TGaugeColor::Blue);
}

TEST(ReplyFaultsIdle, ReportDuringAnOperationIsTakenAsItsReply)
{
    TLinkRig rig(Units(1));
    rig.Search({}, 1);
    rig.UnitOf(0)->AddFault({emu::kCmdOp, emu::kOpErase, 1, {emu::TFault::Kind::Silence}});
    rig.Start(0, TRigOp::Erase);
    ASSERT_TRUE(rig.UnitOf(0)->WaitForRequests(2, 3000));
    rig.UnitOf(0)->SendReport(0xF0, 6, 0, 0);  // a good-chip result
    ASSERT_TRUE(rig.WaitIdle(0));
    EXPECT_EQ(Channels[0].OkCount, 0u);
    EXPECT_EQ(TotalOkCount, 0u);
    EXPECT_TRUE(rig.Log.With("Channel 1 : OK").empty());
    EXPECT_EQ(rig.Log.Lines.back().Text, "芯片1 ：数据包校验错误！");
}

// A report whose frame does not unpack still goes to the report handler
// when its first byte is the report marker, and the operation goes on.
TEST(ReplyFaultsIdle, BrokenReportDuringAnOperationGoesToTheReportHandler)
{
    TLinkRig rig(Units(2));
    rig.Search({}, 2);
    emu::TProgrammerEmulator& u = *rig.UnitOf(1);
    u.AddFault({emu::kCmdOp, emu::kOpErase, 1, {emu::TFault::Kind::Hold}});
    rig.Start(1, TRigOp::Erase);
    ASSERT_TRUE(rig.Pump([&] { return Asked(u, emu::kCmdOp, emu::kOpErase); }));
    emu::Bytes frame = emu::FrameReply(emu::ReportPacket(0x30, 0, 0, 0));
    frame.insert(frame.end() - 1, {0xDB, 0x41});  // a bad escape after the report's eight bytes
    u.SendRaw(frame);
    ASSERT_TRUE(rig.Pump([&] { return rig.Log.Has("Channel 2 : Do Chip Erasing....") || !ChannelLines(rig.Log, "芯片", 1).empty(); }));
    EXPECT_TRUE(ChannelLines(rig.Log, "芯片", 1).empty());
    EXPECT_EQ(Channels[1].Busy, 1);
    EXPECT_EQ(Channels[1].OpCode, kOpCodeErase);
    EXPECT_EQ(rig.Gauges[1].Progress(), 50);
    EXPECT_EQ(rig.Gauges[1].MaxValue(), 100);
    EXPECT_EQ(rig.Gauges[1].ForeColor(), TGaugeColor::Blue);
    u.ReleaseHeld();
    ASSERT_TRUE(rig.WaitIdle(1));
    EXPECT_EQ(ChannelLines(rig.Log, "芯片", 1), Lines{"擦除芯片操作成功！"});
    ExpectGauge(rig.Gauges[1], TGaugeColor::Blue);
}

// A gauge left red, by a failed operation or by a failed chip the unit
// reported, is blue again with the next operation the PC starts and with the
// first stage of the next chip the unit reports.
TEST(GaugeColour, RedGaugeTurnsBlueWithTheNextOperationOrChip)
{
    struct TCase {
        bool FailedChip;    // red from the unit's result report, else from a failed erase
        bool NextByReport;  // the unit's stage 0x10 report, else an erase started by the PC
    };
    const TCase kCases[kChannelCount] = {{false, false}, {true, false}, {false, true}, {true, true}};
    TLinkRig rig(Units(4));
    rig.Search({}, 4);
    for (int ch = 0; ch < kChannelCount; ++ch) {
        emu::TProgrammerEmulator& u = *rig.UnitOf(ch);
        if (kCases[ch].FailedChip) {
            u.SendReport(0xF0, 30, 0, 0);
        } else {
            u.AddFault({emu::kCmdOp, emu::kOpErase, 1, {emu::TFault::Kind::Status, 4}});
            rig.Start(ch, TRigOp::Erase);
        }
    }
    ASSERT_TRUE(rig.Pump([] { return TotalNgCount == 2 && Channels[0].Busy == 0 && Channels[2].Busy == 0; }));
    for (int ch = 0; ch < kChannelCount; ++ch) ASSERT_EQ(rig.Gauges[ch].ForeColor(), TGaugeColor::Red) << "channel " << ch + 1;

    for (int ch = 0; ch < kChannelCount; ++ch) {
        SCOPED_TRACE("channel " + std::to_string(ch + 1));
        if (kCases[ch].NextByReport) {
            rig.UnitOf(ch)->SendReport(0x10, 0, 0, 0);
            continue;
        }
        rig.Start(ch, TRigOp::Erase);  // blue from its start, before any reply
        EXPECT_EQ(rig.Gauges[ch].ForeColor(), TGaugeColor::Blue);
        EXPECT_EQ(rig.Gauges[ch].Progress(), ch == 0 ? 4 : 5);
    }
    ASSERT_TRUE(rig.Pump([&] { return rig.Log.Has("Channel 3 : Start Auto-Programming....") && rig.Log.Has("Channel 4 : Start Auto-Programming...."); }));
    for (int ch : {2, 3}) {
        SCOPED_TRACE("channel " + std::to_string(ch + 1));
        EXPECT_EQ(rig.Gauges[ch].ForeColor(), TGaugeColor::Blue);
        EXPECT_EQ(rig.Gauges[ch].Progress(), 5);
        EXPECT_EQ(rig.Gauges[ch].MaxValue(), 100);
    }
    ASSERT_TRUE(rig.WaitAllIdle());
    for (int ch : {0, 1}) {
        EXPECT_EQ(ChannelLines(rig.Log, "芯片", ch).back(), "擦除芯片操作成功！");
        ExpectGauge(rig.Gauges[ch], TGaugeColor::Blue);
    }
}

TEST(ChipId, ReadsBothWordsAndRejectsAShortReply)
{
    std::vector<emu::TEmulatorConfig> cfgs(2);
    cfgs[0].chipId1 = 0x0A1B;
    cfgs[0].chipId2 = 0xC0DB;  // bytes that need escaping on the wire
    TLinkRig rig(cfgs);
    rig.Search({}, 2);
    for (int ch = 0; ch < 2; ++ch)
        if (rig.UnitOf(ch) != &rig.Unit(0)) rig.UnitOf(ch)->AddFault({emu::kCmdOp, emu::kOpChipId, 1, {emu::TFault::Kind::Truncate, 0, 3}});
    for (int ch = 0; ch < 2; ++ch) rig.Start(ch, TRigOp::ChipId);
    ASSERT_TRUE(rig.WaitAllIdle());
    for (int ch = 0; ch < 2; ++ch) {
        SCOPED_TRACE("channel " + std::to_string(ch + 1));
        if (rig.UnitOf(ch) == &rig.Unit(0)) {
            EXPECT_EQ(ChannelLines(rig.Log, "芯片", ch), (Lines{"Read Chip ID1= 0x0A1B.", "Read Chip ID2= 0xC0DB."}));
            ExpectGauge(rig.Gauges[ch], TGaugeColor::Blue);
        } else {
            EXPECT_EQ(ChannelLines(rig.Log, "芯片", ch), Lines{"数据包错误！"});
            ExpectGauge(rig.Gauges[ch], TGaugeColor::Red);
        }
    }
}

// ---- hang-up ---------------------------------------------------------------

TEST(Hangup, UnitLostMidDownloadEndsByTimeoutWhileOthersFinish)
{
    TLinkRig rig(Units(4));
    rig.Search({}, 4);
    CurChip.FamilyCode = 0x20;
    LoadImage(32, 9);
    emu::TProgrammerEmulator& lost = *rig.UnitOf(1);
    lost.AddFault({emu::kCmdDlFlash, 8, 1, {emu::TFault::Kind::Disconnect, 0, 3}});
    for (int ch = 0; ch < kChannelCount; ++ch) rig.Start(ch, TRigOp::Download);
    ASSERT_TRUE(rig.Pump([] { return Channels[0].Busy == 0 && Channels[2].Busy == 0 && Channels[3].Busy == 0 && Channels[1].Connected == 0; }));
    rig.Settle();
    // The lost unit's own name leaves the list, whatever its place; the others stay.
    std::vector<std::string> kept;
    for (int ch : {0, 2, 3}) kept.push_back(Channels[ch].ComPortName);
    EXPECT_EQ(rig.PortList.Items(), kept);
    EXPECT_EQ(Channels[1].Busy, 1);
    EXPECT_EQ(rig.Gauges[1].Enabled(), false);
    for (int ch : {0, 2, 3}) {
        EXPECT_EQ(ChannelLines(rig.Log, "编程器", ch).back(), "数据下载成功！");
        ExpectGauge(rig.Gauges[ch], TGaugeColor::Blue);
    }
    rig.Tick(999);
    EXPECT_EQ(Channels[1].Busy, 1);
    rig.Tick(1);
    EXPECT_EQ(Channels[1].Busy, 0);
    EXPECT_EQ(rig.Log.Lines.back().Text, "编程器2 ：操作超时！");
    ExpectGauge(rig.Gauges[1], TGaugeColor::Red);
}

TEST(Hangup, ThePortThatHungUpLeavesTheListEvenAfterAnotherEntryWasChosen)
{
    TLinkRig rig(Units(2));
    rig.Search({}, 2);
    emu::TProgrammerEmulator& first = *rig.UnitOf(0);
    const std::string second = Channels[1].ComPortName;
    Channels[0].ComPortName = second;  // what choosing channel 2's entry in the list does
    first.Disconnect();
    ASSERT_TRUE(rig.Pump([] { return Channels[0].Connected == 0; }));
    rig.Settle();
    EXPECT_EQ(rig.PortList.Items(), std::vector<std::string>{second});
    EXPECT_EQ(Channels[1].Connected, 1);
}

}  // namespace
