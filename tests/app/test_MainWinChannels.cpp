// Main window end to end: the real window, real serial ports and link code,
// and four emulated programmer units on pseudo-terminals: the first search,
// every channel command on four channels, the download's EEP checksums, and
// a hang-up.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>
#include <QLabel>
#include <QTimer>

#include <map>

#include "app/GaugeBar.h"
#include "tests/app/EmulatedUnits.h"

namespace {

const char* const kUnitName = "Telvic200Cy_GangUnit_V9.1";

class FirstSearch : public ::testing::TestWithParam<TBuildLang> {};

TEST_P(FirstSearch, FindsFourUnitsInPortOrder)
{
    FourChannels rig(GetParam());
    ASSERT_TRUE(rig.ok);
    std::vector<std::string> sorted = PathsOf(rig.units);
    std::sort(sorted.begin(), sorted.end(), TPortListBox::LessText);
    const QStringList lines = rig.f.Lines();
    ASSERT_GE(lines.size(), 5);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("> 14:05:09 Hello Telvic200CY User!------")));
    const bool en = GetParam() == TBuildLang::English;
    for (int i = 0; i < kUnits; ++i) {
        const QString search = en ? QStringLiteral("> 14:05:09 Find the device %1 : %2............")
                                  : QStringLiteral("> 14:05:09 查找设备%1 ：%2............");
        EXPECT_EQ(lines[1 + i], search.arg(i + 1).arg(QString::fromStdString(sorted[static_cast<std::size_t>(i)])));
        EXPECT_EQ(Channels[i].ComPortName, sorted[static_cast<std::size_t>(i)]);
        EXPECT_EQ(Channels[i].Connected, 1);
        EXPECT_EQ(rig.UnitOf(i).RequestSummary().front(), "A3");
        EXPECT_TRUE(rig.f.win->Gauges[static_cast<std::size_t>(i)]->isEnabled());
    }
    EXPECT_EQ(rig.f.win->InfoPanel->text(), QLatin1String(kUnitName));
    QComboBox* list = rig.f.win->ComboBoxCOM;
    EXPECT_EQ(list->count(), kUnits);
    EXPECT_EQ(list->currentText(), QString::fromStdString(sorted.back()));  // the last listed port
    EXPECT_TRUE(rig.f.boxes.Shown.empty());
    // Choosing an entry names channel 1's port; typed text selects none.
    rig.f.win->ComboBoxCOMChange(2);
    EXPECT_EQ(Channels[0].ComPortName, sorted[2]);
    rig.f.win->ComboBoxCOMChange(-1);
    EXPECT_EQ(Channels[0].ComPortName, "");
}

INSTANTIATE_TEST_SUITE_P(Builds, FirstSearch, ::testing::Values(TBuildLang::Chinese, TBuildLang::English),
                         [](const auto& info) { return std::string(LangName(info.param)); });

using TChip = FourChannels::TChip;

struct TChannelCommand {
    const char* name;
    void (TTelvic200CyPrg::*handler)();
    const char* chineseLine;  // "%1" is the channel
    const char* englishLine;  // after the time prefix; "": the memo line without time; null: no command
    const char* firstRequest; // code:argument of the first request on each unit
    bool channel1Only;
    TChip chip = TChip::PSoC1;
    int gaugeMax[2] = {0, 0};  // Chinese, English; 0: later stages change it
    const char* resultLine = nullptr;  // the per-channel result (Chinese in both builds); "%1" is the channel
};

void PrintTo(const TChannelCommand& c, std::ostream* os)
{
    *os << c.name;
}

