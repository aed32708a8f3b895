// Chip-selection dialog: the Qt menu built from the catalogue in both builds, and the dialog's
// states driven through real menu actions offscreen.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

#include "ChipTestUtil.h"
#include "chips/ChipSelCY.h"
#include "link/DefinCyX4.h"

namespace {

using chiptest::FindRow;
using chiptest::SubMenu;
using chiptest::TRecordingBox;

// Chip actions the operator can reach: visible and enabled, under visible submenus.
int Reachable(QMenu* menu)
{
    int n = 0;
    for (QAction* a : menu->actions()) {
        if (!a->isVisible() || a->isSeparator())
            continue;
        if (a->menu() != nullptr)
            n += Reachable(a->menu());
        else if (a->isEnabled())
            ++n;
    }
    return n;
}

// One submenu as text: captions, "-" for a separator, with "(hidden)" / "(disabled)" marks.
std::vector<std::string> Describe(QMenu* menu)
{
    std::vector<std::string> out;
    for (QAction* a : menu->actions()) {
        std::string s = a->isSeparator() ? "-" : a->text().toStdString();
        if (!a->isVisible())
            s += " (hidden)";
        if (!a->isEnabled() && !a->isSeparator())
            s += " (disabled)";
        out.push_back(s);
    }
    return out;
}

TEST(ChipSelForm, MenuReachesTheSelectableChipsOfEachBuild)
{
    TRecordingBox box;
    TChipSelForm zh(TBuildLang::Chinese, box);
    TChipSelForm en(TBuildLang::English, box);
    EXPECT_EQ(Reachable(zh.PopupMenu()), 1004);
    EXPECT_EQ(Reachable(en.PopupMenu()), 990);
    EXPECT_EQ(zh.PopupMenu()->actions().size(), 28);  // 22 groups, 6 separators
    EXPECT_EQ(SubMenu(zh.PopupMenu(), "CYPD6xxx")->actions().size(), 16);
    EXPECT_EQ(SubMenu(en.PopupMenu(), "CYPD6xxx")->actions().size(), 12);
    EXPECT_EQ(zh.ActionForRow(FindRow("CYPM311-48LDXIT")) != nullptr, true);
    EXPECT_EQ(en.ActionForRow(FindRow("CYPM311-48LDXIT")), nullptr);
}

TEST(ChipSelForm, SeparatorsHiddenAndDisabledItemsInPlace)
{
    TRecordingBox box;
    TChipSelForm form(TBuildLang::Chinese, box);
    QMenu* top = form.PopupMenu();
    EXPECT_EQ(Describe(SubMenu(SubMenu(top, "Cy8C21xxxx-29xxxx"), "CY8C24xxx")),
              (std::vector<std::string>{"CY8C24123", "CY8C24223", "CY8C24423", "-", "CY8C24123A", "CY8C24223A",
                                        "CY8C24423A", "CY8C240001A (disabled)", "-", "CY8C24033A (disabled)",
                                        "CY8C24533A", "CY8C24633A", "-", "CY8C24794", "CY8C24894", "CY8C24994"}));
    const std::vector<std::string> mbr = Describe(SubMenu(top, "CY8CMBR2xxx/3xxx"));
    ASSERT_EQ(mbr.size(), 21u);
    EXPECT_EQ(mbr[6], "- (hidden)");
    EXPECT_EQ(mbr[7], "CY8C20110-LDX2I");
    std::vector<std::string> tmg;
    for (QAction* a : SubMenu(top, "CY8CTMGxx/TMAxxx")->actions())
        tmg.push_back(a->text().toStdString() + (a->isVisible() ? "" : " (hidden)"));
    EXPECT_EQ(tmg, (std::vector<std::string>{"CY8CTMGxxx", "CY8CTMA1xxx", "CY8CTMA30xx", "CY8CTMA340xxx",
                                             "CY8CTMA350xxx", "CY8CTMA37xxx", "CY8CTMA4xxxx", "CY8CTMA46xxx",
                                             "CY8CTMA5xxxx", "CY8CTMA6xxxx (hidden)", "CY8CTMA7xxxx (hidden)",
                                             "CY8CTMA88xxx (hidden)"}));
    // PSoC 4: fourteen submenus, then three chips of the group itself.
    const std::vector<std::string> psoc4 = Describe(SubMenu(top, "PSoC4 CY8C4xxxx"));
    ASSERT_EQ(psoc4.size(), 17u);
    EXPECT_EQ(psoc4[13], "CY8C4xx8 BLE");
    EXPECT_EQ(psoc4[16], "CY8C4xxx-BLE(256KB)");
    EXPECT_EQ(Describe(SubMenu(top, "CYTTxxxx Series")),
              (std::vector<std::string>{"CYTT2xxx", "CYTT3xxx", "CYTT4xxx", "-"}));
    // Captions are shown exactly, the trailing blank included.
    EXPECT_EQ(form.ActionForRow(FindRow("CY8C20424-12LQXI "))->text(), QString("CY8C20424-12LQXI "));
    TChipSelForm en(TBuildLang::English, box);
    EXPECT_EQ(Describe(SubMenu(SubMenu(en.PopupMenu(), "PSoC4 CY8C4xxxx"), "CY8C41x7xx-S4xx")).back(),
              "CY8C4147LQE-S443");
}

TEST(ChipSelForm, TriggeredActionWritesCurChipAndTheBox)
{
    TRecordingBox box;
    TChipSelForm form(TBuildLang::Chinese, box);
    CurChip = TChipParam{};
    CurChip.ChipID1 = 0x1234;
    form.ActionForRow(FindRow("CY8C5667AXQ-LP040"))->trigger();
    EXPECT_EQ(box.Captions, std::vector<std::string>{"CY8C5667AXQ-LP040"});
    EXPECT_EQ(CurChip.FamilyCode, 0xD0);
    EXPECT_EQ(CurChip.BankNum, 2);
    EXPECT_EQ(CurChip.BlockNum, 256);
    EXPECT_EQ(CurChip.EepSize, 2048);
    EXPECT_EQ(CurChip.ChipID1, 0x1234);
    // The same chip again still reaches the box, so the set-up runs again.
    form.ActionForRow(FindRow("CY8C5667AXQ-LP040"))->trigger();
    EXPECT_EQ(box.Captions.size(), 2u);
    EXPECT_EQ(box.Unchecks, 2);
}

// Runs the dialog modally; `during` runs from its event loop once the menu is up.
bool RunModal(TChipSelForm& form, int x, int y, const std::function<void()>& during)
{
    bool ran = false;
    QTimer::singleShot(50, &form, [&] {
        ran = true;
        during();
    });
    const bool chosen = form.Execute(x, y);
    EXPECT_TRUE(ran);
    return chosen;
}

TEST(ChipSelForm, ModalChoiceClosesTheDialogEachTime)
{
    TRecordingBox box;
    TChipSelForm form(TBuildLang::Chinese, box);
    const QPoint corner = ChipPopupPos(40, 30, 200, 75, 20);  // main window, chip button, page control
    EXPECT_EQ(corner, QPoint(40 + 200 + 75 + 15, 30 + 20 + 70));
    for (const char* chip : {"CY8C29466", "CYTT411xxxx"}) {
        const bool chosen = RunModal(form, corner.x(), corner.y(), [&] {
            EXPECT_TRUE(form.PopupMenu()->isVisible());
            EXPECT_EQ(form.pos(), corner + QPoint(5, 10));
            form.ActionForRow(FindRow(chip))->trigger();
        });
        EXPECT_TRUE(chosen);
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(box.Captions.back(), chip);
    }
    EXPECT_EQ(CurChip.FamilyCode, 0xB8);
}

TEST(ChipSelForm, DismissingChangesNothingAndAClickReopensTheMenu)
{
    TRecordingBox box;
    TChipSelForm form(TBuildLang::Chinese, box);
    CurChip = TChipParam{};
    CurChip.FamilyCode = 0x80;
    CurChip.EepSize = 1024;
    CurChip.EccSize = 1024;
    CurChip.ModeByte = 3;
    ImageInfo.EepPresent = 1;
    CtrlSettings.WriteWFlash = 1;
    const bool chosen = RunModal(form, 20, 30, [&] {
        form.PopupMenu()->hide();  // Esc or a click elsewhere
        QApplication::processEvents();
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.findChild<QLabel*>()->text(), QString("Click to select chip"));
        // An inert item does nothing and leaves the dialog waiting.
        form.ActionForRow(FindRow("CY8CTMA884AE-22"))->trigger();
        EXPECT_TRUE(form.isVisible());
        QMouseEvent click(QEvent::MouseButtonPress, QPointF(20, 20), QPointF(40, 50), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &click);
        EXPECT_TRUE(form.PopupMenu()->isVisible());
        form.PopupMenu()->hide();
        form.reject();  // the close box
    });
    EXPECT_FALSE(chosen);
    EXPECT_TRUE(box.Captions.empty());
    EXPECT_EQ(box.Unchecks, 0);
    EXPECT_EQ(CurChip.EepSize, 1024);
    EXPECT_EQ(CurChip.EccSize, 1024);
    EXPECT_EQ(CurChip.ModeByte, 3);
    EXPECT_EQ(ImageInfo.EepPresent, 1);
    EXPECT_EQ(CtrlSettings.WriteWFlash, 1);
}

TEST(ChipSelForm, DisabledItemCannotBeChosen)
{
    TRecordingBox box;
    TChipSelForm form(TBuildLang::Chinese, box);
    QAction* a = form.ActionForRow(FindRow("CY8C24033A"));
    ASSERT_NE(a, nullptr);
    EXPECT_FALSE(a->isEnabled());
    a->trigger();
    EXPECT_TRUE(box.Captions.empty());
}

}  // namespace
