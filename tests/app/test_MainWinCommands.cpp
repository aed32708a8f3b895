// Main window commands without programmers: preconditions and their boxes,
// the no-device line, Space/Enter and the menu shortcuts, and the
// chip-dependent set-up per family group.
#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include "chips/ChipCatalog.h"
#include "chips/ChipSelCY.h"
#include "tests/app/MainWinFixture.h"

namespace {

using THandler = void (TTelvic200CyPrg::*)();

const QString kNoChip = QStringLiteral("请选择并确认芯片型号！");
const QString kNoFile = QStringLiteral("请加载目标文件！");
const QString kNoChipEn = QStringLiteral("Please select the chip first!");
const QString kNoFileEn = QStringLiteral("Please load the object file!");
const QString kSeparator = QStringLiteral("> 14:05:09 ---------------------------------------------------");

struct TCommandCase {
    const char* name;
    THandler handler;
    bool needsFile;
    bool fourChannels;  // logs the no-device line when no channel is free
};

const TCommandCase kCommands[] = {
    {"Download", &TTelvic200CyPrg::SpdBtnDownLoadClick, true, true},
    {"Auto", &TTelvic200CyPrg::AutoSpdBtnClick, true, true},
    {"BlankCheck", &TTelvic200CyPrg::SpdBtnBlankChkClick, false, true},
    {"Erase", &TTelvic200CyPrg::SpdBtnEraseClick, false, true},
    {"Program", &TTelvic200CyPrg::SpdBtnProgClick, true, true},
    {"Verify", &TTelvic200CyPrg::SpdBtnVerifyClick, true, true},
    {"Security", &TTelvic200CyPrg::SpdBtnSecuClick, false, true},
    {"ReadChipID", &TTelvic200CyPrg::ReadChipID1Click, false, true},
    {"ReadChipMemory", &TTelvic200CyPrg::ReadChipMemory1Click, false, false},
    {"ReadEEP", &TTelvic200CyPrg::ReadEEP1Click, false, false},
    {"ReadWFlash", &TTelvic200CyPrg::ReadWFlashData1Click, false, false},
    {"ReadSecurity", &TTelvic200CyPrg::ReadSecurity1Click, false, false},
    {"ProgramEEP", &TTelvic200CyPrg::ProgramEEP1Click, true, false},
    {"ProgramWFlash", &TTelvic200CyPrg::ProgramWFlashData1Click, true, false},
};

// The log lines a command added after `before` lines, the Auto separator left out.
QStringList AddedLines(const MainWinFixture& f, int before)
{
    QStringList added = f.LinesFrom(before);
    added.removeAll(kSeparator);
    added.removeAll(QStringLiteral("..........................................."));
    // The two control-setting lines of every option gathering.
    QStringList kept;
    for (const QString& l : added)
        if (!l.startsWith(QLatin1String("> Control Setting"))) kept << l;
    return kept;
}

TEST(Commands, PreconditionsAndNoDevicePerCommandInBothBuilds)
{
    for (TBuildLang lang : {TBuildLang::Chinese, TBuildLang::English}) {
        const bool en = lang == TBuildLang::English;
        for (const TCommandCase& c : kCommands) {
            if (en && c.handler == &TTelvic200CyPrg::ReadSecurity1Click) continue;  // no action there
            SCOPED_TRACE(std::string(c.name) + " " + LangName(lang));
            MainWinFixture f(lang);
            f.Show();
            TTelvic200CyPrg& w = *f.win;

            (w.*c.handler)();
            EXPECT_EQ(f.boxes.Shown, (std::vector<TShownBox>{{'I', en ? kNoChipEn : kNoChip}}));
            EXPECT_TRUE(AddedLines(f, 1).isEmpty());

            ChipSelected = 1;
            f.boxes.Shown.clear();
            (w.*c.handler)();
            if (c.needsFile) {
                EXPECT_EQ(f.boxes.Shown, (std::vector<TShownBox>{{'I', en ? kNoFileEn : kNoFile}}));
                ObjFileLoaded = 1;
                f.boxes.Shown.clear();
            }
            EXPECT_TRUE(f.boxes.Shown.empty());
            // No programmer connected: only the four-channel commands say so.
            const int before = f.Lines().size();
            (w.*c.handler)();
            const QStringList expected =
                !c.fourChannels ? QStringList{}
                : en            ? QStringList{QStringLiteral("> Please connect the device!")}
                                : QStringList{QStringLiteral("> 14:05:09 请连接好设备！")};
            EXPECT_EQ(AddedLines(f, before), expected);
            for (int i = 0; i < kChannelCount; ++i) EXPECT_EQ(Channels[i].Busy, 0);
        }
    }
}

// Busy and unconnected channels are skipped one by one; the no-device line
// comes only when none was free.
TEST(Commands, EligibleChannelsOnly)
{
    MainWinFixture f(TBuildLang::Chinese);
    f.Show();
    ChipSelected = 1;
    ObjFileLoaded = 1;
    Channels[0].Connected = 1;
    Channels[0].Busy = 1;
    Channels[2].Connected = 1;
    Channels[2].OpCode = kOpIdle;
    const int before = f.Lines().size();
    f.win->SpdBtnEraseClick();
    EXPECT_EQ(AddedLines(f, before), QStringList{QStringLiteral("> 14:05:09 芯片3 ：开始芯片擦除......")});
    EXPECT_EQ(Channels[2].Busy, 1);
    EXPECT_EQ(Channels[2].OpCode, 19);
    EXPECT_EQ(Channels[0].OpCode, 0);
    // Now every connected channel is busy.
    const int later = f.Lines().size();
    f.win->SpdBtnBlankChkClick();
    EXPECT_EQ(AddedLines(f, later), QStringList{QStringLiteral("> 14:05:09 请连接好设备！")});
    // Program EEP stops the timer's gauge on every channel, busy or not, and starts none here.
    Channels[1].TimerProgress = 1;
    Channels[2].TimerProgress = 1;
    f.win->ProgramEEP1Click();
    for (int i = 0; i < kChannelCount; ++i) EXPECT_EQ(Channels[i].TimerProgress, 0);
    EXPECT_EQ(Channels[2].OpCode, 19);
}

TEST(Commands, AutoLogsItsSeparatorBeforeAnyCheck)
{
    MainWinFixture f(TBuildLang::Chinese);
    f.Show();
    f.win->ViewPageCtrl->setCurrentIndex(1);
    f.win->AutoSpdBtnClick();
    EXPECT_EQ(f.Lines().last(), kSeparator);
    EXPECT_EQ(f.win->ViewPageCtrl->currentIndex(), 0);
    EXPECT_EQ(f.boxes.Shown.size(), 1u);
}

TEST(Commands, ConversionErrorEndsTheCommandBeforeAnyChannel)
{
    MainWinFixture f(TBuildLang::Chinese);
    f.Show();
    ChipSelected = 1;
    ObjFileLoaded = 1;
    Channels[0].Connected = 1;
    f.win->GainEdit->setText(QStringLiteral("0xZZ"));
    f.win->RunGuarded([&] { f.win->SpdBtnEraseClick(); });
    EXPECT_EQ(f.boxes.Shown, (std::vector<TShownBox>{{'E', QStringLiteral("'0xZZ' is not a valid integer value")}}));
    EXPECT_EQ(Channels[0].Busy, 0);
}

// What each command writes into a free channel's record, in both builds:
// channels 1 and 3 are free, 2 and 4 not connected. Marks left in the records
// show what a command leaves unchanged. "Use XRES" is on and the ignore-ID box
// off, so bits 6 and 7 of OptionBits1 show which commands force or clear them.
// A first program block starts with its own, shorter time-out.
TEST(Commands, ChannelRecordAndOptionBitsPerCommand)
{
    constexpr std::uint8_t kMark = 9;
    constexpr int kKeep = -1;
    const struct {
        const char* name;
        THandler handler;
        std::uint8_t family;
        int opCode;
        int timerProgress;
        int autoSequence[2];  // Chinese, English; kKeep: the mark stays
        bool clearsRx[2];
        int gaugeMax[2];
        std::uint8_t idBits[2];  // OptionBits1 & 0xC0 afterwards
        bool channel1Only;
    } cases[] = {
        // FlashSizeKB 256, EccSize 0x8000: the download's maximum is 256 + 32 + 1.
        {"Download", &TTelvic200CyPrg::SpdBtnDownLoadClick, 0x20, 3, 0, {kKeep, kKeep}, {true, false}, {289, 289}, {0x80, 0x80}, false},
        {"Auto", &TTelvic200CyPrg::AutoSpdBtnClick, 0x20, 19, 1, {1, 1}, {true, true}, {500, 500}, {0x80, 0x80}, false},
        {"AutoFamily0", &TTelvic200CyPrg::AutoSpdBtnClick, 0x00, 19, 1, {1, 1}, {true, true}, {4, 4}, {0x80, 0x80}, false},
        {"BlankCheck", &TTelvic200CyPrg::SpdBtnBlankChkClick, 0x20, 21, 1, {0, 0}, {true, true}, {1200, 1200}, {0xC0, 0xC0}, false},
        {"Erase", &TTelvic200CyPrg::SpdBtnEraseClick, 0x20, 19, 1, {0, 0}, {true, true}, {1200, 1000}, {0x80, 0x80}, false},
        {"Program", &TTelvic200CyPrg::SpdBtnProgClick, 0x20, 23, 0, {0, 0}, {true, true}, {256, 256}, {0x80, 0x80}, false},
        {"Verify", &TTelvic200CyPrg::SpdBtnVerifyClick, 0x20, 25, 1, {0, 0}, {true, true}, {1000, 500}, {0x80, 0x80}, false},
        {"Security", &TTelvic200CyPrg::SpdBtnSecuClick, 0x20, 27, 1, {0, 0}, {true, true}, {500, 500}, {0x80, 0x00}, false},
        {"ChipId", &TTelvic200CyPrg::ReadChipID1Click, 0x20, 35, 1, {kKeep, kKeep}, {true, false}, {500, 500}, {0xC0, 0x80}, false},
        {"ReadMemory", &TTelvic200CyPrg::ReadChipMemory1Click, 0x20, 32, 0, {0, 0}, {true, true}, {256, 256}, {0xC0, 0xC0}, true},
        {"ReadEEP", &TTelvic200CyPrg::ReadEEP1Click, 0x20, 37, 0, {0, 0}, {true, false}, {6, 6}, {0xC0, 0xC0}, true},
        {"ReadWFlash", &TTelvic200CyPrg::ReadWFlashData1Click, 0xD8, 39, 0, {0, 0}, {true, true}, {32, 32}, {0xC0, 0xC0}, true},
        {"ProgramEEP", &TTelvic200CyPrg::ProgramEEP1Click, 0x20, 48, 0, {0, 0}, {false, false}, {0, 0}, {0x80, 0x80}, false},
        {"ProgramWFlash", &TTelvic200CyPrg::ProgramWFlashData1Click, 0xD8, 51, 0, {0, 0}, {false, false}, {0, 0}, {0x80, 0x80}, false},
    };
    for (TBuildLang lang : {TBuildLang::Chinese, TBuildLang::English}) {
        const int en = lang == TBuildLang::English ? 1 : 0;
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " " + LangName(lang));
            MainWinFixture f(lang);
            f.Show();
            TTelvic200CyPrg& w = *f.win;
            ChipSelected = 1;
            ObjFileLoaded = 1;
            CurChip.FamilyCode = c.family;
            CurChip.FlashSizeKB = 256;
            CurChip.EccSize = 0x8000;
            w.ChkBoxXres->setChecked(true);
            w.ChkBoxEnID->setChecked(false);
            for (int i = 0; i < kChannelCount; ++i) {
                Channels[i].Connected = i % 2 == 0 ? 1 : 0;
                Channels[i].Busy = 0;
                Channels[i].OpCode = kOpIdle;
                Channels[i].RxLen = kMark;
                Channels[i].AutoSequence = kMark;
                Channels[i].TimerProgress = kMark;
            }
            (w.*c.handler)();
            EXPECT_TRUE(f.boxes.Shown.empty());
            EXPECT_EQ(CtrlSettings.OptionBits1 & 0xC0, c.idBits[en]);
            for (int i = 0; i < kChannelCount; ++i) {
                SCOPED_TRACE("channel " + std::to_string(i + 1));
                const TChannelState& ch = Channels[i];
                const bool started = ch.Connected != 0 && (i == 0 || !c.channel1Only);
                if (!started) {
                    EXPECT_EQ(ch.Busy, 0);
                    EXPECT_EQ(ch.OpCode, kOpIdle);
                    EXPECT_EQ(ch.RxLen, kMark);
                    EXPECT_EQ(ch.AutoSequence, kMark);
                    continue;
                }
                EXPECT_EQ(ch.Busy, 1);
                EXPECT_EQ(ch.OpCode, c.opCode);
                EXPECT_EQ(ch.TimerProgress, c.timerProgress);
                EXPECT_EQ(ch.AutoSequence, c.autoSequence[en] == kKeep ? kMark : c.autoSequence[en]);
                EXPECT_EQ(ch.RxLen, c.clearsRx[en] ? 0 : kMark);
                const bool programBlock = c.opCode == 23 || c.family == 0x00;
                EXPECT_EQ(ch.OpTimeout, i == 0 ? (programBlock ? 500 : 1000) : (programBlock ? 300 : 600));
                if (c.gaugeMax[en]) {
                    EXPECT_EQ(w.ChannelGauge(i).MaxValue(), c.gaugeMax[en]);
                }
            }
        }
    }
}