const TChannelCommand kChannelCommands[] = {
    {"Download", &TTelvic200CyPrg::SpdBtnDownLoadClick, "编程器%1 ：下载数据......", "> Programmer %1 : Download......", "53", false, TChip::PSoC1, {0, 0}, "编程器%1 ：数据下载成功！"},
    {"Auto", &TTelvic200CyPrg::AutoSpdBtnClick, "芯片%1 ：开始自动编程，芯片擦除......", "Chip %1 : Auto Programing, do balnk check......", "93:3", false, TChip::PSoC1, {0, 0}, "芯片%1 ：芯片烧写成功！"},
    {"BlankCheck", &TTelvic200CyPrg::SpdBtnBlankChkClick, "芯片%1 ：开始芯片查空......", "Chip %1 : Starting Blank check......", "93:5", false, TChip::PSoC1, {1200, 1200}, "芯片%1 ：当前芯片为空！"},
    {"Erase", &TTelvic200CyPrg::SpdBtnEraseClick, "芯片%1 ：开始芯片擦除......", "Chip %1 : Do chip erase......", "93:3", false, TChip::PSoC1, {1200, 1000}, "芯片%1 ：擦除芯片操作成功！"},
    {"Program", &TTelvic200CyPrg::SpdBtnProgClick, "芯片%1 ：开始芯片编程......", "Chip %1 : Start chip programming......", "95:0", false, TChip::PSoC1, {0, 0}, "芯片%1 ：编程操作成功！"},
    {"Verify", &TTelvic200CyPrg::SpdBtnVerifyClick, "芯片%1 ：开始Flash数据校验......", "Chip %1 : Do Flash data verification......", "93:83", false, TChip::PSoC1, {1000, 500}, "芯片%1 ：数据校验成功！"},
    {"Security", &TTelvic200CyPrg::SpdBtnSecuClick, "芯片%1 ：写Security Data......", "Chip %1 : Write Security Data......", "93:53", false, TChip::PSoC1, {500, 500}, "芯片%1 ：写Security Data操作成功！"},
    {"ChipId", &TTelvic200CyPrg::ReadChipID1Click, "编程器%1 ：读取当前芯片ID......", "Programmer %1 : Read Chip ID......", "93:55", false, TChip::PSoC1, {500, 500}},
    {"ReadMemory", &TTelvic200CyPrg::ReadChipMemory1Click, "芯片1 ：读取芯片Main Flash Data......", "", "9B:0", true, TChip::PSoC1, {16, 16}},
    {"ReadEEP", &TTelvic200CyPrg::ReadEEP1Click, "芯片1 ：读取芯片EEP Data......", "Chip 1 : Read Chip EEP Data.......", "9D:0", true, TChip::PSoC3},
    {"ReadSFlash", &TTelvic200CyPrg::ReadEEP1Click, "芯片1 ：读取芯片SFlash Data(User/NAR/Public Key/TOC2/RTOC2)......", "Chip 1 : Read Chip SFlash Data......", "9D:0", true, TChip::PSoC6},
    {"ReadWFlash", &TTelvic200CyPrg::ReadWFlashData1Click, "芯片1 ：读取芯片Work Flash Data......", "Chip 1 : Read Chip Work Flash Data......", "9A:0", true, TChip::PSoC6},
    {"ReadSecurity", &TTelvic200CyPrg::ReadSecurity1Click, "芯片1 ：读取芯片Security Flash Data......", nullptr, "93:51", true},
    {"ProgramEEP", &TTelvic200CyPrg::ProgramEEP1Click, "芯片%1 ：开始编程芯片EEP Data...", "芯片%1 ：开始编程芯片EEP Data...", "99:0", false, TChip::PSoC3, {0, 0}, "芯片%1 ：写EEP Data操作成功！"},
    {"ProgramWFlash", &TTelvic200CyPrg::ProgramWFlashData1Click, "芯片%1 ：开始编程芯片Work Flash Data...", "芯片%1 ：开始编程芯片Work Flash Data...", "98:0", false, TChip::PSoC6, {0, 0}, "芯片%1 ：Work Falsh数据写入成功！"},
};

class ChannelCommand : public ::testing::TestWithParam<std::tuple<TChannelCommand, TBuildLang>> {};

