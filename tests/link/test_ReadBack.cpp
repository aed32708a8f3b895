// Chip read-back on channel 1 end to end: each area lands in its buffer,
// bytes outside the area stay, and broken or short replies store nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "link/OpsTestUtil.h"
#include "link/TelvicComm.h"

namespace {

using Lines = std::vector<std::string>;
constexpr std::uint8_t kUntouched = 0xEE;

struct TReadCase {
    const char* Label;
    TRigOp Op;
    std::function<void(emu::TProgrammerEmulator&)> Setup;  // chip record and chip contents
    Lines Wire;
    std::string Line;  // the success line, added without the time
    int Area;
    std::function<void(emu::TProgrammerEmulator&)> Check;
};

class ReadBack : public ::testing::TestWithParam<TReadCase> {};

TEST_P(ReadBack, AreaLandsInItsBufferAndViewsRefreshOnce)
{
    const TReadCase& c = GetParam();
    TLinkRig rig(Units(1));
    rig.Search({}, 1);
    std::memset(ImageBufs.MainFlashBuf, kUntouched, 64 * 1024);
    std::memset(ImageBufs.EepSFlashBuf, kUntouched, kEepSFlashBufSize);
    std::memset(ImageBufs.EccWFlashBuf, kUntouched, kEccWFlashBufSize);
    emu::TProgrammerEmulator& u = *rig.UnitOf(0);
    c.Setup(u);
    rig.Start(0, c.Op);
    ASSERT_TRUE(rig.WaitIdle(0));
    rig.Settle();
    EXPECT_EQ(Wire(u), c.Wire);
    ASSERT_FALSE(rig.Log.Lines.empty());
    EXPECT_EQ(rig.Log.Lines.back().Text, c.Line);
    EXPECT_FALSE(rig.Log.Lines.back().Timed);
    EXPECT_EQ(rig.Image.Refreshes, std::vector<int>{c.Area});
    EXPECT_EQ(rig.Gauges[0].ForeColor(), TGaugeColor::Blue);
    c.Check(u);
}

void Untouched(const std::uint8_t* p, std::size_t from, std::size_t to)
{
    for (std::size_t i = from; i < to; ++i) {
        ASSERT_EQ(p[i], kUntouched) << "byte " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Areas, ReadBack,
    ::testing::Values(
        TReadCase{"main_flash", TRigOp::ReadFlash,
                  [](emu::TProgrammerEmulator& u) {
                      CurChip.FamilyCode = 0x20;
                      CurChip.FlashSizeKB = 32;
                      ImageInfo.ProgSizeKB = 32;
                      u.SetChipFlash(0, Pattern(40 * 1024, 11));
                  },
                  {"9B:0", "9B:4", "9B:8", "9B:12", "9B:16", "9B:20", "9B:24", "9B:28"},
                  "芯片1 ：Main Flash读取成功！", kReadBackMainFlash,
                  [](emu::TProgrammerEmulator& u) {
                      EXPECT_EQ(Bytes(ImageBufs.MainFlashBuf, 32768), u.ChipFlash(0, 32768));
                      Untouched(ImageBufs.MainFlashBuf, 32768, 40 * 1024);
                  }},
        TReadCase{"eep", TRigOp::ReadEep,
                  [](emu::TProgrammerEmulator& u) {
                      CurChip.FamilyCode = 0x20;
                      CurChip.EepSize = 512;
                      u.SetChipEep(0, Pattern(4096, 12));
                  },
                  {"9D:0"}, "芯片1 ：EEP Data读取成功！", kReadBackEepSFlash,
                  [](emu::TProgrammerEmulator& u) {
                      EXPECT_EQ(Bytes(ImageBufs.EepSFlashBuf, 512), u.ChipEep(0, 512));
                      Untouched(ImageBufs.EepSFlashBuf, 512, kEepSFlashBufSize);
                  }},
        TReadCase{"eep_none", TRigOp::ReadEep,
                  [](emu::TProgrammerEmulator& u) {
                      CurChip.FamilyCode = 0x20;
                      CurChip.EepSize = 0;
                      u.SetChipEep(0, Pattern(4096, 13));
                  },
                  {"9D:0"}, "芯片1 ：EEP Data读取成功！", kReadBackEepSFlash,
                  [](emu::TProgrammerEmulator&) { Untouched(ImageBufs.EepSFlashBuf, 0, kEepSFlashBufSize); }},
        TReadCase{"psoc6_sflash", TRigOp::ReadEep,
                  [](emu::TProgrammerEmulator& u) {
                      CurChip.FamilyCode = 0xD8;
                      u.SetChipEep(0, Pattern(kEepSFlashBufSize, 14));
                  },
                  {"9D:0", "9D:4"}, "芯片1 ：SFlash Data读取成功！", kReadBackEepSFlash,
                  [](emu::TProgrammerEmulator& u) {
                      const std::pair<std::size_t, std::size_t> spans[] = {{0x800, 0x1000}, {0x1A00, 0x1E00}, {0x5A00, 0x6600}, {0x7C00, 0x8000}};
                      std::size_t from = 0;
                      for (const auto& [a, b] : spans) {
                          Untouched(ImageBufs.EepSFlashBuf, from, a);
                          EXPECT_EQ(Bytes(ImageBufs.EepSFlashBuf + a, b - a), u.ChipEep(a, b - a)) << a;
                          from = b;
                      }
                      Untouched(ImageBufs.EepSFlashBuf, from, kEepSFlashBufSize);
                  }},
        TReadCase{"wflash", TRigOp::ReadWFlash,
                  [](emu::TProgrammerEmulator& u) {
                      CurChip.FamilyCode = 0xD8;
                      CurChip.EccSize = 8192;
                      u.SetChipWFlash(0, Pattern(kEccWFlashBufSize, 15));
                  },
                  {"9A:0", "9A:4"}, "芯片1 ：Work Flash读取成功！", kReadBackWFlash,
                  [](emu::TProgrammerEmulator& u) {
                      EXPECT_EQ(Bytes(ImageBufs.EccWFlashBuf, 8192), u.ChipWFlash(0, 8192));
                      Untouched(ImageBufs.EccWFlashBuf, 8192, kEccWFlashBufSize);
                  }}),
    [](const ::testing::TestParamInfo<TReadCase>& i) { return std::string(i.param.Label); });

TEST(ReadBackSecurity, DumpsBankRowsIntoTheLogOnly)
{
    TLinkRig rig(Units(1));
    rig.Search({}, 1);
    CurChip.BankNum = 2;
    CurChip.ModeByte = 0x20;  // 64 protection bytes per bank: 4 rows each
    const auto secu = Pattern(256, 16);
    rig.UnitOf(0)->SetChipSecurity(secu);
    rig.Start(0, TRigOp::ReadSecurity);
    ASSERT_TRUE(rig.WaitIdle(0));
    const auto& lines = rig.Log.Lines;
    auto it = std::find_if(lines.begin(), lines.end(), [](const TRigLine& l) { return l.Text == "芯片1 ：Read Security Data as: "; });
    ASSERT_NE(it, lines.end());
    EXPECT_TRUE(it->Timed);
    ASSERT_EQ(lines.end() - it, 9);
    for (int r = 0; r < 8; ++r) {
        char expected[128];
        int n = std::snprintf(expected, sizeof expected, "0x%04X: ", r * 16);
        for (int i = 0; i < 16; ++i) n += std::snprintf(expected + n, sizeof expected - n, "%02X ", secu[r * 16 + i]);
        EXPECT_EQ(it[1 + r].Text, expected);
        EXPECT_FALSE(it[1 + r].Timed);
    }
    EXPECT_TRUE(rig.Image.Refreshes.empty());
    for (std::size_t i = 0; i < kSecurityBufSize; ++i) ASSERT_EQ(ImageBufs.SecurityBuf[i], 0) << i;  // not stored
}

struct TReadFailCase {
    const char* Label;
    TRigOp Op;
    emu::TFaultRule Fault;
    std::string Line;
};

class ReadBackFails : public ::testing::TestWithParam<TReadFailCase> {};

TEST_P(ReadBackFails, StoresNothingOfTheBadReplyAndRefreshesNothing)
{
    const TReadFailCase& c = GetParam();
    TLinkRig rig(Units(1));
    rig.Search({}, 1);
    CurChip.FamilyCode = 0x20;
    CurChip.FlashSizeKB = 16;
    ImageInfo.ProgSizeKB = 16;
    CurChip.BankNum = 1;
    std::memset(ImageBufs.MainFlashBuf, kUntouched, 16 * 1024);
    rig.UnitOf(0)->SetChipFlash(0, Pattern(16 * 1024, 17));
    rig.UnitOf(0)->AddFault(c.Fault);
    rig.Start(0, c.Op);
    ASSERT_TRUE(rig.WaitIdle(0));
    EXPECT_EQ(rig.Log.Lines.back().Text, c.Line);
    EXPECT_EQ(rig.Gauges[0].ForeColor(), TGaugeColor::Red);
    EXPECT_TRUE(rig.Image.Refreshes.empty());
    if (c.Op == TRigOp::ReadFlash) {
        // The first block was good and stays; the failed one stores nothing.
        EXPECT_EQ(Bytes(ImageBufs.MainFlashBuf, 4096), rig.UnitOf(0)->ChipFlash(0, 4096));
        Untouched(ImageBufs.MainFlashBuf, 4096, 16 * 1024);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ReadBackFails,
    ::testing::Values(
        TReadFailCase{"short_block", TRigOp::ReadFlash, {emu::kCmdReadFlash, 4, 1, {emu::TFault::Kind::Truncate, 0, 4000}}, "芯片1 ：数据包错误！"},
        TReadFailCase{"status_85", TRigOp::ReadFlash, {emu::kCmdReadFlash, 4, 1, {emu::TFault::Kind::Status, 85}}, "芯片1 ：地址空间超出芯片范围！"},
        TReadFailCase{"short_security", TRigOp::ReadSecurity, {emu::kCmdOp, emu::kOpReadSecurity, 1, {emu::TFault::Kind::Truncate, 0, 16}}, "芯片1 ：数据包错误！"}),
    [](const ::testing::TestParamInfo<TReadFailCase>& i) { return std::string(i.param.Label); });

TEST(ReadBackChannels, OtherChannelsPassReadRepliesToTheReportHandler)
{
    TLinkRig rig(Units(2));
    rig.Search({}, 2);
    ImageInfo.ProgSizeKB = 8;
    rig.Start(1, TRigOp::ReadFlash);
    ASSERT_TRUE(rig.UnitOf(1)->WaitForRequests(2, 3000));
    rig.Settle(60);
    EXPECT_EQ(Channels[1].Busy, 1);  // no handler: it ends by its time-out
    EXPECT_EQ(Channels[1].OpCode, kOpCodeReadFlash);
    EXPECT_TRUE(ChannelLines(rig.Log, "芯片", 1).empty());
    EXPECT_EQ(Wire(*rig.UnitOf(1)), Lines{"9B:0"});
}

// What reaches the report handler shows when the reply is a stage report:
// on channels 2 to 4 every read code hands its reply to it, and the read
// ends only by its time-out.
TEST(ReadBackChannels, ReplyToAReadOnChannelsTwoToFourIsHandledAsAReport)
{
    struct TCase {
        TRigOp Op;
        std::uint8_t Code;
        std::uint16_t Arg;
        std::uint8_t OpCode;
        const char* Wire;
    };
    const TCase kCases[] = {
        {TRigOp::ReadFlash, emu::kCmdReadFlash, 0, 32, "9B:0"},
        {TRigOp::ReadEep, emu::kCmdReadEep, 0, 37, "9D:0"},
        {TRigOp::ReadWFlash, emu::kCmdReadWFlash, 0, 39, "9A:0"},
        {TRigOp::ReadSecurity, emu::kCmdOp, emu::kOpReadSecurity, 43, "93:51"},
    };
    TLinkRig rig(Units(4));
    rig.Search({}, 4);
    LoadImage(8, 18);  // every read starts its gauge above the report's progress
    CurChip.EccSize = 8192;
    int n = 0;
    for (const TCase& c : kCases) {
        const int ch = 1 + n++ % 3;
        SCOPED_TRACE(std::string(c.Wire) + " on channel " + std::to_string(ch + 1));
        emu::TProgrammerEmulator& u = *rig.UnitOf(ch);
        u.ClearRequests();
        u.AddFault({c.Code, c.Arg, 1, {emu::TFault::Kind::Report, 0x10}});
        const std::string report = "Channel " + std::to_string(ch + 1) + " : Start Auto-Programming....";
        const std::size_t reports = rig.Log.With(report).size();
        rig.Start(ch, c.Op);
        ASSERT_TRUE(rig.Pump([&] { return rig.Log.With(report).size() > reports || Channels[ch].Busy == 0; }));
        EXPECT_EQ(rig.Log.With(report).size(), reports + 1);
        EXPECT_EQ(rig.Gauges[ch].Progress(), 5);
        EXPECT_EQ(rig.Gauges[ch].MaxValue(), 100);
        EXPECT_EQ(rig.Gauges[ch].ForeColor(), TGaugeColor::Blue);
        EXPECT_EQ(Channels[ch].Busy, 1);
        EXPECT_EQ(Channels[ch].OpCode, c.OpCode);
        EXPECT_EQ(Wire(u), Lines{c.Wire});
        rig.Tick(1000);  // the reply refreshed the time-out
        EXPECT_EQ(Channels[ch].Busy, 0);
        EXPECT_EQ(rig.Log.Lines.back().Text, "芯片" + std::to_string(ch + 1) + " ：操作超时！");
        EXPECT_TRUE(rig.Image.Refreshes.empty());
    }
}

}  // namespace