class Keys : public ::testing::Test {
protected:
    Keys() : f(TBuildLang::Chinese)
    {
        f.Show();
        f.win->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(f.win.get()));
        f.win->CheckBoxSN->setChecked(true);
    }
    int Separators() const { return f.Lines().count(kSeparator); }
    MainWinFixture f;
};

TEST_F(Keys, SpaceAndEnterStartAutoOnceAndStillReachTheTextBox)
{
    QLineEdit* sn = f.win->SNEdit;
    sn->setFocus();
    sn->clear();
    QTest::keyClick(sn, Qt::Key_Space);
    EXPECT_EQ(Separators(), 1);
    EXPECT_EQ(sn->text(), QStringLiteral(" "));
    EXPECT_EQ(f.boxes.Shown.size(), 1u);  // no chip: the command's own box, once
    sn->setFocus();
    QTest::keyClick(sn, Qt::Key_Return);
    EXPECT_EQ(Separators(), 2);
    QTest::keyClick(sn, Qt::Key_A);  // any other key starts nothing
    EXPECT_EQ(Separators(), 2);
}

TEST_F(Keys, EnterOnAnotherWindowStartsNothing)
{
    QDialog dialog(f.win.get());
    auto* edit = new QLineEdit(&dialog);
    (new QVBoxLayout(&dialog))->addWidget(edit);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Space);
    EXPECT_EQ(Separators(), 0);
}

