#include "app/ChkSumViews.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/ParseCyHex.h"
#include "link/DefinCyX4.h"
#include "link/LinkSinks.h"
#include "telvicbin/TelvicBin.h"

namespace {

constexpr std::uint8_t kFamilyMbr = 0x00;
constexpr std::uint8_t kFamilyTT = 0x08;
constexpr std::uint8_t kFamilyWithSecurity = 0x10;  // families below show no security page
constexpr std::uint8_t kFamilyPsoc6 = 0xD8;

constexpr std::uint32_t kAccModulus = 0x10000;
constexpr std::uint32_t kMbrSecuLast = 127;
constexpr std::uint32_t kSecuLast = 255;
constexpr std::uint32_t kMbrMainRows = 8;
constexpr std::uint16_t kDefaultSecuSize = 64;
constexpr std::uint16_t kEccBytesPerKB = 128;  // one ECC byte per 8 flash bytes
constexpr std::uint32_t kRowBytes = THexGridModel::kBytesPerRow;
constexpr std::uint32_t kRowAlignMask = ~(kRowBytes - 1);
constexpr std::uint32_t kMainPositionMask = 0x00FFFFFF;

constexpr std::uint32_t kPsoc6MainBase = 0x10000000;
constexpr std::uint32_t kWFlashBase = 0x14000000;
constexpr std::uint32_t kSFlashBase = 0x16000000;
constexpr std::uint32_t kUserRowsIndex = 0x0800;
constexpr std::uint32_t kNarIndex = 0x1A00;
constexpr std::uint32_t kNarLast = 0x1BFF;
constexpr std::uint32_t kPubKeyIndex = 0x5A00;
constexpr std::uint32_t kPubKeyLast = 0x65FF;
constexpr std::uint32_t kToc2Index = 0x7C00;
constexpr std::uint32_t kToc2Last = 0x7FFF;
constexpr std::size_t kToc2Section = 3;  // the only PSoC 6 section that checks EnWrtEep

constexpr int kShortAddrDigits = 6;
constexpr int kLongAddrDigits = 8;
constexpr int kSumDigits = 4;
constexpr int kDotCount = 43;

std::string Fmt(const char* pattern, std::uint32_t value, int digits)
{
    return pattern + HexDigits(value, digits);
}

// Clamps First..Last to the buffer; false when nothing is left to read. A
// range of size 0 comes as Last = First - 1 (modulo 2^32), e.g. 0 and 0xFFFFFFFF.
bool ClampRange(std::size_t size, std::uint32_t first, std::uint32_t& last)
{
    if (last < first || last == first - 1u || first >= size) return false;
    if (last >= size) last = static_cast<std::uint32_t>(size - 1);
    return true;
}

std::uint32_t Rows(std::uint32_t bytes) { return bytes / kRowBytes; }

}  // namespace

