// MainTL200CyOps: the main window's commands that start work on the four
// programmer channels (download, auto, blank check, erase, program, verify,
// security, chip ID, the channel-1 reads and the EEP/work-flash programming).
#include "app/MainTL200Cy.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QWidget>

#include <cstdio>

#include "link/DefinCyX4.h"
#include "link/TelvicCmdChkCy.h"
#include "link/TelvicComm.h"

namespace {

constexpr std::uint8_t kFamilyMBR = 0x00;
constexpr std::uint8_t kFamilyPSoC6 = 0xD8;
constexpr std::uint8_t kOpt1IgnoreId = 0x40;
constexpr std::uint8_t kOpt1SecurityIdBits = 0xC0;

constexpr std::uint16_t kGaugeAutoMBR = 4;
constexpr std::uint16_t kGaugeAuto = 500;
constexpr std::uint16_t kGaugeBlank = 1200;
constexpr std::uint16_t kGaugeErase = 1200;
constexpr std::uint16_t kGaugeEraseEnglish = 1000;
constexpr std::uint16_t kGaugeVerify = 1000;
constexpr std::uint16_t kGaugeVerifyEnglishMin = 500;
constexpr std::uint16_t kGaugeSecurity = 500;
constexpr std::uint16_t kGaugeChipId = 500;
constexpr std::uint16_t kGaugeReadEep = 6;
constexpr int kUnchanged = -1;

const char* const kSeparatorLine = "---------------------------------------------------";
const char* const kDotLine = "...........................................";

} // namespace

// How one command starts on a channel.
struct TTelvic200CyPrg::TChannelStart {
    std::uint8_t OpCode = 0;
    std::uint8_t TimerProgress = 0;
    int AutoSequence = kUnchanged;
    bool ClearRxLen = true;
    QString Line;                 // "%1" is the channel number
    bool LineWithoutTime = false; // added to the memo as it stands
    std::uint16_t GaugeMax = 0;
    std::function<void(int ch)> Send;
};

bool TTelvic200CyPrg::CheckChipAndFile(bool needFile)
{
    if (ChipSelected == 0) {
        Msg().Information(this, English() ? QStringLiteral("Please select the chip first!")
                                          : QStringLiteral("请选择并确认芯片型号！"));
        return false;
    }
    if (needFile && ObjFileLoaded == 0) {
        Msg().Information(this, English() ? QStringLiteral("Please load the object file!")
                                          : QStringLiteral("请加载目标文件！"));
        return false;
    }
    return true;
}

bool TTelvic200CyPrg::StartOnChannels(const TChannelStart& start, bool channel1Only)
{
    bool started = false;
    const int last = channel1Only ? 1 : kChannelCount;
    for (int i = 0; i < last; ++i) {
        TChannelState& ch = Channels[i];
        if (ch.Busy != 0 || ch.Connected == 0) continue;
        ch.TimerProgress = start.TimerProgress;
        if (start.ClearRxLen) ch.RxLen = 0;
        ch.OpCode = start.OpCode;
        if (start.AutoSequence != kUnchanged) ch.AutoSequence = static_cast<std::uint8_t>(start.AutoSequence);
        const QString line = start.Line.contains(QLatin1String("%1")) ? start.Line.arg(i + 1) : start.Line;
        if (start.LineWithoutTime) AddLine(line);
        else LogLine(line);
        BeginOp(i, start.GaugeMax);
        start.Send(i);
        started = true;
    }
    if (!started && !channel1Only) {
        if (English()) AddLine(QStringLiteral("> Please connect the device!"));
        else LogLine(QStringLiteral("请连接好设备！"));
    }
    return started;
}

