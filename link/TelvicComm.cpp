// TelvicComm: the reply state machine of one programmer channel (dispatch,
// step handlers, stage starters, read-back) and the 15 ms timer step.
#include "link/TelvicComm.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "link/Comm200Cy.h"
#include "link/HdlRxInfoPkt.h"
#include "link/LinkSinks.h"
#include "link/StatusMsgCy.h"
#include "link/TelvicCmdChkCy.h"

TTelvicComm TelvicComm[kChannelCount] = {TTelvicComm(0), TTelvicComm(1), TTelvicComm(2), TTelvicComm(3)};

namespace {
constexpr std::uint8_t kStatusOk = 0;
constexpr std::uint8_t kStatusOkToo = 6;
constexpr std::uint8_t kStatusNotBlankA = 19;
constexpr std::uint8_t kStatusNotBlankB = 21;
constexpr std::uint8_t kReportMarker = 0xFD;
constexpr std::uint16_t kBlockStepKB = 4;
constexpr std::uint16_t kSFlashEndKB = 8;      // two SFlash parts, positions 0 and 4
constexpr std::uint16_t kSFlashReadLastKB = 6;  // reads positions 0 and 4
constexpr std::uint16_t kSFlashProgramEnd = 7;
constexpr std::uint16_t kEepStageGaugeMax = 8;
constexpr int kEepStageStartProgress = 3;
constexpr int kWFlashStageStartProgress = 4;
constexpr int kBlockProgressOffset = 1;
constexpr int kSFlashProgressOffset = 4;
constexpr int kStartProgressFirstChannel = 4;
constexpr int kStartProgressOtherChannels = 5;
constexpr std::uint8_t kPsoc6Family = 0xD8;
constexpr std::size_t kKB = 1024;
constexpr unsigned kKBShift = 10;
constexpr int kVerifyGaugeScale = 2;  // verification runs over twice the program size
constexpr std::size_t kDataOffset = kPktHeaderLen;
constexpr std::size_t kChipIdBytes = 4;
constexpr std::size_t kSecurityRowBytes = 16;
constexpr std::uint8_t kModeWideProtection = 0x20;  // 64 protection bytes per bank
constexpr int kRowsPerBankWide = 4;
constexpr int kRowsPerBankNarrow = 2;

// Where the SFlash read replies put their parts in EepSFlashBuf.
struct TSpan {
    std::size_t At;
    std::size_t Len;
};
constexpr TSpan kSFlashReadFirst[] = {{0x0800, 2048}, {0x1A00, 1024}};
constexpr TSpan kSFlashReadSecond[] = {{0x5A00, 3072}, {0x7C00, 1024}};

bool IsPsoc6() { return CurChip.FamilyCode >= kPsoc6Family; }
std::uint16_t EccKB() { return static_cast<std::uint16_t>(CurChip.EccSize >> kKBShift); }

void LogText(const std::string& text)
{
    if (LinkHost.Log) LinkHost.Log->LogLine(text);
}
void AddText(const std::string& text)
{
    if (LinkHost.Log) LinkHost.Log->AddLine(text);
}
void RefreshArea(int area)
{
    if (LinkHost.Image) LinkHost.Image->RefreshAfterReadBack(area);
}
std::size_t SpanBytes(const TSpan (&spans)[2]) { return spans[0].Len + spans[1].Len; }
}  // namespace

TTelvicComm::TTelvicComm(int channel) : channel_(channel) {}

TTelvicCmdChk& TTelvicComm::Cmd() const { return TelvicCmdChk[channel_]; }

void TTelvicComm::LogChip(const char* text) const { LogText(ChipLinePrefix(channel_) + text); }
void TTelvicComm::LogProgrammer(const char* text) const { LogText(ProgrammerLinePrefix(channel_) + text); }
void TTelvicComm::AddChipLine(const char* text) const { AddText(ChipLinePrefix(channel_) + text); }

void TTelvicComm::SetGaugeProgress(int progress)
{
    if (St().Gauge) St().Gauge->SetProgress(progress);
}

// Status 0 and 6 mean success; anything else ends the operation with its line.
bool TTelvicComm::FailOnStatus(std::uint8_t status)
{
    if (status == kStatusOk || status == kStatusOkToo) return false;
    EndChannelOp(true);
    ShowStatusMessage(LinkHost.Log, channel_, status);
    return true;
}

