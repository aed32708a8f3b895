#include "app/HdlPrjRdWtRT.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>

#include "app/NumberBox.h"
#include "link/ConfigBlockLayout.h"
#include "link/DefinCyX4.h"
#include "link/GbkText.h"
#include "link/LinkSinks.h"
#include "link/TelvicCmdChkCy.h"

std::uint32_t PrjCheckSum = 0;
std::uint8_t PrjKeyTable[kPrjKeyTableSize] = {};
std::uint32_t PrjFlashBytes = 0;
std::string ModelName;

namespace {

constexpr char kMagic[] = "Orvane";
constexpr std::uint8_t kFormatByte = 2;
constexpr std::uint8_t kHeaderTextKey = 0xD3;
constexpr std::uint8_t kCfgKey = 0x4E;
constexpr std::uint8_t kMfmKey = 0xB7;
constexpr std::uint8_t kDataKey = 0x69;
constexpr std::uint8_t kPlainKey = 0;
constexpr int kMagicLen = 6;
constexpr int kTagLen = 3;
constexpr int kModelNameWidth = 16;
constexpr int kChipNameWidth = 20;
constexpr int kObjNameWidth = 48;
constexpr std::size_t kKeyTableStored = 2049;  // the last of the 2050 drawn bytes is never stored
constexpr std::size_t kKeyPeriod = 1024;       // key-table bytes used, and data bytes per block key
constexpr std::size_t kConfigSectionSize = 1024;
constexpr std::size_t kTailSize = 256;
constexpr std::uint32_t kBytesPerKB = 1024;
constexpr std::uint32_t kMaxFlashSizeKB = 4096;
constexpr std::uint32_t kMaxEepSize = kMaxConfigEepSize;
constexpr std::size_t kSumCount = 8;
constexpr std::size_t kConfigPktOffset = 8;  // the block copies start at packet byte 8
constexpr std::uint8_t kFamilyMbr = 0x00;
constexpr std::uint8_t kFamilyTt = 0x08;

// Header zero areas, in file order.
constexpr int kZeroAfterNames = 32;
constexpr int kZeroAfterSums = 28;
constexpr int kZeroAfterRange = 88;
constexpr int kZeroAfterEcc = 14;
constexpr int kZeroAfterSecu = 18;
constexpr int kZeroAfterStep = 16;

// Offsets of the first configuration-block copy.
// Positions in one configuration block: the parameter block sits at its
// byte 4, the rest as the block's builder lays it out.
namespace cfg {
using namespace ConfigBlockLayout;
constexpr std::size_t P = kCbParamBlock;
constexpr std::size_t OptionBits2 = P + kPbOptionBits2, PowerUpTime = P + kPbPowerUpTime, FamilyCode = P + kPbFamily;
constexpr std::size_t ChipIndex = P + kPbChipIndex, AutoDetect = kCbAutoDetect;
constexpr std::size_t ProgAddr1 = P + kPbProgAddr1, ProgAddr2 = P + kPbProgAddr2, WoLatch = P + kPbWoLatch;
constexpr std::size_t FlashSizeKB = P + kPbProgSizeKB, BlockNum = P + kPbBlockNum, BlockSize = P + kPbBlockSize;
constexpr std::size_t NvLatch = P + kPbNvLatch, ModeByte = P + kPbModeByte, OptionBits1 = P + kPbOptionBits1;
constexpr std::size_t BankNum = P + kPbBankNum, ChipID1 = P + kPbChipID1, ChipID2 = P + kPbChipID2;
constexpr std::size_t ChipProtect = P + kPbChipProtect, OptByte = P + kPbOptByte, FlagByte = P + kPbFlagByte;
constexpr std::size_t StartDelay = P + kPbStartDelay, RemoveDelay = P + kPbRemoveDelay;
constexpr std::size_t ChipCrcSum = P + kPbChipCrcSum, ChipAccSum = P + kPbChipAccSum, EepCrcSum = P + kPbEepCrcSum;
constexpr std::size_t EepAccSum = P + kPbEepAccSum, SecuCrcSum = P + kPbSecuCrcSum, SecuAccSum = P + kPbSecuAccSum;
constexpr std::size_t EccAccSum = P + kPbEccAccSum, EepSize = P + kPbEepSize;
constexpr std::size_t SNMode = kCbSNMode, SNSize = kCbSNSize, SNRoundStep = kCbSNRoundStep, SNAddr = kCbSNAddr;
constexpr std::size_t SNValue = kCbFirstSerial, CountLimitOn = kCbCountLimitOn, CountLimit = kCbCountLimit;
constexpr std::size_t Security = kCbSecurity, SecurityLen = kCbSecurityLen;
}  // namespace cfg

std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Get32(const std::uint8_t* p) { return Get16(p) | (std::uint32_t(Get16(p + 2)) << 16); }

bool EepSizeCarried(std::uint32_t size) { return size % 2 == 0 && size <= kMaxEepSize; }

// Everything a file holds, parsed before anything of the shared state changes.
struct TPrjImage {
    std::string Model, ChipName, ObjFileName;
    std::uint16_t ChipAccSum = 0, FileCheckSum = 0;
    std::uint32_t FileMinAddr = 0, FileMaxAddr = 0;
    std::uint8_t FlagsA = 0, FlagsB = 0;
    std::uint32_t FlashBytes = 0;
    std::uint16_t EepSize = 0, EccSize = 0, SecuSize = 0, SNStep = 0;
    std::uint32_t TargetStartAddr = 0;
    std::uint16_t Sums[kSumCount] = {};
    std::uint8_t KeyTable[kKeyTableStored] = {};
    std::uint8_t Config[kConfigSectionSize] = {};
    std::vector<std::uint8_t> Main, Secu, Eep, Ecc;
};

// The eight header sums, in file order.
std::uint16_t* const kSumTargets[kSumCount] = {
    &Checksums.ChipAccSum, &Checksums.ChipCrcSum, &Checksums.EepAccSum, &Checksums.EepCrcSum,
    &Checksums.SecuAccSum, &Checksums.SecuCrcSum, &Checksums.EccAccSum, &Checksums.EccCrcSum,
};

class TPrjWriter {
public:
    explicit TPrjWriter(const TPrjRandom& random) : random_(random) {}