void TTelvic200CyPrg::SpdBtnDownLoadClick()
{
    PanelBtns->setFocus();
    if (!CheckChipAndFile(true)) return;
    // The supervisory-flash sums replace the EEP checksums, which the units
    // receive: only PSoC 6 images have supervisory flash.
    if (CurChip.FamilyCode >= kFamilyPSoC6) SumSFlashParts();
    CollectSettings();
    TChannelStart s;
    s.OpCode = kOpCodeConfig;
    s.TimerProgress = 0;
    s.ClearRxLen = !English();
    s.Line = English() ? QStringLiteral("> Programmer %1 : Download......") : QStringLiteral("编程器%1 ：下载数据......");
    s.GaugeMax = static_cast<std::uint16_t>(CurChip.FlashSizeKB + (CurChip.EccSize >> 10) + 1);
    s.Send = [](int ch) {
        TTelvicCmdChk& sender = TelvicCmdChk[ch];
        // A refused download (an EEP size the packet cannot carry) sent
        // nothing: end the channel's operation now instead of by time-out.
        if (!sender.SendConfigBlock(kCmdConfig, sender.DrawConfigSeed())) TelvicComm[ch].EndChannelOp(true);
    };
    StartOnChannels(s, false);
}

void TTelvic200CyPrg::AutoSpdBtnClick()
{
    if (English()) {
        AddLine(QLatin1String(kDotLine));
    } else {
        LogLine(QLatin1String(kSeparatorLine));
    }
    PanelBtns->setFocus();
    if (!English()) ViewPageCtrl->setCurrentIndex(0);
    if (!CheckChipAndFile(true)) return;
    CollectSettings();
    if (!InsertSerialNumber()) return;
    TChannelStart s;
    s.OpCode = kOpCodeErase;
    s.TimerProgress = 1;
    s.AutoSequence = 1;
    if (CurChip.FamilyCode == kFamilyMBR) {
        // Family 0 has no erase command: the first program block's reply
        // counts as the erase reply.
        s.Line = English() ? QStringLiteral("Chip %1 : Start chip programming......") : QStringLiteral("芯片%1 ：开始芯片编程......");
        s.GaugeMax = kGaugeAutoMBR;
        s.Send = [](int ch) { TelvicCmdChk[ch].SendMainFlashBlock(); };
    } else {
        s.Line = English() ? QStringLiteral("Chip %1 : Auto Programing, do balnk check......")
                           : QStringLiteral("芯片%1 ：开始自动编程，芯片擦除......");
        s.GaugeMax = kGaugeAuto;
        s.Send = [](int ch) { TelvicCmdChk[ch].SendOpCommand(kCmdOperation, kOpErase); };
    }
    StartOnChannels(s, false);
}

void TTelvic200CyPrg::SpdBtnBlankChkClick()
{
    if (!CheckChipAndFile(false)) return;
    CollectSettings();
    CtrlSettings.OptionBits1 |= kOpt1IgnoreId;
    TChannelStart s;
    s.OpCode = kOpCodeBlank;
    s.TimerProgress = 1;
    s.AutoSequence = 0;
    s.Line = English() ? QStringLiteral("Chip %1 : Starting Blank check......") : QStringLiteral("芯片%1 ：开始芯片查空......");
    s.GaugeMax = kGaugeBlank;
    s.Send = [](int ch) { TelvicCmdChk[ch].SendOpCommand(kCmdOperation, kOpBlankCheck); };
    StartOnChannels(s, false);
}

void TTelvic200CyPrg::SpdBtnEraseClick()
{
    if (!CheckChipAndFile(false)) return;
    CollectSettings();
    TChannelStart s;
    s.OpCode = kOpCodeErase;
    s.TimerProgress = 1;
    s.AutoSequence = 0;
    s.Line = English() ? QStringLiteral("Chip %1 : Do chip erase......") : QStringLiteral("芯片%1 ：开始芯片擦除......");
    s.GaugeMax = English() ? kGaugeEraseEnglish : kGaugeErase;
    s.Send = [](int ch) { TelvicCmdChk[ch].SendOpCommand(kCmdOperation, kOpErase); };
    StartOnChannels(s, false);
}

