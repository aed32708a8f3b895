// ParseCyHex: Intel HEX records into the shared image buffers, by the address
// layout of the chip family. Every store is bounds-checked against its buffer.
#include "app/ParseCyHex.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "link/DefinCyX4.h"

namespace {

// Record layout: ':' count(1-2) address(3-6) type(7-8) data from 9.
constexpr std::size_t kCountPos = 1;
constexpr std::size_t kAddrHiPos = 3;
constexpr std::size_t kAddrLoPos = 5;
constexpr std::size_t kTypePos = 7;
constexpr std::size_t kDataPos = 9;
constexpr std::size_t kHeaderChars = 9;
constexpr std::size_t kMinReadLineChars = 5;  // shorter lines are skipped (not in layout F0)
constexpr std::size_t kReadChunk = 1 << 16;
constexpr std::size_t kMaxRecordBytes = 256;  // the count field is one byte
// No record reaches beyond character 520; a longer line crossing a chunk
// boundary keeps only this much, so a file without line ends cannot fill memory.
constexpr std::size_t kMaxCarriedLineChars = 4096;

// Fixed checksum positions of the metadata records.
constexpr std::size_t kCheckAfterTwoBytes = 13;
constexpr std::size_t kCheckAfterFourBytes = 17;
constexpr std::size_t kCheckAfterSevenBytes = 23;
constexpr std::size_t kCheckAfterTwelveBytes = 33;

constexpr std::uint8_t kTypeData = 0;
constexpr std::uint8_t kTypeEof = 1;
constexpr std::uint8_t kTypeExtSegment = 2;
constexpr std::uint8_t kTypeStartSegment = 3;
constexpr std::uint8_t kTypeExtLinear = 4;
constexpr std::uint8_t kTypeStartLinear = 5;

constexpr std::uint32_t kSegmentShift = 4;
constexpr std::uint32_t kLinearShift = 16;

// Regions (values of the extended address).
constexpr std::uint32_t kMainLimit = 0x100000;
constexpr std::uint32_t kP1Security = 0x100000;
constexpr std::uint32_t kP1FileChecksum = 0x200000;
constexpr std::uint32_t kEccRegion = 0x80000000;
constexpr std::uint32_t kNvLatchRegion = 0x90000000;
constexpr std::uint32_t kWoLatchRegion = 0x90100000;
constexpr std::uint32_t kEepRegion = 0x90200000;
constexpr std::uint32_t kChecksumRegion = 0x90300000;
constexpr std::uint32_t kSecurityRegion = 0x90400000;
constexpr std::uint32_t kMetaRegion = 0x90500000;
constexpr std::uint32_t kProtectRegion = 0x90600000;
constexpr std::uint32_t kEfuseRegion = 0x90700000;
constexpr std::uint32_t kP6AreaMask = 0xFF000000;
constexpr std::uint32_t kP6MainArea = 0x10000000;
constexpr std::uint32_t kP6WorkFlashArea = 0x14000000;
constexpr std::uint32_t kP6SFlashArea = 0x16000000;
constexpr std::uint32_t kP6OffsetMask = 0xFFFFFF;

constexpr std::uint32_t kP1SecurityMask = 0xFFF;
constexpr std::uint32_t kOffsetMask16 = 0xFFFF;
constexpr std::uint32_t kNoMask = 0xFFFFFFFF;

constexpr std::uint8_t kMaxChecksumCount = 2;
constexpr std::uint8_t kMaxLatchCount = 4;
constexpr std::uint8_t kProtectCount = 1;
constexpr std::size_t kLatchBytes = 4;
constexpr std::size_t kP4MetaBytes = 12;
constexpr std::size_t kF0MetaBytes = 7;

// Supervisory-flash parts by their first offset, tested from the top.
constexpr std::uint32_t kToc2Start = 0x7C00;
constexpr std::uint32_t kPubKeyStart = 0x5A00;
constexpr std::uint32_t kNarStart = 0x1A00;
constexpr std::uint32_t kUserRowsStart = 0x0800;
constexpr std::uint32_t kPubKeyLenBase = 0x59FF;

constexpr char kDataErrorFormat[] = "Data Error : %d.";
constexpr char kChecksumErrorText[] = "CheckSum Error: ";
constexpr char kFormatErrorText[] = "Format Error: ";

// Digit values as HexPairToByte defines them, one per character code.
constexpr std::array<std::uint8_t, 256> MakeDigitTable()
{
    std::array<std::uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
        if (c >= 'A' && c <= 'Z')
            t[c] = static_cast<std::uint8_t>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'z')
            t[c] = static_cast<std::uint8_t>(c - 'a' + 10);
        else
            t[c] = static_cast<std::uint8_t>(c - '0');
    }
    return t;
}
constexpr std::array<std::uint8_t, 256> kDigit = MakeDigitTable();

