// Main window options: number-box reading, gathering the option controls,
// the chained check-box handlers and restoring a project's options.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <climits>

#include "app/NumberBox.h"
#include "tests/app/MainWinFixture.h"

namespace {

TEST(NumberBox, AcceptsDecimalAndPrefixedHexWithin32Bits)
{
    const struct {
        const char* text;
        std::int32_t value;
    } accepted[] = {
        {"0", 0},           {"  12", 12},       {"-5", -5},          {"+7", 7},
        {"0x1F", 31},       {"0X1f", 31},       {"x10", 16},         {"X10", 16},
        {"$FF", 255},       {"$FFFFFFFF", -1},  {"0x80000000", INT_MIN}, {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN}, {"-$10", -16}, {"007", 7},
    };
    for (const auto& c : accepted) EXPECT_EQ(StrToInt(QString::fromLatin1(c.text)), c.value) << c.text;

    for (const char* text : {"", " ", "12 ", "abc", "0x", "$", "x", "2147483648", "-2147483649", "0x100000000",
                             "1.5", "--1", "0x-1", "1e3", "$G"}) {
        try {
            StrToInt(QString::fromLatin1(text));
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(text) + "' is not a valid integer value");
        }
    }
    EXPECT_EQ(StrToInt64(QStringLiteral("4294967295")), 4294967295LL);
    EXPECT_EQ(StrToInt64(QStringLiteral("$FFFFFFFFFFFFFFFF")), -1);
    EXPECT_THROW(StrToInt64(QStringLiteral("9223372036854775808")), EConvertError);
}

TEST(NumberBox, SpinBoxReadsNoNumberAsItsMinimumAndClampsCodeValues)
{
    QSpinBox box;
    box.setRange(300, 1500);
    SetSpinValue(&box, 5000);
    EXPECT_EQ(SpinValue(&box), 1500);
    SetSpinValue(&box, -1);
    EXPECT_EQ(SpinValue(&box), 300);
    box.findChild<QLineEdit*>()->setText(QString());
    EXPECT_EQ(SpinValue(&box), 300);
}

TEST(NumberBox, TypingLimitLeavesCodeTextWhole)
{
    QLineEdit edit;
    LimitTyping(&edit, 4);
    edit.setText(QStringLiteral("1234567890"));
    EXPECT_EQ(edit.text(), QStringLiteral("1234567890"));
    edit.clear();
    QTest::keyClicks(&edit, QStringLiteral("0x0123"));
    EXPECT_EQ(edit.text(), QStringLiteral("0x01"));
}

class Options : public ::testing::Test {
protected:
    Options() : f(TBuildLang::Chinese) {}
    void Collect() { f.win->CollectSettings(); }
    MainWinFixture f;
};

TEST_F(Options, DelaysVoltageAndRoundStepAsTheUnitsReceiveThem)
{
    auto& w = *f.win;
    w.SpinEditIn->setValue(510);
    w.SpinEditOut->setValue(2000);
    w.SpinEditPow->setValue(2000);
    w.SetVoltageItem(2);
    w.ChkBoxEnID->setChecked(true);
    w.ChkBoxXres->setChecked(true);
    ProgrammerCount = 2;
    Collect();
    EXPECT_EQ(CtrlSettings.StartDelay, 17);
    EXPECT_EQ(CtrlSettings.RemoveDelay, 66);
    EXPECT_EQ(CtrlSettings.PowerUpTime, 200);
    EXPECT_EQ(CtrlSettings.OptionBits1, 0xC1);
    EXPECT_EQ(SNSettings.SNStep, 1);
    EXPECT_EQ(SNSettings.SNRoundStep, 2);
    EXPECT_EQ(SNSettings.SNSize, 4);
    ProgrammerCount = 0;
    Collect();
    EXPECT_EQ(SNSettings.SNRoundStep, 0);
}

