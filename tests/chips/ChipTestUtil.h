// Helpers shared by the chip tests: finding rows by caption and the position of a row in its submenu.
#pragma once

#include <QAction>
#include <QMenu>

#include <cstddef>
#include <string>
#include <vector>

#include "chips/ChipCatalog.h"
#include "chips/ChipSelCY.h"

namespace chiptest {

inline const TChipRow& Row(std::size_t i) { return ChipCatalogRows()[i]; }

// Index of the n-th (from 0) row with this caption; ChipCatalogSize() when there is none.
inline std::size_t FindRow(const std::string& caption, int occurrence = 0)
{
    for (std::size_t i = 0; i < ChipCatalogSize(); ++i) {
        if (!Row(i).IsSeparator() && caption == Row(i).Caption && occurrence-- == 0)
            return i;
    }
    return ChipCatalogSize();
}

// The rows of one submenu (or of a group's own entries when submenu is ""), in menu order.
inline std::vector<std::size_t> MenuRows(const std::string& group, const std::string& submenu,
                                         TBuildLang lang = TBuildLang::Chinese)
{
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < ChipCatalogSize(); ++i) {
        if (group == Row(i).Group && submenu == Row(i).Submenu && Row(i).InBuild(lang))
            out.push_back(i);
    }
    return out;
}

// The submenu of menu with this title, or nullptr.
inline QMenu* SubMenu(QMenu* menu, const QString& title)
{
    for (QAction* a : menu->actions()) {
        if (a->menu() != nullptr && a->text() == title)
            return a->menu();
    }
    return nullptr;
}

// Stands in for the main window: records what the dialog hands it.
class TRecordingBox : public TChipNameBox {
public:
    void UncheckEepWrite() override { ++Unchecks; }
    void ChipChosen(const std::string& caption) override { Captions.push_back(caption); }
    int Unchecks = 0;
    std::vector<std::string> Captions;
};

}  // namespace chiptest