std::uint16_t Be16(std::uint8_t first, std::uint8_t second)
{
    return static_cast<std::uint16_t>(first << 8 | second);
}
std::uint16_t Le16(std::uint8_t first, std::uint8_t second)
{
    return static_cast<std::uint16_t>(second << 8 | first);
}

// One decoded record line. Every access first asks Has() for the characters it
// needs, so nothing beyond the line is read.
struct TRecord {
    std::string_view line;
    std::uint8_t count = 0;
    std::uint16_t addr = 0;
    std::uint8_t type = 0;
    std::uint8_t sum = 0;
    std::uint8_t data[kMaxRecordBytes];  // the bytes decoded by Decode()

    bool Has(std::size_t chars) const { return line.size() >= chars; }
    std::uint8_t At(std::size_t pos) const { return HexPairToByte(line[pos], line[pos + 1]); }
    static std::size_t DataEnd(std::size_t n) { return kDataPos + 2 * n; }

    // Decodes n data bytes into data[] and adds them to the sum; false when the
    // line is too short.
    bool Decode(std::size_t n)
    {
        if (!Has(DataEnd(n))) return false;
        for (std::size_t i = 0; i < n; ++i) {
            data[i] = At(kDataPos + 2 * i);
            sum = static_cast<std::uint8_t>(sum + data[i]);
        }
        return true;
    }
    // Adds the checksum pair at pos; false when the line is too short.
    bool AddCheck(std::size_t pos)
    {
        if (!Has(pos + 2)) return false;
        sum = static_cast<std::uint8_t>(sum + At(pos));
        return true;
    }
};

// Code of a record of n decoded bytes with its checksum pair at pos.
std::uint8_t CheckRecord(TRecord& r, std::size_t n, std::size_t pos)
{
    if (!r.Decode(n) || !r.AddCheck(pos)) return kHexFormatError;
    return r.sum == 0 ? kHexRecordOk : kHexChecksumError;
}

// A plain data record: all count bytes, checksum right after them.
std::uint8_t CheckDataRecord(TRecord& r)
{
    return CheckRecord(r, r.count, TRecord::DataEnd(r.count));
}

// True when every index (start + i) & mask, i < count, lies inside size bytes
// (always for count 0: nothing is written).
bool Fits(std::uint32_t start, std::uint32_t count, std::uint32_t mask, std::size_t size)
{
    if (count == 0) return true;
    if (mask == kNoMask) return static_cast<std::uint64_t>(start) + count <= size;
    for (std::uint32_t i = 0; i < count; ++i)
        if (((start + i) & mask) >= size) return false;
    return true;
}

void Store(const TRecord& r, std::uint8_t* buf, std::uint32_t start, std::uint32_t mask)
{
    if (r.count == 0) return;
    if (mask == kNoMask) {
        std::memcpy(buf + start, r.data, r.count);
        return;
    }
    for (std::uint32_t i = 0; i < r.count; ++i) buf[(start + i) & mask] = r.data[i];
}

