#include "app/ImageViewsHookup.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

#include "app/MainTL200Cy.h"
#include "link/DefinCyX4.h"

namespace {

constexpr int kAddrColumnWidth = 70;
constexpr int kTextColumnWidth = 130;
constexpr const char* kHookupName = "ImageViewsHookup";

// Binds a grid to its model and keeps the address and text columns at their
// widths whenever the model lays the grid out anew.
void AttachGrid(QTableView* grid, THexGridModel& model)
{
    if (!grid) return;
    grid->setModel(&model);
    auto widths = [grid] {
        grid->setColumnWidth(THexGridModel::kAddrColumn, kAddrColumnWidth);
        grid->setColumnWidth(THexGridModel::kTextColumn, kTextColumnWidth);
    };
    widths();
    QObject::connect(&model, &QAbstractItemModel::modelReset, grid, widths);
}

}  // namespace

TImageViewsHookup::TImageViewsHookup(TTelvic200CyPrg& window)
    : QObject(&window), w_(window),
      views_(std::make_unique<TChecksumViews>(window.Lang(), &window, static_cast<TStatusBarSink*>(this),
                                              static_cast<TViewPageHost*>(this)))
{
    setObjectName(kHookupName);
    configSN_ = new TConfigSNForm(*this, &window);
    AttachGrid(w_.HexViewer, views_->MainView());
    AttachGrid(w_.SecuDataView, views_->SecuView());
    AttachGrid(w_.ECCDataView, views_->EccView());
    AttachGrid(w_.EepDataView, views_->EepView());

    TChecksumViews* v = views_.get();
    w_.CalcMainChecksumsHook = [v](std::uint32_t first, std::uint32_t last) { v->CalcMainChecksums(first, last); };
    w_.ShowMainFlashHook = [v](std::uint32_t first, std::uint32_t last) { v->ShowMainFlash(first, last); };
    w_.SumSFlashPartsHook = [v] { v->SumSFlashParts(); };
    w_.RefreshAfterReadBackHook = [v](int area) {
        if (area == kReadBackMainFlash) {
            v->CalcMainChecksums(ImageInfo.TargetStartAddr, ImageInfo.TargetEndAddr);
            v->ShowMainFlash(ImageInfo.TargetStartAddr, ImageInfo.TargetEndAddr);
        } else if (area == kReadBackEepSFlash) {
            v->ShowEepSFlash();
        } else if (area == kReadBackWFlash) {
            v->ShowEccWFlash();
        }
    };
    w_.AdvanceSerialNumberHook = [this] { AdvanceSerialNumber(*this); };
    w_.InsertSerialNumberHook = [this] { return configSN_->InsertSerialNumber(); };

    if (w_.SavetoProjectFile1)
        connect(w_.SavetoProjectFile1, &QAction::triggered, this, [this] { SavetoProjectFile1Click(); });
    if (w_.LoadfromProjectFile1)
        connect(w_.LoadfromProjectFile1, &QAction::triggered, this, [this] { SpdBtnLoaddPrjClick(); });
    // The English build's fixed-content item has no action.
    if (w_.N5 && !w_.English()) connect(w_.N5, &QAction::triggered, this, [this] { N5Click(); });
    if (w_.Button1)
        connect(w_.Button1, &QPushButton::clicked, this, [this] { w_.RunGuarded([this] { views_->ShowSecurityData(); }); });
}

TImageViewsHookup::~TImageViewsHookup() = default;

void TImageViewsHookup::SavetoProjectFile1Click()
{
    w_.RunGuarded([this] { ::SavetoProjectFile1Click(*this, &w_, Random); });
}

void TImageViewsHookup::SpdBtnLoaddPrjClick()
{
    w_.RunGuarded([this] { ::SpdBtnLoaddPrjClick(*this, &w_); });
}

void TImageViewsHookup::N5Click()
{
    if (w_.English()) return;
    w_.RunGuarded([this] { ::N5Click(*configSN_, *this); });
}

void TImageViewsHookup::SetPanelText(int panel, const std::string& text)
{
    w_.SetStatusPanel(panel, QString::fromStdString(text));
}

QWidget* TImageViewsHookup::PageOf(TViewPage page) const
{
    switch (page) {
    case TViewPage::Security: return w_.TabSheetSecu;
    case TViewPage::Ecc: return w_.TabSheetECC;
    case TViewPage::Eep: return w_.TabSheetEEP;
    }
    return nullptr;
}

void TImageViewsHookup::SetPageVisible(TViewPage page, bool visible)
{
    const int index = w_.ViewPageCtrl ? w_.ViewPageCtrl->indexOf(PageOf(page)) : -1;
    if (index >= 0) w_.ViewPageCtrl->setTabVisible(index, visible);
}

void TImageViewsHookup::SetPageCaption(TViewPage page, const std::string& caption)
{
    const int index = w_.ViewPageCtrl ? w_.ViewPageCtrl->indexOf(PageOf(page)) : -1;
    if (index >= 0) w_.ViewPageCtrl->setTabText(index, QString::fromStdString(caption));
}

void TImageViewsHookup::ShowEnWrtEep()
{
    if (w_.EnWrtEep) w_.EnWrtEep->setVisible(true);
}