TEST_F(Keys, MenuShortcutsExceptStandardEditKeysInATextBox)
{
    QLineEdit* sn = f.win->SNEdit;
    sn->setText(QStringLiteral("0x12"));
    sn->setFocus();
    QTest::keyClick(sn, Qt::Key_A, Qt::ControlModifier);  // select all in the box, not Auto
    EXPECT_EQ(Separators(), 0);
    EXPECT_EQ(sn->selectedText(), QStringLiteral("0x12"));
    f.win->ChkBoxEnID->setFocus();
    QTest::keyClick(f.win->ChkBoxEnID, Qt::Key_A, Qt::ControlModifier);  // Auto Program
    EXPECT_EQ(Separators(), 1);
    f.boxes.Shown.clear();
    QTest::keyClick(f.win->ChkBoxEnID, Qt::Key_E, Qt::ControlModifier);  // Erase Chip
    EXPECT_EQ(f.boxes.Shown, (std::vector<TShownBox>{{'I', kNoChip}}));
}

// ---------------------------------------------------------------------------
// Chip-dependent set-up, one row per family group.

struct TChipRowValues {
    std::uint8_t family, chipIndex, bankNum, flagByte;
    std::uint16_t blockSize, blockNum, eepSize, eccSize, chipId1, chipId2;
    std::uint8_t opt1 = 0, opt2 = 0;
};