// A checked data record stored at (start + i) & mask of a buffer: code 4 or 1
// before anything is stored, 7 when a byte would fall outside the buffer.
template <std::size_t N>
std::uint8_t StoreChecked(TRecord& r, std::uint8_t (&buf)[N], std::uint32_t start, std::uint32_t mask)
{
    const std::uint8_t code = CheckDataRecord(r);
    if (code != kHexRecordOk) return code;
    if (!Fits(start, r.count, mask, N)) return kHexRegionError;
    Store(r, buf, start, mask);
    return kHexRecordOk;
}

enum class TBookkeeping { Exclusive, P6, F0Inclusive };

void BookMainRange(TBookkeeping kind, std::uint32_t a, std::uint32_t count)
{
    auto& info = ImageInfo;
    if (a < info.FileMinAddr) info.FileMinAddr = a;
    std::uint32_t end = 0;
    switch (kind) {
    case TBookkeeping::Exclusive:
        end = info.FileMinAddr + a + count;
        if (end > info.FileMaxAddr) info.FileMaxAddr = end;
        break;
    case TBookkeeping::P6:
        end = info.FileMinAddr + (a & kP6OffsetMask) + count;
        if (end > info.FileMaxAddr) info.FileMaxAddr = end;
        break;
    case TBookkeeping::F0Inclusive:
        if (a + count > info.FileMaxAddr) info.FileMaxAddr = a + count - 1;
        break;
    }
}

// Main data below 0x100000 (layouts P1, P4, P35, F0).
std::uint8_t StoreMain(TRecord& r, std::uint32_t ext, TBookkeeping kind)
{
    const std::uint32_t a = ext + r.addr;
    const std::uint8_t code = StoreChecked(r, ImageBufs.MainFlashBuf, a, kNoMask);
    if (code == kHexRecordOk) BookMainRange(kind, a, r.count);
    return code;
}

// Security data at a 16-bit offset (layouts P4, P35): SecuSize follows the end.
std::uint8_t StoreSecurity16(TRecord& r)
{
    const std::uint8_t code = StoreChecked(r, ImageBufs.SecurityBuf, r.addr, kOffsetMask16);
    if (code == kHexRecordOk) CurChip.SecuSize = static_cast<std::uint16_t>((r.addr + r.count) & kOffsetMask16);
    return code;
}

// The two-byte file checksum record at 0x90300000. A count above 2 keeps its
// old effect: the field reads 0 and the record gives 7.
template <class MarkFlags>
std::uint8_t ParseChecksumRecord(TRecord& r, MarkFlags mark)
{
    if (r.count > kMaxChecksumCount) {
        mark();
        Checksums.FileCheckSum = 0;
        return kHexRegionError;
    }
    const std::uint8_t code = CheckRecord(r, 2, kCheckAfterTwoBytes);
    if (code != kHexRecordOk) return code;
    mark();
    Checksums.FileCheckSum = Be16(r.data[0], r.data[1]);
    return kHexRecordOk;
}

// The 12-byte metadata record of layouts P4 and P6 (IDs little-endian, ID 1 first).
std::uint8_t ParseP4Metadata(TRecord& r)
{
    const std::uint8_t code = CheckRecord(r, kP4MetaBytes, kCheckAfterTwelveBytes);
    if (code != kHexRecordOk) return code;
    ImageInfo.HexInfoPresent = 1;
    ImageInfo.HexFileVersion = Be16(r.data[0], r.data[1]);
    CurChip.ChipID1 = Le16(r.data[2], r.data[3]);
    CurChip.ChipID2 = Le16(r.data[4], r.data[5]);
    return kHexRecordOk;
}

