// MainTL200CyFiles: binds the file, project, serial-number and view modules
// to the main window's menus, buttons, boxes, pages and message boxes.
#include "app/MainTL200CyFiles.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>

#include "app/MainTL200Cy.h"
#include "link/DefinCyX4.h"

namespace {

// The object-file dialog's filters, in the order the filter index counts them (from 1).
const char* const kOpenFilters[] = {
    "All Files (*)",
    "All Binary Files (*.Bin *.bin *.BIN)",
    "All Intel Hex Files (*.Hex *.hex *.HEX)",
    "All Motorola Hex Files(*.S19 *.s19 *.Sx *.sx)",
    "All Hex/Binary Files (*.Hex *.hex *.HEX *.S1* *.s1* *.Bin *.bin *.BIN)",
};
const char* const kSaveFilter = "All Binary Files(*.BIN *.bin)";

QString Qs(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

TMainFiles::TMainFiles(TTelvic200CyPrg& window)
    : w_(window),
      views_(window.Lang(), &window, this, this),
      refresh_(views_),
      loader_(window.Lang(), *this, refresh_, window, *this),
      side_(window.Lang(), *this, refresh_, window),
      project_(*this)
{
    w_.HexViewer->setModel(&views_.MainView());
    w_.SecuDataView->setModel(&views_.SecuView());
    w_.ECCDataView->setModel(&views_.EccView());
    w_.EepDataView->setModel(&views_.EepView());

    w_.CalcMainChecksumsHook = [this](std::uint32_t first, std::uint32_t last) { views_.CalcMainChecksums(first, last); };
    w_.ShowMainFlashHook = [this](std::uint32_t first, std::uint32_t last) { views_.ShowMainFlash(first, last); };
    w_.SumSFlashPartsHook = [this] { views_.SumSFlashParts(); };
    w_.InsertSerialNumberHook = [this] { return ConfigSNForm().InsertSerialNumber(); };
    w_.AdvanceSerialNumberHook = [this] { ::AdvanceSerialNumber(*this); };
    w_.RefreshAfterReadBackHook = [this](int area) {
        if (area == kReadBackMainFlash) {
            views_.CalcMainChecksums(ImageInfo.TargetStartAddr, ImageInfo.TargetEndAddr);
            views_.ShowMainFlash(ImageInfo.TargetStartAddr, ImageInfo.TargetEndAddr);
        } else if (area == kReadBackEepSFlash) {
            views_.ShowEepSFlash();
        } else if (area == kReadBackWFlash) {
            views_.ShowEccWFlash();
        } else {
            views_.ShowSecurityData();
        }
    };
    BindMenus();
}

TMainFiles::~TMainFiles() = default;

TConfigSNForm& TMainFiles::ConfigSNForm()
{
    if (!snForm_) snForm_ = new TConfigSNForm(*this, &w_);
    return *snForm_;
}

void TMainFiles::BindMenus()
{
    const auto on = [this](auto* sender, auto signal, std::function<void()> command) {
        QObject::connect(sender, signal, &w_, [this, command] { w_.RunGuarded(command); });
    };
    const auto act = [&](QAction* a, std::function<void()> command) { on(a, &QAction::triggered, std::move(command)); };
    const auto btn = [&](QAbstractButton* b, std::function<void()> command) {
        on(b, &QAbstractButton::clicked, std::move(command));
    };
    const bool chinese = w_.Lang() == TBuildLang::Chinese;

    act(w_.Execute1, [this] { loader_.FileOpenBtnClick(); });
    btn(w_.SpdBtnOpen, [this] { loader_.FileOpenBtnClick(); });
    btn(w_.SpdBtnLodMore, [this] { loader_.SpdBtnLodMoreClick(); });
    act(w_.SaveFile1, [this] { side_.FileSaveBtnClick(); });
    act(w_.SaveSecurity1, [this] { side_.SaveSecurity1Click(); });
    act(w_.SavSecurity, [this] { side_.SaveSecurity1Click(); });
    act(w_.LoadSecurity1, [this] { side_.LoadSecurity1Click(); });
    act(w_.LoadSecurity, [this] { side_.LoadSecurity1Click(); });
    act(w_.SavetoProjectFile1, [this] { SavetoProjectFile1Click(project_, &w_, DefaultPrjRandom()); });
    act(w_.LoadfromProjectFile1, [this] { SpdBtnLoaddPrjClick(project_, &w_); });
    // The English build shows these items without an action.
    if (chinese) {
        act(w_.MenuItemLoadWF, [this] { side_.MenuItemLoadWFClick(); });
        act(w_.MenuItemSavWF, [this] { side_.MenuItemSavWFClick(); });
        act(w_.MenuItemLoadSF, [this] { side_.MenuItemLoadSFClick(); });
        act(w_.MenuItemSavSF, [this] { side_.MenuItemSavSFClick(); });
        act(w_.N5, [this] { N5Click(ConfigSNForm(), *this); });
        if (w_.Button1) btn(w_.Button1, [this] { views_.ShowSecurityData(); });
    }
}

// ---- Dialogs and boxes ------------------------------------------------------

bool TMainFiles::RunFileDialog(bool save, int filterIndex, const QString& filter, const QString& defaultExt,
                               const QString& title, std::string& path)
{
    if (FileDialogHook) return FileDialogHook(save, filterIndex, path);
    QFileDialog dialog(&w_, title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = filter.split(QStringLiteral(";;"));
    dialog.setNameFilters(filters);
    if (filterIndex >= 1 && filterIndex <= filters.size()) dialog.selectNameFilter(filters[filterIndex - 1]);
    dialog.setDefaultSuffix(defaultExt);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    path = dialog.selectedFiles().first().toStdString();
    return true;
}

bool TMainFiles::AskOpenFileName(int filterIndex, std::string& path)
{
    QStringList filters;
    for (const char* f : kOpenFilters) filters << QLatin1String(f);
    return RunFileDialog(false, filterIndex, filters.join(QStringLiteral(";;")), QStringLiteral("BIN"), QString(), path);
}

bool TMainFiles::AskSaveFileName(std::string& path)
{
    return RunFileDialog(true, 1, QLatin1String(kSaveFilter), QStringLiteral("bin"), QString(), path);
}

void TMainFiles::ShowInformation(const std::string& text)
{
    w_.Msg().Information(&w_, Qs(text));
}

void TMainFiles::ShowFileError(const std::string& text)
{
    w_.Msg().Error(&w_, Qs(text));
}

TBoxAnswer TMainFiles::ShowRecordError(const std::string& text)
{
    return w_.Msg().ErrorOkAbort(&w_, Qs(text)) ? TBoxAnswer::Abort : TBoxAnswer::Ok;
}

// ---- Labels, panels, boxes, pages -------------------------------------------

void TMainFiles::SetLabelFile(const std::string& path)
{
    w_.LabelFile->setText(Qs(path));
}

void TMainFiles::SetFileNamePanel(const std::string& path)
{
    w_.SetStatusPanel(2, Qs(path));
}

void TMainFiles::SetPanelText(int panel, const std::string& text)
{
    w_.SetStatusPanel(panel, Qs(text));
}

void TMainFiles::SetChipIdLabels(const std::string& id1, const std::string& id2)
{
    w_.LblID1->setText(Qs(id1));
    w_.LblID2->setText(Qs(id2));
}

void TMainFiles::SetP6IdLabel(const std::string& text)
{
    w_.LabelP6IDx->setText(Qs(text));
}

void TMainFiles::SetCheckBox(TLoadCheckBox box, bool checked)
{
    QCheckBox* target = nullptr;
    switch (box) {
    case TLoadCheckBox::EnWrtEep: target = w_.EnWrtEep; break;
    case TLoadCheckBox::ChkBoxROP: target = w_.ChkBoxROP; break;
    case TLoadCheckBox::ChkBoxEPWF: target = w_.ChkBoxEPWF; break;
    case TLoadCheckBox::ChkBoxNAR: target = w_.ChkBoxNAR; break;
    case TLoadCheckBox::ChkBoxPubKey: target = w_.ChkBoxPubKey; break;
    case TLoadCheckBox::ChkBoxTOCx: target = w_.ChkBoxTOCx; break;
    }
    w_.SetBoxChecked(target, checked);
}

void TMainFiles::SetRopVisible(bool visible)
{
    w_.SetReadProtectVisible(visible);
}

std::string TMainFiles::TimeOfDay()
{
    return w_.TimeText().toStdString();
}

QWidget* TMainFiles::PageWidget(TViewPage page) const
{
    switch (page) {
    case TViewPage::Security: return w_.TabSheetSecu;
    case TViewPage::Ecc: return w_.TabSheetECC;
    case TViewPage::Eep: return w_.TabSheetEEP;
    }
    return nullptr;
}

void TMainFiles::SetPageVisible(TViewPage page, bool visible)
{
    w_.ViewPageCtrl->setTabVisible(w_.ViewPageCtrl->indexOf(PageWidget(page)), visible);
}

void TMainFiles::SetPageCaption(TViewPage page, const std::string& caption)
{
    w_.ViewPageCtrl->setTabText(w_.ViewPageCtrl->indexOf(PageWidget(page)), Qs(caption));
}

void TMainFiles::ShowEnWrtEep()
{
    w_.EnWrtEep->setVisible(true);
}

void TMainFiles::SetEnWrtEepChecked(bool checked)
{
    w_.SetBoxChecked(w_.EnWrtEep, checked);
}

void TMainFiles::SetChkBoxEPWFChecked(bool checked)
{
    w_.SetBoxChecked(w_.ChkBoxEPWF, checked);
}

// ---- Serial numbers ----------------------------------------------------------

namespace {

QCheckBox* SNBox(TTelvic200CyPrg& w, TSNBox box)
{
    switch (box) {
    case TSNBox::CheckBoxSN: return w.CheckBoxSN;
    case TSNBox::ChkBoxPCSN: return w.ChkBoxPCSN;
    case TSNBox::ChkBoxStrSN: return w.ChkBoxStrSN;
    case TSNBox::SNOrderChk: return w.SNOrderChk;
    case TSNBox::ChkBoxSNEep: return w.ChkBoxSNEep;
    case TSNBox::ChkBoxSNDP: return w.ChkBoxSNDP;
    }
    return w.CheckBoxSN;
}

} // namespace

bool TMainFiles::SNBoxChecked(TSNBox box) const
{
    return SNBox(w_, box)->isChecked();
}

void TMainFiles::SetSNBoxChecked(TSNBox box, bool checked)
{
    w_.SetBoxChecked(SNBox(w_, box), checked);
}

QString TMainFiles::SNEditText() const
{
    return w_.SNEdit->text();
}

void TMainFiles::SetSNEditText(const QString& text)
{
    w_.SNEdit->setText(text);
}

void TMainFiles::SetAddrEditText(const QString& text)
{
    w_.AddrEdit->setText(text);
}

TLogSink* TMainFiles::Log()
{
    return &w_;
}

TMessageBoxes& TMainFiles::Boxes()
{
    return w_.Msg();
}

QWidget* TMainFiles::BoxParent()
{
    return &w_;
}

// ---- Project files -----------------------------------------------------------

void TMainFiles::TProjectSide::PlainMessage(const std::string& text)
{
    f_.w_.Msg().Plain(&f_.w_, Qs(text));
}

void TMainFiles::TProjectSide::ErrorMessage(const std::string& text)
{
    f_.w_.Msg().Error(&f_.w_, Qs(text));
}

void TMainFiles::TProjectSide::InformationMessage(const std::string& text)
{
    f_.w_.Msg().Information(&f_.w_, Qs(text));
}

void TMainFiles::TProjectSide::FocusPanelBtns()
{
    f_.w_.PanelBtns->setFocus();
}

bool TMainFiles::TProjectSide::AskSaveFileName(std::string& fileName)
{
    const TPrjDialogTexts texts = PrjSaveDialogTexts(f_.w_.Lang());
    return f_.RunFileDialog(true, 1, QLatin1String(texts.Filter), QLatin1String(texts.DefaultExt),
                            QLatin1String(texts.Title), fileName);
}

bool TMainFiles::TProjectSide::AskOpenFileName(std::string& fileName)
{
    const TPrjDialogTexts texts = PrjOpenDialogTexts(f_.w_.Lang());
    return f_.RunFileDialog(false, 1, QLatin1String(texts.Filter), QLatin1String(texts.DefaultExt),
                            QLatin1String(texts.Title), fileName);
}

void TMainFiles::TProjectSide::CollectSettings()
{
    f_.w_.CollectSettings();
}

void TMainFiles::TProjectSide::SetChipNameAndSetup(const std::string& chipName)
{
    f_.w_.SelectChipName(Qs(chipName));
}

void TMainFiles::TProjectSide::SetFileNamePanel(const std::string& text)
{
    f_.SetFileNamePanel(text);
}

void TMainFiles::TProjectSide::UpdateAfterLoad()
{
    f_.loader_.UpdateAfterLoad();
}

void TMainFiles::TProjectSide::ApplyProjectSettings()
{
    f_.w_.ApplyProjectSettings();
}
