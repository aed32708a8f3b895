// ChipSelCY: the chip-selection dialog and the choice of a chip. The menu is built from the
// catalogue table; the clearing happens at the choice, so leaving the dialog changes nothing.
#include "chips/ChipSelCY.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QString>
#include <QTimer>

#include <map>

namespace {

constexpr int kClientWidth = 130;
constexpr int kClientHeight = 40;
constexpr int kLabelLeft = 16;
constexpr int kLabelTop = 8;
constexpr int kPopupGapX = 15;     // menu corner right of the chip button
constexpr int kPopupDropY = 70;    // menu corner below the top of the page control
constexpr int kDialogOffsetX = 5;   // the waiting dialog stands just below right of the menu corner
constexpr int kDialogOffsetY = 10;

const char* const kTitle = "ChipSelForm";
const char* const kWaitText = "Click to select chip";

// Qt reads "&" as an accelerator mark; the catalogue's captions are shown exactly as written.
QString MenuText(const char* caption)
{
    return QString::fromUtf8(caption).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

QPoint ChipPopupPos(int mainLeft, int mainTop, int devButtonLeft, int devButtonWidth, int pageCtrlTop)
{
    return QPoint(mainLeft + devButtonLeft + devButtonWidth + kPopupGapX, mainTop + pageCtrlTop + kPopupDropY);
}

void ClearForChipChoice()
{
    CurChip.ModeByte = 0;
    CurChip.FlagByte = 0;
    CurChip.EepSize = 0;
    CurChip.EccSize = 0;
    CurChip.SecuSize = 0;
    CurChip.Opt0 = 0;
    CurChip.Opt1 = 0;
    CurChip.Opt2 = 0;
    CurChip.Opt3 = 0;
    ImageInfo.EccInFile = 0;
    ImageInfo.HexInfoPresent = 0;
    ImageInfo.EepPresent = 0;
    ImageInfo.EccPresent = 0;
    ImageInfo.NarPresent = 0;
    ImageInfo.PubKeyPresent = 0;
    ImageInfo.Toc2Present = 0;
    ImageInfo.WFlashPresent = 0;
    ImageInfo.UserRowsPresent = 0;
    CtrlSettings.WriteWFlash = 0;
    ReservedFlag6 = 0;
    ReservedFlag7 = 0;
}

bool ChooseChip(const TChipRow& row, TChipNameBox& box)
{
    if (row.IsSeparator() || row.Kind == TChipKind::Inert || (row.Flags & kEntryDisabled) != 0)
        return false;
    ClearForChipChoice();
    box.UncheckEepWrite();
    ApplyChipRow(row, CurChip);
    box.ChipChosen(row.Caption);
    return true;
}

TChipSelForm::TChipSelForm(TBuildLang lang, TChipNameBox& box, QWidget* parent)
    : QDialog(parent), Lang(lang), Box(box)
{
    setWindowTitle(QString::fromUtf8(kTitle));
    setFixedSize(kClientWidth, kClientHeight);
    setModal(true);
    Label1 = new QLabel(QString::fromUtf8(kWaitText), this);
    Label1->move(kLabelLeft, kLabelTop);
    Label1->setAttribute(Qt::WA_TransparentForMouseEvents);  // a click on the label is a click on the form
    PopupMenu1 = new QMenu(this);
    BuildMenu();
}

void TChipSelForm::BuildMenu()
{
    const TChipRow* rows = ChipCatalogRows();
    const std::size_t count = ChipCatalogSize();
    RowActions.assign(count, nullptr);

    // A submenu is hidden when every entry in it is hidden.
    std::map<std::string, bool> submenuShown;
    for (std::size_t i = 0; i < count; ++i) {
        if (rows[i].Submenu[0] != '\0' && rows[i].InBuild(Lang)) {
            const std::string key = std::string(rows[i].Group) + '\n' + rows[i].Submenu;
            submenuShown[key] = submenuShown[key] || (rows[i].Flags & kEntryHidden) == 0;
        }
    }

    // Every separator the catalogue places is drawn, also one that ends a submenu or group.
    PopupMenu1->setSeparatorsCollapsible(false);
    std::map<std::string, QMenu*> menus;
    auto menuFor = [&](const TChipRow& row) -> QMenu* {
        if (row.Group[0] == '\0')
            return PopupMenu1;
        QMenu*& group = menus[row.Group];
        if (group == nullptr) {
            group = PopupMenu1->addMenu(MenuText(row.Group));
            group->setSeparatorsCollapsible(false);
        }
        if (row.Submenu[0] == '\0')
            return group;
        const std::string key = std::string(row.Group) + '\n' + row.Submenu;
        QMenu*& sub = menus[key];
        if (sub == nullptr) {
            sub = group->addMenu(MenuText(row.Submenu));
            sub->setSeparatorsCollapsible(false);
            sub->menuAction()->setVisible(submenuShown[key]);
        }
        return sub;
    };

    for (std::size_t i = 0; i < count; ++i) {
        const TChipRow& row = rows[i];
        if (!row.InBuild(Lang))
            continue;
        QMenu* menu = menuFor(row);
        QAction* action = row.IsSeparator() ? menu->addSeparator() : menu->addAction(MenuText(row.Caption));
        action->setVisible((row.Flags & kEntryHidden) == 0);
        action->setEnabled((row.Flags & kEntryDisabled) == 0);
        if (!row.IsSeparator())
            connect(action, &QAction::triggered, this, [this, i] { ItemClick(i); });
        RowActions[i] = action;
    }
}

QAction* TChipSelForm::ActionForRow(std::size_t row) const
{
    return row < RowActions.size() ? RowActions[row] : nullptr;
}

void TChipSelForm::SetPopupPos(int x, int y)
{
    PopupX = x;
    PopupY = y;
}

bool TChipSelForm::Execute(int x, int y)
{
    SetPopupPos(x, y);
    return exec() == QDialog::Accepted;
}

void TChipSelForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Open the menu once the dialog is on screen, from its own event loop.
    QTimer::singleShot(0, this, [this] { FormShow(); });
}

void TChipSelForm::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    FormClick();
}

void TChipSelForm::FormShow()
{
    if (isVisible())
        PlaceAndPopUp();
}

void TChipSelForm::FormClick()
{
    PlaceAndPopUp();
}

void TChipSelForm::PlaceAndPopUp()
{
    move(PopupX + kDialogOffsetX, PopupY + kDialogOffsetY);
    PopupMenu1->popup(QPoint(PopupX, PopupY));
}

void TChipSelForm::ItemClick(std::size_t row)
{
    // An inert item does nothing and leaves the dialog waiting.
    if (ChooseChip(ChipCatalogRows()[row], Box))
        accept();
}