// The common record handling of all layouts; Data handles type 0.
template <class Data>
std::uint8_t ParseRecord(std::string_view line, std::uint32_t& ext, bool testLinearAddress, Data data)
{
    if (line.empty() || line[0] != ':') return kHexFormatError;
    if (line.size() < kHeaderChars) return kHexFormatError;
    TRecord r;
    r.line = line;
    r.count = r.At(kCountPos);
    const std::uint8_t hi = r.At(kAddrHiPos);
    const std::uint8_t lo = r.At(kAddrLoPos);
    r.type = r.At(kTypePos);
    r.addr = Be16(hi, lo);
    r.sum = static_cast<std::uint8_t>(r.count + hi + lo + r.type);

    switch (r.type) {
    case kTypeData:
        return data(r, ext);
    case kTypeExtSegment:
    case kTypeExtLinear: {
        if (r.addr != 0 && (r.type == kTypeExtSegment || testLinearAddress)) return kHexAddressError;
        // The base is taken before the checksum is tested: after a damaged base
        // record the records that follow still land where the file put them.
        if (!r.Decode(2)) return kHexFormatError;
        const std::uint32_t base = Be16(r.data[0], r.data[1]);
        ext = base << (r.type == kTypeExtSegment ? kSegmentShift : kLinearShift);
        if (!r.AddCheck(kCheckAfterTwoBytes)) return kHexFormatError;
        return r.sum == 0 ? kHexRecordOk : kHexChecksumError;
    }
    case kTypeEof:
    case kTypeStartSegment:
    case kTypeStartLinear:
        return kHexRecordOk;
    default:
        return kHexTypeError;
    }
}

}  // namespace

THexLayout HexLayoutForFamily(std::uint8_t FamilyCode)
{
    constexpr std::uint8_t kFamilyMbr = 0x00;
    constexpr std::uint8_t kFamilyPsoc6First = 0xD8;
    constexpr std::uint8_t kFamilyPsoc3 = 0x80;
    constexpr std::uint8_t kFamilyPsoc5 = 0xD0;
    constexpr std::uint8_t kFamilyP4First = 0xA0;
    if (FamilyCode == kFamilyMbr) return THexLayout::F0;
    if (FamilyCode >= kFamilyPsoc6First) return THexLayout::P6;
    if (FamilyCode == kFamilyPsoc3 || FamilyCode == kFamilyPsoc5) return THexLayout::P35;
    if (FamilyCode >= kFamilyP4First) return THexLayout::P4;
    return THexLayout::P1;
}

std::uint8_t HexPairToByte(char Hi, char Lo)
{
    return static_cast<std::uint8_t>(16 * kDigit[static_cast<std::uint8_t>(Hi)] +
                                     kDigit[static_cast<std::uint8_t>(Lo)]);
}

std::uint32_t SumBytes32(const std::uint8_t* Buffer, std::uint32_t First, std::uint32_t Last)
{
    if (Last < First) return 0;
    std::uint32_t sum = 0;
    for (std::uint32_t i = First;; ++i) {
        sum += Buffer[i];
        if (i == Last) break;
    }
    return sum;
}

std::uint8_t ParseHexLineP1(std::string_view Line, std::uint32_t& ExtAddr)
{
    return ParseRecord(Line, ExtAddr, true, [](TRecord& r, std::uint32_t ext) -> std::uint8_t {
        if (ext < kMainLimit) return StoreMain(r, ext, TBookkeeping::Exclusive);
        if (ext == kP1Security) {
            const std::uint8_t code = StoreChecked(r, ImageBufs.SecurityBuf, r.addr, kP1SecurityMask);
            if (code == kHexRecordOk)
                CurChip.SecuSize = static_cast<std::uint16_t>((r.addr + r.count) & kP1SecurityMask);
            return code;
        }
        if (ext == kP1FileChecksum) {
            const std::uint8_t code = CheckRecord(r, 2, TRecord::DataEnd(r.count));
            if (code == kHexRecordOk) Checksums.FileCheckSum = Be16(r.data[0], r.data[1]);
            return code;
        }
        const std::uint8_t code = CheckDataRecord(r);
        return code == kHexRecordOk ? kHexRegionError : code;
    });
}

