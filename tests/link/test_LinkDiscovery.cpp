// Port discovery and identification end to end: listing, locking, the
// search over four channels and the identify replies of emulated units.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <gtest/gtest.h>

#include "link/LinkRig.h"

namespace {

const char* const kGoodName = "Telvic200Cy_GangUnit_V9.1";

std::vector<std::string> SortedPaths(TLinkRig& rig)
{
    std::vector<std::string> p;
    for (int i = 0; i < rig.UnitCount(); ++i) p.push_back(rig.Unit(i).Path());
    std::sort(p.begin(), p.end(), TPortListBox::LessText);
    return p;
}

emu::TEmulatorConfig Named(const std::string& name)
{
    emu::TEmulatorConfig c;
    c.name = name;
    return c;
}

struct TDiscoveryCase {
    const char* Label;
    std::vector<std::string> Names;
    std::vector<bool> Accepted;  // by unit
};

class Discovery : public ::testing::TestWithParam<TDiscoveryCase> {};

TEST_P(Discovery, ChannelsTakeSortedPortsAndAcceptOnlyTheName)
{
    const TDiscoveryCase& c = GetParam();
    std::vector<emu::TEmulatorConfig> cfgs;
    for (const auto& n : c.Names) cfgs.push_back(Named(n));
    TLinkRig rig(cfgs);
    const int accepted = static_cast<int>(std::count(c.Accepted.begin(), c.Accepted.end(), true));
    const int searched = std::min<int>(rig.UnitCount(), kChannelCount);
    const TSearchResult r = rig.Search({}, std::min(accepted, searched));
    EXPECT_FALSE(r.Stopped);
    // Let the units that must stay silent answer too, if they were going to.
    rig.Pump([&] {
        for (int i = 0; i < searched; ++i)
            if (rig.UnitOf(i) == nullptr || rig.UnitOf(i)->RequestCount() == 0) return false;
        return true;
    });
    rig.Settle(50);

    const auto sorted = SortedPaths(rig);
    EXPECT_EQ(rig.PortList.Items(), sorted);
    EXPECT_EQ(rig.PortList.Text(), sorted.empty() ? std::string("No Device Availiable!") : sorted.back());
    EXPECT_EQ(rig.Log.With("查找设备").size(), static_cast<std::size_t>(searched));

    int expectedCount = 0;
    for (int ch = 0; ch < searched; ++ch) {
        SCOPED_TRACE("channel " + std::to_string(ch + 1));
        EXPECT_EQ(Channels[ch].ComPortName, sorted[ch]);
        EXPECT_TRUE(rig.Log.Has("查找设备" + std::to_string(ch + 1) + " ：" + sorted[ch] + "............"));
        emu::TProgrammerEmulator* unit = rig.UnitOf(ch);
        ASSERT_NE(unit, nullptr);
        int unitIndex = 0;
        while (&rig.Unit(unitIndex) != unit) ++unitIndex;
        const bool ok = c.Accepted[static_cast<std::size_t>(unitIndex)];
        expectedCount += ok;
        EXPECT_EQ(unit->RequestSummary(), std::vector<std::string>{"A3"});
        EXPECT_TRUE(unit->Errors().empty());
        EXPECT_EQ(Channels[ch].Connected, ok ? 1 : 0);
        EXPECT_EQ(rig.Gauges[ch].Enabled(), ok);
        const std::string found = "找到设备" + std::to_string(ch + 1) + " ：" + c.Names[unitIndex] + "!";
        EXPECT_EQ(rig.Log.Has(found), ok);
        if (ok) {
            EXPECT_EQ(Channels[ch].OpCode, kOpIdle);
            EXPECT_EQ(Channels[ch].OpTimeout, 500);
        }
        if (ch == 0) {
            EXPECT_EQ(rig.Status.Name, ok ? c.Names[unitIndex] : std::string());
        }
    }
    // A fifth listed port is never opened.
    for (int i = 0; i < rig.UnitCount(); ++i) {
        if (sorted.size() > 4 && rig.Unit(i).Path() == sorted[4]) {
            EXPECT_EQ(rig.Unit(i).RequestCount(), 0u);
        }
    }
    EXPECT_EQ(ProgrammerCount, expectedCount);
}

INSTANTIATE_TEST_SUITE_P(
    Units, Discovery,
    ::testing::Values(
        TDiscoveryCase{"none", {}, {}},
        TDiscoveryCase{"one", {kGoodName}, {true}},
        TDiscoveryCase{"four_mixed",
                       {kGoodName, "Telvic200C", "TelvicX00Cy_GangUnit_V9.1", "Telvic200Cy"},
                       {true, false, false, true}},
        TDiscoveryCase{"five", {kGoodName, kGoodName, kGoodName, kGoodName, kGoodName},
                       {true, true, true, true, true}}),
    [](const ::testing::TestParamInfo<TDiscoveryCase>& i) { return std::string(i.param.Label); });

// Version characters 6.9, 7.0, 9.0 and 9.1 at reply bytes 47 to 49.
const std::vector<std::string> kPointVersions = {"Telvic200Cy_ProgUnit_V6.9", "Telvic200Cy_ProgUnit_V7.0",
                                                 "Telvic200Cy_ProgUnit_V9.0", "Telvic200Cy_ProgUnit_V9.1"};
// Two-digit major versions: byte 48 is a digit. Read as digit, point, digit
// they would give "1." (below 7.0) and "9." (from 7.0 to 9.0).
const std::vector<std::string> kTwoDigitVersions = {"Telvic200Cy_ProgUnit_V10.2", "Telvic200Cy_ProgUnit_V97.3",
                                                    "Telvic200Cy_ProgUnit_V10.0", "Telvic200Cy_ProgUnit_V12.5"};

// The settings record of channels 2 to 4, placed by the version characters.
struct TSettingsCase {
    const char* Label;
    emu::TUnitSettings Settings;
    bool RecordOutside;
    std::vector<std::string> Lines;  // "N" stands for the channel digit
    std::vector<std::string> Names = kPointVersions;  // one unit each; any of them may land on channel 1
};

class UnitSettings : public ::testing::TestWithParam<TSettingsCase> {};

std::string WithDigit(std::string s, int digit)
{
    const auto at = s.find("编程器N");
    if (at != std::string::npos) s.replace(at, std::string("编程器N").size(), "编程器" + std::to_string(digit));
    return s;
}

TEST_P(UnitSettings, ChannelsTwoToFourLogTheRecordOfTheirVersion)
{
    const TSettingsCase& c = GetParam();
    std::vector<emu::TEmulatorConfig> cfgs;
    for (const std::string& n : c.Names) {
        emu::TEmulatorConfig cfg = Named(n);
        cfg.settings = c.Settings;
        cfg.recordOutsidePacket = c.RecordOutside;
        cfgs.push_back(cfg);
    }
    TLinkRig rig(cfgs);
    rig.Search({}, 4);
    // Each channel's lines follow its "found" line; channel 1 logs none.
    for (int ch = 0; ch < kChannelCount; ++ch) {
        SCOPED_TRACE("channel " + std::to_string(ch + 1));
        const std::string found = "找到设备" + std::to_string(ch + 1) + " ：";
        auto it = std::find_if(rig.Log.Lines.begin(), rig.Log.Lines.end(),
                               [&](const TRigLine& l) { return l.Text.compare(0, found.size(), found) == 0; });
        ASSERT_NE(it, rig.Log.Lines.end());
        std::vector<std::string> after;
        for (++it; it != rig.Log.Lines.end() && it->Text.find("找到设备") == std::string::npos; ++it)
            after.push_back(it->Text);
        std::vector<std::string> expected;
        if (ch > 0)
            for (const auto& l : c.Lines) expected.push_back(WithDigit(l, ch + 1));
        EXPECT_EQ(after, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Records, UnitSettings,
    ::testing::Values(
        TSettingsCase{"decimal_with_limit",
                      {0xA5, 0x1F00, 1000, 1, 5, 7, 1234},
                      false,
                      {"", "编程器N有设定序列号功能，序列号地址 ：0x00001F00  ", "  初始设定序列号为：1000 ",
                       "  当前的序列号为：  1234 ", "编程器N设定最大烧写次数:5,已烧写7,剩余-2.", ""}},
        TSettingsCase{"hex_without_limit",
                      {0xA3, 0xABCDEF01, 1000, 0, 9, 0, 0xFFFFFFFF},
                      false,
                      {"", "编程器N有设定序列号功能，序列号地址 ：0xABCDEF01  ", "  初始设定序列号为：0x000003E8 ",
                       "  当前的序列号为：  0xFFFFFFFF ", "编程器N没有设定最大烧写次数！", ""}},
        TSettingsCase{"none", {0, 0, 0, 0, 0, 0, 0}, false, {"", "编程器N没有设定序列号！", "编程器N没有设定最大烧写次数！", ""}},
        TSettingsCase{"record_beyond_reply", {0xA5, 1, 2, 1, 3, 4, 5}, true, {}},
        TSettingsCase{"two_digit_major_version",
                      {0xA5, 0x3C00, 500, 1, 300, 120, 619},
                      false,
                      {"", "编程器N有设定序列号功能，序列号地址 ：0x00003C00  ", "  初始设定序列号为：500 ",
                       "  当前的序列号为：  619 ", "编程器N设定最大烧写次数:300,已烧写120,剩余180.", ""},
                      kTwoDigitVersions}),
    [](const ::testing::TestParamInfo<TSettingsCase>& i) { return std::string(i.param.Label); });

TEST(DiscoveryPorts, LockedPortIsLeftOut)
{
    TLinkRig rig({Named(kGoodName), Named(kGoodName)});
    const std::string locked = rig.Unit(0).Path();
    const int fd = ::open(locked.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    rig.Search({}, 1);
    ::close(fd);
    EXPECT_EQ(rig.PortList.Items(), std::vector<std::string>{rig.Unit(1).Path()});
    EXPECT_EQ(Channels[0].ComPortName, rig.Unit(1).Path());
    EXPECT_EQ(Channels[0].Connected, 1);
    EXPECT_EQ(Channels[1].Connected, 0);
    EXPECT_EQ(rig.Unit(0).RequestCount(), 0u);
}

TEST(DiscoveryPorts, PortGoneBeforeItsTurnEndsTheSearchThere)
{
    TLinkRig rig({Named(kGoodName), Named(kGoodName), Named(kGoodName)});
    const auto sorted = SortedPaths(rig);
    emu::TProgrammerEmulator* second = nullptr;
    for (int i = 0; i < 3; ++i)
        if (rig.Unit(i).Path() == sorted[1]) second = &rig.Unit(i);
    int pauses = 0;
    const TSearchResult r = rig.Search(
        [&](int ms) {
            EXPECT_EQ(ms, 20);
            if (++pauses == 1) second->Disconnect();  // after channel 1 opened
        },
        1);
    EXPECT_TRUE(r.Stopped);
    EXPECT_EQ(r.Channel, 1);
    EXPECT_EQ(r.Message, "Error opening serial port:" + sorted[1]);
    EXPECT_EQ(Channels[0].Connected, 1);
    EXPECT_EQ(Channels[1].Connected, 0);
    EXPECT_EQ(Channels[1].Port->PortHandle(), 0);
    EXPECT_EQ(rig.Log.With("查找设备").size(), 2u);  // channel 3 is not searched
    EXPECT_EQ(rig.Log.With("找到设备").size(), 1u);
}

TEST(DiscoveryPorts, FtdiListerTakesOnlyFtdiDriverEntries)
{
    char tmpl[] = "/tmp/telvic_tty_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string root = tmpl;
    auto mk = [&](const std::string& entry, const char* driver) {
        const std::string dev = root + "/class/" + entry + "/device";
        ASSERT_EQ(system(("mkdir -p '" + dev + "' '" + root + "/drivers/" + driver + "'").c_str()), 0);
        ASSERT_EQ(symlink((root + "/drivers/" + driver).c_str(), (dev + "/driver").c_str()), 0);
    };
    mk("ttyUSB10", "ftdi_sio");
    mk("ttyUSB2", "ftdi_sio");
    mk("ttyACM0", "cdc_acm");
    ASSERT_EQ(system(("mkdir -p '" + root + "/class/tty0'").c_str()), 0);
    TFtdiPortLister lister(root + "/class", "/devx/");
    auto got = lister.Candidates();
    std::sort(got.begin(), got.end(), [](const TPortCandidate& a, const TPortCandidate& b) { return a.Name < b.Name; });
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].Name, "ttyUSB10");
    EXPECT_EQ(got[0].DevicePath, "/devx/ttyUSB10");
    EXPECT_EQ(got[1].Name, "ttyUSB2");
    // Neither opens here, so listing adds nothing and says so.
    TPortListBox box;
    ListVcpPorts(box, lister);
    EXPECT_EQ(box.Count(), 0);
    EXPECT_EQ(box.Text(), "No Device Availiable!");
    ASSERT_EQ(system(("rm -rf '" + root + "'").c_str()), 0);
}

}  // namespace

namespace {

emu::Bytes IdentifyReplyFrame(const std::string& name, std::size_t packetLen = 64)
{
    emu::Bytes p(packetLen, 0);
    p[0] = 0xA3;
    p[1] = 0xA5;
    p[2] = 0x35;
    p[3] = static_cast<std::uint8_t>(name.size() - 1);
    std::copy(name.begin(), name.end(), p.begin() + 25);
    return emu::FrameReply(p);
}

emu::Bytes ReportFrame(std::uint8_t stage) { return emu::FrameReply(emu::ReportPacket(stage, 0, 0, 0)); }

TEST(ReceivePath, FramesOfOneChunkGoToIdentifyThenDispatchAndTheTailWaits)
{
    TLinkRig rig({});
    Channels[0].OpCode = kOpIdle;
    emu::Bytes chunk = IdentifyReplyFrame("Telvic200Cy");
    const emu::Bytes report = ReportFrame(0x20);
    const emu::Bytes third = ReportFrame(0x30);
    chunk.insert(chunk.end(), report.begin(), report.end());
    chunk.insert(chunk.end(), third.begin(), third.begin() + 4);
    Channels[0].OpTimeout = 7;
    ChannelReceiveData(0, chunk.data(), static_cast<std::uint16_t>(chunk.size()));
    EXPECT_EQ(Channels[0].Connected, 1);
    EXPECT_TRUE(rig.Log.Has("找到设备1 ：Telvic200Cy!"));
    EXPECT_TRUE(rig.Log.Has("Channel 1 : Chip Blank Checking...."));  // dispatched, then reported
    EXPECT_EQ(Channels[0].RxLen, 4);
    EXPECT_FALSE(rig.Log.Has("Channel 1 : Do Chip Erasing...."));
    ChannelReceiveData(0, third.data() + 4, static_cast<std::uint16_t>(third.size() - 4));
    EXPECT_TRUE(rig.Log.Has("Channel 1 : Do Chip Erasing...."));
    EXPECT_EQ(Channels[0].RxLen, 0);
    EXPECT_EQ(Channels[0].OpTimeout, 1000);  // every chunk refreshes the channel's time-out
}

TEST(ReceivePath, ShortIdentifyReplyOnChannelTwoConnectsWithoutSettingsLines)
{
    TLinkRig rig({});
    // 40 bytes: the name fits, the version characters at 47 to 49 do not.
    const emu::Bytes frame = IdentifyReplyFrame("Telvic200Cy", 40);
    ChannelReceiveData(1, frame.data(), static_cast<std::uint16_t>(frame.size()));
    EXPECT_EQ(Channels[1].Connected, 1);
    ASSERT_EQ(rig.Log.Lines.size(), 1u);
    EXPECT_EQ(rig.Log.Lines[0].Text, "找到设备2 ：Telvic200Cy!");
    EXPECT_TRUE(rig.Log.Lines[0].Timed);
    EXPECT_EQ(rig.Status.Name, "");  // only channel 1 names its programmer in the panel
}

TEST(ReceivePath, EnglishSearchLineAndRefreshOfChannelOne)
{
    TLinkRig rig({Named(kGoodName)});
    SearchProgrammers(*rig.Lister, TBuildLang::English);
    EXPECT_TRUE(rig.Log.Has("Find the device 1 : " + rig.Unit(0).Path() + "............"));
    ASSERT_TRUE(rig.Pump([] { return Channels[0].Connected == 1; }));
    RefreshPortList(*rig.Lister);
    EXPECT_EQ(Channels[0].Connected, 0);
    EXPECT_EQ(Channels[0].Port->PortHandle(), 0);
    EXPECT_EQ(Channels[0].ComPortName, rig.Unit(0).Path());
    EXPECT_EQ(rig.PortList.Items(), std::vector<std::string>{rig.Unit(0).Path()});
}

}  // namespace