void WriteRow(const TChipRowValues& r)
{
    CurChip.FamilyCode = r.family;
    CurChip.ChipIndex = r.chipIndex;
    CurChip.BankNum = r.bankNum;
    CurChip.FlagByte = r.flagByte;
    CurChip.BlockSize = r.blockSize;
    CurChip.BlockNum = r.blockNum;
    CurChip.EepSize = r.eepSize;
    CurChip.EccSize = r.eccSize;
    CurChip.ChipID1 = r.chipId1;
    CurChip.ChipID2 = r.chipId2;
    CurChip.Opt1 = r.opt1;
    CurChip.Opt2 = r.opt2;
}

bool TabShown(TTelvic200CyPrg& w, QWidget* page)
{
    return w.ViewPageCtrl->isTabVisible(w.ViewPageCtrl->indexOf(page));
}

QString TabText(TTelvic200CyPrg& w, QWidget* page)
{
    return w.ViewPageCtrl->tabText(w.ViewPageCtrl->indexOf(page));
}

TEST(ChipSetup, OneRowPerFamilyGroup)
{
    const struct {
        const char* name;
        TChipRowValues row;
        QStringList lines;  // after the time prefix
        const char* flashLabel;
        const char* id1;
        const char* id2;
        int volt;
        std::uint8_t optByte;
        std::uint16_t flashKB;
        std::function<void(TTelvic200CyPrg&)> more;
    } cases[] = {
        {"CY8C21434", {0x20, 0, 1, 0, 64, 128, 0, 0, 0x3800, 0},
         {"Chip Main Flash is 8KB.", "This Chip no EEP Data Area."}, "8 KB.", "0x3800.", "--------", 1, 0x00, 8,
         [](TTelvic200CyPrg& w) {
             EXPECT_EQ(ImageInfo.TargetEndAddr, 0x1FFFu);
             EXPECT_FALSE(w.PanelPSoC6->isVisibleTo(&w));
             EXPECT_FALSE(w.ChkBox48MHZ->isVisibleTo(&w));
             EXPECT_TRUE(w.SpdBtnErase->isVisibleTo(&w));
         }},
        {"CY8C27443", {0x2C, 0, 1, 0, 64, 256, 0, 0, 0x0000, 0x0011, 1, 1},
         {"Chip Main Flash is 16KB.", "This Chip no EEP Data Area."}, "16 KB.", "0x0000.", "0x0011.", 1, 0x14, 16, {}},
        {"CY7C65210xx", {0xC0, 0, 1, 0x91, 128, 256, 0, 0, 0, 0},
         {"Chip Main Flash is 32768B.", "This Chip no EEP Data Area."}, "32 KB.", "--------", "--------", 1, 0x00, 32,
         [](TTelvic200CyPrg& w) {
             EXPECT_TRUE(w.ChkBox48MHZ->isVisibleTo(&w));
             EXPECT_FALSE(w.ChkBox48MHZ->isChecked());
             EXPECT_EQ(ImageInfo.ProgSizeKB, 32);
         }},
        {"CY7C63310", {0x68, 0, 1, 0, 64, 48, 0, 0, 0x1234, 0}, {"Chip Main Flash is 3KB.", "This Chip no EEP Data Area."},
         "3 KB.", "0x1234.", "--------", 2, 0x80, 3, {}},
        {"CY7C60113", {0x68, 16, 1, 0, 64, 48, 0, 0, 0x1234, 0}, {"Chip Main Flash is 3KB.", "This Chip no EEP Data Area."},
         "3 KB.", "0x1234.", "--------", 1, 0x80, 3, {}},
        {"CY8CTMA4xx", {0xB0, 0, 1, 0x04, 128, 256, 0, 0, 0, 0},
         {"Chip Main Flash is 32KB.", "This Chip no EEP Data Area."}, "32 KB.", "--------", "--------", 2, 0x00, 32,
         [](TTelvic200CyPrg& w) {
             EXPECT_EQ(CurChip.ModeByte, 3);
             EXPECT_EQ(CtrlSettings.OptionBits1, 0);
             EXPECT_TRUE(w.ChkBox48MHZ->isChecked());
         }},
        {"CY8C3866", {0x80, 0, 1, 0, 256, 256, 2048, 8192, 0x1E0, 0},
         {"Chip Main Flash is 64KB.", "Chip EEP Data Size is 2048Bytes."}, "64 KB.", "0x01E0.", "--------", 1, 0x00, 64,
         [](TTelvic200CyPrg& w) {
             EXPECT_TRUE(TabShown(w, w.TabSheetECC));
             EXPECT_TRUE(TabShown(w, w.TabSheetEEP));
             EXPECT_EQ(TabText(w, w.TabSheetEEP), QStringLiteral("EEP Data"));
             EXPECT_TRUE(w.ReadEEP1->isVisible());
             EXPECT_FALSE(w.ReadWFlashData1->isVisible());
             EXPECT_TRUE(w.EnWrtEep->isVisibleTo(&w));
         }},
        {"CY8C6247", {0xD8, 0, 1, 0, 512, 2048, 2048, 32768, 0, 0},
         {"Chip Main Flash is 1024KB.", "Chip SFlash User Data Size is 2048Bytes."}, "1024 KB.", "---", "---", 1, 0x00, 1024,
         [](TTelvic200CyPrg& w) {
             EXPECT_TRUE(w.PanelPSoC6->isVisibleTo(&w));
             EXPECT_EQ(TabText(w, w.TabSheetECC), QStringLiteral("WFlash"));
             EXPECT_EQ(TabText(w, w.TabSheetEEP), QStringLiteral("SFlash"));
             EXPECT_EQ(TabText(w, w.TabSheetSecu), QStringLiteral("eFuse"));
             EXPECT_EQ(w.ReadSecurity1->text(), QStringLiteral("Read eFuse Data"));
             EXPECT_EQ(w.ReadEEP1->text(), QStringLiteral("Read SFlash Data"));
             EXPECT_EQ(w.ProgramEEP1->text(), QStringLiteral("Program SFlash Data"));
             EXPECT_EQ(w.EnWrtEep->text(), QStringLiteral("写SFlash-User"));
             EXPECT_TRUE(w.ReadWFlashData1->isVisible());
             EXPECT_FALSE(w.ChkBox48MHZ->isVisibleTo(&w));
             EXPECT_TRUE(w.ChkBoxSumVfy->isVisibleTo(&w));
             EXPECT_TRUE(w.ChkBoxEpEFuse->isVisibleTo(&w));
             EXPECT_EQ(w.LabelFlashSZ->text(), QStringLiteral("Flash Size:1024 KB."));
             EXPECT_EQ(w.LabelBlockNM->text(), QStringLiteral("Block Num.: 2048."));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MainWinFixture f(TBuildLang::Chinese);
        f.Show();
        TTelvic200CyPrg& w = *f.win;
        w.SetReadProtectVisible(true);
        w.ChkBoxROP->setChecked(true);
        CtrlSettings.OptionBits1 = 0x41;
        WriteRow(c.row);
        const int before = f.Lines().size();
        w.SelectChipName(QString::fromLatin1(c.name));
        QStringList expected{QStringLiteral("> 14:05:09 Chip \"%1\" is selectd at 2024/10/28,14:05:09").arg(c.name)};
        for (const QString& l : c.lines) expected << QStringLiteral("> 14:05:09 ") + l;
        EXPECT_EQ(f.LinesFrom(before), expected);
        EXPECT_EQ(w.lbFlashSize->text(), QString::fromLatin1(c.flashLabel));
        EXPECT_EQ(w.LblID1->text(), QString::fromLatin1(c.id1));
        EXPECT_EQ(w.LblID2->text(), QString::fromLatin1(c.id2));
        EXPECT_EQ(w.VoltageIndex(), c.volt);
        EXPECT_EQ(CurChip.OptByte, c.optByte);
        EXPECT_EQ(CurChip.FlashSizeKB, c.flashKB);
        EXPECT_EQ(CurChip.ChipName, std::string(c.name));
        EXPECT_EQ(ChipSelected, 1);
        EXPECT_TRUE(w.ChkBoxBlkEr->isChecked());
        EXPECT_FALSE(w.ChkBoxROP->isChecked());
        EXPECT_TRUE(w.ChkBoxROP->isHidden());
        if (c.more) c.more(w);
        // The same name again (a second choice, a project load) runs the set-up again.
        const int again = f.Lines().size();
        w.SelectChipName(QString::fromLatin1(c.name));
        EXPECT_EQ(f.Lines().size() - again, expected.size());
    }
}

// The touch-controller families get their mode byte from the set-up; every
// family from 0x50 on but 0x68 starts with OptionBits1 cleared.
TEST(ChipSetup, ModeByteAndOptionBits1ByFamily)
{
    MainWinFixture f(TBuildLang::Chinese);
    f.Show();
    const struct {
        std::uint8_t family;
        std::uint8_t modeByte;  // after the set-up; the row wrote 7
        std::uint8_t optionBits1;
    } cases[] = {{0x2E, 7, 0x41}, {0x50, 7, 0x00}, {0x68, 7, 0x41}, {0xA0, 0, 0x00},
                 {0xB0, 3, 0x00}, {0xB8, 5, 0x00}, {0xC8, 7, 0x00}, {0xD9, 7, 0x00}};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.family));
        WriteRow({c.family, 0, 1, 0, 64, 128, 0, 0, 0, 0});
        CurChip.ModeByte = 7;
        CtrlSettings.OptionBits1 = 0x41;
        CtrlSettings.OptionBits3 = 0x10;
        f.win->SelectChipName(QStringLiteral("CHIP%1").arg(n++));
        EXPECT_EQ(CurChip.ModeByte, c.modeByte);
        EXPECT_EQ(CtrlSettings.OptionBits1, c.optionBits1);
        EXPECT_EQ(CtrlSettings.OptionBits3, 0);
    }
}

