// Main window file commands through its menus: an object file loaded into the
// window, and a project saved and loaded back into a fresh window.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

#include <sys/stat.h>

#include "app/MainTL200CyFiles.h"
#include "tests/app/MainWinFixture.h"

namespace {

std::string SampleDir()
{
    const char* shared = std::getenv("TELVIC_SHARED_DIR");
    const std::string dir = std::string(shared ? shared : "") + "/samples/hex/";
    struct stat st {};
    return shared && stat(dir.c_str(), &st) == 0 ? dir : std::string();
}

// A PSoC 4 chip of 32 KB, as its catalogue row writes it.
void ChoosePSoC4(TTelvic200CyPrg& w)
{
    CurChip.FamilyCode = 0xC0;
    CurChip.BankNum = 1;
    CurChip.BlockSize = 128;
    CurChip.BlockNum = 256;
    w.SelectChipName(QStringLiteral("CY8C4245AXI-483"));
}

void AnswerDialogsWith(MainWinFixture& f, const std::string& path)
{
    f.win->Files().FileDialogHook = [path](bool, int, std::string& out) {
        out = path;
        return true;
    };
}

TEST(WindowFiles, LoadObjectFileFromTheFileMenu)
{
    const std::string dir = SampleDir();
    if (dir.empty()) GTEST_SKIP() << "no sample HEX files (TELVIC_SHARED_DIR)";
    MainWinFixture f(TBuildLang::Chinese);
    f.Show();
    const std::string path = dir + "psoc4_dsky_design02.hex";
    AnswerDialogsWith(f, path);

    f.win->Execute1->trigger();  // no chip yet
    EXPECT_EQ(f.boxes.Shown, (std::vector<TShownBox>{{'I', QStringLiteral("请先选择芯片型号！")}}));
    f.boxes.Shown.clear();

    ChoosePSoC4(*f.win);
    f.win->Execute1->trigger();
    EXPECT_TRUE(f.boxes.Shown.empty());
    EXPECT_EQ(ObjFileLoaded, 1);
    EXPECT_TRUE(f.Lines().contains(QStringLiteral("Load object file of \"%1\" at 14:05:09").arg(QString::fromStdString(path))));
    EXPECT_EQ(f.win->LabelFile->text(), QString::fromStdString(path));
    EXPECT_EQ(f.win->StatusPanelText(2), QString::fromStdString(path));
    EXPECT_EQ(f.win->StatusPanelText(1), QString::asprintf("芯片校验和：0x%04X", Checksums.ChipAccSum));
    EXPECT_EQ(f.win->LblID1->text(), QStringLiteral("0xC804."));
    EXPECT_FALSE(f.win->ChkBoxROP->isHidden());  // the file carries a protection setting
    EXPECT_FALSE(f.win->ChkBoxROP->isChecked());
    EXPECT_EQ(f.win->HexViewer->model()->rowCount(), 32 * 1024 / 16);
    EXPECT_EQ(f.win->HexViewer->model()->index(0, 0).data().toString(), QStringLiteral("0x00000000"));
}

TEST(WindowFiles, ProjectSavedAndLoadedIntoAFreshWindow)
{
    QTemporaryDir keep;
    const std::string project = keep.path().toStdString() + "/setup.PTV";
    {
        MainWinFixture f(TBuildLang::Chinese);
        f.Show();
        ChoosePSoC4(*f.win);
        for (std::size_t i = 0; i < 32 * 1024; ++i) ImageBufs.MainFlashBuf[i] = static_cast<std::uint8_t>(i);
        ObjFileLoaded = 1;
        f.win->SetVoltageItem(2);
        f.win->ChkBoxEnID->setChecked(true);
        f.win->CheckBoxSN->setChecked(true);
        f.win->SNEdit->setText(QStringLiteral("0x00000042"));
        AnswerDialogsWith(f, project);
        f.win->SavetoProjectFile1->trigger();
        for (const auto& b : f.boxes.Shown) EXPECT_NE(b.Kind, 'E') << b.Text.toStdString();
    }
    MainWinFixture g(TBuildLang::Chinese);
    g.Show();
    AnswerDialogsWith(g, project);
    g.win->LoadfromProjectFile1->trigger();
    for (const auto& b : g.boxes.Shown) EXPECT_NE(b.Kind, 'E') << b.Text.toStdString();
    EXPECT_EQ(g.win->MCUNameEdit->text(), QStringLiteral("CY8C4245AXI-483"));
    EXPECT_EQ(ChipSelected, 1);
    EXPECT_EQ(CurChip.FlashSizeKB, 32);
    EXPECT_EQ(g.win->VoltageIndex(), 2);
    EXPECT_TRUE(g.win->ChkBoxEnID->isChecked());
    EXPECT_TRUE(g.win->CheckBoxSN->isChecked());
    EXPECT_EQ(g.win->SNEdit->text(), QStringLiteral("0x00000042"));
    EXPECT_EQ(ImageBufs.MainFlashBuf[0x1234], 0x34);
    // The set-up ran for the restored chip.
    EXPECT_TRUE(g.Lines().contains(QStringLiteral("> 14:05:09 Chip \"CY8C4245AXI-483\" is selectd at 2024/10/28,14:05:09")));
}

} // namespace