    void PrjWriteByte(std::uint8_t b)
    {
        out_.push_back(b);
        PrjCheckSum += b;
    }
    void PrjWriteWord(std::uint16_t w)
    {
        PrjWriteByte(static_cast<std::uint8_t>(w));
        PrjWriteByte(static_cast<std::uint8_t>(w >> 8));
    }
    void PrjWriteDWord(std::uint32_t d)
    {
        PrjWriteWord(static_cast<std::uint16_t>(d));
        PrjWriteWord(static_cast<std::uint16_t>(d >> 16));
    }
    void PrjWriteFill(int count, std::uint8_t value)
    {
        for (int i = 0; i < count; ++i) PrjWriteByte(value);
    }
    void PrjWriteRandom(int count)
    {
        for (int i = 0; i < count; ++i) PrjWriteByte(random_());
    }
    // Width 0: the text whole, no fill.
    void PrjWriteStr(const std::string& text, int width, std::uint8_t key)
    {
        const std::size_t n = width == 0 ? text.size() : std::min<std::size_t>(text.size(), std::size_t(width));
        for (std::size_t i = 0; i < n; ++i) PrjWriteByte(static_cast<std::uint8_t>(text[i]) ^ key);
        PrjWriteFill(width - static_cast<int>(n) > 0 ? width - static_cast<int>(n) : 0, 0);
    }
    // A chip or object-file name: its GBK bytes, cut where a character ends.
    void PrjWriteName(const std::string& name, int width, std::uint8_t key)
    {
        const std::string gbk = Utf8ToGbk(name);
        PrjWriteStr(gbk.substr(0, GbkCutLength(gbk, std::size_t(width))), width, key);
    }
    // A block key, then the data scrambled by the key table and that key; with
    // Rekey a new key follows every 1024th byte.
    void WriteBody(const std::uint8_t* data, std::size_t n, bool rekey)
    {
        std::uint8_t key = random_();
        PrjWriteByte(key);
        for (std::size_t j = 0; j < n; ++j) {
            PrjWriteByte(data[j] ^ PrjKeyTable[j % kKeyPeriod] ^ key);
            if (rekey && (j + 1) % kKeyPeriod == 0) {
                key = random_();
                PrjWriteByte(key);
            }
        }
    }
    // Appended without being summed.
    void WriteRaw(std::uint8_t b) { out_.push_back(b); }
    std::uint8_t Random() { return random_(); }
    const std::vector<std::uint8_t>& Bytes() const { return out_; }
    void Reserve(std::size_t n) { out_.reserve(n); }

private:
    const TPrjRandom& random_;
    std::vector<std::uint8_t> out_;
};

class TPrjReader {
public:
    TPrjReader(std::vector<std::uint8_t> bytes, const std::uint8_t* keyTable)
        : in_(std::move(bytes)), keys_(keyTable)
    {
    }

