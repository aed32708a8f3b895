// Chip menu as the operator sees it: every visible separator of the catalogue gets room in its
// menu, also the ones that end a submenu or a group, where Qt would otherwise drop them.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include <string>
#include <vector>

#include "ChipTestUtil.h"
#include "chips/ChipSelCY.h"

namespace {

using chiptest::SubMenu;
using chiptest::TRecordingBox;

// "Group > Submenu: position" of every visible separator that its menu lays out with no room.
void CollectUndrawn(QMenu* menu, const std::string& path, std::vector<std::string>& out, int& seen)
{
    const QList<QAction*> actions = menu->actions();
    for (int i = 0; i < actions.size(); ++i) {
        QAction* a = actions[i];
        if (!a->isVisible())
            continue;
        if (a->menu() != nullptr) {
            CollectUndrawn(a->menu(), path + " > " + a->text().toStdString(), out, seen);
        } else if (a->isSeparator()) {
            ++seen;
            if (menu->actionGeometry(a).height() <= 0)
                out.push_back(path + ": " + std::to_string(i));
        }
    }
}

class ChipMenu : public ::testing::TestWithParam<TBuildLang> {};

TEST_P(ChipMenu, EverySeparatorIsDrawnAlsoAtTheEndOfASubmenuOrGroup)
{
    TRecordingBox box;
    TChipSelForm form(GetParam(), box);
    QMenu* top = form.PopupMenu();
    // The two ends the catalogue marks with a separator.
    QMenu* cy8c204 = SubMenu(SubMenu(top, "CY8C20xxxxx"), "CY8C204x6/5x6");
    QMenu* cytt = SubMenu(top, "CYTTxxxx Series");
    for (QMenu* menu : {cy8c204, cytt}) {
        ASSERT_NE(menu, nullptr);
        QAction* last = menu->actions().back();
        ASSERT_TRUE(last->isSeparator());
        EXPECT_GT(menu->actionGeometry(last).height(), 0) << menu->title().toStdString();
        // The separator adds to the menu's height: it is drawn, not collapsed.
        EXPECT_GT(menu->actionGeometry(last).top(), menu->actionGeometry(menu->actions()[menu->actions().size() - 2]).top());
    }
    std::vector<std::string> undrawn;
    int seen = 0;
    CollectUndrawn(top, "", undrawn, seen);
    EXPECT_GT(seen, 60);
    EXPECT_EQ(undrawn, std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Builds, ChipMenu, ::testing::Values(TBuildLang::Chinese, TBuildLang::English),
                         [](const auto& info) {
                             return std::string(info.param == TBuildLang::English ? "English" : "Chinese");
                         });

}  // namespace