TEST(ChipSetup, FamiliesWithoutChipLevelCommandsAndBack)
{
    MainWinFixture f(TBuildLang::Chinese);
    f.Show();
    TTelvic200CyPrg& w = *f.win;
    const TChipRowValues psoc1{0x20, 0, 1, 0, 64, 128, 0, 0, 0x3800, 0};
    const struct {
        const char* name;
        std::uint8_t family;
        const char* flashLabel;
        std::uint16_t flashKB;
        bool enIdEnabled;
    } cases[] = {{"CY8CMBR3108", 0x00, "128Bytes", 4, true}, {"TT7001", 0x08, "128KB", 128, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteRow(psoc1);
        w.SelectChipName(QStringLiteral("CY8C21434"));
        CurChip.FamilyCode = c.family;
        const int before = f.Lines().size();
        w.SelectChipName(QString::fromLatin1(c.name));
        EXPECT_EQ(f.Lines().size(), before);  // no log line
        EXPECT_EQ(w.lbFlashSize->text(), QString::fromLatin1(c.flashLabel));
        for (QLabel* l : {w.lbBanks, w.LblBlocks, w.LblBlkSZ}) EXPECT_EQ(l->text(), QStringLiteral("---"));
        EXPECT_EQ(CurChip.FlashSizeKB, c.flashKB);
        EXPECT_FALSE(TabShown(w, w.TabSheetSecu));
        for (QToolButton* b : {w.SpdBtnSecu, w.SpdBtnBlankChk, w.SpdBtnErase}) EXPECT_TRUE(b->isHidden());
        EXPECT_FALSE(w.BlankCheck1->isEnabled());
        EXPECT_FALSE(w.EraseChip1->isEnabled());
        EXPECT_FALSE(w.ReadSecurity1->isVisible());
        EXPECT_EQ(w.ChkBoxEnID->isEnabled(), c.enIdEnabled);
        // A PSoC 1 chip brings buttons and commands back at once.
        WriteRow(psoc1);
        w.SelectChipName(QStringLiteral("CY8C21434"));
        for (QToolButton* b : {w.SpdBtnSecu, w.SpdBtnBlankChk, w.SpdBtnErase}) EXPECT_FALSE(b->isHidden());
        EXPECT_TRUE(w.BlankCheck1->isEnabled());
        EXPECT_TRUE(w.ChkBoxEnID->isEnabled());
    }
    EXPECT_EQ(CurChip.BankNum, 1);
    // Names longer than the box's typing limit stay whole.
    w.SelectChipName(QStringLiteral("CY8C4247LQI-BL483-XYZW"));
    EXPECT_EQ(w.MCUNameEdit->text().size(), 22);
    EXPECT_EQ(CurChip.ChipName, "CY8C4247LQI-BL483-XYZW");
}

std::vector<std::string> g_warnings;

// Every chip of the catalogue chosen in turn into the real window: the name
// reaches the box whole, the set-up finds every control it names, and the
// sizes follow the row.
TEST(ChipSetup, EveryCatalogueChipInBothBuilds)
{
    for (TBuildLang lang : {TBuildLang::Chinese, TBuildLang::English}) {
        MainWinFixture f(lang);
        f.Show();
        g_warnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
            if (type == QtWarningMsg && msg.contains(QLatin1String("no control named"))) g_warnings.push_back(msg.toStdString());
        });
        int chosen = 0;
        for (std::size_t i = 0; i < ChipCatalogSize(); ++i) {
            const TChipRow& row = ChipCatalogRows()[i];
            if (!row.Selectable(lang)) continue;
            f.win->ClearInformation1Click();
            if (!ChooseChip(row, *f.win)) continue;
            ++chosen;
            SCOPED_TRACE(row.Caption);
            EXPECT_EQ(f.win->MCUNameEdit->text(), QString::fromUtf8(row.Caption));
            EXPECT_EQ(CurChip.ChipName, std::string(row.Caption));
            EXPECT_EQ(ImageInfo.ProgSizeKB, CurChip.FlashSizeKB);
            if (CurChip.FamilyCode != 0x00 && CurChip.FamilyCode != 0x08) {
                EXPECT_EQ(CurChip.FlashSizeKB, (CurChip.BankNum * CurChip.BlockSize * CurChip.BlockNum) >> 10);
                EXPECT_EQ(ImageInfo.TargetEndAddr, CurChip.FlashSizeKB * 1024u - 1u);
                EXPECT_GE(f.win->LogLineCount(), 3);
            }
            EXPECT_TRUE(f.boxes.Shown.empty());
        }
        qInstallMessageHandler(previous);
        EXPECT_GT(chosen, 900);
        EXPECT_TRUE(g_warnings.empty()) << g_warnings.front();
    }
}

TEST(ChipSetup, ImageLargerThanTheChipWarnsAndEnglishUnchecksBlankError)
{
    MainWinFixture f(TBuildLang::English);
    f.Show();
    f.win->ChkBoxBlkEr->setChecked(true);
    ImageInfo.FileMinAddr = 0;
    ImageInfo.FileMaxAddr = 0x10000;
    WriteRow({0x20, 0, 1, 0, 64, 256, 0, 0, 0x3800, 0});
    f.win->SelectChipName(QStringLiteral("CY8C24533"));
    EXPECT_EQ(f.boxes.Shown,
              (std::vector<TShownBox>{{'W', QStringLiteral("文件地址空间与芯片不匹配，请确认芯片型号是否正确！")}}));
    EXPECT_FALSE(f.win->ChkBoxBlkEr->isChecked());
}

} // namespace