    // Bytes past the end read as 0 and mark the file as short.
    std::uint8_t ReadRaw()
    {
        if (pos_ < in_.size()) return in_[pos_++];
        short_ = true;
        return 0;
    }
    std::uint8_t PrjReadByte()
    {
        const std::uint8_t b = ReadRaw();
        PrjCheckSum += b;
        return b;
    }
    std::uint16_t PrjReadWord()
    {
        const std::uint8_t lo = PrjReadByte();
        return static_cast<std::uint16_t>(lo | (PrjReadByte() << 8));
    }
    std::uint32_t PrjReadDWord()
    {
        const std::uint16_t lo = PrjReadWord();
        return lo | (std::uint32_t(PrjReadWord()) << 16);
    }
    std::string PrjReadStr(int width, std::uint8_t key)
    {
        std::string text;
        bool ended = false;
        for (int i = 0; i < width; ++i) {
            const std::uint8_t b = PrjReadByte();
            if (b == 0) ended = true;
            if (!ended) text.push_back(static_cast<char>(b ^ key));
        }
        return text;
    }
    // A chip or object-file name field, read as GBK. A byte equal to the key
    // was written as 0: a zero byte with further text after it is such a byte,
    // and so is the zero after a last character's lead byte.
    std::string PrjReadName(int width, std::uint8_t key)
    {
        std::string gbk;
        std::size_t textEnd = 0;
        for (int i = 0; i < width; ++i) {
            const std::uint8_t b = PrjReadByte();
            gbk.push_back(static_cast<char>(b ^ key));
            if (b != 0) textEnd = gbk.size();
        }
        const std::size_t whole = GbkCutLength(gbk, textEnd);
        if (whole < textEnd && textEnd < gbk.size()) ++textEnd;  // the trail byte was the key
        gbk.resize(textEnd);
        return GbkToUtf8(gbk);
    }
    void PrjSkip(int count)
    {
        for (int i = 0; i < count; ++i) PrjReadByte();
    }
    void ReadBody(std::uint8_t* data, std::size_t n, bool rekey)
    {
        std::uint8_t key = PrjReadByte();
        for (std::size_t j = 0; j < n; ++j) {
            data[j] = PrjReadByte() ^ keys_[j % kKeyPeriod] ^ key;
            if (rekey && (j + 1) % kKeyPeriod == 0) key = PrjReadByte();
        }
    }
    bool Short() const { return short_; }

private:
    std::vector<std::uint8_t> in_;
    const std::uint8_t* keys_;
    std::size_t pos_ = 0;
    bool short_ = false;
};

bool ReadWholeFile(const std::string& fileName, std::vector<std::uint8_t>& bytes, std::string& error)
{
    std::FILE* f = std::fopen(fileName.c_str(), "rb");
    if (!f) {
        error = "Cannot open file \"" + fileName + "\". " + std::strerror(errno);
        return false;
    }
    std::uint8_t chunk[1 << 16];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) error = "Read error on \"" + fileName + "\".";
    return !failed;
}