// Moves a block loop on by one 4 KB block; true while another block is due
// below end, at the new BlockIndex.
bool TTelvicComm::AdvanceBlock(std::uint16_t end, int progressOffset)
{
    TChannelState& ch = St();
    ch.BlockIndex = static_cast<std::uint16_t>(ch.BlockIndex + kBlockStepKB);
    SetGaugeProgress(ch.BlockIndex + progressOffset);
    return ch.BlockIndex < end;
}

// Copies a read-back block to buf at BlockIndex KB, as far as buf reaches.
void TTelvicComm::StoreReadBlock(std::uint8_t* buf, std::size_t size)
{
    const std::size_t at = static_cast<std::size_t>(St().BlockIndex) * kKB;
    if (at < size) std::memcpy(buf + at, St().PktBuf + kDataOffset, std::min(kBlockDataLen, size - at));
}

// A data reply must carry dataBytes from offset 8 before its check value.
bool TTelvicComm::FailIfShort(std::size_t dataBytes)
{
    if (packetLen_ >= kDataOffset + dataBytes + kPktCheckLen) return false;
    EndChannelOp(true);
    ShowStatusMessage(LinkHost.Log, channel_, kResultBadPacket);
    return true;
}

void TTelvicComm::DispatchReply(std::uint16_t frameLen)
{
    TChannelState& ch = St();
    std::uint16_t len = 0;
    const std::uint8_t code = UnpackFrame(ch.RxFrameBuf, ch.PktBuf, len, frameLen);
    if (code != kResultOk) {
        if (ch.PktBuf[0] == kReportMarker) {
            HandleInfoPacket(channel_);
        } else {
            EndChannelOp(true);
            ShowStatusMessage(LinkHost.Log, channel_, code);
        }
        return;
    }
    packetLen_ = len;
    const std::uint8_t status = CheckReplyPacket(ch.PktBuf, len);
    switch (ch.OpCode) {
    case kOpCodeConfig: HandleConfigReply(status); return;
    case kOpCodeFlashDownload: HandleFlashDownloaded(status); return;
    case kOpCodeEccDownload: HandleEccDownloaded(status); return;
    case kOpCodeWFlashDownload: HandleWFlashDownloaded(status); return;
    case kOpCodeSFlashDownload: HandleSFlashDownloaded(status); return;
    case kOpCodeErase: HandleEraseReply(status); return;
    case kOpCodeBlank: HandleBlankReply(status); return;
    case kOpCodeProgram: HandleProgramReply(status); return;
    case kOpCodeVerify: HandleVerifyReply(status); return;
    case kOpCodeSecurity: HandleSecurityReply(status); return;
    case kOpCodeChipId: HandleChipIdReply(status); return;
    case kOpCodeEepProgram: HandleEepProgramReply(status); return;
    case kOpCodeWFlashProgram: HandleWFlashProgramReply(status); return;
    default: break;
    }
    if (channel_ == 0) {
        switch (ch.OpCode) {
        case kOpCodeReadFlash: HandleReadFlashReply(status); return;
        case kOpCodeReadEep: HandleReadEepReply(status); return;
        case kOpCodeReadWFlash: HandleReadWFlashReply(status); return;
        case kOpCodeReadSecurity: HandleReadSecurityReply(status); return;
        default: break;
        }
    }
    HandleInfoPacket(channel_);
}

void TTelvicComm::BeginChannelOp(std::uint16_t gaugeMax)
{
    TChannelState& ch = St();
    const bool first = channel_ == 0;
    ch.BlockIndex = 0;
    ch.Busy = 1;
    ch.BlockTotal = ImageInfo.ProgSizeKB;
    ch.OpTimeout = first ? kStartTimeoutFirstChannel : kStartTimeoutOtherChannels;
    if (TGauge* g = ch.Gauge) {
        g->SetProgress(first ? kStartProgressFirstChannel : kStartProgressOtherChannels);
        g->SetMaxValue(gaugeMax);
        g->SetForeColor(TGaugeColor::Blue);
    }
}

void TTelvicComm::EndChannelOp(bool failed)
{
    TChannelState& ch = St();
    ch.OpCode = kOpIdle;
    ch.Busy = 0;
    if (TGauge* g = ch.Gauge) {
        g->SetForeColor(failed ? TGaugeColor::Red : TGaugeColor::Blue);
        g->SetProgress(g->MaxValue());
    }
}

// ---- stage starters -------------------------------------------------------

void TTelvicComm::StartEepProgram()
{
    LogChip(IsPsoc6() ? "开始编程芯片SFlash Data(User/NAR/Public Key/TOC2/RTOC2)..." : "开始编程芯片EEP Data...");
    St().OpCode = kOpCodeEepProgram;
    BeginChannelOp(kEepStageGaugeMax);
    SetGaugeProgress(kEepStageStartProgress);
    Cmd().SendEepBlock(kCmdProgramEep, 0);
}

