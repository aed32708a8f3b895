// MainTL200Cy: the programmer application's main window TTelvic200CyPrg.
// Both language builds share it; the build language is fixed at construction.
#pragma once

#include <QDateTime>
#include <QMainWindow>

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "app/MsgBoxes.h"
#include "chips/ChipSelCY.h"
#include "chips/CyxChipSetRT.h"
#include "link/LangBuild.h"
#include "link/LinkSinks.h"

class QAbstractButton;
class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStatusBar;
class QTabWidget;
class QTableView;
class QTimer;
class QToolButton;
class TAboutForm;
class TComm;
class TPortLister;
class TGaugeBar;
class TMainFiles;

// The window's controls carry the names the operator's documentation and the
// other modules use (objectName = member name), like a form's published fields.
class TTelvic200CyPrg : public QMainWindow,
                        public TLogSink,
                        public TStatusPanel,
                        public TImageHost,
                        public TChipSetupView,
                        public TChipNameBox {
    Q_OBJECT
public:
    explicit TTelvic200CyPrg(TBuildLang lang, QWidget* parent = nullptr);
    ~TTelvic200CyPrg() override;

    TBuildLang Lang() const override { return lang_; }
    bool English() const { return lang_ == TBuildLang::English; }

    // ---- What tests (and the program entry) inject --------------------------
    void SetMessageBoxes(TMessageBoxes* boxes) { msg_ = boxes ? boxes : &DefaultMessageBoxes(); }
    TMessageBoxes& Msg() const { return *msg_; }
    void SetClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }
    QDateTime Now() const { return clock_ ? clock_() : QDateTime::currentDateTime(); }
    // The folder taken as the application directory at the first showing
    // (default: the executable's folder). Must end with "/".
    void SetAppDirOverride(const std::string& dir) { appDirOverride_ = dir; }
    // Runs the first-showing steps now if they have not run yet.
    void RunFirstShowing();
    bool FirstShowingDone() const { return firstShowingDone_; }

    // Date and time as every line and file name of the application shows them.
    static constexpr const char* kDateFormat = "yyyy/MM/dd";
    static constexpr const char* kTimeFormat = "HH:mm:ss";
    QString DateText() const;
    QString TimeText() const;

    // ---- Log memo (TLogSink) ------------------------------------------------
    void LogLine(const std::string& text) override;
    void AddLine(const std::string& line) override;
    bool SaveToFile(const std::string& path) override;
    void LogLine(const QString& text) { LogLine(text.toStdString()); }
    void AddLine(const QString& line) { AddLine(line.toStdString()); }
    // Lines in the memo (an empty memo holds none).
    int LogLineCount() const;
    QString LogText() const;

    // ---- Status bar and programmer-name panel -------------------------------
    void ShowProgrammerName(const std::string& text) override;
    void SetStatusPanel(int panel, const QString& text);
    QString StatusPanelText(int panel) const;

    // ---- Image host: serial numbers and the view refresh --------------------
    // Filled by the serial-number and checksum modules; empty hooks do nothing.
    std::function<void()> AdvanceSerialNumberHook;
    std::function<void(int area)> RefreshAfterReadBackHook;
    // False when the serial number was refused (its message shown): the
    // program run then stops before any channel is touched.
    std::function<bool()> InsertSerialNumberHook;
    std::function<void()> SumSFlashPartsHook;
    std::function<void(std::uint32_t, std::uint32_t)> CalcMainChecksumsHook;
    std::function<void(std::uint32_t, std::uint32_t)> ShowMainFlashHook;
    void AdvanceSerialNumber() override;
    void RefreshAfterReadBack(int area) override;
    bool InsertSerialNumber();
    void SumSFlashParts();

    // Where the search finds its ports (default: the FTDI USB serial ports).
    void SetPortLister(TPortLister* lister) { portLister_ = lister; }
    TPortLister& PortLister();
    // The link's view of this window (also put into the global link host at
    // the first showing).
    TLinkHost MakeLinkHost();
    TPortListBox& PortList() { return portList_; }
    TGauge& ChannelGauge(int ch) { return gauges_[static_cast<std::size_t>(ch)]; }

    // ---- Chip-dependent set-up (TChipSetupView) -----------------------------
    std::string ChipNameText() const override;
    void SetControlText(const char* name, const std::string& text) override;
    void SetControlVisible(const char* name, bool visible) override;
    void SetControlEnabled(const char* name, bool enabled) override;
    void SetControlChecked(const char* name, bool checked) override;
    void SetVoltageIndex(int index) override;
    std::string NowDateTimeText() const override;
    void CalcMainChecksums(std::uint32_t first, std::uint32_t last) override;
    void ShowMainFlash(std::uint32_t first, std::uint32_t last) override;
    void WarningBox(const std::string& text) override;
    void LogSetupLine(const std::string& text) override { LogLine(text); }
    // Puts a chip name into MCUNameEdit and runs the set-up, also when the box
    // already shows that name (a chip choice, a project load).
    void SelectChipName(const QString& name);
    // What the chip dialog calls: the EEP-write box is unchecked before a new
    // chip's values are written, and the chosen caption goes into MCUNameEdit.
    void UncheckEepWrite() override;
    void ChipChosen(const std::string& caption) override;
    // Opens the chip-selection dialog with its menu's top-left corner at the
    // given screen point (set by the program entry, which creates the dialog).
    std::function<void(int x, int y)> OpenChipDialog;
    void DevButtonClick();
    // The read-protection box: hiding it also unchecks it, so a box the
    // operator cannot see never read-protects the following chips.
    void SetReadProtectVisible(bool visible);

    // ---- Options (MainTL200CyOptions.cpp) -----------------------------------
    void CollectSettings();
    void ApplyProjectSettings();
    int VoltageIndex() const;
    void SetVoltageItem(int index);
    // Changes a check box from code; its handler runs, and a conversion error
    // it raises ends the caller.
    void SetBoxChecked(QAbstractButton* box, bool checked);

    // ---- Commands -----------------------------------------------------------
    // Runs one command; a conversion or port error ends it with its message,
    // so no exception leaves a Qt slot.
    void RunGuarded(const std::function<void()>& command);

    void SpdBtnDownLoadClick();
    void AutoSpdBtnClick();
    void SpdBtnBlankChkClick();
    void SpdBtnEraseClick();
    void SpdBtnProgClick();
    void SpdBtnVerifyClick();
    void SpdBtnSecuClick();
    void ReadChipID1Click();
    void ReadChipMemory1Click();
    void ReadEEP1Click();
    void ReadWFlashData1Click();
    void ReadSecurity1Click();
    void ProgramEEP1Click();
    void ProgramWFlashData1Click();
    void ClearInformation1Click();
    void SpdBtnExitClick();
    void About1Click();
    void MCUNameEditChange();

    // Search and port events (MainTL200CyPorts.cpp).
    void BitBtn1Click();
    void FreshBtnClick();
    void BitBtnFindDevClick() {}
    void ComboBoxCOMChange(int index);
    // The serial-port events of channel ch (0 to 3).
    void CommPortReceiveData(int ch, const std::uint8_t* data, std::uint16_t length);
    void CommPortRequestHangup(int ch);
    // The 15 ms tick; the timer calls it, tests may call it directly.
    void Timer1Timer();

    // Option click handlers (run on every change of the box's state).
    void CheckBoxSNClick();
    void ChkBoxStrSNClick();
    void ChkBoxSNDPClick();
    void CheckBoxCtrlClick();
    void ChkBoxAutoDetClick();
    void ChkBoxXresClick();
    void ChkBoxSNEepClick();
    void ChkBoxVfyClick();

    // The minimum width of the Chinese build.
    static constexpr int kMinWidthAsked = 500;
    static constexpr int kMinWidthGiven = 600;

    // ---- Controls -----------------------------------------------------------
    // Menus and their commands.
    QMenu* File1 = nullptr;
    QMenu* Operation1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* Execute1 = nullptr;
    QAction* SaveFile1 = nullptr;
    QAction* LoadSecurity1 = nullptr;
    QAction* SaveSecurity1 = nullptr;
    QAction* SavetoProjectFile1 = nullptr;
    QAction* LoadfromProjectFile1 = nullptr;
    QAction* N5 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Download1 = nullptr;
    QAction* AutoProgram1 = nullptr;
    QAction* BlankCheck1 = nullptr;
    QAction* EraseChip1 = nullptr;
    QAction* Programming1 = nullptr;
    QAction* VeriufyDownload1 = nullptr;
    QAction* ReadChipID1 = nullptr;
    QAction* ReadChipMemory1 = nullptr;
    QAction* ReadEEP1 = nullptr;
    QAction* ReadWFlashData1 = nullptr;
    QAction* ReadSecurity1 = nullptr;
    QAction* ProgramEEP1 = nullptr;
    QAction* ProgramWFlashData1 = nullptr;
    QAction* About1 = nullptr;
    // Pop-up menus of the log and the data views.
    QAction* ClearInformation1 = nullptr;
    QAction* LoadSecurity = nullptr;
    QAction* SavSecurity = nullptr;
    QAction* MenuItemLoadWF = nullptr;
    QAction* MenuItemSavWF = nullptr;
    QAction* MenuItemLoadSF = nullptr;
    QAction* MenuItemSavSF = nullptr;

    // Button panel.
    QWidget* PanelBtns = nullptr;
    QToolButton* SpdBtnOpen = nullptr;
    QToolButton* SpdBtnLodMore = nullptr;
    QToolButton* SpdBtnDownLoad = nullptr;
    QToolButton* AutoSpdBtn = nullptr;
    QToolButton* SpdBtnBlankChk = nullptr;
    QToolButton* SpdBtnErase = nullptr;
    QToolButton* SpdBtnProg = nullptr;
    QToolButton* SpdBtnVerify = nullptr;
    QToolButton* SpdBtnSecu = nullptr;
    QToolButton* SpdBtnExit = nullptr;
    QLabel* InfoPanel = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QToolButton* FreshBtn = nullptr;
    QToolButton* BitBtnFindDev = nullptr;
    QComboBox* ComboBoxCOM = nullptr;
    QPushButton* Button1 = nullptr;  // Chinese build only
    QLabel* LabelFile = nullptr;

    // Pages.
    QTabWidget* ViewPageCtrl = nullptr;
    QWidget* TabSheetSet = nullptr;
    QWidget* TabSheetMain = nullptr;
    QWidget* TabSheetSecu = nullptr;
    QWidget* TabSheetECC = nullptr;
    QWidget* TabSheetEEP = nullptr;
    QTableView* HexViewer = nullptr;
    QTableView* SecuDataView = nullptr;
    QTableView* ECCDataView = nullptr;
    QTableView* EepDataView = nullptr;

    // "Chip Setting" page: the chip group.
    QGroupBox* GroupBoxChip = nullptr;
    QPushButton* DevButton = nullptr;
    QLineEdit* MCUNameEdit = nullptr;
    QLabel* lbFlashSize = nullptr;
    QLabel* lbBanks = nullptr;
    QLabel* LblBlocks = nullptr;
    QLabel* LblBlkSZ = nullptr;
    QLabel* LblID1 = nullptr;
    QLabel* LblID2 = nullptr;
    QWidget* PanelPSoC6 = nullptr;
    QLabel* LabelFlashSZ = nullptr;
    QLabel* LabelBlockNM = nullptr;
    QLabel* LabelP6IDx = nullptr;
    QCheckBox* ChkBoxNAR = nullptr;
    QCheckBox* ChkBoxPubKey = nullptr;
    QCheckBox* ChkBoxTOCx = nullptr;
    QGroupBox* RadioGpVolt = nullptr;
    QButtonGroup* RadioGpVoltItems = nullptr;
    QCheckBox* ChkBoxEnID = nullptr;
    QCheckBox* EnWrtEep = nullptr;
    QCheckBox* ChkBoxXres = nullptr;
    QCheckBox* ChkBox48MHZ = nullptr;
    QCheckBox* ChkBoxEPWF = nullptr;
    QCheckBox* ChkBoxEpEFuse = nullptr;

    // "Chip Setting" page: the programming-functions group.
    QGroupBox* GroupBoxCtrl = nullptr;
    QCheckBox* CheckBoxSN = nullptr;
    QLineEdit* SNEdit = nullptr;
    QLineEdit* GainEdit = nullptr;
    QLineEdit* AddrEdit = nullptr;
    QCheckBox* ChkBoxPCSN = nullptr;
    QCheckBox* ChkBoxSNDP = nullptr;
    QCheckBox* ChkBoxStrSN = nullptr;
    QCheckBox* ChkBoxSNEep = nullptr;
    QCheckBox* SNOrderChk = nullptr;
    QCheckBox* CheckBoxCtrl = nullptr;
    QSpinBox* SpinEditNum = nullptr;
    QCheckBox* ChkBoxBlkEr = nullptr;
    QCheckBox* ChkBoxVfy = nullptr;
    QCheckBox* ChkBoxROP = nullptr;
    QCheckBox* ChkBoxSumVfy = nullptr;
    QCheckBox* ChkBoxAutoDet = nullptr;
    QSpinBox* SpinEditIn = nullptr;
    QSpinBox* SpinEditOut = nullptr;
    QSpinBox* SpinEditPow = nullptr;
    QLabel* LabelPowTim = nullptr;

    // Log, gauges, status bar, timer.
    QPlainTextEdit* InfoMemo = nullptr;
    std::array<TGaugeBar*, 4> Gauges{};  // Gauge1 .. Gauge4
    std::array<std::unique_ptr<TComm>, 4> CommPorts{};  // CommPort1 .. CommPort4
    QStatusBar* StatusBar1 = nullptr;
    QTimer* Timer1 = nullptr;
    TAboutForm* AboutForm = nullptr;
    // The About box, created by the program entry after the chip dialog (or
    // on first use).
    TAboutForm& AboutBox();
    // The file, project, serial-number and view side (MainTL200CyFiles).
    TMainFiles& Files() { return *files_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    void BuildButtonPanel(QWidget* host);
    void BuildPages();
    void BuildChipGroup(QWidget* page);
    void BuildCtrlGroup(QWidget* page);
    void BuildLogAndGauges(QWidget* host);
    void BuildStatusBar();
    // Column widths of a hex grid for its font; the grid asks for the width that shows them all.
    static void SizeGridColumns(QTableView* grid);
    void BindCommands();
    void BindOptionHandlers();
    void FormShow();
    void FormClose();
    void SyncPortCombo();
    QObject* FindControl(const char* name) const;
    // Ports (MainTL200CyPorts.cpp).
    void CreatePorts();
    void BindChannelPorts();
    void ListPorts();
    void CloseChannel1Port();
    void SetGaugeEnabled(int ch, bool enabled);
    // The checks that open the commands; false ends the command.
    bool CheckChipAndFile(bool needFile);
    // Commands (MainTL200CyOps.cpp).
    struct TChannelStart;
    // Starts on every eligible channel (or channel 1 alone); logs the
    // no-device line when a four-channel command found none.
    bool StartOnChannels(const TChannelStart& start, bool channel1Only);
    void StartChannel1Read(TChannelStart start);
    void StartDataProgram(bool eep);
    void BeginOp(int ch, std::uint16_t gaugeMax);
    void StartEepProgramOn(int ch);
    void StartWFlashProgramOn(int ch);

    TBuildLang lang_;
    TMessageBoxes* msg_ = &DefaultMessageBoxes();
    std::function<QDateTime()> clock_;
    std::string appDirOverride_;
    bool firstShowingDone_ = false;
    bool closing_ = false;
    std::array<TGauge, 4> gauges_{};
    TPortListBox portList_;
    std::array<QLabel*, 3> statusPanels_{};
    int codeChangeDepth_ = 0;
    std::exception_ptr pendingError_;
    TPortLister* portLister_ = nullptr;
    std::unique_ptr<TPortLister> defaultLister_;
    std::unique_ptr<TMainFiles> files_;
};
