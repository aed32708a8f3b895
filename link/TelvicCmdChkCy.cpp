// TelvicCmdChkCy: the request senders of one channel. One class serves the
// four channels; each instance works only on its own channel record.
#include "link/TelvicCmdChkCy.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>

#include "link/Comm200Cy.h"
#include "link/ConfigBlockLayout.h"
#include "link/GbkText.h"
#include "link/LinkSinks.h"
#include "link/StatusMsgCy.h"
#include "serial/SerialComm.h"

namespace {
using namespace ConfigBlockLayout;

constexpr std::uint8_t kHeaderMarker = 0x10;
constexpr std::uint32_t kRandomByteRange = 255;   // filler bytes 0..254
constexpr std::uint32_t kSeedRange = 65535;       // seeds 0..65534
constexpr std::uint32_t kPosUnit = 1024;          // block positions count KB
constexpr std::uint32_t kMainFlashAlign = 16;     // block base: TargetStartAddr rounded down
constexpr std::uint32_t kEccBytesPerPos = 128;    // ECC bytes per KB of main flash
constexpr std::uint16_t kDelayBase = 255;         // the programmer rebuilds delays as high * 255 + low

constexpr std::uint8_t kFamilyPsoc3 = 0x80;
constexpr std::uint8_t kFamilyPsoc5 = 0xD0;
constexpr std::uint8_t kFamilyPsoc6 = 0xD8;       // and above

// Parts of the PSoC 6 supervisory-flash image sent as the two SFlash blocks.
struct TSpan {
    std::uint32_t Start;
    std::uint32_t Len;
};
constexpr TSpan kSFlashFirstPart[] = {{0x0800, 0x0800}, {0x1A00, 0x0800}};   // user rows, NAR
constexpr TSpan kSFlashSecondPart[] = {{0x5A00, 0x0C00}, {0x7C00, 0x0400}};  // public key, TOC2

// Header fields.
constexpr std::size_t kHdrCode = 0;
constexpr std::size_t kHdrArg = 1;
constexpr std::size_t kHdrMarker = 3;
constexpr std::size_t kHdrFamily = 4;
constexpr std::size_t kHdrChipIndex = 5;
constexpr std::size_t kHdrLen = 6;

constexpr std::uint8_t kScrambleKey0 = 0x3B;
constexpr std::uint8_t kScrambleKey1 = 0x6D;
constexpr std::uint8_t kScrambleBit = 0x80;
constexpr std::uint32_t kSum16Base = 0x10000;

// The short command's name field: "RESTX" with its last character replaced.
constexpr char kShortName[] = "RESTX";
constexpr std::size_t kShortNameOffset = 1;
constexpr std::uint16_t kShortNameWidth = 5;
constexpr std::size_t kShortNameLastChar = 5;
constexpr std::uint8_t kShortNameLastByte = 0xA8;
constexpr std::uint16_t kShortPayloadLen = 2;

constexpr char kEmptyNameChar = '?';

void Put16(std::uint8_t* p, std::size_t off, std::uint32_t v)
{
    p[off] = static_cast<std::uint8_t>(v);
    p[off + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t* p, std::size_t off, std::uint32_t v)
{
    Put16(p, off, v);
    Put16(p, off + 2, v >> 16);
}

// Copies `count` bytes of src from `offset`; what lies beyond the source
// buffer is sent as zero rather than read.
void CopyClamped(std::uint8_t* dst, const std::uint8_t* src, std::size_t srcSize, std::uint64_t offset,
                 std::size_t count)
{
    const std::size_t inside = offset >= srcSize ? 0 : std::min<std::uint64_t>(count, srcSize - offset);
    if (inside) std::memcpy(dst, src + offset, inside);
    std::memset(dst + inside, 0, count - inside);
}

template <std::size_t N>
void CopySpans(std::uint8_t* dst, const TSpan (&spans)[N])
{
    for (const auto& span : spans) {
        CopyClamped(dst, ImageBufs.EepSFlashBuf, sizeof ImageBufs.EepSFlashBuf, span.Start, span.Len);
        dst += span.Len;
    }
}

// Length of a text up to its first zero character.
std::size_t TextLen(const std::string& s) { return std::min(s.size(), std::strlen(s.c_str())); }
} // namespace

TRandomFn DefaultRandomSource()
{
    auto engine = std::make_shared<std::mt19937>(std::random_device{}());
    return [engine](std::uint32_t range) -> std::uint32_t {
        if (range == 0) return 0;
        return std::uniform_int_distribution<std::uint32_t>(0, range - 1)(*engine);
    };
}

TTelvicCmdChk TelvicCmdChk[kChannelCount] = {TTelvicCmdChk(0), TTelvicCmdChk(1), TTelvicCmdChk(2), TTelvicCmdChk(3)};

TTelvicCmdChk::TTelvicCmdChk(int channel) : channel_(channel) {}

std::uint8_t TTelvicCmdChk::RandomByte() { return static_cast<std::uint8_t>(Random(kRandomByteRange)); }

std::uint16_t TTelvicCmdChk::DrawConfigSeed() { return static_cast<std::uint16_t>(Random(kSeedRange)); }

void TTelvicCmdChk::LogLine(const std::string& text) const
{
    TLinkHost* host = Host ? Host : &LinkHost;
    if (host->Log) host->Log->LogLine(text);
}

void TTelvicCmdChk::WriteHeader(std::uint8_t code, std::uint16_t arg, std::uint16_t payloadLen)
{
    std::uint8_t* p = State().PktBuf;
    p[kHdrCode] = code;
    Put16(p, kHdrArg, arg);
    p[kHdrMarker] = kHeaderMarker;
    p[kHdrFamily] = CurChip.FamilyCode;
    p[kHdrChipIndex] = CurChip.ChipIndex;
    Put16(p, kHdrLen, payloadLen);
}

void TTelvicCmdChk::FinishAndSend(std::uint16_t payloadLen)
{
    std::uint8_t* p = State().PktBuf;
    const std::size_t end = kPktHeaderLen + payloadLen;
    Put16(p, end, CalcPacketCrc(p, 0, static_cast<std::uint32_t>(end - 1)));
    SendFrame(static_cast<std::uint16_t>(end + kPktCheckLen));
}

void TTelvicCmdChk::SendFrame(std::uint16_t packetLen)
{
    TChannelState& ch = State();
    HandOnFrame(EncodeFrame(ch.PktBuf, ch.TxFrameBuf, packetLen));
}

void TTelvicCmdChk::HandOnFrame(std::uint16_t frameLen)
{
    TChannelState& ch = State();
    lastFrameLen_ = frameLen;
    if (SendHook)
        SendHook(channel_, ch.TxFrameBuf, frameLen);
    else if (ch.Port)
        ch.Port->SendCommData(ch.TxFrameBuf, frameLen);
}

void TTelvicCmdChk::FillParamBlockAt(std::uint8_t* b) const
{
    std::memset(b, 0, kParamBlockLen);
    b[kPbOptionBits3] = CtrlSettings.OptionBits3;
    b[kPbOptionBits2] = CtrlSettings.OptionBits2;
    b[kPbPowerUpTime] = CtrlSettings.PowerUpTime;
    b[kPbMarker] = kHeaderMarker;
    b[kPbFamily] = CurChip.FamilyCode;
    b[kPbChipIndex] = CurChip.ChipIndex;
    b[kPbProgAddr1] = CtrlSettings.ProgAddr1;
    b[kPbProgAddr2] = CtrlSettings.ProgAddr2;
    std::memcpy(b + kPbWoLatch, CtrlSettings.WoLatch, sizeof CtrlSettings.WoLatch);
    Put16(b, kPbProgSizeKB, ImageInfo.ProgSizeKB);
    Put16(b, kPbBlockNum, CurChip.BlockNum);
    Put16(b, kPbBlockSize, CurChip.BlockSize);
    b[kPbProgAddr2Again] = CtrlSettings.ProgAddr2;
    b[kPbProgAddr1Again] = CtrlSettings.ProgAddr1;
    std::memcpy(b + kPbNvLatch, CtrlSettings.NvLatch, sizeof CtrlSettings.NvLatch);
    b[kPbModeByte] = CurChip.ModeByte;
    b[kPbOptionBits1] = CtrlSettings.OptionBits1;
    b[kPbBankNum] = CurChip.BankNum;
    Put16(b, kPbChipID1, CurChip.ChipID1);
    Put16(b, kPbChipID2, CurChip.ChipID2);
    b[kPbChipProtect] = CtrlSettings.ChipProtect;
    b[kPbOptByte] = CurChip.OptByte;
    b[kPbFlagByte] = CurChip.FlagByte;
    b[kPbStartDelay] = static_cast<std::uint8_t>(CtrlSettings.StartDelay % kDelayBase);
    b[kPbStartDelay + 1] = static_cast<std::uint8_t>(CtrlSettings.StartDelay / kDelayBase);
    b[kPbRemoveDelay] = static_cast<std::uint8_t>(CtrlSettings.RemoveDelay % kDelayBase);
    b[kPbRemoveDelay + 1] = static_cast<std::uint8_t>(CtrlSettings.RemoveDelay / kDelayBase);
    Put16(b, kPbChipCrcSum, Checksums.ChipCrcSum);
    Put16(b, kPbChipAccSum, Checksums.ChipAccSum);
    Put16(b, kPbEepCrcSum, Checksums.EepCrcSum);
    Put16(b, kPbEepAccSum, Checksums.EepAccSum);
    Put16(b, kPbSecuCrcSum, Checksums.SecuCrcSum);
    Put16(b, kPbSecuAccSum, Checksums.SecuAccSum);
    Put16(b, kPbEccAccSum, Checksums.EccAccSum);
    Put16(b, kPbEepSize, CurChip.EepSize);
}

void TTelvicCmdChk::FillParamBlock() { FillParamBlockAt(State().PktBuf + kParamBlockOffset); }

std::size_t TTelvicCmdChk::PutPacketString(const std::string& s, std::uint16_t offset, std::uint16_t width)
{
    if (offset >= kPktBufSize) return 0;
    width = static_cast<std::uint16_t>(std::min<std::size_t>(width, kPktBufSize - offset));
    std::uint8_t* field = State().PktBuf + offset;
    std::memset(field, 0, width);
    // Only a truly empty text is marked; one that starts with a zero character writes nothing.
    if (s.empty()) {
        if (width) field[0] = static_cast<std::uint8_t>(kEmptyNameChar);
        return 0;
    }
    // The units show the name in the Chinese code page; half a character would garble it.
    const std::string gbk = Utf8ToGbk(std::string_view(s.data(), TextLen(s)));
    const std::size_t n = GbkCutLength(gbk, width);
    std::memcpy(field, gbk.data(), n);
    return n;
}

void TTelvicCmdChk::CopyMainFlash(std::uint8_t* dst, std::uint16_t pos, std::uint32_t startAddr) const
{
    const std::uint64_t base = startAddr - startAddr % kMainFlashAlign;
    CopyClamped(dst, ImageBufs.MainFlashBuf, sizeof ImageBufs.MainFlashBuf,
                base + static_cast<std::uint64_t>(pos) * kPosUnit, kBlockDataLen);
}

void TTelvicCmdChk::CopyEccWFlash(std::uint8_t* dst, std::uint16_t pos) const
{
    CopyClamped(dst, ImageBufs.EccWFlashBuf, sizeof ImageBufs.EccWFlashBuf,
                (static_cast<std::uint64_t>(pos) * kPosUnit) % sizeof ImageBufs.EccWFlashBuf, kBlockDataLen);
}

void TTelvicCmdChk::CopyEepSFlash(std::uint8_t* dst, std::uint16_t pos) const
{
    if (CurChip.FamilyCode >= kFamilyPsoc6) {
        if (pos == 0)
            CopySpans(dst, kSFlashFirstPart);
        else
            CopySpans(dst, kSFlashSecondPart);
        return;
    }
    CopyClamped(dst, ImageBufs.EepSFlashBuf, sizeof ImageBufs.EepSFlashBuf,
                (static_cast<std::uint64_t>(pos) * kPosUnit) % sizeof ImageBufs.EepSFlashBuf, kBlockDataLen);
}

void TTelvicCmdChk::CopySFlashSecondPart(std::uint8_t* dst) const { CopySpans(dst, kSFlashSecondPart); }

void TTelvicCmdChk::SendOpCommand(std::uint8_t code, std::uint16_t arg)
{
    WriteHeader(code, arg, kParamBlockLen);
    FillParamBlock();
    FinishAndSend(kParamBlockLen);
}

void TTelvicCmdChk::SendMainFlashBlock()
{
    TChannelState& ch = State();
    ch.OpTimeout = channel_ == 0 ? kProgBlockTimeoutFirstChannel : kProgBlockTimeoutOtherChannels;
    if (CurChip.FamilyCode == kFamilyPsoc3 || CurChip.FamilyCode == kFamilyPsoc5)
        SendFlashEccBlock(kCmdProgramFlash, ch.BlockIndex, ImageInfo.TargetStartAddr);
    else
        SendFlashBlock(kCmdProgramFlash, ch.BlockIndex, ImageInfo.TargetStartAddr);
}

void TTelvicCmdChk::SendFlashBlock(std::uint8_t code, std::uint16_t pos, std::uint32_t startAddr)
{
    constexpr auto kLen = static_cast<std::uint16_t>(kParamBlockLen + kBlockDataLen);
    WriteHeader(code, pos, kLen);
    FillParamBlock();
    CopyMainFlash(State().PktBuf + kParamBlockOffset + kParamBlockLen, pos, startAddr);
    FinishAndSend(kLen);
}

void TTelvicCmdChk::SendFlashEccBlock(std::uint8_t code, std::uint16_t pos, std::uint32_t startAddr)
{
    if (!ImageInfo.EccPresent) {
        SendFlashBlock(code, pos, startAddr);
        return;
    }
    constexpr auto kLen = static_cast<std::uint16_t>(kParamBlockLen + kBlockDataLen + kEccTailLen);
    std::uint8_t* p = State().PktBuf;
    WriteHeader(code, pos, kLen);
    FillParamBlock();
    std::uint8_t* data = p + kParamBlockOffset + kParamBlockLen;
    CopyMainFlash(data, pos, startAddr);
    CopyClamped(data + kBlockDataLen, ImageBufs.EccWFlashBuf, sizeof ImageBufs.EccWFlashBuf,
                static_cast<std::uint64_t>(pos) * kEccBytesPerPos, kEccTailLen);
    FinishAndSend(kLen);
}

void TTelvicCmdChk::SendSecurityData()
{
    std::uint8_t* p = State().PktBuf;
    // The payload is longer than the data it carries: send zeros, not stale bytes.
    std::memset(p, 0, kPktHeaderLen + kSecurityPayloadLen + kPktCheckLen);
    WriteHeader(kCmdOperation, kOpWriteSecurity, kSecurityPayloadLen);
    FillParamBlock();
    std::memcpy(p + kParamBlockOffset + kParamBlockLen, ImageBufs.SecurityBuf, kSecurityDataLen);
    FinishAndSend(kSecurityPayloadLen);
}

void TTelvicCmdChk::SendEepBlock(std::uint8_t code, std::uint16_t pos)
{
    constexpr auto kLen = static_cast<std::uint16_t>(kParamBlockLen + kBlockDataLen);
    WriteHeader(code, pos, kLen);
    FillParamBlock();
    CopyEepSFlash(State().PktBuf + kParamBlockOffset + kParamBlockLen, pos);
    FinishAndSend(kLen);
}

void TTelvicCmdChk::SendEccBlock(std::uint8_t code, std::uint16_t pos)
{
    constexpr auto kLen = static_cast<std::uint16_t>(kParamBlockLen + kBlockDataLen);
    WriteHeader(code, pos, kLen);
    FillParamBlock();
    CopyEccWFlash(State().PktBuf + kParamBlockOffset + kParamBlockLen, pos);
    FinishAndSend(kLen);
}

void TTelvicCmdChk::DownloadFlashBlock(std::uint8_t code, std::uint16_t pos, std::uint32_t startAddr)
{
    WriteHeader(code, pos, kBlockDataLen);
    CopyMainFlash(State().PktBuf + kPktHeaderLen, pos, startAddr);
    FinishAndSend(kBlockDataLen);
}

void TTelvicCmdChk::DownloadEccBlock(std::uint8_t code, std::uint16_t pos)
{
    WriteHeader(code, pos, kBlockDataLen);
    CopyEccWFlash(State().PktBuf + kPktHeaderLen, pos);
    FinishAndSend(kBlockDataLen);
}

void TTelvicCmdChk::DownloadEepBlock(std::uint8_t code, std::uint16_t pos)
{
    WriteHeader(code, pos, kBlockDataLen);
    CopyEepSFlash(State().PktBuf + kPktHeaderLen, pos);
    FinishAndSend(kBlockDataLen);
}

void TTelvicCmdChk::DownloadSFlashBlock(std::uint8_t code, std::uint16_t pos)
{
    WriteHeader(code, pos, kBlockDataLen);
    CopySFlashSecondPart(State().PktBuf + kPktHeaderLen);
    FinishAndSend(kBlockDataLen);
}

void TTelvicCmdChk::SendShortCommand(std::uint8_t code)
{
    std::uint8_t* p = State().PktBuf;
    std::memset(p, 0, kShortPacketLen);
    p[kHdrCode] = code;
    if (code == kCmdShort) {
        PutPacketString(kShortName, kShortNameOffset, kShortNameWidth);
        p[kShortNameLastChar] = kShortNameLastByte;
    }
    Put16(p, kHdrLen, kShortPayloadLen);
    p[kPktHeaderLen] = RandomByte();
    p[kPktHeaderLen + 1] = RandomByte();
    FinishAndSend(kShortPayloadLen);
}

void TTelvicCmdChk::BuildConfigBlock()
{
    std::uint8_t* pkt = State().PktBuf;
    std::uint8_t* b = pkt + kConfigBlockOffset;
    std::memset(b, 0, kConfigBlockLen);

    std::memcpy(b, kConfigMagic, sizeof kConfigMagic - 1);
    FillParamBlockAt(b + kCbParamBlock);
    b[kCbRandom1] = RandomByte();
    b[kCbAutoDetect] = static_cast<std::uint8_t>(CtrlSettings.AutoDetect * kAutoDetectOn);
    Put16(b, kCbRandom16, Random(kSeedRange));
    for (std::size_t i = 0; i < kCbRandom4Len; ++i)
        b[kCbRandom4 + i] = RandomByte();

    b[kCbSNMode] = SNSettings.SNMode;
    b[kCbSNSize] = SNSettings.SNSize;
    Put16(b, kCbSNRoundStep, SNSettings.SNRoundStep);
    Put32(b, kCbSNAddr, SNSettings.SNAddr);
    Put32(b, kCbFirstSerial, SNSettings.SNValue + static_cast<std::uint32_t>(channel_) * SNSettings.SNStep);
    Put16(b, kCbChipAccSum, Checksums.ChipAccSum);
    Put16(b, kCbFileCheckSum, Checksums.FileCheckSum);
    b[kCbCountLimitOn] = SNSettings.CountLimitOn;
    Put32(b, kCbCountLimit, SNSettings.CountLimit);
    std::memcpy(b + kCbSecurity, ImageBufs.SecurityBuf, kCbSecurityLen);
    PutPacketString(CurChip.ChipName, static_cast<std::uint16_t>(kConfigBlockOffset + kCbChipName), kCbChipNameWidth);
    PutPacketString(ImageInfo.ObjFileName, static_cast<std::uint16_t>(kConfigBlockOffset + kCbObjName),
                    kCbObjNameWidth);

    for (std::size_t i = kCbRandomTail; i < kCbCheck; ++i)
        b[i] = RandomByte();
    b[kCbObjNameLen] = static_cast<std::uint8_t>(PutPacketString(
        ImageInfo.ObjFileName, static_cast<std::uint16_t>(kConfigBlockOffset + kCbObjNameLong), kCbObjNameLongWidth));

    Put16(b, kCbCheck, CalcPacketCrc(b, 0, kCbCheck - 1));
    // The stored sum is the plain 16-bit sum: 0x10000 minus the complement sum.
    const std::uint32_t complement = static_cast<std::uint16_t>(AccCheckSum16(b, 0, kCbSum - 1));
    Put16(b, kCbSum, kSum16Base - complement);
    std::memcpy(b + kConfigBlockLen, b, kConfigBlockLen);
}

bool TTelvicCmdChk::SendConfigBlock(std::uint8_t code, std::uint16_t seed)
{
    const std::uint16_t eepSize = CtrlSettings.WriteEep ? CurChip.EepSize : 0;
    if (eepSize % 2 != 0 || eepSize > kMaxConfigEepSize) {
        LogLine(ProgrammerLinePrefix(channel_) + "EEP数据大小错误(" + std::to_string(eepSize) + ")，取消下载！");
        return false;
    }
    const auto payloadLen = static_cast<std::uint16_t>(kConfigCopiesLen + eepSize);
    std::uint8_t* p = State().PktBuf;
    WriteHeader(code, seed, payloadLen);
    BuildConfigBlock();
    std::memcpy(p + kPktHeaderLen + kConfigCopiesLen, ImageBufs.EepSFlashBuf, eepSize);

    const auto mask0 = static_cast<std::uint8_t>((static_cast<std::uint8_t>(seed) ^ kScrambleKey0) | kScrambleBit);
    const auto mask1 = static_cast<std::uint8_t>((static_cast<std::uint8_t>(seed >> 8) ^ kScrambleKey1) | kScrambleBit);
    for (std::size_t i = 0; i < payloadLen / 2; ++i) {
        p[kPktHeaderLen + 2 * i] ^= mask0;
        p[kPktHeaderLen + 2 * i + 1] ^= mask1;
    }
    FinishAndSend(payloadLen);
    return true;
}

// ---- port discovery -------------------------------------------------------

namespace {
// The identify request is the frame of the three bytes A3 A5 35.
constexpr std::uint8_t kIdentifyFrame[] = {0xC0, 0xA3, 0xA5, 0x35, 0xC0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
constexpr const char* kExpectedDeviceName = "Telvic200Cy";
constexpr std::uint8_t kIdNameOffset = 25;
constexpr std::uint16_t kIdleTimeout = 500;
// Reply bytes 47..49: the name's version characters, which place the record.
constexpr std::size_t kIdVersionAt = 47;
constexpr std::uint8_t kVersionPoint = 0x2E;
constexpr int kVersionNine = 0x3930;   // "9" and "0"
constexpr int kVersionSeven = 0x3730;  // "7" and "0"
constexpr int kRecordBaseNew = 403;
constexpr int kRecordBaseMid = 155;
constexpr int kRecordBaseOld = 123;
constexpr int kRecordBias = 64;
constexpr std::size_t kRecordLen = 40;
constexpr std::uint8_t kSNModeDecimal = 0xA5;

std::uint32_t Get32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::string Format32(const char* fmt, std::uint32_t v, bool asSigned)
{
    char text[160];
    if (asSigned)
        std::snprintf(text, sizeof text, fmt, static_cast<int>(static_cast<std::int32_t>(v)));
    else
        std::snprintf(text, sizeof text, fmt, static_cast<unsigned>(v));
    return text;
}
} // namespace

void TTelvicCmdChk::SendIdentify()
{
    TChannelState& ch = State();
    std::memcpy(ch.TxFrameBuf, kIdentifyFrame, sizeof kIdentifyFrame);
    HandOnFrame(sizeof kIdentifyFrame);
}

void TTelvicCmdChk::HandleIdReply(std::uint16_t frameLen)
{
    TChannelState& ch = State();
    std::uint16_t len = 0;
    if (UnpackFrame(ch.RxFrameBuf, ch.PktBuf, len, frameLen) != kResultOk) return;
    char name[kDeviceNameBufSize] = {};
    std::strncpy(name, kExpectedDeviceName, sizeof name - 1);
    if (CheckDeviceId(ch.PktBuf, len, name, kIdNameOffset) != 0) return;
    ++ProgrammerCount;
    ch.Connected = 1;
    if (ch.Gauge) ch.Gauge->SetEnabled(true);
    TLinkHost* host = Host ? Host : &LinkHost;
    if (channel_ == 0 && host->Status) host->Status->ShowProgrammerName(name);
    LogLine("找到设备" + std::to_string(channel_ + 1) + " ：" + name + "!");
    ch.OpCode = kOpIdle;
    ch.OpTimeout = kIdleTimeout;
    if (channel_ != 0) ShowDeviceSettings(ch.PktBuf, len);
}

void TTelvicCmdChk::ShowDeviceSettings(const std::uint8_t* reply, std::uint16_t length)
{
    // Version bytes and record are read only where the reply really holds them.
    if (length < kIdVersionAt + 3) return;
    const int locator = reply[3] + 256 * reply[4];
    int base = kRecordBaseNew;
    if (reply[kIdVersionAt + 1] <= kVersionPoint) {
        const int v = reply[kIdVersionAt] * 256 + reply[kIdVersionAt + 2];
        base = v > kVersionNine ? kRecordBaseNew : (v >= kVersionSeven ? kRecordBaseMid : kRecordBaseOld);
    }
    const std::size_t r = static_cast<std::uint16_t>(locator - base + kRecordBias);
    if (r + kRecordLen > length) return;
    const std::uint8_t* rec = reply + r;
    const std::uint8_t mode = rec[0];
    const std::uint32_t addr = Get32(rec + 4), initial = Get32(rec + 8), limit = Get32(rec + 18);
    const std::uint32_t programmed = Get32(rec + 26), current = Get32(rec + 36);
    const std::string who = "编程器" + std::to_string(channel_ + 1);
    TLinkHost* host = Host ? Host : &LinkHost;
    if (host->Log) host->Log->AddLine("");
    if (mode != 0) {
        LogLine(who + Format32("有设定序列号功能，序列号地址 ：0x%08X  ", addr, false));
        const bool dec = mode == kSNModeDecimal;
        LogLine(Format32(dec ? "  初始设定序列号为：%d " : "  初始设定序列号为：0x%08X ", initial, dec));
        LogLine(Format32(dec ? "  当前的序列号为：  %d " : "  当前的序列号为：  0x%08X ", current, dec));
    } else {
        LogLine(who + "没有设定序列号！");
    }
    if (rec[16] != 0) {
        char text[160];
        std::snprintf(text, sizeof text, "设定最大烧写次数:%d,已烧写%d,剩余%d.", static_cast<int>(static_cast<std::int32_t>(limit)),
                      static_cast<int>(static_cast<std::int32_t>(programmed)),
                      static_cast<int>(static_cast<std::int32_t>(limit - programmed)));
        LogLine(who + text);
    } else {
        LogLine(who + "没有设定最大烧写次数！");
    }
    if (host->Log) host->Log->AddLine("");
}
