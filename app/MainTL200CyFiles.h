// MainTL200CyFiles: the main window's file side: object-file loading, side
// data files, project files, serial numbers, and the checksums and hex views,
// each module reached through the window's controls and message boxes.
#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <string>

#include "app/ChkSumViews.h"
#include "app/ConfigSN.h"
#include "app/HdlPrjRdWtRT.h"
#include "app/ObjFileLoadRT.h"
#include "app/ParseCyHex.h"
#include "app/SideDataFiles.h"

class TTelvic200CyPrg;

class TMainFiles : public TObjFileHost,
                   public TErrorBoxHost,
                   public TStatusBarSink,
                   public TViewPageHost,
                   public TSNHost {
public:
    explicit TMainFiles(TTelvic200CyPrg& window);
    ~TMainFiles() override;

    TChecksumViews& Views() override { return views_; }
    TObjFileLoader& Loader() { return loader_; }
    TSideDataFiles& SideFiles() { return side_; }
    // The fixed-content serial-number dialog, created by the program entry
    // last of the four windows (or on first use), kept for the program's life.
    TConfigSNForm& ConfigSNForm();

    // Tests answer the file dialogs here: (save?, filter index, path out) ->
    // accepted. Empty: the real dialogs.
    std::function<bool(bool save, int filterIndex, std::string& path)> FileDialogHook;

    // TObjFileHost
    bool AskOpenFileName(int filterIndex, std::string& path) override;
    bool AskSaveFileName(std::string& path) override;
    void ShowInformation(const std::string& text) override;
    void ShowFileError(const std::string& text) override;
    void SetLabelFile(const std::string& path) override;
    void SetFileNamePanel(const std::string& path) override;
    void SetChipIdLabels(const std::string& id1, const std::string& id2) override;
    void SetP6IdLabel(const std::string& text) override;
    void SetCheckBox(TLoadCheckBox box, bool checked) override;
    void SetRopVisible(bool visible) override;
    std::string TimeOfDay() override;
    // TErrorBoxHost
    TBoxAnswer ShowRecordError(const std::string& text) override;
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
    // The project commands' view of the window.
    class TProjectSide : public TProjectHost {
    public:
        explicit TProjectSide(TMainFiles& files) : f_(files) {}
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

    private:
        TMainFiles& f_;
    };
    TProjectHost& Project() { return project_; }

private:
    bool RunFileDialog(bool save, int filterIndex, const QString& filter, const QString& defaultExt,
                       const QString& title, std::string& path);
    void BindMenus();
    QWidget* PageWidget(TViewPage page) const;

    TTelvic200CyPrg& w_;
    TChecksumViews views_;
    TImageRefreshOf<TChecksumViews> refresh_;
    TObjFileLoader loader_;
    TSideDataFiles side_;
    TConfigSNForm* snForm_ = nullptr;
    TProjectSide project_;
};