std::string HexDigits(std::uint32_t value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

std::uint16_t RangeAccSum(const std::uint8_t* buffer, std::size_t size, std::uint32_t first, std::uint32_t last)
{
    if (!ClampRange(size, first, last)) return 0;
    return static_cast<std::uint16_t>((kAccModulus - GetBinaryCheckSum(buffer, first, last)) % kAccModulus);
}

std::uint16_t RangeCrcSum(const std::uint8_t* buffer, std::size_t size, std::uint32_t first, std::uint32_t last)
{
    if (!ClampRange(size, first, last)) return GetOrvaneCheckSum(buffer, 1, 0);  // the library's empty range
    return GetOrvaneCheckSum(buffer, first, last);
}

std::uint32_t RangeAcc32Sum(const std::uint8_t* buffer, std::size_t size, std::uint32_t first, std::uint32_t last)
{
    if (!ClampRange(size, first, last)) return 0;
    return SumBytes32(buffer, first, last);
}

TChecksumViews::TChecksumViews(TBuildLang lang, TLogSink* log, TStatusBarSink* status, TViewPageHost* pages)
    : lang_(lang), log_(log), status_(status), pages_(pages),
      main_(ImageBufs.MainFlashBuf, kMainFlashBufSize),
      secu_(ImageBufs.SecurityBuf, kSecurityBufSize),
      ecc_(ImageBufs.EccWFlashBuf, kEccWFlashBufSize),
      eep_(ImageBufs.EepSFlashBuf, kEepSFlashBufSize)
{
}

void TChecksumViews::Log(const std::string& text)
{
    if (log_) log_->LogLine(text);
}

void TChecksumViews::LogDots()
{
    Log(std::string(kDotCount, '.'));
}

void TChecksumViews::Panel(int panel, const std::string& text)
{
    if (status_) status_->SetPanelText(panel, text);
}

void TChecksumViews::CalcMainChecksums(std::uint32_t first, std::uint32_t last)
{
    const std::uint8_t* mainBuf = ImageBufs.MainFlashBuf;
    const bool mbr = CurChip.FamilyCode == kFamilyMbr;
    const std::uint32_t secuLast = mbr ? kMbrSecuLast : kSecuLast;
    Checksums.ChipCrcSum = RangeCrcSum(mainBuf, kMainFlashBufSize, first, last);
    if (!mbr && !English()) Checksums.ChipAcc32Sum = RangeAcc32Sum(mainBuf, kMainFlashBufSize, first, last);
    Checksums.ChipAccSum = RangeAccSum(mainBuf, kMainFlashBufSize, first, last);
    Checksums.SecuCrcSum = RangeCrcSum(ImageBufs.SecurityBuf, kSecurityBufSize, 0, secuLast);
    Checksums.SecuAccSum = RangeAccSum(ImageBufs.SecurityBuf, kSecurityBufSize, 0, secuLast);

    if (English()) {
        // The English report writes its dot lines as they stand, without the time.
        auto dots = [this] {
            if (log_) log_->AddLine(std::string(kDotCount, '.'));
        };
        dots();
        if (!mbr) {
            if (ImageInfo.TargetEndAddr > ImageInfo.TargetStartAddr) {
                Log(Fmt(">Flash Start Address = 0x", ImageInfo.TargetStartAddr, kSumDigits) + ".");
                Log(Fmt(">Flash Ended Address = 0x", ImageInfo.TargetEndAddr, kSumDigits) + ".");
            }
            dots();
            Log(Fmt("Object File Starting Address = 0x", ImageInfo.FileMinAddr, kSumDigits) + ".");
            Log(Fmt("Object File ended Address    = 0x", ImageInfo.FileMaxAddr, kSumDigits) + ".");
            dots();
        }
        Log(Fmt("Chip CheckSum  = 0x", Checksums.ChipAccSum, kLongAddrDigits));
        Log(Fmt("File CheckSum  = 0x", Checksums.FileCheckSum, kLongAddrDigits));
        dots();
        if (mbr) {
            Panel(0, Fmt("File CheckSum: 0x", Checksums.FileCheckSum, kSumDigits));
            Panel(1, Fmt("Chip CheckSum: 0x", Checksums.ChipAccSum, kSumDigits));
        } else {
            Panel(0, Fmt("File AccSum:0x", Checksums.FileCheckSum, kSumDigits));
            Panel(1, Fmt("Chip AccSum:0x", Checksums.ChipAccSum, kSumDigits));
        }
        return;
    }

    if (mbr) {
        LogDots();
        Log(Fmt(">芯片 CheckSum  = 0x", Checksums.ChipAccSum, kSumDigits));
        Log(Fmt(">文件 CheckSum  = 0x", Checksums.FileCheckSum, kSumDigits));
        LogDots();
        Panel(0, Fmt("文件校验和：0x", Checksums.FileCheckSum, kSumDigits));
        Panel(1, Fmt("芯片校验和：0x", Checksums.ChipAccSum, kSumDigits));
        return;
    }
    LogDots();
    if (ImageInfo.TargetEndAddr > ImageInfo.TargetStartAddr) {
        Log(Fmt("目标Flash首地址 = 0x", ImageInfo.TargetStartAddr, kLongAddrDigits) + ".");
        Log(Fmt("目标Flash尾地址 = 0x", ImageInfo.TargetEndAddr, kLongAddrDigits) + ".");
    }
    if (ObjFileLoaded != 0) {
        LogDots();
        Log(Fmt("目标文件首地址 = 0x", ImageInfo.FileMinAddr, kLongAddrDigits) + ".");
        Log(Fmt("目标文件尾地址 = 0x", ImageInfo.FileMaxAddr, kLongAddrDigits) + ".");
    }
    LogDots();
    Log(Fmt("芯片 ACC CheckSum = 0x", Checksums.ChipAccSum, kSumDigits));
    Log(Fmt("芯片 CRC CheckSum = 0x", Checksums.ChipCrcSum, kSumDigits));
    Log(Fmt("芯片ACC32 CheckSum  = 0x", Checksums.ChipAcc32Sum, kLongAddrDigits));
    if (ObjFileLoaded != 0 && Checksums.FileCheckSum != 0)
        Log(Fmt("文件 ACC CheckSum = 0x", Checksums.FileCheckSum, kSumDigits));
    else
        Checksums.FileCheckSum = static_cast<std::uint16_t>(Checksums.ChipAcc32Sum % kAccModulus);
    LogDots();
    Panel(0, Fmt("文件校验和：0x", Checksums.FileCheckSum, kSumDigits));
    if (ObjFileLoaded != 0) Panel(1, Fmt("芯片校验和：0x", Checksums.ChipAccSum, kSumDigits));
}

void TChecksumViews::ShowMainFlash(std::uint32_t first, std::uint32_t last)
{
    const std::uint8_t family = CurChip.FamilyCode;
    THexSection section;
    if (family == kFamilyMbr) {
        section = {0, kMbrMainRows, 0};
    } else if (family == kFamilyTT && !English()) {
        section = {0, std::uint32_t(CurChip.BlockNum) * kRowBytes, 0};
    } else {
        const std::uint32_t n = last - first + 1;  // 0 for the empty range 0..0xFFFFFFFF
        const std::uint32_t rows = Rows(n) + (n % kRowBytes != 0 ? 1 : 0);
        const std::uint32_t base = (family >= kFamilyPsoc6 && !English()) ? kPsoc6MainBase : (first & kRowAlignMask);
        section = {first & kRowAlignMask, rows, base};
    }
    if (!English()) ObjFileLoaded = 1;
    main_.Rebuild({section}, English() ? kShortAddrDigits : kLongAddrDigits);

    if (pages_) pages_->SetPageVisible(TViewPage::Security, true);
    if (!English() && family < kFamilyWithSecurity) {
        if (pages_) pages_->SetPageVisible(TViewPage::Security, false);
        return;
    }
    ShowSecurityData();
}

void TChecksumViews::ShowSecurityData()
{
    if (CurChip.SecuSize == 0) CurChip.SecuSize = kDefaultSecuSize;
    if (pages_) pages_->SetPageCaption(TViewPage::Security, CurChip.FamilyCode < kFamilyPsoc6 ? "Security Data" : "eFuse");
    secu_.Rebuild({{0, Rows(CurChip.SecuSize), 0}}, kShortAddrDigits);
    const std::uint8_t allZeroBit = 0x80;
    if (secu_.AnyByteShown())
        CtrlSettings.OptionBits3 &= static_cast<std::uint8_t>(~allZeroBit);
    else
        CtrlSettings.OptionBits3 |= allZeroBit;
}

void TChecksumViews::SumSFlashParts()
{
    const std::uint8_t* buf = ImageBufs.EepSFlashBuf;
    const std::uint32_t userLast = std::uint32_t(CurChip.EepSize) + kUserRowsIndex - 1;
    Checksums.EepCrcSum = RangeCrcSum(buf, kEepSFlashBufSize, kUserRowsIndex, userLast);
    struct TPart {
        std::uint8_t present;
        std::uint32_t first, last;
    };
    const TPart parts[] = {
        {ImageInfo.UserRowsPresent, kUserRowsIndex, userLast},
        {ImageInfo.NarPresent, kNarIndex, kNarLast},
        {ImageInfo.PubKeyPresent, kPubKeyIndex, kPubKeyLast},
        {ImageInfo.Toc2Present, kToc2Index, kToc2Last},
    };
    std::uint16_t sum = 0;
    for (const TPart& p : parts)
        if (p.present) sum = static_cast<std::uint16_t>(sum + RangeAcc32Sum(buf, kEepSFlashBufSize, p.first, p.last));
    Checksums.EepAccSum = sum;
    Log(Fmt(English() ? "Chip SFlash Data ACC CheckSum = 0x" : "芯片 SFlash Data ACC CheckSum = 0x", sum, kSumDigits));
}

void TChecksumViews::ShowEccWFlash()
{
    const bool psoc6 = CurChip.FamilyCode >= kFamilyPsoc6;
    if (pages_) pages_->SetPageVisible(TViewPage::Ecc, true);
    if (!psoc6) CurChip.EccSize = static_cast<std::uint16_t>(CurChip.FlashSizeKB * kEccBytesPerKB);
    const std::uint32_t last = std::uint32_t(CurChip.EccSize) - 1;
    Checksums.EccAccSum = RangeAccSum(ImageBufs.EccWFlashBuf, kEccWFlashBufSize, 0, last);
    Checksums.EccCrcSum = RangeCrcSum(ImageBufs.EccWFlashBuf, kEccWFlashBufSize, 0, last);
    const char* kind = psoc6 ? "WFlash" : "ECC";
    if (pages_) pages_->SetPageCaption(TViewPage::Ecc, psoc6 ? "WFlash" : "ECC Data");
    const std::string prefix = std::string(English() ? "Chip " : "芯片 ") + kind + " Data ";
    Log(Fmt((prefix + "ACC CheckSum = 0x").c_str(), Checksums.EccAccSum, kSumDigits));
    Log(Fmt((prefix + "CRC CheckSum = 0x").c_str(), Checksums.EccCrcSum, kSumDigits));
    LogDots();
    ecc_.Rebuild({{0, Rows(CurChip.EccSize), psoc6 ? kWFlashBase : 0}}, kLongAddrDigits);
    if (pages_) pages_->SetChkBoxEPWFChecked(ecc_.AnyByteShown());
}

void TChecksumViews::ShowEepSFlash()
{
    const bool psoc6 = CurChip.FamilyCode >= kFamilyPsoc6;
    if (pages_) {
        pages_->ShowEnWrtEep();
        pages_->SetPageVisible(TViewPage::Eep, true);
    }
    const std::uint32_t last = std::uint32_t(CurChip.EepSize) - 1;
    Checksums.EepCrcSum = RangeCrcSum(ImageBufs.EepSFlashBuf, kEepSFlashBufSize, 0, last);
    Checksums.EepAccSum = RangeAccSum(ImageBufs.EepSFlashBuf, kEepSFlashBufSize, 0, last);
    if (!psoc6) {
        if (English()) {
            Log(Fmt("Chip EEP Data CRC Sum   = 0x", Checksums.EepCrcSum, kSumDigits));
            Log(Fmt("Chip EEP Data CheckSum  = 0x", Checksums.EepAccSum, kSumDigits));
        } else {
            Log(Fmt("芯片 EEP Data CRC CheckSum = 0x", Checksums.EepCrcSum, kSumDigits));
            Log(Fmt("芯片 EEP Data ACC CheckSum = 0x", Checksums.EepAccSum, kSumDigits));
        }
    } else {
        SumSFlashParts();
    }
    LogDots();
    const std::uint32_t rows = Rows(CurChip.EepSize);
    if (!psoc6) {
        if (pages_) pages_->SetPageCaption(TViewPage::Eep, "EEP Data");
        eep_.Rebuild({{0, rows, 0}}, kLongAddrDigits);
        if (pages_) pages_->SetEnWrtEepChecked(eep_.AnyByteShown());
        return;
    }
    if (pages_) pages_->SetPageCaption(TViewPage::Eep, "SFlash");
    eep_.Rebuild({{kUserRowsIndex, rows, kSFlashBase + kUserRowsIndex},
                  {kNarIndex, Rows(kNarLast + 1 - kNarIndex), kSFlashBase + kNarIndex},
                  {kPubKeyIndex, Rows(kPubKeyLast + 1 - kPubKeyIndex), kSFlashBase + kPubKeyIndex},
                  {kToc2Index, Rows(kToc2Last + 1 - kToc2Index), kSFlashBase + kToc2Index}},
                 kLongAddrDigits);
    if (pages_) pages_->SetEnWrtEepChecked(eep_.SectionHasData(kToc2Section));
}

void TChecksumViews::RefreshMainRows(std::uint32_t addr)
{
    main_.RefreshBytes(((addr & kMainPositionMask) / kRowBytes) * kRowBytes, 2 * kRowBytes);
}

void TChecksumViews::RefreshEepRows(std::uint32_t addr)
{
    eep_.RefreshBytes((addr / kRowBytes) * kRowBytes, 2 * kRowBytes);
}