// Reads the configuration section's limits: the sizes the chip set-up and the
// download would use must fit the buffers and the packet. The set-up derives
// the flash size from banks x block size x blocks for every family but the
// CY8CMBR and TT700 parts: theirs is fixed, and a TT700 image sets its own
// block count (256-byte blocks of a binary of up to 4 MiB, with six banks).
bool ConfigSizesFit(const std::uint8_t* block)
{
    const std::uint8_t family = block[cfg::FamilyCode];
    const bool sizeFromBanks = family != kFamilyMbr && family != kFamilyTt;
    const std::uint64_t setupBytes = std::uint64_t(block[cfg::BankNum]) * Get16(block + cfg::BlockSize) *
                                     Get16(block + cfg::BlockNum);
    return Get16(block + cfg::FlashSizeKB) <= kMaxFlashSizeKB && EepSizeCarried(Get16(block + cfg::EepSize)) &&
           (!sizeFromBanks || setupBytes <= kMainFlashBufSize);
}

// Parses the file into Img. Returns the result code; PrjCheckSum holds the
// running sum afterwards.
std::uint8_t ParseProject(TPrjReader& r, TPrjImage& img)
{
    PrjCheckSum = 0;
    if (r.PrjReadStr(kMagicLen, kPlainKey) != kMagic) return kPrjBadMagic;
    r.PrjSkip(2);  // format byte and model code: not checked
    img.Model = r.PrjReadStr(kModelNameWidth, kHeaderTextKey);
    img.ChipName = r.PrjReadName(kChipNameWidth, kHeaderTextKey);
    img.ObjFileName = r.PrjReadName(kObjNameWidth, kHeaderTextKey);
    r.PrjSkip(kZeroAfterNames);
    img.ChipAccSum = r.PrjReadWord();
    img.FileCheckSum = r.PrjReadWord();
    r.PrjSkip(kZeroAfterSums);
    r.PrjReadDWord();  // CountLimit: the configuration section restores it
    img.FileMinAddr = r.PrjReadDWord();
    img.FileMaxAddr = r.PrjReadDWord();
    r.PrjSkip(kZeroAfterRange);
    img.FlagsA = r.PrjReadByte();
    r.PrjReadByte();
    img.FlashBytes = r.PrjReadDWord();
    img.EepSize = r.PrjReadWord();
    img.EccSize = r.PrjReadWord();
    r.PrjSkip(kZeroAfterEcc);
    img.TargetStartAddr = r.PrjReadDWord();
    img.SecuSize = r.PrjReadWord();
    r.PrjSkip(kZeroAfterSecu);
    img.FlagsB = r.PrjReadByte();
    r.PrjReadByte();
    for (auto& s : img.Sums) s = static_cast<std::uint16_t>(r.PrjReadDWord());
    img.ChipAccSum = img.Sums[0];  // the later copy stays
    img.FileCheckSum = r.PrjReadWord();
    img.SNStep = r.PrjReadWord();
    r.PrjSkip(kZeroAfterStep);
    if (img.FlashBytes > kMainFlashBufSize || !EepSizeCarried(img.EepSize)) return kPrjCorrupted;
    for (auto& k : img.KeyTable) k = r.PrjReadByte();

    // A section's body is read only under its own tag. A tag that does not
    // match leaves the position where it is, so the next tag is read from
    // there; the last tag that does not match names the result.
    std::uint8_t result = kPrjOk;
    auto tagFound = [&r](const char* tag, std::uint8_t key) { return r.PrjReadStr(kTagLen, key) == tag; };
    if (!tagFound("CFG", kCfgKey)) {
        result = kPrjNoCfgTag;
    } else {
        r.ReadBody(img.Config, kConfigSectionSize, false);
        if (!ConfigSizesFit(img.Config)) return kPrjCorrupted;
    }
    if (!tagFound("MFM", kMfmKey)) {
        result = kPrjNoMfmTag;
    } else {
        img.Main.resize(img.FlashBytes);
        r.ReadBody(img.Main.data(), img.Main.size(), true);
    }
    struct TDataSection {
        const char* Tag;
        std::vector<std::uint8_t>* Data;
        std::size_t Capacity;
    };
    const TDataSection sections[] = {
        {"SEU", &img.Secu, kSecurityBufSize},
        {"EEP", &img.Eep, kEepSFlashBufSize},
        {"ECC", &img.Ecc, kEccWFlashBufSize},
    };
    for (const TDataSection& s : sections) {
        if (!tagFound(s.Tag, kDataKey)) {
            result = kPrjNoDataTag;
            continue;
        }
        const std::uint16_t len = r.PrjReadWord();
        if (len > s.Capacity) return kPrjCorrupted;
        if (s.Data == &img.Secu) img.SecuSize = len;
        s.Data->resize(len);
        if (len > 0) r.ReadBody(s.Data->data(), len, true);
    }
    std::uint32_t stored = 0;
    for (int i = 0; i < 4; ++i) stored |= std::uint32_t(r.ReadRaw()) << (8 * i);
    if (result != kPrjOk) return result;
    if (r.Short() || stored != PrjCheckSum) return kPrjCorrupted;
    return kPrjOk;
}