std::uint8_t ParseHexLineP4(std::string_view Line, std::uint32_t& ExtAddr)
{
    return ParseRecord(Line, ExtAddr, false, [](TRecord& r, std::uint32_t ext) -> std::uint8_t {
        auto& info = ImageInfo;
        if (ext < kMainLimit) return StoreMain(r, ext, TBookkeeping::Exclusive);
        switch (ext) {
        case kChecksumRegion:
            return ParseChecksumRecord(r, [&] { info.HexInfoPresent = 1; });
        case kSecurityRegion: {
            const std::uint8_t code = StoreSecurity16(r);
            if (code == kHexRecordOk) info.HexInfoPresent = 1;
            return code;
        }
        case kMetaRegion:
            return ParseP4Metadata(r);
        case kProtectRegion: {
            if (r.count != kProtectCount) {
                info.HexInfoPresent = 1;
                return kHexRegionError;
            }
            const std::uint8_t code = CheckDataRecord(r);
            if (code != kHexRecordOk) return code;
            info.HexInfoPresent = 1;
            CtrlSettings.ChipProtect = r.data[0];
            return kHexRecordOk;
        }
        default:
            return kHexRecordOk;
        }
    });
}

std::uint8_t ParseHexLineP35(std::string_view Line, std::uint32_t& ExtAddr)
{
    return ParseRecord(Line, ExtAddr, false, [](TRecord& r, std::uint32_t ext) -> std::uint8_t {
        auto& info = ImageInfo;
        if (ext < kMainLimit) return StoreMain(r, ext, TBookkeeping::Exclusive);
        switch (ext) {
        case kEccRegion: {
            const std::uint8_t code = StoreChecked(r, ImageBufs.EccWFlashBuf, r.addr, kOffsetMask16);
            if (code == kHexRecordOk) info.EccInFile = info.EccPresent = 1;
            return code;
        }
        case kNvLatchRegion:
        case kWoLatchRegion: {
            if (r.count > kMaxLatchCount) {
                info.EccInFile = 1;
                Checksums.FileCheckSum = 0;
                return kHexRegionError;
            }
            const std::uint8_t code = CheckRecord(r, kLatchBytes, kCheckAfterFourBytes);
            if (code != kHexRecordOk) return code;
            info.EccInFile = 1;
            Checksums.FileCheckSum = 0;
            std::memcpy(ext == kNvLatchRegion ? CtrlSettings.NvLatch : CtrlSettings.WoLatch, r.data, kLatchBytes);
            return kHexRecordOk;
        }
        case kEepRegion: {
            const std::uint8_t code = StoreChecked(r, ImageBufs.EepSFlashBuf, r.addr, kOffsetMask16);
            if (code == kHexRecordOk) info.EccInFile = info.EepPresent = 1;
            return code;
        }
        case kChecksumRegion:
            return ParseChecksumRecord(r, [&] { info.EccInFile = info.HexInfoPresent = 1; });
        case kSecurityRegion: {
            const std::uint8_t code = StoreSecurity16(r);
            if (code == kHexRecordOk) info.EccInFile = 1;
            return code;
        }
        case kMetaRegion: {
            const std::uint8_t code = CheckRecord(r, kP4MetaBytes, kCheckAfterTwelveBytes);
            if (code != kHexRecordOk) return code;
            info.EccInFile = 1;
            info.HexFileVersion = Be16(r.data[0], r.data[1]);
            CurChip.ChipID2 = Be16(r.data[2], r.data[3]);
            CurChip.ChipID1 = Be16(r.data[4], r.data[5]);
            return kHexRecordOk;
        }
        default:
            return kHexRecordOk;
        }
    });
}

std::uint8_t ParseHexLineF0(std::string_view Line, std::uint32_t& ExtAddr)
{
    return ParseRecord(Line, ExtAddr, false, [](TRecord& r, std::uint32_t ext) -> std::uint8_t {
        if (ext < kMainLimit) return StoreMain(r, ext, TBookkeeping::F0Inclusive);
        switch (ext) {
        case kChecksumRegion:
            return ParseChecksumRecord(r, [] {});
        case kMetaRegion: {
            const std::uint8_t code = CheckRecord(r, kF0MetaBytes, kCheckAfterSevenBytes);
            if (code != kHexRecordOk) return code;
            ImageInfo.HexFileVersion = Be16(r.data[0], r.data[1]);
            CtrlSettings.ProgAddr1 = r.data[2];
            CtrlSettings.ProgAddr2 = r.data[3];
            CurChip.ChipID1 = Be16(r.data[4], r.data[5]);
            CurChip.ChipID2 = r.data[6];
            return kHexRecordOk;
        }
        default:
            return kHexRecordOk;
        }
    });
}

