// ProgFwUpCy: the modal transfer dialog whose two timers write the firmware
// block by block, or ask the boot loader to verify the update area.
#include "fwupgrade/ProgFwUpCy.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "fwupgrade/DefinFwUgCy.h"

namespace {
constexpr std::uint16_t kAreaBlockSize = 1024; // addresses per block
constexpr int kVerifyProgressMax = 100;
constexpr std::uint16_t kLastBlockLimit = 0x5FFF;
} // namespace

TProgressForm::TProgressForm(TFwComm& comm, TFwTimerFactory& timers, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), comm_(comm)
{
    setObjectName("ProgressForm");
    setModal(true);
    setCursor(Qt::WaitCursor);
    label_ = new QLabel(this);
    label_->setObjectName("Label1");
    progress_ = new QProgressBar(this);
    progress_->setObjectName("ProgressBar1");
    progress_->setTextVisible(false);
    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setEnabled(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(progress_);
    layout->addWidget(okButton_, 0, Qt::AlignHCenter);
    resize(360, 120);

    timerTx_ = timers.Create(QStringLiteral("TimerTx"), this);
    timerTx_->SetInterval(kTxIntervalMs);
    timerTx_->OnTimer = [this] { TimerTxTimer(); };
    timerRx_ = timers.Create(QStringLiteral("TimerRx"), this);
    timerRx_->SetInterval(kRxIntervalMs);
    timerRx_->OnTimer = [this] { TimerRxTimer(); };
}

TProgressForm::~TProgressForm() = default;

void TProgressForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TProgressForm::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

void TProgressForm::FormShow()
{
    progress_->setValue(1);
    pollCount_ = 0;
    const unsigned span = static_cast<unsigned>(FwUp.UpdEndAddr - FwUp.UpdStartAddr);
    blockCount_ = static_cast<std::uint16_t>(span / kAreaBlockSize + (span % kAreaBlockSize ? 1 : 0));
    blockAddr_ = kFirstBlockAddr;
    comm_.IdentifyLoader(); // wakes the boot loader; its answer is not awaited
    comm_.Sleep(kShowWaitMs);
    if (FwUp.OpMode == kOpModeUpgrade) {
        setWindowTitle(QStringLiteral("Firmware Program Dialog"));
        label_->setText(QStringLiteral("Programming the Block..."));
        progress_->setRange(0, blockCount_);
    } else {
        setWindowTitle(QStringLiteral("Firmware Verification Dialog"));
        label_->setText(QStringLiteral("Verify the Program Block..."));
        progress_->setRange(0, kVerifyProgressMax);
    }
    progress_->setValue(1);
    timerTx_->SetInterval(kTxIntervalMs);
    timerTx_->SetEnabled(true);
}

void TProgressForm::TimerTxTimer()
{
    timerTx_->SetEnabled(false);
    if (FwUp.OpMode == kOpModeUpgrade) {
        if (!image_) {
            FwUp.OpResult = kResultNoFirmware;
            StopTransfer();
            return;
        }
        comm_.SendProgramBlock(*image_, kCmdProgramBlock, blockAddr_, static_cast<std::uint8_t>(blockCount_));
    } else {
        comm_.SendCommand(kCmdVerify, kVerifyAddress);
    }
    timerRx_->SetInterval(kRxIntervalMs);
    timerRx_->SetEnabled(true);
}

void TProgressForm::TimerRxTimer()
{
    if (FwUp.OpMode == kOpModeUpgrade)
        BlockPoll();
    else
        VerifyPoll();
}

void TProgressForm::BlockPoll()
{
    const std::uint8_t r = comm_.CheckBlockReply();
    FwUp.OpResult = r;
    if (r != kResultOk) {
        if (++pollCount_ >= kPollLimit) StopTransfer();
        return;
    }
    timerRx_->SetEnabled(false);
    timerTx_->SetEnabled(true);
    pollCount_ = 0;
    blockAddr_ = static_cast<std::uint16_t>(blockAddr_ + kBlockAddrStep);
    if (blockAddr_ >= kLastBlockLimit || blockAddr_ == 0) StopTransfer();
    progress_->setValue(progress_->value() + 1);
}

void TProgressForm::VerifyPoll()
{
    const std::uint8_t r = comm_.CheckVerifyReply(kVerifyReplyWaiting);
    FwUp.OpResult = r;
    if (r != kResultOk) {
        ++pollCount_;
        progress_->setValue(pollCount_);
        if (pollCount_ >= kPollLimit) StopTransfer();
        return;
    }
    progress_->setValue(progress_->maximum());
    FwUp.OpResult = VerifySumsMatch(FwUp.ExpCheckSum1, FwUp.ExpCheckSum2) ? kResultOk : kResultSumMismatch;
    timerRx_->SetEnabled(false);
    StopTransfer();
}

void TProgressForm::StopTransfer()
{
    timerTx_->SetEnabled(false);
    timerRx_->SetEnabled(false);
    done(QDialog::Accepted);
}
