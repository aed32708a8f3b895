// MainTL200CyOptions: the programming options of the main window: gathering
// them into the shared records, restoring them from a project, and the chained
// check-box handlers that keep dependent controls in line.
#include "app/MainTL200Cy.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include <cstdio>

#include "app/ConfigSN.h"
#include "app/NumberBox.h"
#include "link/DefinCyX4.h"

namespace {

// OptionBits1
constexpr std::uint8_t kOpt1Volt18 = 0x08;
constexpr std::uint8_t kOpt1Volt33 = 0x00;
constexpr std::uint8_t kOpt1Volt50 = 0x01;
constexpr std::uint8_t kOpt1SnInEep = 0x02;
constexpr std::uint8_t kOpt1SnBigEndian = 0x04;
constexpr std::uint8_t kOpt1WriteEep = 0x20;
constexpr std::uint8_t kOpt1IgnoreId = 0x40;
constexpr std::uint8_t kOpt1Xres = 0x80;
// OptionBits2
constexpr std::uint8_t kOpt2BlankError = 0x01;
constexpr std::uint8_t kOpt2SumVerify = 0x02;
constexpr std::uint8_t kOpt2WriteWFlash = 0x08;
constexpr std::uint8_t kOpt2Nar = 0x10;
constexpr std::uint8_t kOpt2PubKey = 0x20;
constexpr std::uint8_t kOpt2Toc2 = 0x40;
// OptionBits3
constexpr std::uint8_t kOpt3VerifyOnly = 0x10;
// FlagByte
constexpr std::uint8_t kFlag48MHz = 0x04;

constexpr std::uint8_t kFamily48MHz = 0xC0;
constexpr std::uint8_t kFamilyPSoC6 = 0xD8;
constexpr std::uint8_t kProtectOn = 2;
constexpr std::uint8_t kProtectOff = 1;
constexpr std::uint8_t kCountLimitOn = 15;
constexpr std::uint32_t kNoCountLimit = 0xFFFFFFFFu;
constexpr std::uint8_t kSnModeOff = 0x00;
constexpr std::uint8_t kSnModeBinary = 0x0F;
constexpr std::uint8_t kSnModeDecimal = 0xA3;
constexpr std::uint8_t kSnModeString = 0xA5;
constexpr std::uint8_t kSnSize = 4;
constexpr std::uint32_t kNoSnAddr = 0xFFFFFFFFu;
constexpr int kPowerUpUnitMs = 10;
constexpr int kDelayUnitMs = 30;
constexpr int kPubKeyLenShift = 9;

void SetBit(std::uint8_t& byte, std::uint8_t mask, bool on)
{
    byte = static_cast<std::uint8_t>(on ? (byte | mask) : (byte & ~mask));
}

QString Hex2(std::uint8_t v)
{
    return QString::asprintf("%02X", v);
}

QString SnText(std::uint32_t value, bool decimal)
{
    return decimal ? QString::asprintf("%u", value) : QString::asprintf("0x%08X", value);
}

// Reads a spin box in the units the programmers receive (milliseconds div
// unit, truncated) and shows the value those units stand for, so that the box
// never shows another value than the one sent: not the previous value after
// a text that is no number, nor a value between two steps of the unit.
int TakeSpinUnits(QSpinBox* box, int unit)
{
    const int units = SpinValue(box) / unit;
    SetSpinValue(box, static_cast<long long>(units) * unit);
    return units;
}

} // namespace

int TTelvic200CyPrg::VoltageIndex() const
{
    return RadioGpVoltItems->checkedId();
}

void TTelvic200CyPrg::SetVoltageItem(int index)
{
    if (QAbstractButton* b = RadioGpVoltItems->button(index)) b->setChecked(true);
}

// Changes a check box from code. Its handler runs as on a click; a conversion
// error raised in the handler is carried out of the Qt signal and raised here,
// so it ends the code that changed the box.
void TTelvic200CyPrg::SetBoxChecked(QAbstractButton* box, bool checked)
{
    ++codeChangeDepth_;
    box->setChecked(checked);
    --codeChangeDepth_;
    if (pendingError_) {
        std::exception_ptr error = pendingError_;
        pendingError_ = nullptr;
        std::rethrow_exception(error);
    }
}