void TTelvicComm::StartWFlashProgram()
{
    LogChip("开始编程芯片Work Flash Data...");
    St().OpCode = kOpCodeWFlashProgram;
    BeginChannelOp(EccKB());
    St().BlockTotal = EccKB();
    SetGaugeProgress(kWFlashStageStartProgress);
    Cmd().SendEccBlock(kCmdProgramWFlash, 0);
}

void TTelvicComm::StartVerify()
{
    LogChip("开始数据校验......");
    St().TimerProgress = 1;
    St().OpCode = kOpCodeVerify;
    BeginChannelOp(static_cast<std::uint16_t>(ImageInfo.ProgSizeKB * kVerifyGaugeScale));
    Cmd().SendOpCommand(kCmdOperation, kOpVerify);
}

// ---- downloads --------------------------------------------------------------

void TTelvicComm::HandleConfigReply(std::uint8_t status)
{
    if (FailOnStatus(status)) return;
    St().BlockIndex = 0;
    St().OpCode = kOpCodeFlashDownload;
    LogProgrammer("下载Mian Flash Data......");
    Cmd().DownloadFlashBlock(kCmdDownloadFlash, 0, ImageInfo.TargetStartAddr);
}

void TTelvicComm::HandleFlashDownloaded(std::uint8_t status)
{
    if (FailOnStatus(status)) return;
    TChannelState& ch = St();
    if (AdvanceBlock(ch.BlockTotal, kBlockProgressOffset)) {
        Cmd().DownloadFlashBlock(kCmdDownloadFlash, ch.BlockIndex, ImageInfo.TargetStartAddr);
        return;
    }
    if (ImageInfo.EccPresent) {
        ch.OpCode = kOpCodeEccDownload;
        ch.BlockIndex = 0;
        ch.BlockTotal = EccKB();
        LogProgrammer("下载ECC Data......");
        Cmd().DownloadEccBlock(kCmdDownloadEcc, 0);
    } else if (CtrlSettings.WriteWFlash) {
        ch.OpCode = kOpCodeWFlashDownload;
        ch.BlockIndex = 0;
        ch.BlockTotal = EccKB();
        LogProgrammer("下载WFlash Data......");
        Cmd().DownloadEccBlock(kCmdDownloadWFlash, 0);
    } else if (CtrlSettings.WriteSFlash) {
        EnterSFlashDownload();
    } else {
        FinishDownload();
    }
}

void TTelvicComm::HandleEccDownloaded(std::uint8_t status)
{
    if (FailOnStatus(status)) return;
    TChannelState& ch = St();
    if (AdvanceBlock(EccKB(), kBlockProgressOffset)) {
        Cmd().DownloadEccBlock(kCmdDownloadEcc, ch.BlockIndex);
        return;
    }
    FinishDownload();
}

void TTelvicComm::HandleWFlashDownloaded(std::uint8_t status)
{
    if (FailOnStatus(status)) return;
    TChannelState& ch = St();
    if (AdvanceBlock(EccKB(), kBlockProgressOffset)) {
        Cmd().DownloadEccBlock(kCmdDownloadWFlash, ch.BlockIndex);
        return;
    }
    if (CtrlSettings.WriteSFlash) {
        EnterSFlashDownload();
    } else {
        FinishDownload();
    }
}

void TTelvicComm::HandleSFlashDownloaded(std::uint8_t status)
{
    if (FailOnStatus(status)) return;
    TChannelState& ch = St();
    if (AdvanceBlock(kSFlashEndKB, kBlockProgressOffset)) {
        Cmd().DownloadSFlashBlock(kCmdDownloadEcc, ch.BlockIndex);
        return;
    }
    FinishDownload();
}

void TTelvicComm::EnterSFlashDownload()
{
    TChannelState& ch = St();
    ch.OpCode = kOpCodeSFlashDownload;
    ch.BlockIndex = 0;
    ch.BlockTotal = kSFlashEndKB;
    LogProgrammer("下载SFlash Data......");
    Cmd().DownloadEepBlock(kCmdDownloadEcc, 0);
}

void TTelvicComm::FinishDownload()
{
    LogProgrammer("数据下载成功！");
    Cmd().SendShortCommand(kCmdShort);
    EndChannelOp(false);
}

// ---- chip operations ------------------------------------------------------