void TTelvic200CyPrg::SpdBtnProgClick()
{
    if (!CheckChipAndFile(true)) return;
    CollectSettings();
    if (!InsertSerialNumber()) return;
    TChannelStart s;
    s.OpCode = kOpCodeProgram;
    s.TimerProgress = 0;
    s.AutoSequence = 0;
    s.Line = English() ? QStringLiteral("Chip %1 : Start chip programming......") : QStringLiteral("芯片%1 ：开始芯片编程......");
    s.GaugeMax = CurChip.FlashSizeKB;
    s.Send = [](int ch) { TelvicCmdChk[ch].SendMainFlashBlock(); };
    StartOnChannels(s, false);
}

void TTelvic200CyPrg::SpdBtnVerifyClick()
{
    PanelBtns->setFocus();
    if (!CheckChipAndFile(true)) return;
    CollectSettings();
    TChannelStart s;
    s.OpCode = kOpCodeVerify;
    s.TimerProgress = 1;
    s.AutoSequence = 0;
    s.Line = English() ? QStringLiteral("Chip %1 : Do Flash data verification......") : QStringLiteral("芯片%1 ：开始Flash数据校验......");
    s.GaugeMax = English() ? std::max<std::uint16_t>(CurChip.FlashSizeKB, kGaugeVerifyEnglishMin) : kGaugeVerify;
    s.Send = [](int ch) { TelvicCmdChk[ch].SendOpCommand(kCmdOperation, kOpVerify); };
    StartOnChannels(s, false);
}

void TTelvic200CyPrg::SpdBtnSecuClick()
{
    if (!CheckChipAndFile(false)) return;
    CollectSettings();
    if (English()) {
        if (ChkBoxEnID->isChecked()) CtrlSettings.OptionBits1 |= kOpt1SecurityIdBits;
        else CtrlSettings.OptionBits1 &= static_cast<std::uint8_t>(~kOpt1SecurityIdBits);
    }
    TChannelStart s;
    s.OpCode = kOpCodeSecurity;
    s.TimerProgress = 1;
    s.AutoSequence = 0;
    s.Line = English() ? QStringLiteral("Chip %1 : Write Security Data......") : QStringLiteral("芯片%1 ：写Security Data......");
    s.GaugeMax = kGaugeSecurity;
    s.Send = [](int ch) { TelvicCmdChk[ch].SendSecurityData(); };
    StartOnChannels(s, false);
}

void TTelvic200CyPrg::ReadChipID1Click()
{
    if (!CheckChipAndFile(false)) return;
    CollectSettings();
    if (!English()) CtrlSettings.OptionBits1 |= kOpt1IgnoreId;
    TChannelStart s;
    s.OpCode = kOpCodeChipId;
    s.TimerProgress = 1;
    s.ClearRxLen = !English();
    s.Line = English() ? QStringLiteral("Programmer %1 : Read Chip ID......") : QStringLiteral("编程器%1 ：读取当前芯片ID......");
    s.GaugeMax = kGaugeChipId;
    s.Send = [](int ch) { TelvicCmdChk[ch].SendOpCommand(kCmdOperation, kOpReadChipId); };
    StartOnChannels(s, false);
}

// The channel-1 reads: focus to the button panel, a chip, the options, the
// ignore-ID bit, then channel 1 alone (silently nothing when it is not free).
void TTelvic200CyPrg::StartChannel1Read(TChannelStart start)
{
    PanelBtns->setFocus();
    if (!CheckChipAndFile(false)) return;
    CollectSettings();
    CtrlSettings.OptionBits1 |= kOpt1IgnoreId;
    start.TimerProgress = 0;
    start.AutoSequence = 0;
    StartOnChannels(start, true);
}