std::uint8_t ParseHexLineP6(std::string_view Line, std::uint32_t& ExtAddr)
{
    return ParseRecord(Line, ExtAddr, false, [](TRecord& r, std::uint32_t ext) -> std::uint8_t {
        auto& info = ImageInfo;
        switch (ext & kP6AreaMask) {
        case kP6MainArea: {
            const std::uint32_t a = ext + r.addr;
            const std::uint8_t code = StoreChecked(r, ImageBufs.MainFlashBuf, a & kP6OffsetMask, kNoMask);
            if (code != kHexRecordOk) return code;
            info.HexInfoPresent = 1;
            BookMainRange(TBookkeeping::P6, a, r.count);
            return kHexRecordOk;
        }
        case kP6WorkFlashArea: {
            const std::uint8_t code = StoreChecked(r, ImageBufs.EccWFlashBuf, r.addr, kOffsetMask16);
            if (code == kHexRecordOk) info.HexInfoPresent = info.WFlashPresent = 1;
            return code;
        }
        case kP6SFlashArea: {
            const std::uint8_t code = StoreChecked(r, ImageBufs.EepSFlashBuf, r.addr, kOffsetMask16);
            if (code != kHexRecordOk) return code;
            info.HexInfoPresent = 1;
            if (r.addr >= kToc2Start)
                info.Toc2Present = 1;
            else if (r.addr >= kPubKeyStart)
                info.PubKeyPresent = 1;
            else if (r.addr >= kNarStart)
                info.NarPresent = 1;
            else if (r.addr >= kUserRowsStart)
                info.UserRowsPresent = 1;
            const std::uint32_t end = (r.addr + r.count) & kOffsetMask16;
            if (end >= kPubKeyStart) info.PubKeyLen = static_cast<std::uint16_t>(end - kPubKeyLenBase);
            return kHexRecordOk;
        }
        default:
            break;
        }
        switch (ext) {
        case kChecksumRegion:
            return ParseChecksumRecord(r, [&] { info.HexInfoPresent = 1; });
        case kMetaRegion:
            return ParseP4Metadata(r);
        case kEfuseRegion: {
            const std::uint8_t code = StoreChecked(r, ImageBufs.SecurityBuf, r.addr, kOffsetMask16);
            if (code == kHexRecordOk) info.HexInfoPresent = 1;
            return code;
        }
        default:
            return kHexRecordOk;
        }
    });
}

std::uint8_t ParseHexLine(THexLayout Layout, std::string_view Line, std::uint32_t& ExtAddr)
{
    switch (Layout) {
    case THexLayout::P1: return ParseHexLineP1(Line, ExtAddr);
    case THexLayout::P4: return ParseHexLineP4(Line, ExtAddr);
    case THexLayout::P35: return ParseHexLineP35(Line, ExtAddr);
    case THexLayout::F0: return ParseHexLineF0(Line, ExtAddr);
    case THexLayout::P6: return ParseHexLineP6(Line, ExtAddr);
    }
    return kHexFormatError;
}

THexLineReader::THexLineReader() : buf_(kReadChunk) {}

THexLineReader::~THexLineReader()
{
    if (file_) std::fclose(file_);
}

bool THexLineReader::Open(const std::string& FileName)
{
    file_ = std::fopen(FileName.c_str(), "rb");
    if (!file_) {
        failed_ = true;
        errorText_ = std::strerror(errno);
        return false;
    }
    Fill();
    return !failed_;
}

bool THexLineReader::Fill()
{
    pos_ = end_ = 0;
    if (eof_ || failed_ || !file_) return false;
    errno = 0;
    end_ = std::fread(buf_.data(), 1, buf_.size(), file_);
    if (end_ == 0) {
        if (std::ferror(file_)) {
            failed_ = true;
            errorText_ = std::strerror(errno ? errno : EIO);
        } else {
            eof_ = true;
        }
        return false;
    }
    return true;
}

