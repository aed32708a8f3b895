// ImageViewsHookup: puts the checksums and hex views, the project-file commands
// and the serial numbers into the main window, through its hooks and menus.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <string>

#include "app/ChkSumViews.h"
#include "app/ConfigSN.h"
#include "app/HdlPrjRdWtRT.h"

class TTelvic200CyPrg;

class TImageViewsHookup : public QObject,
                          private TStatusBarSink,
                          private TViewPageHost,
                          private TSNHost,
                          private TProjectHost {
    Q_OBJECT
public:
    // Binds the four grids to their models, fills the window's checksum,
    // view and serial-number hooks and connects the project and
    // fixed-content menu items. Owned by the window.
    explicit TImageViewsHookup(TTelvic200CyPrg& window);
    ~TImageViewsHookup() override;

    TChecksumViews& Views() override { return *views_; }
    TConfigSNForm& ConfigSNForm() { return *configSN_; }
    TSNHost& SNHost() { return *this; }

    // The after-load update of the object-file loading, with which a project
    // load ends (the object-file side sets it).
    std::function<void()> AfterLoadUpdate;
    // The project file dialogs (save: true); false when cancelled. Tests replace it.
    std::function<bool(bool save, std::string& fileName)> AskProjectFileName;
    TPrjRandom Random = DefaultPrjRandom();

    void SavetoProjectFile1Click();
    void SpdBtnLoaddPrjClick();
    void N5Click();

private:
    // TStatusBarSink
    void SetPanelText(int panel, const std::string& text) override;
    // TViewPageHost
    void SetPageVisible(TViewPage page, bool visible) override;
    void SetPageCaption(TViewPage page, const std::string& caption) override;
    void ShowEnWrtEep() override;
    void SetEnWrtEepChecked(bool checked) override;
    void SetChkBoxEPWFChecked(bool checked) override;
    // TSNHost
    bool SNBoxChecked(TSNBox box) const override;
    void SetSNBoxChecked(TSNBox box, bool checked) override;
    QString SNEditText() const override;
    void SetSNEditText(const QString& text) override;
    void SetAddrEditText(const QString& text) override;
    TLogSink* Log() override;
    TMessageBoxes& Boxes() override;
    QWidget* BoxParent() override;
    // TProjectHost
    void PlainMessage(const std::string& text) override;
    void ErrorMessage(const std::string& text) override;
    void InformationMessage(const std::string& text) override;
    void FocusPanelBtns() override;
    bool AskSaveFileName(std::string& fileName) override;
    bool AskOpenFileName(std::string& fileName) override;
    void CollectSettings() override;
    void SetChipNameAndSetup(const std::string& chipName) override;
    void SetFileNamePanel(const std::string& text) override;
    void UpdateAfterLoad() override;
    void ApplyProjectSettings() override;

    bool AskWithDialog(bool save, std::string& fileName);
    QWidget* PageOf(TViewPage page) const;

    TTelvic200CyPrg& w_;
    std::unique_ptr<TChecksumViews> views_;
    TConfigSNForm* configSN_ = nullptr;
};

// The window's hookup (created on first use).
TImageViewsHookup& ImageViewsOf(TTelvic200CyPrg& window);