void TTelvic200CyPrg::BindOptionHandlers()
{
    const auto chain = [this](QCheckBox* box, void (TTelvic200CyPrg::*handler)()) {
        connect(box, &QCheckBox::toggled, this, [this, handler] {
            if (codeChangeDepth_ > 0) {
                try {
                    (this->*handler)();
                } catch (...) {
                    pendingError_ = std::current_exception();
                }
            } else {
                RunGuarded([this, handler] { (this->*handler)(); });
            }
        });
    };
    chain(CheckBoxSN, &TTelvic200CyPrg::CheckBoxSNClick);
    chain(ChkBoxStrSN, &TTelvic200CyPrg::ChkBoxStrSNClick);
    chain(ChkBoxSNDP, &TTelvic200CyPrg::ChkBoxSNDPClick);
    chain(CheckBoxCtrl, &TTelvic200CyPrg::CheckBoxCtrlClick);
    chain(ChkBoxAutoDet, &TTelvic200CyPrg::ChkBoxAutoDetClick);
    chain(ChkBoxXres, &TTelvic200CyPrg::ChkBoxXresClick);
    chain(ChkBoxSNEep, &TTelvic200CyPrg::ChkBoxSNEepClick);
    if (!English()) chain(ChkBoxVfy, &TTelvic200CyPrg::ChkBoxVfyClick);
}

void TTelvic200CyPrg::CheckBoxSNClick()
{
    const bool on = CheckBoxSN->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{AddrEdit, SNEdit, GainEdit, SNOrderChk, ChkBoxSNDP, ChkBoxPCSN,
                                                      ChkBoxSNEep, ChkBoxStrSN})
        w->setEnabled(on);
    SNSettings.SNMode = on ? kSnModeBinary : kSnModeOff;
}

void TTelvic200CyPrg::ChkBoxStrSNClick()
{
    if (ChkBoxStrSN->isChecked()) {
        SetBoxChecked(ChkBoxSNDP, true);
        ChkBoxSNDP->setEnabled(false);
    } else {
        ChkBoxSNDP->setEnabled(true);
    }
}

void TTelvic200CyPrg::ChkBoxSNDPClick()
{
    const std::int64_t value = StrToInt64(SNEdit->text());
    SNEdit->setText(SnText(static_cast<std::uint32_t>(value), ChkBoxSNDP->isChecked()));
}

void TTelvic200CyPrg::CheckBoxCtrlClick()
{
    SpinEditNum->setEnabled(CheckBoxCtrl->isChecked());
    SNSettings.CountLimitOn = CheckBoxCtrl->isChecked() ? kCountLimitOn : 0;
}

void TTelvic200CyPrg::ChkBoxAutoDetClick()
{
    SpinEditIn->setEnabled(ChkBoxAutoDet->isChecked());
    SpinEditOut->setEnabled(ChkBoxAutoDet->isChecked());
}

void TTelvic200CyPrg::ChkBoxXresClick()
{
    SpinEditPow->setEnabled(ChkBoxXres->isChecked());
    LabelPowTim->setEnabled(ChkBoxXres->isChecked());
}

void TTelvic200CyPrg::ChkBoxSNEepClick()
{
    if (ChkBoxSNEep->isChecked()) SetBoxChecked(EnWrtEep, true);
}

void TTelvic200CyPrg::ChkBoxVfyClick()
{
    if (ChkBoxVfy->isChecked()) SetBoxChecked(ChkBoxBlkEr, false);
}