void CommitProject(const TPrjImage& img)
{
    ImageInfo.FromObjectFile = 0;
    std::memset(ImageBufs.MainFlashBuf, 0, kMainFlashBufSize);
    std::memset(ImageBufs.EepSFlashBuf, 0, kEepSFlashBufSize);
    std::memset(ImageBufs.EccWFlashBuf, 0, kEccWFlashBufSize);
    std::memset(ImageBufs.SecurityBuf, 0, kSecurityBufSize);
    ModelName = img.Model;
    CurChip.ChipName = img.ChipName;
    ImageInfo.ObjFileName = img.ObjFileName;
    ImageInfo.FileMinAddr = img.FileMinAddr;
    ImageInfo.FileMaxAddr = img.FileMaxAddr;
    PrjFlagsA = img.FlagsA;
    PrjFlashBytes = img.FlashBytes;
    CurChip.FlashSizeKB = static_cast<std::uint16_t>(img.FlashBytes / kBytesPerKB);
    CurChip.EepSize = img.EepSize;
    CurChip.EccSize = img.EccSize;
    ImageInfo.TargetStartAddr = img.TargetStartAddr;
    CurChip.SecuSize = img.SecuSize;
    PrjFlagsB = img.FlagsB;
    for (std::size_t i = 0; i < kSumCount; ++i) *kSumTargets[i] = img.Sums[i];
    Checksums.FileCheckSum = img.FileCheckSum;
    SNSettings.SNStep = img.SNStep;
    std::copy(std::begin(img.KeyTable), std::end(img.KeyTable), PrjKeyTable);
    std::copy(std::begin(img.Config), std::end(img.Config), ImageBufs.PrjConfigBlock);
    std::copy(img.Main.begin(), img.Main.end(), ImageBufs.MainFlashBuf);
    std::copy(img.Secu.begin(), img.Secu.end(), ImageBufs.SecurityBuf);
    std::copy(img.Eep.begin(), img.Eep.end(), ImageBufs.EepSFlashBuf);
    std::copy(img.Ecc.begin(), img.Ecc.end(), ImageBufs.EccWFlashBuf);
}

std::uint8_t Bit(std::uint8_t flags, int bit) { return static_cast<std::uint8_t>((flags >> bit) & 1u); }

}  // namespace

TPrjRandom DefaultPrjRandom()
{
    auto engine = std::make_shared<std::mt19937>(std::random_device{}());
    return [engine] { return static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, 254)(*engine)); };
}

std::string GetModelName(std::uint8_t modelCode)
{
    struct TModel {
        std::uint8_t Code;
        const char* Name;
    };
    static const TModel kModels[] = {{kPrjModelCode, "Telvic200CY"}};
    for (const TModel& m : kModels)
        if (m.Code == modelCode) return m.Name;
    return std::string();
}