TEST_P(ChannelCommand, RunsOnFourEmulatedChannels)
{
    const TChannelCommand& cmd = std::get<0>(GetParam());
    const TBuildLang lang = std::get<1>(GetParam());
    const bool en = lang == TBuildLang::English;
    FourChannels rig(lang);
    ASSERT_TRUE(rig.ok);
    rig.ChooseChip(cmd.chip);
    rig.ClearRequests();
    const int before = rig.f.Lines().size();
    (rig.f.win.get()->*cmd.handler)();
    if (en && !cmd.englishLine) {
        // The English build has the menu item without the command.
        Pump([] { return false; }, 30);
        for (int i = 0; i < kUnits; ++i) EXPECT_TRUE(rig.UnitOf(i).RequestSummary().empty());
        EXPECT_EQ(rig.f.Lines().size(), before);
        return;
    }
    ASSERT_TRUE(Pump(AllIdle, 30000));
    // Let late frames (none expected) arrive before looking.
    Pump([] { return false; }, 30);

    const QStringList added = rig.f.LinesFrom(before);
    const int started = cmd.channel1Only ? 1 : kUnits;
    for (int i = 0; i < kUnits; ++i) {
        SCOPED_TRACE("channel " + std::to_string(i + 1));
        const std::vector<std::string> requests = rig.UnitOf(i).RequestSummary();
        if (i >= started) {
            EXPECT_TRUE(requests.empty());
            continue;
        }
        ASSERT_FALSE(requests.empty());
        EXPECT_EQ(requests.front().substr(0, std::string(cmd.firstRequest).size()), cmd.firstRequest);
        QString line;
        if (en && *cmd.englishLine == '\0') line = QStringLiteral("> Chip 1 : Read Chip Main Flash Data......");
        else line = QStringLiteral("> 14:05:09 ") + QString::fromUtf8(en ? cmd.englishLine : cmd.chineseLine).arg(i + 1);
        EXPECT_TRUE(added.contains(line)) << line.toStdString();
        if (cmd.resultLine) {
            const QString result = QStringLiteral("> 14:05:09 ") + QString::fromUtf8(cmd.resultLine).arg(i + 1);
            EXPECT_EQ(added.count(result), 1) << result.toStdString();
        }
        const TGauge& gauge = rig.f.win->ChannelGauge(i);
        EXPECT_EQ(gauge.ForeColor(), TGaugeColor::Blue);
        EXPECT_EQ(gauge.Progress(), gauge.MaxValue());
        if (cmd.gaugeMax[en]) {
            EXPECT_EQ(gauge.MaxValue(), cmd.gaugeMax[en]);
        }
        EXPECT_EQ(Channels[i].OpCode, kOpIdle);
        EXPECT_TRUE(rig.UnitOf(i).Errors().empty());
    }
    if (!cmd.channel1Only) {
        // The same requests on every channel (the download's random seed aside).
        for (int i = 1; i < kUnits; ++i) EXPECT_EQ(rig.UnitOf(i).RequestSummary().size(), rig.UnitOf(0).RequestSummary().size());
    }
    // The chip-ID read ignores the ID match in the Chinese build only; the blank check in both.
    const std::string name = cmd.name;
    if (name == "ChipId") {
        EXPECT_EQ((CtrlSettings.OptionBits1 & 0x40) != 0, !en);
    } else if (name == "BlankCheck") {
        EXPECT_NE(CtrlSettings.OptionBits1 & 0x40, 0);
    }
    const std::map<std::string, std::vector<std::string>> fullSequences = {
        {"Auto", {"93:3", "95:0", "95:4", "95:8", "95:12", "93:83", "93:53"}},
        {"Program", {"95:0", "95:4", "95:8", "95:12"}},
    };
    const auto full = fullSequences.find(cmd.name);
    if (full != fullSequences.end()) {
        for (int i = 0; i < kUnits; ++i) EXPECT_EQ(rig.UnitOf(i).RequestSummary(), full->second);
    }
    EXPECT_FALSE(added.contains(QStringLiteral("> 14:05:09 请连接好设备！")));
    EXPECT_TRUE(rig.f.boxes.Shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Commands, ChannelCommand,
                         ::testing::Combine(::testing::ValuesIn(kChannelCommands),
                                            ::testing::Values(TBuildLang::Chinese, TBuildLang::English)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" + LangName(std::get<1>(info.param));
                         });

// A download sends the EEP checksums the image has; only a PSoC 6 download
// replaces them with supervisory-flash sums first.
TEST(Download, SendsTheImagesEepChecksumsUnlessPSoC6)
{
    for (const bool psoc6 : {false, true}) {
        SCOPED_TRACE(psoc6 ? "PSoC 6" : "PSoC 1");
        FourChannels rig(TBuildLang::Chinese);
        ASSERT_TRUE(rig.ok);
        rig.ChoosePSoC1Chip();
        CurChip.FamilyCode = psoc6 ? 0xD8 : 0x27;
        CurChip.EepSize = 2048;
        for (std::size_t i = 0; i < 2048; ++i) ImageBufs.EepSFlashBuf[0x800 + i] = 0x01;
        ImageInfo.UserRowsPresent = 1;
        Checksums.EepCrcSum = 0x5678;
        Checksums.EepAccSum = 0x1234;
        rig.ClearRequests();
        const int before = rig.f.Lines().size();
        rig.f.win->SpdBtnDownLoadClick();
        ASSERT_TRUE(Pump([&] { return rig.UnitOf(0).ConfigBlock().size() == 512; }, 10000));
        Pump(AllIdle, 30000);
        const auto block = rig.UnitOf(0).ConfigBlock();
        const std::uint16_t crc = static_cast<std::uint16_t>(block[56] | block[57] << 8);
        const std::uint16_t acc = static_cast<std::uint16_t>(block[58] | block[59] << 8);
        const bool sumLine = rig.f.LinesFrom(before).filter(QStringLiteral("芯片 SFlash Data ACC CheckSum")).size() == 1;
        if (psoc6) {
            EXPECT_TRUE(sumLine);
            EXPECT_EQ(acc, 2048);  // the plain sum of the user rows
            EXPECT_EQ(acc, Checksums.EepAccSum);
        } else {
            EXPECT_FALSE(sumLine);
            EXPECT_EQ(crc, 0x5678);
            EXPECT_EQ(acc, 0x1234);
        }
    }
}

// An EEP size the download packet cannot carry: every channel logs the
// refusal, sends nothing and ends at once with a red gauge.
TEST(Download, RefusedEepSizeEndsEachChannelAtOnce)
{
    FourChannels rig(TBuildLang::Chinese);
    ASSERT_TRUE(rig.ok);
    rig.ChoosePSoC1Chip();
    CurChip.EepSize = 7171;
    rig.f.win->EnWrtEep->setChecked(true);
    rig.ClearRequests();
    rig.f.win->SpdBtnDownLoadClick();
    for (int ch = 0; ch < kUnits; ++ch) {
        EXPECT_EQ(Channels[ch].Busy, 0) << ch;
        EXPECT_EQ(Channels[ch].OpCode, kOpIdle) << ch;
        ASSERT_NE(Channels[ch].Gauge, nullptr);
        EXPECT_EQ(Channels[ch].Gauge->ForeColor(), TGaugeColor::Red) << ch;
    }
    Pump([] { return false; }, 100);
    for (int ch = 0; ch < kUnits; ++ch) EXPECT_TRUE(rig.UnitOf(ch).Requests().empty()) << ch;
    EXPECT_EQ(rig.f.Lines().filter(QStringLiteral("EEP数据大小错误(7171)，取消下载！")).size(), kUnits);
}

// The window's 15 ms tick ends an unanswered operation: that channel's
// time-out line and a red gauge, the others finish normally.
TEST(TimeOut, ASilentUnitEndsByTheWindowsTick)
{
    for (TBuildLang lang : {TBuildLang::Chinese, TBuildLang::English}) {
        SCOPED_TRACE(LangName(lang));
        FourChannels rig(lang);
        ASSERT_TRUE(rig.ok);
        rig.ChoosePSoC1Chip();
        emu::TFaultRule silent;
        silent.code = emu::kCmdOp;
        silent.fault.kind = emu::TFault::Kind::Silence;
        rig.UnitOf(1).AddFault(silent);
        rig.f.win->SpdBtnEraseClick();
        ASSERT_TRUE(Pump([] { return Channels[0].Busy == 0 && Channels[2].Busy == 0 && Channels[3].Busy == 0; }, 10000));
        EXPECT_EQ(Channels[1].Busy, 1);
        for (int t = 0; t < 600 && Channels[1].Busy; ++t) rig.f.win->Timer1Timer();
        EXPECT_EQ(Channels[1].Busy, 0);
        EXPECT_EQ(rig.f.win->ChannelGauge(1).ForeColor(), TGaugeColor::Red);
        EXPECT_EQ(rig.f.win->ChannelGauge(0).ForeColor(), TGaugeColor::Blue);
        const QString line = lang == TBuildLang::English ? QStringLiteral("> Chip 2 : Operation Time Out!")
                                                         : QStringLiteral("> 14:05:09 芯片2 ：操作超时！");
        EXPECT_EQ(rig.f.Lines().count(line), 1);
    }
}

// A listed port that cannot be opened ends the search at its channel with the
// serial component's message; the channels before it keep their programmer.
TEST(FirstSearchStops, AtAPortThatCannotBeOpened)
{
    auto unit = std::make_unique<emu::TProgrammerEmulator>();
    QTemporaryDir dir;
    const std::string notATty = dir.path().toStdString() + "/zz_not_a_port";
    QFile file(QString::fromStdString(notATty));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    MainWinFixture f(TBuildLang::Chinese, {unit->Path(), notATty});
    f.win->Timer1->stop();
    f.Show();
    ASSERT_TRUE(Pump([] { return ProgrammerCount == 1; }, 10000));
    ASSERT_EQ(f.boxes.Shown.size(), 1u);
    EXPECT_EQ(f.boxes.Shown[0].Kind, 'E');
    EXPECT_EQ(f.boxes.Shown[0].Text, QStringLiteral("File handle is not a comm handle "));
    EXPECT_EQ(Channels[0].Connected, 1);
    EXPECT_EQ(Channels[1].Connected, 0);
    EXPECT_EQ(Channels[1].ComPortName, notATty);
}

// A unit that hangs up takes its own port name out of the list.
TEST(HangUp, RemovesThatChannelsOwnPort)
{
    FourChannels rig(TBuildLang::Chinese);
    ASSERT_TRUE(rig.ok);
    const std::string third = Channels[2].ComPortName;
    rig.UnitOf(2).Disconnect();
    ASSERT_TRUE(Pump([] { return Channels[2].Connected == 0; }, 10000));
    QStringList left;
    for (int i = 0; i < rig.f.win->ComboBoxCOM->count(); ++i) left << rig.f.win->ComboBoxCOM->itemText(i);
    EXPECT_EQ(left.size(), kUnits - 1);
    EXPECT_FALSE(left.contains(QString::fromStdString(third)));
    EXPECT_TRUE(left.contains(QString::fromStdString(Channels[0].ComPortName)));
    EXPECT_FALSE(rig.f.win->Gauges[2]->isEnabled());
    EXPECT_EQ(Channels[0].Connected, 1);
}

} // namespace