TEST_F(Options, SerialNumberBoxesAreReadOnlyWhileTheFunctionIsOn)
{
    auto& w = *f.win;
    w.SNEdit->setText(QStringLiteral("junk"));
    w.AddrEdit->setText(QStringLiteral("junk"));
    Collect();  // not read: nothing raised
    EXPECT_EQ(SNSettings.SNMode, 0);
    EXPECT_EQ(SNSettings.SNAddr, 0xFFFFFFFFu);
    EXPECT_EQ(SNSettings.CountLimit, 0xFFFFFFFFu);
    EXPECT_EQ(SNSettings.CountLimitOn, 0);

    w.CheckBoxSN->setChecked(true);
    EXPECT_THROW(Collect(), EConvertError);
    w.SNEdit->setText(QStringLiteral("0x00001234"));
    w.AddrEdit->setText(QStringLiteral("$100"));
    w.CheckBoxCtrl->setChecked(true);
    w.SpinEditNum->setValue(500);
    Collect();
    EXPECT_EQ(SNSettings.SNMode, 0x0F);
    EXPECT_EQ(SNSettings.SNValue, 0x1234u);
    EXPECT_EQ(SNSettings.SNAddr, 0x100u);
    EXPECT_EQ(SNSettings.CountLimit, 500u);
    EXPECT_EQ(SNSettings.CountLimitOn, 15);
    w.ChkBoxStrSN->setChecked(true);
    w.SNEdit->setText(QStringLiteral("123456"));
    Collect();
    EXPECT_EQ(SNSettings.SNMode, 0xA5);
}

TEST_F(Options, ControlSettingLinesAsLogged)
{
    auto& w = *f.win;
    CurChip.FamilyCode = 0xC8;
    CurChip.ChipIndex = 3;
    CurChip.BankNum = 1;
    w.ChkBox48MHZ->setChecked(true);
    w.ChkBoxEnID->setChecked(true);
    w.ChkBoxBlkEr->setChecked(true);
    Collect();
    const QStringList lines = f.Lines();
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[lines.size() - 2], QStringLiteral("> Control Setting 1(Hex): C8,03,00,01, 00,01,00,04. 40,01,00,00, "));
    EXPECT_EQ(lines.last(), QStringLiteral("> Control Setting2 (Hex): 00 00 00 00 00 00 00 00 "));
}

TEST_F(Options, PSoC6LatchesAndDataFlags)
{
    auto& w = *f.win;
    CurChip.FamilyCode = 0xD8;
    CurChip.EccSize = 0x8000;
    Checksums.EccCrcSum = 0xBEEF;
    ImageInfo.PubKeyLen = 0x0400;
    ImageInfo.Toc2Present = 1;
    w.ChkBoxNAR->setChecked(true);
    w.ChkBoxTOCx->setChecked(true);
    Collect();
    EXPECT_EQ(CtrlSettings.WoLatch[0], 0x00);
    EXPECT_EQ(CtrlSettings.WoLatch[1], 0x80);
    EXPECT_EQ(CtrlSettings.WoLatch[2], 0xEF);
    EXPECT_EQ(CtrlSettings.WoLatch[3], 0xBE);
    EXPECT_EQ(CtrlSettings.NvLatch[0], 2);
    EXPECT_EQ(CtrlSettings.NvLatch[1], 1);
    EXPECT_EQ(CtrlSettings.OptionBits2, 0x50);
    EXPECT_EQ(CtrlSettings.WriteSFlash, 1);
}

