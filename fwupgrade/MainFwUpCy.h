// MainFwUpCy: the upgrade tool's main window: device choice, the identify
// probe, upgrade and verification through the transfer dialog, and the log.
#pragma once

#include <QMainWindow>
#include <cstdint>
#include <memory>

#include "fwupgrade/CommFwUpCy.h"
#include "fwupgrade/FTDI2xxFwUpCy.h"
#include "fwupgrade/FwUpHost.h"
#include "fwupgrade/TelvicCY_FmWrV3_RV27.h"

class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class TAboutForm;
class TProgressForm;

// What the window is built on; the program passes the production implementations.
struct TFwUpServices {
    TFtdiDriver& Driver;
    const TFirmwareImage* Image; // nullptr: no firmware built in, Upgrade refuses
    TFwMessages& Messages;
    TFwTimerFactory& Timers;
    TFwSleep Sleep;
};

// The operator's text for a result code.
QString ResultText(std::uint8_t code);

class TFirmWareUG : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kProbeIntervalMs = 20;
    static constexpr int kProbeLastTick = 16;
    static constexpr int kProbeGiveUpTick = 20;
    static constexpr std::uint8_t kProbeListenMs = 20;

    explicit TFirmWareUG(const TFwUpServices& services, QWidget* parent = nullptr);
    ~TFirmWareUG() override;

    void FormShow();
    void Timer1Timer();
    void BitBtnFindClick();
    void BitBtnFreshClick();
    void ComboBoxCOMChange();
    void SpdBtnDownLoadClick();
    void SpdBtnVerifyClick();
    void SpdBtnExitClick();
    void About1Click();
    void ClearInfo1Click();
    void FormClose();
    void ShowResult(std::uint8_t code);

    TFwTimer& Timer1() { return *timer1_; }
    TProgressForm& ProgressForm() { return *progressForm_; }
    TAboutForm& AboutForm() { return *aboutForm_; }
    void AddLog(const QString& line);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildWidgets();
    void BuildMenus();
    void ShowDeviceBox();
    void StartProbe();
    void HandleProbeReply();
    void RunTransfer(char mode);

    TFtdiLink link_;
    TFwComm comm_;
    const TFirmwareImage* image_;
    TFwMessages& messages_;
    std::unique_ptr<TFwTimer> timer1_;
    std::unique_ptr<TProgressForm> progressForm_;
    std::unique_ptr<TAboutForm> aboutForm_;
    TDeviceBox deviceBox_;
    int probeTicks_ = 0;
    bool shown_ = false;

    QPushButton* spdBtnExit_ = nullptr;
    QPushButton* spdBtnDownLoad_ = nullptr;
    QPushButton* spdBtnVerify_ = nullptr;
    QLabel* devLabel_ = nullptr;
    QComboBox* comboBoxCOM_ = nullptr;
    QPushButton* bitBtnFind_ = nullptr;
    QPushButton* bitBtnFresh_ = nullptr;
    QPlainTextEdit* infoMemo_ = nullptr;
    QMenu* executeMenu_ = nullptr;
};