void TTelvic200CyPrg::ReadChipMemory1Click()
{
    TChannelStart s;
    s.OpCode = kOpCodeReadFlash;
    if (English()) {
        s.Line = QStringLiteral("> Chip 1 : Read Chip Main Flash Data......");
        s.LineWithoutTime = true;
    } else {
        s.Line = QStringLiteral("芯片1 ：读取芯片Main Flash Data......");
    }
    s.GaugeMax = CurChip.FlashSizeKB;
    s.Send = [](int ch) { TelvicCmdChk[ch].SendOpCommand(kCmdReadFlashBlock, Channels[ch].BlockIndex); };
    StartChannel1Read(s);
}

void TTelvic200CyPrg::ReadEEP1Click()
{
    TChannelStart s;
    s.OpCode = kOpCodeReadEep;
    s.ClearRxLen = !English();
    const bool sflash = CurChip.FamilyCode >= kFamilyPSoC6;
    if (English())
        s.Line = sflash ? QStringLiteral("Chip 1 : Read Chip SFlash Data......") : QStringLiteral("Chip 1 : Read Chip EEP Data.......");
    else
        s.Line = sflash ? QStringLiteral("芯片1 ：读取芯片SFlash Data(User/NAR/Public Key/TOC2/RTOC2)......")
                        : QStringLiteral("芯片1 ：读取芯片EEP Data......");
    s.GaugeMax = kGaugeReadEep;
    s.Send = [](int ch) { TelvicCmdChk[ch].SendOpCommand(kCmdReadEepBlock, Channels[ch].BlockIndex); };
    StartChannel1Read(s);
}

void TTelvic200CyPrg::ReadWFlashData1Click()
{
    TChannelStart s;
    s.OpCode = kOpCodeReadWFlash;
    s.Line = English() ? QStringLiteral("Chip 1 : Read Chip Work Flash Data......") : QStringLiteral("芯片1 ：读取芯片Work Flash Data......");
    s.GaugeMax = static_cast<std::uint16_t>(CurChip.EccSize >> 10);
    s.Send = [](int ch) { TelvicCmdChk[ch].SendOpCommand(kCmdReadWFlashBlock, Channels[ch].BlockIndex); };
    StartChannel1Read(s);
}

void TTelvic200CyPrg::ReadSecurity1Click()
{
    if (English()) return;  // the English build has no Read Security command
    TChannelStart s;
    s.OpCode = kOpCodeReadSecurity;
    s.Line = QStringLiteral("芯片1 ：读取芯片Security Flash Data......");
    s.GaugeMax = CurChip.FlashSizeKB;
    s.Send = [](int ch) { TelvicCmdChk[ch].SendOpCommand(kCmdOperation, kOpReadSecurity); };
    StartChannel1Read(s);
}

void TTelvic200CyPrg::StartDataProgram(bool eep)
{
    if (!CheckChipAndFile(true)) return;
    CollectSettings();
    for (int i = 0; i < kChannelCount; ++i) {
        TChannelState& ch = Channels[i];
        ch.TimerProgress = 0;
        if (ch.Busy != 0 || ch.Connected == 0) continue;
        // In both builds: a flag left from an automatic sequence would chain
        // verify and the security write after the data.
        ch.AutoSequence = 0;
        if (eep) StartEepProgramOn(i);
        else StartWFlashProgramOn(i);
    }
}

void TTelvic200CyPrg::ProgramEEP1Click()
{
    StartDataProgram(true);
}

void TTelvic200CyPrg::ProgramWFlashData1Click()
{
    StartDataProgram(false);
}

void TTelvic200CyPrg::BeginOp(int ch, std::uint16_t gaugeMax)
{
    TelvicComm[ch].BeginChannelOp(gaugeMax);
}

void TTelvic200CyPrg::StartEepProgramOn(int ch)
{
    TelvicComm[ch].StartEepProgram();
}

void TTelvic200CyPrg::StartWFlashProgramOn(int ch)
{
    TelvicComm[ch].StartWFlashProgram();
}