bool SaveProjectFile(const std::string& fileName, std::uint8_t modelCode, const TPrjRandom& random, std::string* error)
{
    const std::uint32_t flashBytes =
        std::min<std::uint32_t>(std::uint32_t(CurChip.FlashSizeKB) * kBytesPerKB, kMainFlashBufSize);
    const std::uint16_t secuLen = static_cast<std::uint16_t>(std::min<std::size_t>(CurChip.SecuSize, kSecurityBufSize));
    TPrjWriter w(random);
    w.Reserve(flashBytes + flashBytes / kKeyPeriod + 16 * 1024);
    PrjCheckSum = 0;
    for (auto& k : PrjKeyTable) k = random();

    w.PrjWriteStr(kMagic, 0, kPlainKey);
    w.PrjWriteByte(kFormatByte);
    w.PrjWriteByte(modelCode);
    w.PrjWriteStr(GetModelName(modelCode), kModelNameWidth, kHeaderTextKey);
    w.PrjWriteName(CurChip.ChipName, kChipNameWidth, kHeaderTextKey);
    w.PrjWriteName(ImageInfo.ObjFileName, kObjNameWidth, kHeaderTextKey);
    w.PrjWriteFill(kZeroAfterNames, 0);
    w.PrjWriteWord(Checksums.ChipAccSum);
    w.PrjWriteWord(Checksums.FileCheckSum);
    w.PrjWriteFill(kZeroAfterSums, 0);
    w.PrjWriteDWord(SNSettings.CountLimit);
    w.PrjWriteDWord(ImageInfo.FileMinAddr);
    w.PrjWriteDWord(ImageInfo.FileMaxAddr);
    w.PrjWriteFill(kZeroAfterRange, 0);
    w.PrjWriteByte(PrjFlagsA);
    w.PrjWriteByte(0);
    w.PrjWriteDWord(flashBytes);
    w.PrjWriteWord(CurChip.EepSize);
    w.PrjWriteWord(CurChip.EccSize);
    w.PrjWriteFill(kZeroAfterEcc, 0);
    w.PrjWriteDWord(ImageInfo.TargetStartAddr);
    w.PrjWriteWord(CurChip.SecuSize);
    w.PrjWriteFill(kZeroAfterSecu, 0);
    w.PrjWriteByte(PrjFlagsB);
    w.PrjWriteByte(0);
    for (const std::uint16_t* s : kSumTargets) w.PrjWriteDWord(*s);
    w.PrjWriteWord(Checksums.FileCheckSum);
    w.PrjWriteWord(SNSettings.SNStep);
    w.PrjWriteFill(kZeroAfterStep, 0);
    for (std::size_t i = 0; i < kKeyTableStored; ++i) w.PrjWriteByte(PrjKeyTable[i]);

    w.PrjWriteStr("CFG", 0, kCfgKey);
    {
        // The block key comes first; the block itself is built fresh, as for a download.
        const std::uint8_t key = w.Random();
        w.PrjWriteByte(key);
        TelvicCmdChk[0].BuildConfigBlock();
        const std::uint8_t* block = Channels[0].PktBuf + kConfigPktOffset;
        for (std::size_t j = 0; j < kConfigSectionSize; ++j) w.PrjWriteByte(block[j] ^ PrjKeyTable[j] ^ key);
    }
    w.PrjWriteStr("MFM", 0, kMfmKey);
    w.WriteBody(ImageBufs.MainFlashBuf, flashBytes, true);
    struct TDataSection {
        const char* Tag;
        const std::uint8_t* Data;
        std::uint16_t Len;
    };
    const TDataSection sections[] = {
        {"SEU", ImageBufs.SecurityBuf, secuLen},
        {"EEP", ImageBufs.EepSFlashBuf, CurChip.EepSize},
        {"ECC", ImageBufs.EccWFlashBuf, CurChip.EccSize},
    };
    for (const TDataSection& s : sections) {
        w.PrjWriteStr(s.Tag, 0, kDataKey);
        w.PrjWriteWord(s.Len);
        if (s.Len > 0) w.WriteBody(s.Data, s.Len, true);
    }
    const std::uint32_t sum = PrjCheckSum;
    for (int i = 0; i < 4; ++i) w.WriteRaw(static_cast<std::uint8_t>(sum >> (8 * i)));
    for (std::size_t i = 0; i < kTailSize; ++i) w.WriteRaw(w.Random());
    PrjFlashBytes = flashBytes;

    std::FILE* f = std::fopen(fileName.c_str(), "wb");
    if (!f) {
        if (error) *error = "Cannot create file \"" + fileName + "\". " + std::strerror(errno);
        return false;
    }
    const auto& bytes = w.Bytes();
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool closed = std::fclose(f) == 0;
    if (!ok || !closed) {
        if (error) *error = "Write error on \"" + fileName + "\".";
        return false;
    }
    return true;
}