void THexLineReader::Carry(const char* begin, const char* end)
{
    const std::size_t room = kMaxCarriedLineChars - std::min(carry_.size(), kMaxCarriedLineChars);
    carry_.append(begin, std::min(static_cast<std::size_t>(end - begin), room));
}

bool THexLineReader::NextLine(std::string_view& Line)
{
    carry_.clear();
    bool carrying = false;
    for (;;) {
        if (pos_ == end_ && !Fill()) {
            if (failed_ || !carrying) return false;
            Line = carry_;
            return true;
        }
        if (skipLf_) {
            skipLf_ = false;
            if (buf_[pos_] == '\n') {
                ++pos_;
                continue;
            }
        }
        const char* begin = buf_.data() + pos_;
        const char* stop = buf_.data() + end_;
        const char* p = begin;
        while (p != stop && *p != '\n' && *p != '\r') ++p;
        if (p == stop) {
            Carry(begin, p);
            carrying = true;
            pos_ = end_;
            continue;
        }
        skipLf_ = *p == '\r';
        pos_ = static_cast<std::size_t>(p - buf_.data()) + 1;
        if (carrying) {
            Carry(begin, p);
            Line = carry_;
        } else {
            Line = std::string_view(begin, static_cast<std::size_t>(p - begin));
        }
        return true;
    }
}

THexReadResult ReadHexFile(THexLayout Layout, THexLineReader& Reader, TErrorBoxHost& Boxes)
{
    if (Layout == THexLayout::F0) CurChip.EccSize = 0;
    if (Layout == THexLayout::P35) ImageInfo.EccPresent = ImageInfo.EepPresent = 0;
    std::uint32_t ext = 0;
    std::string_view line;
    while (Reader.NextLine(line)) {
        if (Layout != THexLayout::F0 && line.size() < kMinReadLineChars) continue;
        const std::uint8_t code = ParseHexLine(Layout, line, ext);
        if (code == kHexRecordOk) continue;
        if (Layout == THexLayout::P35 && (code == kHexChecksumError || code == kHexFormatError)) {
            std::string text = code == kHexChecksumError ? kChecksumErrorText : kFormatErrorText;
            text += '"';
            text.append(line.data(), line.size());
            text += '"';
            Boxes.ShowRecordError(text);
            continue;
        }
        char text[sizeof kDataErrorFormat + 8];
        std::snprintf(text, sizeof text, kDataErrorFormat, code);
        if (Boxes.ShowRecordError(text) == TBoxAnswer::Abort) return THexReadResult::Aborted;
    }
    return Reader.Failed() ? THexReadResult::ReadFailed : THexReadResult::Completed;
}

namespace {
THexReadResult OpenAndRead(THexLayout layout, const std::string& fileName, TErrorBoxHost& boxes)
{
    THexLineReader reader;
    if (!reader.Open(fileName)) return THexReadResult::OpenFailed;
    return ReadHexFile(layout, reader, boxes);
}
}  // namespace

THexReadResult ReadHexFileP1(const std::string& FileName, TErrorBoxHost& Boxes)
{
    return OpenAndRead(THexLayout::P1, FileName, Boxes);
}
THexReadResult ReadHexFileP4(const std::string& FileName, TErrorBoxHost& Boxes)
{
    return OpenAndRead(THexLayout::P4, FileName, Boxes);
}
THexReadResult ReadHexFileP35(const std::string& FileName, TErrorBoxHost& Boxes)
{
    return OpenAndRead(THexLayout::P35, FileName, Boxes);
}
THexReadResult ReadHexFileF0(const std::string& FileName, TErrorBoxHost& Boxes)
{
    return OpenAndRead(THexLayout::F0, FileName, Boxes);
}
THexReadResult ReadHexFileP6(const std::string& FileName, TErrorBoxHost& Boxes)
{
    return OpenAndRead(THexLayout::P6, FileName, Boxes);
}
