// ProgFwUpCy: the modal transfer dialog whose two timers write the firmware
// block by block, or ask the boot loader to verify the update area.
#pragma once

#include <QDialog>
#include <cstdint>
#include <memory>

#include "fwupgrade/CommFwUpCy.h"
#include "fwupgrade/FwUpHost.h"

class QLabel;
class QProgressBar;
class QPushButton;

class TProgressForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTxIntervalMs = 40;
    static constexpr int kRxIntervalMs = 20;
    static constexpr int kShowWaitMs = 200;
    static constexpr std::uint8_t kPollLimit = 100;

    TProgressForm(TFwComm& comm, TFwTimerFactory& timers, QWidget* parent = nullptr);
    ~TProgressForm() override;

    // The image the upgrade writes; the caller refuses an upgrade without one.
    void SetImage(const TFirmwareImage* image) { image_ = image; }

    void FormShow();
    void TimerTxTimer();
    void TimerRxTimer();
    void StopTransfer();

    TFwTimer& TimerTx() { return *timerTx_; }
    TFwTimer& TimerRx() { return *timerRx_; }
    QProgressBar* ProgressBar() const { return progress_; }
    std::uint16_t BlockCount() const { return blockCount_; }
    std::uint16_t BlockAddr() const { return blockAddr_; }
    std::uint8_t PollCount() const { return pollCount_; }

public slots:
    // Esc and the window's close do nothing: only the transfer ends the dialog.
    void reject() override {}

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BlockPoll();
    void VerifyPoll();

    TFwComm& comm_;
    const TFirmwareImage* image_ = nullptr;
    std::unique_ptr<TFwTimer> timerTx_;
    std::unique_ptr<TFwTimer> timerRx_;
    QLabel* label_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* okButton_ = nullptr;
    std::uint16_t blockCount_ = 0;
    std::uint16_t blockAddr_ = 0;
    std::uint8_t pollCount_ = 0;
};