void TTelvicComm::HandleEraseReply(std::uint8_t status)
{
    if (FailOnStatus(status)) return;
    LogChip("擦除芯片操作成功！");
    if (!St().AutoSequence) {
        EndChannelOp(false);
        return;
    }
    LogChip("开始芯片编程...");
    St().TimerProgress = 0;
    St().OpCode = kOpCodeProgram;
    BeginChannelOp(ImageInfo.ProgSizeKB);
    Cmd().SendMainFlashBlock();
}

void TTelvicComm::HandleBlankReply(std::uint8_t status)
{
    if (status == kStatusOk || status == kStatusOkToo) {
        LogChip("当前芯片为空！");
        EndChannelOp(false);
    } else if (status == kStatusNotBlankA || status == kStatusNotBlankB) {
        LogChip("当前芯片不为空！");
        EndChannelOp(true);
    } else {
        FailOnStatus(status);
    }
}

void TTelvicComm::HandleProgramReply(std::uint8_t status)
{
    if (FailOnStatus(status)) return;
    TChannelState& ch = St();
    ch.OpTimeout = kReplyTimeout;
    if (AdvanceBlock(ch.BlockTotal, kBlockProgressOffset)) {
        Cmd().SendMainFlashBlock();
        return;
    }
    LogChip("编程操作成功！");
    if (!ch.AutoSequence) {
        EndChannelOp(false);
    } else if (IsPsoc6()) {
        if (CtrlSettings.WriteWFlash) {
            StartWFlashProgram();
        } else if (CtrlSettings.WriteSFlash) {
            StartEepProgram();
        } else {
            StartVerify();
        }
    } else if (CtrlSettings.WriteEep) {
        StartEepProgram();
    } else {
        StartVerify();
    }
}

void TTelvicComm::HandleVerifyReply(std::uint8_t status)
{
    if (FailOnStatus(status)) return;
    LogChip("数据校验成功！");
    if (CurChip.FamilyCode != 0 && St().AutoSequence) {
        LogChip("写Security Data...");
        St().TimerProgress = 1;
        St().OpCode = kOpCodeSecurity;
        BeginChannelOp(ImageInfo.ProgSizeKB);
        Cmd().SendSecurityData();
        return;
    }
    EndChannelOp(false);
}

void TTelvicComm::HandleSecurityReply(std::uint8_t status)
{
    if (FailOnStatus(status)) return;
    LogChip("写Security Data操作成功！");
    EndChannelOp(false);
    if (St().AutoSequence) {
        if (LinkHost.Image) LinkHost.Image->AdvanceSerialNumber();
        LogChip("芯片烧写成功！");
    }
}

void TTelvicComm::HandleChipIdReply(std::uint8_t status)
{
    if (FailOnStatus(status) || FailIfShort(kChipIdBytes)) return;
    EndChannelOp(false);
    const std::uint8_t* p = St().PktBuf + kDataOffset;
    char text[64];
    std::snprintf(text, sizeof text, "Read Chip ID1= 0x%04X.", static_cast<unsigned>(p[0] | (p[1] << 8)));
    LogChip(text);
    std::snprintf(text, sizeof text, "Read Chip ID2= 0x%04X.", static_cast<unsigned>(p[2] | (p[3] << 8)));
    LogChip(text);
}

void TTelvicComm::HandleEepProgramReply(std::uint8_t status)
{
    if (FailOnStatus(status)) return;
    TChannelState& ch = St();
    if (IsPsoc6()) {
        if (AdvanceBlock(kSFlashProgramEnd, kSFlashProgressOffset)) {
            Cmd().SendEepBlock(kCmdProgramEep, ch.BlockIndex);
            return;
        }
        LogChip("写SFlash Data操作成功！");
    } else {
        LogChip("写EEP Data操作成功！");
    }
    if (ch.AutoSequence) {
        StartVerify();
    } else {
        EndChannelOp(false);
    }
}

void TTelvicComm::HandleWFlashProgramReply(std::uint8_t status)
{
    if (FailOnStatus(status)) return;
    TChannelState& ch = St();
    ch.OpTimeout = kReplyTimeout;
    if (AdvanceBlock(ch.BlockTotal, kBlockProgressOffset)) {
        Cmd().SendEccBlock(kCmdProgramWFlash, ch.BlockIndex);
        return;
    }
    LogChip("Work Falsh数据写入成功！");
    if (!ch.AutoSequence) {
        EndChannelOp(false);
    } else if (CtrlSettings.WriteSFlash) {
        StartEepProgram();
    } else {
        StartVerify();
    }
}