std::uint8_t LoadProjectFile(const std::string& fileName, TPrjMessages& messages)
{
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!ReadWholeFile(fileName, bytes, error)) {
        messages.ErrorMessage(error);
        return kPrjFileError;
    }
    auto img = std::make_unique<TPrjImage>();
    TPrjReader reader(std::move(bytes), img->KeyTable);
    const std::uint8_t result = ParseProject(reader, *img);
    if (result == kPrjBadMagic) {
        messages.PlainMessage("Not Valid Orvane Project File");
        return result;
    }
    if (result != kPrjOk) {
        messages.PlainMessage("Project File Data Has Been Corrupted!");
        return result;
    }
    CommitProject(*img);
    messages.PlainMessage("Project File Open Success!");
    return kPrjOk;
}

void UnpackConfigBlock()
{
    const std::uint8_t* b = ImageBufs.PrjConfigBlock;
    CtrlSettings.OptionBits2 = b[cfg::OptionBits2];
    CtrlSettings.PowerUpTime = b[cfg::PowerUpTime];
    CurChip.FamilyCode = b[cfg::FamilyCode];
    CurChip.ChipIndex = b[cfg::ChipIndex];
    CtrlSettings.AutoDetect = b[cfg::AutoDetect] != 0 ? 1 : 0;
    CtrlSettings.ProgAddr1 = b[cfg::ProgAddr1];
    CtrlSettings.ProgAddr2 = b[cfg::ProgAddr2];
    std::memcpy(CtrlSettings.WoLatch, b + cfg::WoLatch, sizeof CtrlSettings.WoLatch);
    CurChip.FlashSizeKB = Get16(b + cfg::FlashSizeKB);
    CurChip.BlockNum = Get16(b + cfg::BlockNum);
    CurChip.BlockSize = Get16(b + cfg::BlockSize);
    std::memcpy(CtrlSettings.NvLatch, b + cfg::NvLatch, sizeof CtrlSettings.NvLatch);
    CurChip.ModeByte = b[cfg::ModeByte];
    CtrlSettings.OptionBits1 = b[cfg::OptionBits1];
    CurChip.BankNum = b[cfg::BankNum];
    CurChip.ChipID1 = Get16(b + cfg::ChipID1);
    CurChip.ChipID2 = Get16(b + cfg::ChipID2);
    CtrlSettings.ChipProtect = b[cfg::ChipProtect];
    CurChip.OptByte = b[cfg::OptByte];
    CurChip.FlagByte = b[cfg::FlagByte];
    CtrlSettings.StartDelay = Get16(b + cfg::StartDelay);
    CtrlSettings.RemoveDelay = Get16(b + cfg::RemoveDelay);
    Checksums.ChipCrcSum = Get16(b + cfg::ChipCrcSum);
    Checksums.ChipAccSum = Get16(b + cfg::ChipAccSum);
    Checksums.EepCrcSum = Get16(b + cfg::EepCrcSum);
    Checksums.EepAccSum = Get16(b + cfg::EepAccSum);
    Checksums.SecuCrcSum = Get16(b + cfg::SecuCrcSum);
    Checksums.SecuAccSum = Get16(b + cfg::SecuAccSum);
    Checksums.EccAccSum = Get16(b + cfg::EccAccSum);
    CurChip.EepSize = Get16(b + cfg::EepSize);
    SNSettings.SNMode = b[cfg::SNMode];
    SNSettings.SNSize = b[cfg::SNSize];
    SNSettings.SNRoundStep = Get16(b + cfg::SNRoundStep);
    SNSettings.SNAddr = Get32(b + cfg::SNAddr);
    SNSettings.SNValue = Get32(b + cfg::SNValue);
    SNSettings.CountLimitOn = b[cfg::CountLimitOn];
    SNSettings.CountLimit = Get32(b + cfg::CountLimit);
    std::memcpy(ImageBufs.SecurityBuf, b + cfg::Security, cfg::SecurityLen);
}