void TImageViewsHookup::SetEnWrtEepChecked(bool checked)
{
    if (w_.EnWrtEep) w_.SetBoxChecked(w_.EnWrtEep, checked);
}

void TImageViewsHookup::SetChkBoxEPWFChecked(bool checked)
{
    if (w_.ChkBoxEPWF) w_.SetBoxChecked(w_.ChkBoxEPWF, checked);
}

static QCheckBox* SNBox(const TTelvic200CyPrg& w, TSNBox box)
{
    switch (box) {
    case TSNBox::CheckBoxSN: return w.CheckBoxSN;
    case TSNBox::ChkBoxPCSN: return w.ChkBoxPCSN;
    case TSNBox::ChkBoxStrSN: return w.ChkBoxStrSN;
    case TSNBox::SNOrderChk: return w.SNOrderChk;
    case TSNBox::ChkBoxSNEep: return w.ChkBoxSNEep;
    case TSNBox::ChkBoxSNDP: return w.ChkBoxSNDP;
    }
    return nullptr;
}

bool TImageViewsHookup::SNBoxChecked(TSNBox box) const
{
    // The English build hides "Enable PC S/N.": the PC never inserts or advances there.
    if (box == TSNBox::ChkBoxPCSN && w_.English()) return false;
    const QCheckBox* b = SNBox(w_, box);
    return b && b->isChecked();
}

void TImageViewsHookup::SetSNBoxChecked(TSNBox box, bool checked)
{
    if (QCheckBox* b = SNBox(w_, box)) w_.SetBoxChecked(b, checked);
}

QString TImageViewsHookup::SNEditText() const
{
    return w_.SNEdit ? w_.SNEdit->text() : QString();
}

void TImageViewsHookup::SetSNEditText(const QString& text)
{
    if (w_.SNEdit) w_.SNEdit->setText(text);
}

void TImageViewsHookup::SetAddrEditText(const QString& text)
{
    if (w_.AddrEdit) w_.AddrEdit->setText(text);
}

TLogSink* TImageViewsHookup::Log()
{
    return &w_;
}

TMessageBoxes& TImageViewsHookup::Boxes()
{
    return w_.Msg();
}

QWidget* TImageViewsHookup::BoxParent()
{
    return &w_;
}

void TImageViewsHookup::PlainMessage(const std::string& text)
{
    w_.Msg().Plain(&w_, QString::fromStdString(text));
}

void TImageViewsHookup::ErrorMessage(const std::string& text)
{
    w_.Msg().Error(&w_, QString::fromStdString(text));
}

void TImageViewsHookup::InformationMessage(const std::string& text)
{
    w_.Msg().Information(&w_, QString::fromStdString(text));
}

void TImageViewsHookup::FocusPanelBtns()
{
    if (w_.PanelBtns) w_.PanelBtns->setFocus();
}

bool TImageViewsHookup::AskWithDialog(bool save, std::string& fileName)
{
    const TPrjDialogSpec spec = save ? PrjSaveDialogSpec(w_.Lang()) : PrjOpenDialogSpec(w_.Lang());
    const QString title = QString::fromUtf8(spec.Title);
    const QString filter = QString::fromUtf8(spec.Filter);
    QString name = save ? QFileDialog::getSaveFileName(&w_, title, QString(), filter)
                        : QFileDialog::getOpenFileName(&w_, title, QString(), filter);
    if (name.isEmpty()) return false;
    // A name typed without an extension gets the default one.
    const QString ext = QString::fromUtf8(spec.DefaultExt).remove(QLatin1Char('*')).remove(QLatin1Char('.'));
    if (QFileInfo(name).suffix().isEmpty() && !(QFileInfo::exists(name) && !save)) name += QLatin1Char('.') + ext;
    fileName = name.toStdString();
    return true;
}

bool TImageViewsHookup::AskSaveFileName(std::string& fileName)
{
    return AskProjectFileName ? AskProjectFileName(true, fileName) : AskWithDialog(true, fileName);
}

bool TImageViewsHookup::AskOpenFileName(std::string& fileName)
{
    return AskProjectFileName ? AskProjectFileName(false, fileName) : AskWithDialog(false, fileName);
}

void TImageViewsHookup::CollectSettings()
{
    w_.CollectSettings();
}

void TImageViewsHookup::SetChipNameAndSetup(const std::string& chipName)
{
    w_.SelectChipName(QString::fromStdString(chipName));
}

void TImageViewsHookup::SetFileNamePanel(const std::string& text)
{
    w_.SetStatusPanel(2, QString::fromStdString(text));
}

void TImageViewsHookup::UpdateAfterLoad()
{
    if (AfterLoadUpdate) AfterLoadUpdate();
}

void TImageViewsHookup::ApplyProjectSettings()
{
    w_.ApplyProjectSettings();
}

TImageViewsHookup& ImageViewsOf(TTelvic200CyPrg& window)
{
    if (auto* h = window.findChild<TImageViewsHookup*>(QLatin1String(kHookupName), Qt::FindDirectChildrenOnly)) return *h;
    return *new TImageViewsHookup(window);
}
