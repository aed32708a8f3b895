// The chip button: the chip menu opens at the corner the window's geometry
// gives, and a menu left without a choice keeps the chip record and the
// EEP-write box as they were (the clearing belongs to the choice).
#include <QCheckBox>
#include <QPushButton>
#include <QTabWidget>

#include "chips/ChipSelCY.h"
#include "tests/app/MainWinFixture.h"

namespace {

TEST(ChipButton, MenuLeftUnchosenKeepsTheChipAndOpensBesideTheButton)
{
    for (TBuildLang lang : {TBuildLang::Chinese, TBuildLang::English}) {
        MainWinFixture f(lang);
        f.Show();
        CurChip.EepSize = 512;
        CurChip.EccSize = 1024;
        f.win->EnWrtEep->setChecked(true);
        QPoint asked(-1, -1);
        f.win->OpenChipDialog = [&asked](int x, int y) { asked = QPoint(x, y); };  // dismissed: no chip chosen

        f.win->DevButtonClick();

        EXPECT_EQ(CurChip.EepSize, 512);
        EXPECT_EQ(CurChip.EccSize, 1024);
        EXPECT_TRUE(f.win->EnWrtEep->isChecked());
        const QRect frame = f.win->frameGeometry();
        EXPECT_EQ(asked, ChipPopupPos(frame.x(), frame.y(), f.win->DevButton->x(), f.win->DevButton->width(),
                                      f.win->ViewPageCtrl->y()));
    }
}

}  // namespace