TPrjDialogTexts PrjSaveDialogTexts(TBuildLang lang)
{
    if (lang == TBuildLang::English)
        return {"PRJ", "Telvicxx Project File(*.prj)", "Save to Telvic200xx Project File"};
    return {"PTV", "Telvicxx Project File(*.PTV)", "Save to Telvic200xx Project File"};
}

TPrjDialogTexts PrjOpenDialogTexts(TBuildLang lang)
{
    if (lang == TBuildLang::English)
        return {"*.prj", "Telvicxx Project Files(*.prj)", "Open Telvic200xx Project File"};
    return {"*.PTV", "Telvicxx Project Files(*.PTV)", "Open Telvic200xx Project File"};
}

void SavetoProjectFile1Click(TProjectHost& host, TLogSink* log, const TPrjRandom& random)
{
    host.FocusPanelBtns();
    if (ChipSelected == 0) {
        host.InformationMessage("请选择并确认芯片型号！");
        return;
    }
    if (ObjFileLoaded == 0) {
        host.InformationMessage("请加载目标文件！");
        return;
    }
    std::string fileName;
    if (!host.AskSaveFileName(fileName)) return;
    try {
        host.CollectSettings();
    } catch (const EConvertError& e) {
        host.ErrorMessage(e.what());
        return;
    }
    PrjFlagsA = static_cast<std::uint8_t>(CtrlSettings.WriteEep + 2 * CtrlSettings.WriteWFlash +
                                          4 * ImageInfo.EccPresent + 8 * ImageInfo.EepPresent);
    PrjFlagsB = static_cast<std::uint8_t>(CurChip.Opt0 + 2 * CurChip.Opt1 + 4 * CurChip.Opt2 + 8 * CurChip.Opt3 +
                                          16 * ImageInfo.EccInFile + 32 * ImageInfo.HexInfoPresent +
                                          64 * ReservedFlag6 + 128 * ReservedFlag7);
    std::string error;
    if (!SaveProjectFile(fileName, kPrjModelCode, random, &error)) {
        host.ErrorMessage(error);
        return;
    }
    const std::string text = "Created Project File : " + fileName;
    host.PlainMessage(text);
    if (log) log->LogLine(text);
}

void SpdBtnLoaddPrjClick(TProjectHost& host, TLogSink* log)
{
    std::string fileName;
    if (!host.AskOpenFileName(fileName)) return;
    if (log) log->LogLine("Load Orvane Project file of \"" + fileName + "\" at ");
    if (LoadProjectFile(fileName, host) != kPrjOk) return;
    ObjFileLoaded = 1;
    CtrlSettings.WriteEep = Bit(PrjFlagsA, 0);
    CtrlSettings.WriteWFlash = Bit(PrjFlagsA, 1);
    ImageInfo.EccPresent = Bit(PrjFlagsA, 2);
    ImageInfo.EepPresent = Bit(PrjFlagsA, 3);
    CurChip.Opt0 = Bit(PrjFlagsB, 0);
    CurChip.Opt1 = Bit(PrjFlagsB, 1);
    CurChip.Opt2 = Bit(PrjFlagsB, 2);
    CurChip.Opt3 = Bit(PrjFlagsB, 3);
    ImageInfo.EccInFile = Bit(PrjFlagsB, 4);
    ImageInfo.HexInfoPresent = Bit(PrjFlagsB, 5);
    ReservedFlag6 = Bit(PrjFlagsB, 6);
    ReservedFlag7 = Bit(PrjFlagsB, 7);
    UnpackConfigBlock();
    host.SetChipNameAndSetup(CurChip.ChipName);
    host.SetFileNamePanel(ImageInfo.ObjFileName);
    UnpackConfigBlock();  // the project's values win over what the chip set-up changed
    host.UpdateAfterLoad();
    host.ApplyProjectSettings();
}