TEST_F(Options, ChainedHandlersRunOnEveryChangeOfState)
{
    auto& w = *f.win;
    w.CheckBoxSN->setChecked(true);
    EXPECT_TRUE(w.SNEdit->isEnabled());
    EXPECT_TRUE(w.ChkBoxStrSN->isEnabled());
    EXPECT_EQ(SNSettings.SNMode, 0x0F);
    w.SNEdit->setText(QStringLiteral("0x80000000"));
    // The string box checks and disables the decimal box, which reformats the number.
    w.ChkBoxStrSN->setChecked(true);
    EXPECT_TRUE(w.ChkBoxSNDP->isChecked());
    EXPECT_FALSE(w.ChkBoxSNDP->isEnabled());
    EXPECT_EQ(w.SNEdit->text(), QStringLiteral("2147483648"));
    // ... and a decimal text beyond the signed range still reads back.
    f.win->CollectSettings();
    EXPECT_EQ(SNSettings.SNValue, 0x80000000u);
    w.ChkBoxStrSN->setChecked(false);
    EXPECT_TRUE(w.ChkBoxSNDP->isEnabled());
    EXPECT_TRUE(w.ChkBoxSNDP->isChecked());

    w.CheckBoxCtrl->setChecked(true);
    EXPECT_TRUE(w.SpinEditNum->isEnabled());
    w.ChkBoxAutoDet->setChecked(true);
    EXPECT_TRUE(w.SpinEditIn->isEnabled());
    EXPECT_TRUE(w.SpinEditOut->isEnabled());
    w.ChkBoxXres->setChecked(true);
    EXPECT_TRUE(w.SpinEditPow->isEnabled());
    EXPECT_TRUE(w.LabelPowTim->isEnabled());
    w.ChkBoxSNEep->setChecked(true);
    EXPECT_TRUE(w.EnWrtEep->isChecked());
    w.ChkBoxBlkEr->setChecked(true);
    w.ChkBoxVfy->setChecked(true);
    EXPECT_FALSE(w.ChkBoxBlkEr->isChecked());
    EXPECT_TRUE(f.boxes.Shown.empty());
}

TEST_F(Options, InvalidNumberInAHandlerShowsTheErrorAndKeepsTheText)
{
    auto& w = *f.win;
    w.CheckBoxSN->setChecked(true);
    w.SNEdit->setText(QStringLiteral("12z"));
    w.ChkBoxSNDP->click();  // the operator's click: the error is shown, not thrown
    EXPECT_EQ(w.SNEdit->text(), QStringLiteral("12z"));
    EXPECT_EQ(f.boxes.Shown, (std::vector<TShownBox>{{'E', QStringLiteral("'12z' is not a valid integer value")}}));
    // From code, the error ends the caller.
    EXPECT_THROW(w.SetBoxChecked(w.ChkBoxSNDP, false), EConvertError);
}

TEST_F(Options, ProjectWithStringSerialNumberRestoresTheBoxesInOrder)
{
    auto& w = *f.win;
    SNSettings.SNMode = 0xA5;
    SNSettings.SNValue = 0x1234;
    SNSettings.SNAddr = 0x200;
    SNSettings.SNStep = 1;
    SNSettings.CountLimitOn = 0;
    SNSettings.CountLimit = 0xFFFFFFFFu;
    CtrlSettings.PowerUpTime = 20;
    CtrlSettings.StartDelay = 17;
    CtrlSettings.RemoveDelay = 20;
    CtrlSettings.AutoDetect = 1;
    CtrlSettings.OptionBits1 = 0x08 | 0x40;
    CtrlSettings.ChipProtect = 2;
    CtrlSettings.OptionBits2 = 0x01;
    w.SetReadProtectVisible(false);
    w.ApplyProjectSettings();
    EXPECT_TRUE(w.CheckBoxSN->isChecked());
    EXPECT_TRUE(w.ChkBoxStrSN->isChecked());
    EXPECT_FALSE(w.ChkBoxSNDP->isChecked());
    EXPECT_FALSE(w.ChkBoxSNDP->isEnabled());
    EXPECT_EQ(w.SNEdit->text(), QStringLiteral("0x00001234"));
    EXPECT_EQ(w.AddrEdit->text(), QStringLiteral("0x00000200"));
    EXPECT_EQ(w.GainEdit->text(), QStringLiteral("1"));
    EXPECT_FALSE(w.CheckBoxCtrl->isChecked());
    EXPECT_EQ(w.SpinEditNum->value(), 0);
    EXPECT_EQ(w.SpinEditPow->value(), 200);
    EXPECT_EQ(w.SpinEditIn->value(), 510);
    EXPECT_EQ(w.SpinEditOut->value(), 600);
    EXPECT_TRUE(w.ChkBoxAutoDet->isChecked());
    EXPECT_TRUE(w.SpinEditIn->isEnabled());
    EXPECT_EQ(w.VoltageIndex(), 0);
    EXPECT_TRUE(w.ChkBoxEnID->isChecked());
    EXPECT_TRUE(w.ChkBoxBlkEr->isChecked());
    // The saved read protection is restored on purpose, though the box is hidden.
    EXPECT_TRUE(w.ChkBoxROP->isChecked());
}