void TTelvic200CyPrg::CollectSettings()
{
    TControlSettings& c = CtrlSettings;
    TSNSettings& s = SNSettings;
    SetBit(c.OptionBits3, kOpt3VerifyOnly, ChkBoxVfy->isChecked());

    const bool limit = CheckBoxCtrl->isChecked();
    const int countLimit = TakeSpinUnits(SpinEditNum, 1);
    s.CountLimit = limit ? static_cast<std::uint32_t>(countLimit) : kNoCountLimit;
    s.CountLimitOn = limit ? kCountLimitOn : 0;
    s.SNSize = kSnSize;
    s.SNStep = static_cast<std::uint16_t>(StrToInt(GainEdit->text()));
    s.SNRoundStep = static_cast<std::uint16_t>(s.SNStep * ProgrammerCount);
    if (CheckBoxSN->isChecked()) {
        s.SNMode = ChkBoxStrSN->isChecked() ? kSnModeString : (ChkBoxSNDP->isChecked() ? kSnModeDecimal : kSnModeBinary);
        s.SNValue = SNBoxValue(SNEdit->text());
        s.SNAddr = SNBoxValue(AddrEdit->text());
    } else {
        s.SNMode = kSnModeOff;
        s.SNValue = 0;
        s.SNAddr = kNoSnAddr;
    }

    c.PowerUpTime = static_cast<std::uint8_t>(TakeSpinUnits(SpinEditPow, kPowerUpUnitMs));
    c.AutoDetect = ChkBoxAutoDet->isChecked() ? 1 : 0;
    c.StartDelay = static_cast<std::uint16_t>(TakeSpinUnits(SpinEditIn, kDelayUnitMs));
    c.RemoveDelay = static_cast<std::uint16_t>(TakeSpinUnits(SpinEditOut, kDelayUnitMs));

    const int volt = VoltageIndex();
    c.OptionBits1 = volt == 0 ? kOpt1Volt18 : (volt == 1 ? kOpt1Volt33 : kOpt1Volt50);
    if (ChkBoxSNEep->isChecked()) c.OptionBits1 |= kOpt1SnInEep;
    if (SNOrderChk->isChecked()) c.OptionBits1 |= kOpt1SnBigEndian;
    SetBit(c.OptionBits1, kOpt1IgnoreId, ChkBoxEnID->isChecked());
    if (ChkBoxXres->isChecked()) c.OptionBits1 |= kOpt1Xres;
    if (EnWrtEep->isChecked()) c.OptionBits1 |= kOpt1WriteEep;
    c.WriteEep = EnWrtEep->isChecked() ? 1 : 0;
    c.WriteWFlash = ChkBoxEPWF->isChecked() ? 1 : 0;

    if (CurChip.FamilyCode >= kFamily48MHz) SetBit(CurChip.FlagByte, kFlag48MHz, ChkBox48MHZ->isChecked());
    c.ChipProtect = ChkBoxROP->isChecked() ? kProtectOn : kProtectOff;
    c.OptionBits2 = ChkBoxBlkEr->isChecked() ? kOpt2BlankError : 0;
    if (ChkBoxSumVfy->isChecked()) c.OptionBits2 |= kOpt2SumVerify;
    if (ChkBoxEPWF->isChecked()) c.OptionBits2 |= kOpt2WriteWFlash;
    c.WriteSFlash = 0;

    if (CurChip.FamilyCode >= kFamilyPSoC6) {
        ImageInfo.EccPresent = 0;
        c.WoLatch[0] = static_cast<std::uint8_t>(CurChip.EccSize & 0xFF);
        c.WoLatch[1] = static_cast<std::uint8_t>(CurChip.EccSize >> 8);
        c.WoLatch[2] = static_cast<std::uint8_t>(Checksums.EccCrcSum & 0xFF);
        c.WoLatch[3] = static_cast<std::uint8_t>(Checksums.EccCrcSum >> 8);
        c.NvLatch[0] = static_cast<std::uint8_t>(ImageInfo.PubKeyLen >> kPubKeyLenShift);
        c.NvLatch[1] = 1;
        SetBit(c.OptionBits2, kOpt2Nar, ChkBoxNAR->isChecked());
        SetBit(c.OptionBits2, kOpt2PubKey, ChkBoxPubKey->isChecked());
        SetBit(c.OptionBits2, kOpt2Toc2, ChkBoxTOCx->isChecked());
        const bool any = ImageInfo.NarPresent || ImageInfo.PubKeyPresent || ImageInfo.Toc2Present ||
                         ImageInfo.UserRowsPresent;
        c.WriteSFlash = any ? 1 : 0;
    }

    const auto four = [](std::uint8_t a, std::uint8_t b, std::uint8_t d, std::uint8_t e, const char* end) {
        return Hex2(a) + QLatin1Char(',') + Hex2(b) + QLatin1Char(',') + Hex2(d) + QLatin1Char(',') + Hex2(e) +
               QLatin1String(end);
    };
    AddLine(QStringLiteral("> Control Setting 1(Hex): ") +
            four(CurChip.FamilyCode, CurChip.ChipIndex, c.OptionBits3, CurChip.BankNum, ", ") +
            four(CurChip.ModeByte, c.ChipProtect, CurChip.OptByte, CurChip.FlagByte, ". ") +
            four(c.OptionBits1, c.OptionBits2, c.ProgAddr1, c.ProgAddr2, ", "));
    QString latches = QStringLiteral("> Control Setting2 (Hex): ");
    for (std::uint8_t b : c.WoLatch) latches += Hex2(b) + QLatin1Char(' ');
    for (std::uint8_t b : c.NvLatch) latches += Hex2(b) + QLatin1Char(' ');
    AddLine(latches);
}

