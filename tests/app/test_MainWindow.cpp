// Main window: start-up, shut-down and the exit log, the minimum width, the
// English build's differences and a screenshot of each build.
#include <QCheckBox>
#include <QComboBox>
#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>

#include "app/AboutForm.h"
#include "app/GaugeBar.h"
#include "app/MainTL200CyFiles.h"
#include "app/ProgEntry.h"
#include "serial/SerialComm.h"
#include "tests/app/MainWinFixture.h"

namespace {

const char* const kGreeting = "> 14:05:09 Hello Telvic200CY User!------2024/10/28,14:05:09";
const char* const kLogName = "Log/CY_2024_10_28_14_05_09.log";

class StartUp : public ::testing::TestWithParam<TBuildLang> {};

TEST_P(StartUp, GreetsOnceCreatesLogFolderAndHidesDataPages)
{
    MainWinFixture f(GetParam());
    f.Show();
    // Hidden and shown again (as after a restore): the first-showing steps do not repeat.
    f.win->hide();
    f.Show();
    EXPECT_EQ(f.Lines(), QStringList{QLatin1String(kGreeting)});
    EXPECT_EQ(AppDir, f.appDir);
    EXPECT_TRUE(QDir(QString::fromStdString(f.appDir) + "Log").exists());
    const QTabWidget* pages = f.win->ViewPageCtrl;
    EXPECT_EQ(pages->currentIndex(), 0);
    EXPECT_FALSE(pages->isTabVisible(pages->indexOf(f.win->TabSheetECC)));
    EXPECT_FALSE(pages->isTabVisible(pages->indexOf(f.win->TabSheetEEP)));
    EXPECT_TRUE(pages->isTabVisible(pages->indexOf(f.win->TabSheetSecu)));
    // The power-on state is set and the gauges are bound.
    for (int i = 0; i < kChannelCount; ++i) EXPECT_EQ(Channels[i].Gauge, &f.win->ChannelGauge(i));
    EXPECT_EQ(f.win->ComboBoxCOM->currentText(), QStringLiteral("No Device Availiable!"));
    EXPECT_TRUE(f.boxes.Shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Builds, StartUp, ::testing::Values(TBuildLang::Chinese, TBuildLang::English),
                         [](const auto& info) { return std::string(LangName(info.param)); });

// The log is saved at exit only with more than six lines, under the date and
// time with "/" and ":" made "_".
TEST(ExitLog, SavedWithSevenLinesNotWithSix)
{
    for (const int lines : {6, 7}) {
        MainWinFixture f(TBuildLang::Chinese);
        f.Show();
        for (int i = 1; i < lines; ++i) f.win->LogLine(QStringLiteral("line %1").arg(i));
        ASSERT_EQ(f.win->LogLineCount(), lines);
        const QString expected = QString::fromStdString(f.appDir) + kLogName;
        f.win->close();
        QFile file(expected);
        if (lines == 6) {
            EXPECT_FALSE(file.exists());
            continue;
        }
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << expected.toStdString();
        const QString text = QString::fromUtf8(file.readAll());
        EXPECT_TRUE(text.startsWith(QLatin1String(kGreeting) + "\n"));
        EXPECT_TRUE(text.endsWith(QStringLiteral("> 14:05:09 line 6\n")));
        EXPECT_EQ(text.count(QLatin1Char('\n')), 7);
        EXPECT_TRUE(f.boxes.Shown.empty());
    }
}

TEST(ExitLog, EmptyMemoCountsNoLines)
{
    MainWinFixture f(TBuildLang::Chinese);
    f.Show();
    f.win->ClearInformation1Click();
    EXPECT_EQ(f.win->LogLineCount(), 0);
}

TEST(ExitLog, UnwritableFolderShowsTheErrorBoxAndStillCloses)
{
    MainWinFixture f(TBuildLang::Chinese);
    // The application folder is a file: no Log folder can be made in it.
    QFile blocker(f.dir.path() + "/blocker");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    f.win->SetAppDirOverride(f.dir.path().toStdString() + "/blocker/");
    f.Show();
    for (int i = 0; i < 7; ++i) f.win->LogLine(QStringLiteral("x"));
    f.win->SpdBtnExitClick();
    EXPECT_FALSE(f.win->isVisible());
    EXPECT_EQ(f.boxes.Shown, (std::vector<TShownBox>{{'P', QStringLiteral("Write Log File error!")}}));
}

TEST(MinimumWidth, ChineseBuildTurnsNarrowResizesInto600)
{
    const struct {
        TBuildLang lang;
        int asked;
        int expected;
    } cases[] = {
        {TBuildLang::Chinese, 450, 600},
        {TBuildLang::Chinese, 500, 500},
        {TBuildLang::English, 450, 450},
    };
    for (const auto& c : cases) {
        MainWinFixture f(c.lang);
        f.Show();
        f.win->resize(c.asked, 500);
        QApplication::processEvents();
        EXPECT_EQ(f.win->width(), c.expected) << LangName(c.lang) << " " << c.asked;
    }
}

// What the English build shows differently, control by control.
TEST(EnglishBuild, DiffersFromTheChineseBuildAsDocumented)
{
    MainWinFixture zh(TBuildLang::Chinese);
    MainWinFixture en(TBuildLang::English);
    const struct {
        const char* what;
        std::function<QString(TTelvic200CyPrg&)> read;
        const char* chinese;
        const char* english;
    } rows[] = {
        {"download button", [](TTelvic200CyPrg& w) { return w.SpdBtnDownLoad->text(); }, "下载", "&Download"},
        {"auto button", [](TTelvic200CyPrg& w) { return w.AutoSpdBtn->text(); }, "自动", "&Auto"},
        {"blank button", [](TTelvic200CyPrg& w) { return w.SpdBtnBlankChk->text(); }, "查空", "&Blank"},
        {"erase button", [](TTelvic200CyPrg& w) { return w.SpdBtnErase->text(); }, "擦除", "&Erase"},
        {"program button", [](TTelvic200CyPrg& w) { return w.SpdBtnProg->text(); }, "编程", "&Program"},
        {"verify button", [](TTelvic200CyPrg& w) { return w.SpdBtnVerify->text(); }, "校验", "&Verify"},
        {"security button", [](TTelvic200CyPrg& w) { return w.SpdBtnSecu->text(); }, "写Secu Data", "Write Security"},
        {"load more button", [](TTelvic200CyPrg& w) { return w.SpdBtnLodMore->text(); }, "加载更多", "Load Mores"},
        {"search button", [](TTelvic200CyPrg& w) { return w.BitBtn1->text(); }, "查找并连接设备", "Find and Connect"},
        {"refresh button", [](TTelvic200CyPrg& w) { return w.FreshBtn->text(); }, "刷新列表", "Fresh"},
        {"connect button", [](TTelvic200CyPrg& w) { return w.BitBtnFindDev->text(); }, "连接设备", "Connect"},
        {"port list", [](TTelvic200CyPrg& w) { return w.ComboBoxCOM->currentText(); }, "请选择通讯口......", "Please select device......"},
        {"blank error box", [](TTelvic200CyPrg& w) { return w.ChkBoxBlkEr->text(); }, "芯片非空报错", "Error not Blank"},
        {"auto detect box", [](TTelvic200CyPrg& w) { return w.ChkBoxAutoDet->text(); }, "自动检测芯片", "Enabel Auto chip Detection"},
        {"address box", [](TTelvic200CyPrg& w) { return w.AddrEdit->text(); }, "0x00000000", "0x0FF0"},
        {"start delay", [](TTelvic200CyPrg& w) { return QString::number(w.SpinEditIn->value()) + "/" + QString::number(w.SpinEditIn->singleStep()); }, "510/30", "500/10"},
        {"removal delay", [](TTelvic200CyPrg& w) { return QString::number(w.SpinEditOut->value()); }, "510", "500"},
        {"decimal box enabled", [](TTelvic200CyPrg& w) { return QString::number(w.ChkBoxSNDP->isEnabled()); }, "0", "1"},
        {"PC S/N box hidden", [](TTelvic200CyPrg& w) { return QString::number(w.ChkBoxPCSN->isHidden()); }, "0", "1"},
        {"verify-only box hidden", [](TTelvic200CyPrg& w) { return QString::number(w.ChkBoxVfy->isHidden()); }, "0", "1"},
        {"read protection box hidden", [](TTelvic200CyPrg& w) { return QString::number(w.ChkBoxROP->isHidden()); }, "0", "1"},
        {"hidden Button1 exists", [](TTelvic200CyPrg& w) { return QString::number(w.Button1 != nullptr); }, "1", "0"},
        {"about version", [](TTelvic200CyPrg& w) { return w.AboutBox().Version->text(); }, "For Cypress MCU, Version V12.5", "For Cypress MCU, Version V12.1"},
        {"chip group", [](TTelvic200CyPrg& w) { return w.GroupBoxChip->title(); }, "芯片设置", "Chip Setting"},
        {"options group", [](TTelvic200CyPrg& w) { return w.GroupBoxCtrl->title(); }, "烧写功能配置", "Programing Control"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.read(*zh.win), QString::fromUtf8(row.chinese)) << row.what;
        EXPECT_EQ(row.read(*en.win), QString::fromUtf8(row.english)) << row.what;
    }
    EXPECT_EQ(ApplicationTitle(TBuildLang::Chinese), QStringLiteral("Telvic200Cy Flash MCU Programmer"));
    EXPECT_EQ(ApplicationTitle(TBuildLang::English), QStringLiteral("Telvic200Cy-English Flash MCU Programmer"));
    EXPECT_EQ(zh.win->windowTitle(), QStringLiteral("Telvic200Cy Programmer Wizard"));
    EXPECT_EQ(en.win->windowTitle(), QStringLiteral("Telvic200Cy Programmer Wizard"));
}

// The English build shows the work-flash and supervisory-flash file items
// without an action; the Chinese build asks for a file.
TEST(EnglishBuild, SideFlashFileItemsHaveNoAction)
{
    for (TBuildLang lang : {TBuildLang::Chinese, TBuildLang::English}) {
        MainWinFixture f(lang);
        f.Show();
        ChipSelected = 1;
        int asked = 0;
        f.win->Files().FileDialogHook = [&asked](bool, int, std::string&) {
            ++asked;
            return false;
        };
        for (QAction* a : {f.win->MenuItemLoadWF, f.win->MenuItemSavWF, f.win->MenuItemLoadSF, f.win->MenuItemSavSF})
            a->trigger();
        EXPECT_EQ(asked, lang == TBuildLang::English ? 0 : 4) << LangName(lang);
    }
}

// Every command and option control carries its documented name.
TEST(Controls, FoundByTheirNames)
{
    MainWinFixture f(TBuildLang::Chinese);
    for (const char* name :
         {"Execute1", "SaveFile1", "LoadSecurity1", "SaveSecurity1", "SavetoProjectFile1", "LoadfromProjectFile1", "N5",
          "Download1", "AutoProgram1", "BlankCheck1", "EraseChip1", "Programming1", "VeriufyDownload1", "ReadChipID1",
          "ReadChipMemory1", "ReadEEP1", "ReadWFlashData1", "ReadSecurity1", "ProgramEEP1", "ProgramWFlashData1",
          "About1", "ClearInformation1", "LoadSecurity", "SavSecurity", "MenuItemLoadWF", "MenuItemSavWF",
          "MenuItemLoadSF", "MenuItemSavSF", "PanelBtns", "SpdBtnOpen", "SpdBtnLodMore", "SpdBtnExit", "InfoPanel",
          "ViewPageCtrl", "HexViewer", "SecuDataView", "ECCDataView", "EepDataView", "TabSheetSecu", "TabSheetECC",
          "TabSheetEEP", "MCUNameEdit", "DevButton", "lbFlashSize", "lbBanks", "LblBlocks", "LblBlkSZ", "LblID1", "LblID2",
          "PanelPSoC6", "LabelFlashSZ", "LabelBlockNM", "LabelP6IDx", "ChkBoxNAR", "ChkBoxPubKey", "ChkBoxTOCx",
          "RadioGpVolt", "ChkBoxEnID", "EnWrtEep", "ChkBoxXres", "ChkBox48MHZ", "ChkBoxEPWF", "ChkBoxEpEFuse",
          "CheckBoxSN", "SNEdit", "GainEdit", "AddrEdit", "ChkBoxPCSN", "ChkBoxSNDP", "ChkBoxStrSN", "ChkBoxSNEep",
          "SNOrderChk", "CheckBoxCtrl", "SpinEditNum", "ChkBoxBlkEr", "ChkBoxVfy", "ChkBoxROP", "ChkBoxSumVfy",
          "ChkBoxAutoDet", "SpinEditIn", "SpinEditOut", "SpinEditPow", "LabelPowTim", "InfoMemo", "Gauge1", "Gauge4",
          "StatusBar1", "Timer1", "LabelFile", "BitBtn1", "FreshBtn", "BitBtnFindDev", "ComboBoxCOM", "Button1"})
        EXPECT_NE(f.win->findChild<QObject*>(QLatin1String(name)), nullptr) << name;
    EXPECT_EQ(f.win->Timer1->interval(), 15);
    EXPECT_EQ(f.win->AutoProgram1->shortcut(), QKeySequence(QStringLiteral("Ctrl+A")));
    EXPECT_EQ(f.win->Exit1->shortcut(), QKeySequence(QStringLiteral("Ctrl+X")));
    for (QToolButton* b : f.win->PanelBtns->findChildren<QToolButton*>()) EXPECT_EQ(b->focusPolicy(), Qt::NoFocus);
}

// The four ports use the link's line settings; above all a chunk is handed on
// after 5 ms of quiet, not the component's default 100 ms.
TEST(Controls, PortsUseTheLinkLineSettings)
{
    MainWinFixture f(TBuildLang::Chinese);
    for (const auto& port : f.win->CommPorts) {
        ASSERT_NE(port, nullptr);
        EXPECT_EQ(port->BaudRate(), 1000000u);
        EXPECT_EQ(port->StopBits(), TStopBits::_2);
        EXPECT_EQ(port->DtrControl(), TDtrControl::DtrDisable);
        EXPECT_EQ(port->RtsControl(), TRtsControl::RtsDisable);
        EXPECT_FALSE(port->Outx_XonXoffFlow());
        EXPECT_FALSE(port->Inx_XonXoffFlow());
        EXPECT_FALSE(port->TxContinueOnXoff());
        EXPECT_EQ(port->ReadIntervalTimeout(), 5u);
    }
}

// The gauge shows its model: clamped progress, its colour, empty (not busy)
// at a maximum of 0, disabled for a channel without a programmer.
TEST(Gauge, MirrorsTheChannelGauge)
{
    TGauge gauge;
    TGaugeBar bar;
    bar.Bind(&gauge);
    gauge.SetMaxValue(500);
    gauge.SetProgress(700);
    EXPECT_EQ(bar.maximum(), 500);
    EXPECT_EQ(bar.value(), 500);
    gauge.SetForeColor(TGaugeColor::Red);
    EXPECT_EQ(bar.ShownColor(), TGaugeColor::Red);
    EXPECT_TRUE(bar.styleSheet().contains(QStringLiteral("#ff0000")));
    gauge.SetMaxValue(0);
    EXPECT_EQ(bar.maximum(), 1);  // 0..0 would be Qt's busy animation
    EXPECT_EQ(bar.value(), 0);
    gauge.SetEnabled(false);
    EXPECT_FALSE(bar.isEnabled());
}

TEST(Screenshot, OfEachBuildsMainWindow)
{
    const QByteArray buildDir = qgetenv("TELVIC_BUILD_DIR");
    if (buildDir.isEmpty()) GTEST_SKIP() << "TELVIC_BUILD_DIR not set";
    const QString folder = QString::fromLocal8Bit(buildDir) + "/screenshots";
    QDir().mkpath(folder);
    for (TBuildLang lang : {TBuildLang::Chinese, TBuildLang::English}) {
        MainWinFixture f(lang);
        f.Show();
        const QString path = folder + QStringLiteral("/MainWindow_%1.png").arg(QLatin1String(LangName(lang)));
        EXPECT_TRUE(f.win->grab().save(path)) << path.toStdString();
    }
}

} // namespace