TEST_F(Options, ProjectDecimalNumberShownSignedAndReadBack)
{
    SNSettings.SNMode = 0xA3;
    SNSettings.SNValue = 0x80000001u;
    f.win->ApplyProjectSettings();
    EXPECT_EQ(f.win->SNEdit->text(), QStringLiteral("-2147483647"));
    f.win->CollectSettings();
    EXPECT_EQ(SNSettings.SNValue, 0x80000001u);
    EXPECT_EQ(SNSettings.SNMode, 0xA3);
}

// A PSoC 6 project: the work-flash size and CRC come back from the latches,
// the later of two assignments to a box wins, and the data flags follow the boxes.
TEST_F(Options, PSoC6ProjectRestoresLatchesBoxesAndDataFlags)
{
    auto& w = *f.win;
    CurChip.FamilyCode = 0xD8;
    CurChip.FlagByte = 0x04;
    CtrlSettings.WoLatch[0] = 0x00;
    CtrlSettings.WoLatch[1] = 0x80;
    CtrlSettings.WoLatch[2] = 0xEF;
    CtrlSettings.WoLatch[3] = 0xBE;
    CtrlSettings.OptionBits1 = 0x20;  // write EEP, but WriteEep (assigned after it) is 0
    CtrlSettings.WriteEep = 0;
    CtrlSettings.WriteWFlash = 0;     // but OptionBits2 bit 3 (assigned after it) is set
    CtrlSettings.OptionBits2 = 0x08 | 0x10 | 0x40;
    w.ApplyProjectSettings();
    EXPECT_EQ(CurChip.EccSize, 0x8000);
    EXPECT_EQ(Checksums.EccCrcSum, 0xBEEF);
    EXPECT_FALSE(w.EnWrtEep->isChecked());
    EXPECT_TRUE(w.ChkBoxEPWF->isChecked());
    EXPECT_TRUE(w.ChkBox48MHZ->isChecked());
    EXPECT_TRUE(w.ChkBoxNAR->isChecked());
    EXPECT_FALSE(w.ChkBoxPubKey->isChecked());
    EXPECT_TRUE(w.ChkBoxTOCx->isChecked());
    EXPECT_EQ(ImageInfo.NarPresent, 1);
    EXPECT_EQ(ImageInfo.PubKeyPresent, 0);
    EXPECT_EQ(ImageInfo.Toc2Present, 1);
    EXPECT_EQ(ImageInfo.WFlashPresent, 1);
    EXPECT_EQ(ImageInfo.UserRowsPresent, 0);
    EXPECT_EQ(CtrlSettings.WriteSFlash, 1);
}

TEST_F(Options, HidingReadProtectionUnchecksIt)
{
    auto& w = *f.win;
    w.SetReadProtectVisible(true);
    w.ChkBoxROP->setChecked(true);
    w.SetControlVisible("ChkBoxROP", false);
    EXPECT_FALSE(w.ChkBoxROP->isChecked());
    EXPECT_TRUE(w.ChkBoxROP->isHidden());
    w.CollectSettings();
    EXPECT_EQ(CtrlSettings.ChipProtect, 1);
}

} // namespace
