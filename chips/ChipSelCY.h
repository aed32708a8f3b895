// ChipSelCY: the chip-selection dialog TChipSelForm, a small waiting window that pops up the chip
// catalogue as a cascading menu, and the choice of a chip into CurChip.
#pragma once

#include <QDialog>
#include <QPoint>

#include <cstddef>
#include <string>
#include <vector>

#include "chips/ChipCatalog.h"
#include "link/LangBuild.h"

class QAction;
class QLabel;
class QMenu;

// What the chip dialog needs of the main window.
class TChipNameBox {
public:
    virtual ~TChipNameBox() = default;
    // The EEP-write check box: unchecked before a new chip's values are written; the set-up
    // decides it anew.
    virtual void UncheckEepWrite() = 0;
    // CurChip now holds the chosen row. Put the caption into the chip-name box and run the
    // chip-dependent set-up, also when the box already shows this caption.
    virtual void ChipChosen(const std::string& caption) = 0;
};

// Clears what every choice starts from: the CurChip fields not every row writes, the object-file
// flags, WriteWFlash and the two spare flags.
void ClearForChipChoice();

// Chooses a row: clears, unchecks the EEP-write box, writes the row into CurChip and hands the
// caption to the box. Returns false, changing nothing, for an entry that cannot be chosen
// (separator, inert or disabled item).
bool ChooseChip(const TChipRow& row, TChipNameBox& box);

// No signals or slots of its own (lambdas connect the actions), so it needs no moc pass.
// Where the chip button opens the menu: just right of the button, level with the top of the page
// control. Window positions are those of the outer frame; control positions are relative to their
// parents, as the main window's layout keeps them.
QPoint ChipPopupPos(int mainLeft, int mainTop, int devButtonLeft, int devButtonWidth, int pageCtrlTop);

class TChipSelForm : public QDialog {
public:
    TChipSelForm(TBuildLang lang, TChipNameBox& box, QWidget* parent = nullptr);

    // Top-left corner of the menu in screen coordinates, set before every opening.
    void SetPopupPos(int x, int y);
    // Sets the pop-up position and shows the dialog modally. True when a chip was chosen;
    // closing the dialog without a choice changes nothing.
    bool Execute(int x, int y);

    QMenu* PopupMenu() const { return PopupMenu1; }
    // The menu action of a catalogue row, or nullptr for a row this build leaves out.
    QAction* ActionForRow(std::size_t row) const;

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void BuildMenu();
    void FormShow();
    void FormClick();
    void PlaceAndPopUp();
    void ItemClick(std::size_t row);

    TBuildLang Lang;
    TChipNameBox& Box;
    QLabel* Label1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    std::vector<QAction*> RowActions;
    int PopupX = 0;
    int PopupY = 0;
};
