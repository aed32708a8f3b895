// The checksum views, project files and serial numbers inside the real main
// window of both builds: grids, panels, menu commands, the project round trip
// and a refused serial number that stops Program and Auto.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>

#include "app/MainTL200CyFiles.h"
#include "tests/app/HexTestSupport.h"
#include "tests/app/MainWinFixture.h"
#include "tests/chips/ChipTestUtil.h"

namespace {

// A 32 KB PSoC 4 chip as the catalogue and the set-up leave it.
void SelectPsoc4(TTelvic200CyPrg& w)
{
    CurChip.FamilyCode = 0xC0;
    CurChip.BankNum = 1;
    CurChip.BlockSize = 128;
    CurChip.BlockNum = 256;
    w.SelectChipName(QStringLiteral("CY8C4245AXI-483"));
}

TEST(WindowViewsProjects, GridsPanelsAndReadBackRefreshInTheWindow)
{
    for (TBuildLang lang : {TBuildLang::Chinese, TBuildLang::English}) {
        MainWinFixture f(lang);
        f.Show();
        TMainFiles& h = f.win->Files();
        EXPECT_EQ(f.win->HexViewer->model(), &h.Views().MainView());
        EXPECT_EQ(f.win->EepDataView->model(), &h.Views().EepView());

        SelectPsoc4(*f.win);
        ImageBufs.MainFlashBuf[0x10] = 0x01;
        ImageInfo.TargetStartAddr = 0;
        ImageInfo.TargetEndAddr = 0x7FFF;
        ObjFileLoaded = 1;
        f.win->RefreshAfterReadBack(kReadBackMainFlash);
        const bool en = lang == TBuildLang::English;
        EXPECT_EQ(f.win->StatusPanelText(1), en ? QStringLiteral("Chip AccSum:0xFFFF") : QStringLiteral("芯片校验和：0xFFFF"));
        EXPECT_EQ(f.win->HexViewer->model()->rowCount(), 2048);
        EXPECT_EQ(f.win->HexViewer->model()->index(1, 0).data().toString(),
                  en ? QStringLiteral("0x000010") : QStringLiteral("0x00000010"));
        EXPECT_EQ(f.win->HexViewer->model()->index(1, 1).data().toString(), QStringLiteral("01"));
        // The classic 70 and 130 px at the least, and always wide enough that an
        // eight-digit address and sixteen characters are shown whole.
        const QFontMetrics metrics = f.win->HexViewer->fontMetrics();
        EXPECT_GE(f.win->HexViewer->columnWidth(0), 70);
        EXPECT_GT(f.win->HexViewer->columnWidth(0), metrics.horizontalAdvance(QStringLiteral("0x00000000")));
        EXPECT_GE(f.win->HexViewer->columnWidth(17), 130);
        EXPECT_GT(f.win->HexViewer->columnWidth(17), metrics.horizontalAdvance(QString(16, QLatin1Char('W'))));

        CurChip.EepSize = 512;
        f.win->RefreshAfterReadBack(kReadBackEepSFlash);
        const int eep = f.win->ViewPageCtrl->indexOf(f.win->TabSheetEEP);
        EXPECT_TRUE(f.win->ViewPageCtrl->isTabVisible(eep));
        EXPECT_EQ(f.win->ViewPageCtrl->tabText(eep), QStringLiteral("EEP Data"));
        EXPECT_EQ(f.win->EepDataView->model()->rowCount(), 32);
    }
}

TEST(WindowViewsProjects, ProjectRoundTripThroughTheMenus)
{
    MainWinFixture f(TBuildLang::Chinese);
    f.Show();
    TMainFiles& h = f.win->Files();
    const std::string path = f.dir.filePath("round.PTV").toStdString();
    h.FileDialogHook = [&path](bool, int, std::string& name) { return (name = path), true; };

    SelectPsoc4(*f.win);
    ImageInfo.ProgSizeKB = CurChip.FlashSizeKB;
    ImageInfo.ObjFileName = "blinky.hex";
    for (int i = 0; i < 0x8000; ++i) ImageBufs.MainFlashBuf[i] = static_cast<std::uint8_t>(i * 13);
    ObjFileLoaded = 1;
    f.win->CheckBoxSN->setChecked(true);
    f.win->ChkBoxSNDP->setChecked(true);
    f.win->SNEdit->setText(QStringLiteral("4000000000"));
    f.win->AddrEdit->setText(QStringLiteral("0x7F00"));
    f.win->SavetoProjectFile1->trigger();
    ASSERT_EQ(f.boxes.Shown.back(), (TShownBox{'P', QString::fromStdString("Created Project File : " + path)}));

    // Another state, then the project back.
    f.win->SNEdit->setText(QStringLiteral("7"));
    f.win->CheckBoxSN->setChecked(false);
    std::fill(ImageBufs.MainFlashBuf, ImageBufs.MainFlashBuf + 0x8000, 0);
    CurChip.FamilyCode = 0x20;
    f.win->LoadfromProjectFile1->trigger();
    ASSERT_EQ(f.boxes.Shown.back(), (TShownBox{'P', QStringLiteral("Project File Open Success!")}));
    EXPECT_EQ(ImageInfo.TargetEndAddr, 0x7FFFu) << "the after-load update ran";
    EXPECT_EQ(CurChip.FamilyCode, 0xC0);
    EXPECT_EQ(f.win->MCUNameEdit->text(), QStringLiteral("CY8C4245AXI-483"));
    EXPECT_EQ(f.win->StatusPanelText(2), QStringLiteral("blinky.hex"));
    EXPECT_TRUE(f.win->CheckBoxSN->isChecked());
    EXPECT_EQ(SNSettings.SNValue, 4000000000u);
    f.win->CollectSettings();
    EXPECT_EQ(SNSettings.SNValue, 4000000000u) << "the restored box reads back";
    EXPECT_EQ(SNSettings.SNAddr, 0x7F00u);
    EXPECT_EQ(f.win->HexViewer->model()->index(0x7FF, 16).data().toString(),
              QString::asprintf("%02X", static_cast<std::uint8_t>(0x7FFF * 13)));
}

// The TT700 takes its block count from its binary: chosen after a four-bank
// chip, with a binary of more than 1 MiB (named in Chinese), the project the
// program saves loads back, and the status panel shows the file's name.
TEST(WindowViewsProjects, Tt700ProjectAfterAMultiBankChipLoadsBack)
{
    MainWinFixture f(TBuildLang::Chinese);
    f.Show();
    TMainFiles& h = f.win->Files();
    const std::string project = f.dir.filePath("tt700.PTV").toStdString();
    const std::string image = f.dir.filePath(QStringLiteral("固件.bin")).toStdString();
    std::string answer;
    h.FileDialogHook = [&answer](bool, int, std::string& name) { return (name = answer), true; };

    ASSERT_TRUE(ChooseChip(chiptest::Row(chiptest::FindRow("CY8C29466")), *f.win));
    ASSERT_EQ(CurChip.BankNum, 4);
    ASSERT_TRUE(ChooseChip(chiptest::Row(chiptest::FindRow("TT700xxxx")), *f.win));
    const std::vector<std::uint8_t> bytes = hextest::Ramp(0x180000 + 100, 3);  // 6145 blocks of 256 bytes
    hextest::WriteBytes(image, bytes);
    answer = image;
    ASSERT_EQ(h.Loader().FileOpenBtnClick(), TObjLoadResult::Loaded);
    ASSERT_EQ(CurChip.BlockNum, 6145);
    answer = project;
    f.win->SavetoProjectFile1->trigger();
    ASSERT_EQ(f.boxes.Shown.back(), (TShownBox{'P', QString::fromStdString("Created Project File : " + project)}));

    std::fill(ImageBufs.MainFlashBuf, ImageBufs.MainFlashBuf + bytes.size(), 0);
    ASSERT_TRUE(ChooseChip(chiptest::Row(chiptest::FindRow("CY8C29466")), *f.win));
    f.win->LoadfromProjectFile1->trigger();
    ASSERT_EQ(f.boxes.Shown.back(), (TShownBox{'P', QStringLiteral("Project File Open Success!")}));
    EXPECT_EQ(f.win->MCUNameEdit->text(), QStringLiteral("TT700xxxx"));
    EXPECT_EQ(CurChip.FamilyCode, 0x08);
    EXPECT_EQ(CurChip.BankNum, 6);
    EXPECT_EQ(CurChip.BlockSize, 256);
    EXPECT_EQ(CurChip.BlockNum, 6145);
    EXPECT_EQ(CurChip.FlashSizeKB, 1540);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), ImageBufs.MainFlashBuf));
    EXPECT_EQ(f.win->StatusPanelText(2), QStringLiteral("固件.bin"));
}