// ---- read-back (channel 1) -----------------------------------------------

void TTelvicComm::HandleReadFlashReply(std::uint8_t status)
{
    if (FailOnStatus(status) || FailIfShort(kBlockDataLen)) return;
    TChannelState& ch = St();
    StoreReadBlock(ImageBufs.MainFlashBuf, kMainFlashBufSize);
    if (AdvanceBlock(ch.BlockTotal, kBlockProgressOffset)) {
        Cmd().SendOpCommand(kCmdReadFlashBlock, ch.BlockIndex);
        return;
    }
    AddChipLine("Main Flash读取成功！");
    EndChannelOp(false);
    RefreshArea(kReadBackMainFlash);
}

void TTelvicComm::HandleReadEepReply(std::uint8_t status)
{
    if (FailOnStatus(status)) return;
    TChannelState& ch = St();
    if (IsPsoc6()) {
        const TSpan(&spans)[2] = ch.BlockIndex == 0 ? kSFlashReadFirst : kSFlashReadSecond;
        if (FailIfShort(SpanBytes(spans))) return;
        const std::uint8_t* src = ch.PktBuf + kDataOffset;
        for (const TSpan& s : spans) {
            std::memcpy(ImageBufs.EepSFlashBuf + s.At, src, s.Len);
            src += s.Len;
        }
        if (AdvanceBlock(kSFlashReadLastKB + 1, kSFlashProgressOffset)) {
            Cmd().SendOpCommand(kCmdReadEepBlock, ch.BlockIndex);
            return;
        }
        AddChipLine("SFlash Data读取成功！");
    } else {
        const std::size_t n = std::min<std::size_t>(CurChip.EepSize, kEepSFlashBufSize);
        if (FailIfShort(n)) return;
        std::memcpy(ImageBufs.EepSFlashBuf, ch.PktBuf + kDataOffset, n);
        AddChipLine("EEP Data读取成功！");
    }
    EndChannelOp(false);
    RefreshArea(kReadBackEepSFlash);
}

void TTelvicComm::HandleReadWFlashReply(std::uint8_t status)
{
    if (FailOnStatus(status) || FailIfShort(kBlockDataLen)) return;
    TChannelState& ch = St();
    StoreReadBlock(ImageBufs.EccWFlashBuf, kEccWFlashBufSize);
    if (AdvanceBlock(EccKB(), kBlockProgressOffset)) {
        Cmd().SendOpCommand(kCmdReadWFlashBlock, ch.BlockIndex);
        return;
    }
    AddChipLine("Work Flash读取成功！");
    EndChannelOp(false);
    RefreshArea(kReadBackWFlash);
}

void TTelvicComm::HandleReadSecurityReply(std::uint8_t status)
{
    if (FailOnStatus(status)) return;
    const int rows = CurChip.BankNum * ((CurChip.ModeByte & kModeWideProtection) ? kRowsPerBankWide : kRowsPerBankNarrow);
    if (FailIfShort(static_cast<std::size_t>(rows) * kSecurityRowBytes)) return;
    LogChip("Read Security Data as: ");
    EndChannelOp(false);
    const std::uint8_t* p = St().PktBuf + kDataOffset;
    for (int r = 0; r < rows; ++r) {
        char text[8 + kSecurityRowBytes * 3 + 1];
        int n = std::snprintf(text, sizeof text, "0x%04X: ", static_cast<unsigned>(r * kSecurityRowBytes));
        for (std::size_t i = 0; i < kSecurityRowBytes; ++i)
            n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), "%02X ", p[r * kSecurityRowBytes + i]);
        AddText(text);
    }
}

// ---- timer ---------------------------------------------------------------

void TTelvicComm::TimerStep(TBuildLang lang)
{
    TChannelState& ch = St();
    if (!ch.Busy) return;
    if (ch.TimerProgress == 1 && ch.Gauge) ch.Gauge->SetProgress(ch.Gauge->Progress() + 1);
    --ch.OpTimeout;
    if (ch.OpTimeout != 0) return;
    if (lang == TBuildLang::English) {
        AddText("> Chip " + std::to_string(channel_ + 1) + " : Operation Time Out!");
    } else if (ch.OpCode < kOpCodeChipLevel) {
        LogProgrammer("操作超时！");
    } else {
        LogChip("操作超时！");
    }
    EndChannelOp(true);
}

void Timer1Timer(TBuildLang lang)
{
    for (TTelvicComm& c : TelvicComm) c.TimerStep(lang);
}