void TTelvic200CyPrg::ApplyProjectSettings()
{
    TControlSettings& c = CtrlSettings;
    const TSNSettings& s = SNSettings;
    SetBoxChecked(CheckBoxCtrl, s.CountLimitOn > 0);
    SetSpinValue(SpinEditNum, static_cast<std::int32_t>(s.CountLimit));
    GainEdit->setText(QString::number(s.SNStep));

    const std::uint8_t mode = s.SNMode;
    SetBoxChecked(CheckBoxSN, mode > 0);
    SetBoxChecked(ChkBoxStrSN, mode == kSnModeString);
    SetBoxChecked(ChkBoxSNDP, mode == kSnModeDecimal);
    AddrEdit->setText(QString::asprintf("0x%08X", SNSettings.SNAddr));
    // A restored number is shown signed ("%d"); the box reads either form back.
    SNEdit->setText(ChkBoxSNDP->isChecked() ? QString::number(static_cast<std::int32_t>(SNSettings.SNValue))
                                            : SnText(SNSettings.SNValue, false));

    SetSpinValue(SpinEditPow, static_cast<long long>(c.PowerUpTime) * kPowerUpUnitMs);
    SetBoxChecked(ChkBoxAutoDet, c.AutoDetect != 0);
    SetSpinValue(SpinEditIn, static_cast<long long>(c.StartDelay) * kDelayUnitMs);
    SetSpinValue(SpinEditOut, static_cast<long long>(c.RemoveDelay) * kDelayUnitMs);
    SetVoltageItem((c.OptionBits1 & kOpt1Volt18) ? 0 : ((c.OptionBits1 & kOpt1Volt50) ? 2 : 1));

    SetBoxChecked(ChkBoxSNEep, (c.OptionBits1 & kOpt1SnInEep) != 0);
    SetBoxChecked(SNOrderChk, (c.OptionBits1 & kOpt1SnBigEndian) != 0);
    SetBoxChecked(ChkBoxEnID, (c.OptionBits1 & kOpt1IgnoreId) != 0);
    SetBoxChecked(ChkBoxXres, (c.OptionBits1 & kOpt1Xres) != 0);
    SetBoxChecked(EnWrtEep, (c.OptionBits1 & kOpt1WriteEep) != 0);
    SetBoxChecked(EnWrtEep, c.WriteEep != 0);
    SetBoxChecked(ChkBoxEPWF, c.WriteWFlash != 0);

    SetBoxChecked(ChkBox48MHZ, (CurChip.FlagByte & kFlag48MHz) != 0);
    // Restores the saved read protection on purpose, after the set-up hid the box.
    SetBoxChecked(ChkBoxROP, c.ChipProtect == kProtectOn);
    SetBoxChecked(ChkBoxBlkEr, (c.OptionBits2 & kOpt2BlankError) != 0);
    SetBoxChecked(ChkBoxSumVfy, (c.OptionBits2 & kOpt2SumVerify) != 0);
    SetBoxChecked(ChkBoxEPWF, (c.OptionBits2 & kOpt2WriteWFlash) != 0);
    SetBoxChecked(ChkBoxBlkEr, (c.OptionBits2 & kOpt2BlankError) != 0);

    if (CurChip.FamilyCode >= kFamilyPSoC6) {
        CurChip.EccSize = static_cast<std::uint16_t>(c.WoLatch[0] + 256 * c.WoLatch[1]);
        Checksums.EccCrcSum = static_cast<std::uint16_t>(c.WoLatch[2] + 256 * c.WoLatch[3]);
        c.WriteSFlash = 0;
        SetBoxChecked(ChkBoxNAR, (c.OptionBits2 & kOpt2Nar) != 0);
        SetBoxChecked(ChkBoxPubKey, (c.OptionBits2 & kOpt2PubKey) != 0);
        SetBoxChecked(ChkBoxTOCx, (c.OptionBits2 & kOpt2Toc2) != 0);
        ImageInfo.Toc2Present = ChkBoxTOCx->isChecked() ? 1 : 0;
        ImageInfo.NarPresent = ChkBoxNAR->isChecked() ? 1 : 0;
        ImageInfo.PubKeyPresent = ChkBoxPubKey->isChecked() ? 1 : 0;
        ImageInfo.WFlashPresent = ChkBoxEPWF->isChecked() ? 1 : 0;
        ImageInfo.UserRowsPresent = EnWrtEep->isChecked() ? 1 : 0;
        const bool any = ImageInfo.Toc2Present || ImageInfo.NarPresent || ImageInfo.PubKeyPresent ||
                         ImageInfo.WFlashPresent || ImageInfo.UserRowsPresent;
        c.WriteSFlash = any ? 1 : 0;
    }
}