TEST(WindowViewsProjects, RefusedSerialNumberStopsProgramAndAuto)
{
    MainWinFixture f(TBuildLang::Chinese);
    f.Show();
    SelectPsoc4(*f.win);
    ObjFileLoaded = 1;
    f.win->CheckBoxSN->setChecked(true);
    f.win->ChkBoxPCSN->setChecked(true);
    f.win->AddrEdit->setText(QStringLiteral("0x3FFFFE"));
    for (auto command : {&TTelvic200CyPrg::SpdBtnProgClick, &TTelvic200CyPrg::AutoSpdBtnClick}) {
        f.boxes.Shown.clear();
        const int before = f.Lines().size();
        (f.win.get()->*command)();
        EXPECT_EQ(f.boxes.Shown, (std::vector<TShownBox>{{'P', QString::fromUtf8(kSNOutOfAreaText)}}));
        EXPECT_FALSE(f.LinesFrom(before).join(QLatin1Char('\n')).contains(QStringLiteral("请连接好设备！")))
            << "no channel step after the refusal";
    }
    f.win->AddrEdit->setText(QStringLiteral("0x3FFFFC"));
    f.win->SpdBtnProgClick();
    EXPECT_EQ(f.win->LogText().contains(QStringLiteral("请连接好设备！")), true) << "a fitting number goes on";
}

TEST(WindowViewsProjects, EnglishBuildNeverInsertsOrAdvancesSerialNumbers)
{
    MainWinFixture f(TBuildLang::English);
    f.Show();
    SelectPsoc4(*f.win);
    f.win->CheckBoxSN->setChecked(true);
    EXPECT_FALSE(f.win->ChkBoxPCSN->isVisibleTo(f.win.get())) << "hidden, so never checked";
    SNSettings.SNValue = 0x01020304;
    SNSettings.SNAddr = 0x100;
    SNSettings.SNRoundStep = 4;
    f.win->InsertSerialNumber();
    f.win->AdvanceSerialNumber();
    EXPECT_EQ(ImageBufs.MainFlashBuf[0x100], 0);
    EXPECT_EQ(SNSettings.SNValue, 0x01020304u);
    f.win->N5->trigger();  // no action: no dialog comes up
    EXPECT_TRUE(f.boxes.Shown.empty());
}

}  // namespace
