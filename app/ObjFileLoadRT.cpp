// ObjFileLoadRT: the object-file load and load-more commands and the set-up
// after a load. A load changes nothing until its file has been opened.
#include "app/ObjFileLoadRT.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "link/DefinCyX4.h"
#include "link/LinkSinks.h"
#include "link/StrFormat.h"
#include "telvicbin/TelvicBin.h"

namespace {

constexpr char kSelectChipZh[] = "请先选择芯片型号！";
constexpr char kSelectChipEn[] = "Please select the chip first!";
constexpr char kHexExtension[] = ".HEX";
constexpr char kBinExtension[] = ".BIN";

constexpr std::uint8_t kFamilyMbr = 0x00;
constexpr std::uint8_t kFamilyTt = 0x08;
constexpr std::uint8_t kFamilyPsoc3 = 0x80;
constexpr std::uint8_t kFamilyPsoc5 = 0xD0;
constexpr std::uint8_t kFamilyPsoc6First = 0xD8;

constexpr std::uint32_t kNoMinAddr = 0xFFFFFFFF;
constexpr std::uint32_t kBytesPerKB = 1024;
constexpr std::uint32_t kKBShift = 10;
constexpr std::uint16_t kTrimFromKB = 1024;       // PSoC 6 images above 1 MiB are trimmed
constexpr std::uint32_t kTrimUnitMask = 0xFFF;    // to a 4 KiB boundary
constexpr std::uint32_t kTrimFloor = 0xFFE;       // ... and never below 4 KiB
constexpr std::uint16_t kBlocksPerKBP6 = 2;       // 512-byte rows
constexpr std::uint16_t kTtBlockSize = 256;
constexpr std::uint32_t kTtBlockMask = 0xFF;
constexpr std::uint32_t kTtBlockShift = 8;
constexpr std::uint16_t kDefaultSecuSize = 64;
constexpr std::uint8_t kProtectOn = 2;
constexpr std::size_t kLatchBytes = 4;
constexpr std::size_t kDashCount = 51;
constexpr std::size_t kValueRowIndent = 14;
constexpr std::uint32_t kAccBase = 0x10000;

std::string ValueRow(const std::uint8_t (&bytes)[kLatchBytes])
{
    std::string row(kValueRowIndent, ' ');
    for (auto b : bytes) row += StrPrintf("0x%02X ", b);
    return row;
}

}  // namespace

const char* SelectChipFirstText(bool english)
{
    return english ? kSelectChipEn : kSelectChipZh;
}

std::string FileOpenErrorText(const std::string& path, const std::string& reason)
{
    return "Cannot open file \"" + path + "\". " + reason;
}

std::string FileReadErrorText(const std::string& path, const std::string& reason)
{
    return "Read error on file \"" + path + "\". " + reason;
}

// An empty file was read without error; it is refused because it holds
// nothing to program, and the previous image stays.
std::string FileEmptyText(const std::string& path)
{
    return "The object file \"" + path + "\" holds no data: nothing was loaded.";
}

std::string FileCutText(const std::string& path, std::uint32_t bytesLoaded)
{
    return "File \"" + path + "\" is larger than its buffer: only its first " + std::to_string(bytesLoaded) +
           " bytes were loaded.";
}

std::string FileNamePart(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string UpperExtension(const std::string& path)
{
    const std::string name = FileNamePart(path);
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos) return {};
    std::string ext = name.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return ext;
}

TObjFileLoader::TObjFileLoader(TBuildLang lang, TObjFileHost& host, TImageRefresh& refresh, TLogSink& log,
                               TErrorBoxHost& recordBoxes)
    : lang_(lang), host_(host), refresh_(refresh), log_(log), recordBoxes_(recordBoxes)
{
}

int TObjFileLoader::LoadFilterIndex()
{
    return CurChip.FamilyCode == kFamilyTt ? kOpenFilterBinary : kOpenFilterIntelHex;
}

bool TObjFileLoader::ChipChosen(bool englishText)
{
    if (ChipSelected != 0) return true;
    host_.ShowInformation(SelectChipFirstText(englishText));
    return false;
}

void TObjFileLoader::LogLine(const std::string& text)
{
    log_.LogLine(text);
}

TObjLoadResult TObjFileLoader::FileOpenBtnClick()
{
    const int filter = LoadFilterIndex();
    if (!ChipChosen(lang_ == TBuildLang::English)) return TObjLoadResult::NoChip;
    std::string path;
    if (!host_.AskOpenFileName(filter, path)) return TObjLoadResult::Cancelled;
    return OpenObjectFile(path);
}

TObjLoadResult TObjFileLoader::SpdBtnLodMoreClick()
{
    if (!ChipChosen(false)) return TObjLoadResult::NoChip;  // both builds show the Chinese text
    std::string path;
    if (!host_.AskOpenFileName(kOpenFilterIntelHex, path)) return TObjLoadResult::Cancelled;
    return LoadMoreFile(path);
}

void TObjFileLoader::ClearForFreshLoad()
{
    InitialDataBuffer(ImageBufs.MainFlashBuf, kMainFlashBufSize - 1, 0);
    std::memset(ImageBufs.EepSFlashBuf, 0, kEepSFlashBufSize);
    std::memset(ImageBufs.EccWFlashBuf, 0, kEccWFlashBufSize);
    std::memset(ImageBufs.SecurityBuf, 0, kSecurityBufSize);
    Checksums.ChipAccSum = 0;
    Checksums.FileCheckSum = 0;
    auto& info = ImageInfo;
    info.HexFileVersion = 0;
    info.PubKeyLen = 0;
    CtrlSettings.ChipProtect = 0;
    info.HexInfoPresent = 0;
    info.FromObjectFile = 1;
    info.EccInFile = info.EccPresent = info.EepPresent = 0;
    info.PubKeyPresent = info.Toc2Present = info.WFlashPresent = info.UserRowsPresent = info.NarPresent = 0;
    info.FileMinAddr = kNoMinAddr;
    info.FileMaxAddr = 0;
}

// An object file opened and checked before anything is cleared: a HEX file
// with its first chunk read, or a whole raw binary image.
struct TObjFileLoader::TOpenedFile {
    std::string path;
    std::string ext;
    bool hex = false;
    THexLineReader reader;
    std::vector<std::uint8_t> image;
    std::uint32_t lastIndex = 0;
    bool cut = false;
};

TObjLoadResult TObjFileLoader::OpenHex(THexLineReader& reader, const std::string& path)
{
    if (!reader.Open(path)) {
        host_.ShowFileError(FileOpenErrorText(path, reader.ErrorText()));
        return TObjLoadResult::OpenFailed;
    }
    return TObjLoadResult::Loaded;
}

TObjLoadResult TObjFileLoader::OpenForLoad(TOpenedFile& file)
{
    if (file.hex) {
        const TObjLoadResult opened = OpenHex(file.reader, file.path);
        if (opened == TObjLoadResult::Loaded && file.reader.Empty()) {
            host_.ShowFileError(FileEmptyText(file.path));
            return TObjLoadResult::EmptyFile;
        }
        return opened;
    }
    file.image.resize(kMainFlashBufSize);
    errno = 0;
    const TBinFileResult r = DoOpenFile_BIN_Routine(file.path.c_str(), file.image.data(),
                                                    static_cast<std::uint32_t>(file.image.size()), &file.lastIndex);
    const std::string reason = std::strerror(errno ? errno : EIO);
    switch (r) {
    case TBinFileResult::OpenFailed:
        host_.ShowFileError(FileOpenErrorText(file.path, reason));
        return TObjLoadResult::OpenFailed;
    case TBinFileResult::ReadFailed:
    case TBinFileResult::WriteFailed:
        host_.ShowFileError(FileReadErrorText(file.path, reason));
        return TObjLoadResult::OpenFailed;
    case TBinFileResult::Empty:
        host_.ShowFileError(FileEmptyText(file.path));
        return TObjLoadResult::EmptyFile;
    case TBinFileResult::Truncated:
        file.cut = true;
        break;
    case TBinFileResult::Ok:
        break;
    }
    return TObjLoadResult::Loaded;
}

TObjLoadResult TObjFileLoader::OpenObjectFile(const std::string& path)
{
    TOpenedFile file;
    file.path = path;
    file.ext = UpperExtension(path);
    file.hex = file.ext == kHexExtension;
    const TObjLoadResult opened = OpenForLoad(file);
    if (opened != TObjLoadResult::Loaded) return opened;

    ClearForFreshLoad();
    const TObjLoadResult loaded = LoadObjectFile(file);
    if (loaded != TObjLoadResult::Loaded) return loaded;
    UpdateAfterLoad();
    host_.SetFileNamePanel(path);
    ImageInfo.ObjFileName = FileNamePart(path);
    return TObjLoadResult::Loaded;
}

TObjLoadResult TObjFileLoader::LoadObjectFile(TOpenedFile& file)
{
    log_.AddLine("Load object file of \"" + file.path + "\" at " + host_.TimeOfDay());
    ObjFileLoaded = 1;
    host_.SetLabelFile(file.path);
    ImageInfo.ObjFileName = FileNamePart(file.path);

    if (file.hex) {
        if (ReadHexFile(HexLayoutForFamily(CurChip.FamilyCode), file.reader, recordBoxes_) ==
            THexReadResult::ReadFailed) {
            // Part of a file is no image to program.
            ObjFileLoaded = 0;
            host_.ShowFileError(FileReadErrorText(file.path, file.reader.ErrorText()));
            return TObjLoadResult::ReadFailed;
        }
    } else {
        std::memcpy(ImageBufs.MainFlashBuf, file.image.data(), static_cast<std::size_t>(file.lastIndex) + 1);
        ImageInfo.FileMaxAddr = file.lastIndex;
        Checksums.FileCheckSum =
            static_cast<std::uint16_t>(kAccBase - GetBinaryCheckSum(ImageBufs.MainFlashBuf, 0, file.lastIndex));
        if (file.cut) host_.ShowFileError(FileCutText(file.path, file.lastIndex + 1));
        if (file.ext == kBinExtension && CurChip.FamilyCode == kFamilyTt) SetUpFamily8Image();
    }
    if (CurChip.SecuSize == 0) CurChip.SecuSize = kDefaultSecuSize;
    return TObjLoadResult::Loaded;
}

void TObjFileLoader::SetUpFamily8Image()
{
    auto& info = ImageInfo;
    info.TargetStartAddr = 0;
    info.TargetEndAddr = info.FileMaxAddr | kTrimUnitMask;
    CurChip.FlashSizeKB = static_cast<std::uint16_t>((info.TargetEndAddr + 1) >> kKBShift);
    CurChip.BlockSize = kTtBlockSize;
    CurChip.BlockNum = static_cast<std::uint16_t>(((info.FileMaxAddr | kTtBlockMask) + 1) >> kTtBlockShift);
}

TObjLoadResult TObjFileLoader::LoadMoreFile(const std::string& path)
{
    TObjLoadResult result = TObjLoadResult::NotRead;
    if (UpperExtension(path) == kHexExtension) {
        THexLineReader reader;
        const TObjLoadResult opened = OpenHex(reader, path);
        if (opened != TObjLoadResult::Loaded) return opened;
        // An empty file adds nothing, like a file of blank lines: the reader
        // finds no record and the update runs as after any further file.
        if (ReadHexFile(HexLayoutForFamily(CurChip.FamilyCode), reader, recordBoxes_) == THexReadResult::ReadFailed) {
            host_.ShowFileError(FileReadErrorText(path, reader.ErrorText()));
            result = TObjLoadResult::ReadFailed;
        } else {
            result = TObjLoadResult::Loaded;
        }
    }
    UpdateAfterLoad();
    return result;
}

void TObjFileLoader::UpdateAfterLoad()
{
    auto& info = ImageInfo;
    const std::uint8_t family = CurChip.FamilyCode;
    info.TargetStartAddr = 0;
    info.TargetEndAddr = static_cast<std::uint32_t>(CurChip.FlashSizeKB) * kBytesPerKB - 1;
    if (family >= kFamilyPsoc6First && CurChip.FlashSizeKB > kTrimFromKB) {
        // The image ends at the last 4 KiB boundary that covers non-zero data.
        std::uint32_t e = std::min<std::uint32_t>(info.TargetEndAddr, kMainFlashBufSize - 1);
        if (e >= kTrimUnitMask)
            while (e != kTrimFloor && ImageBufs.MainFlashBuf[e] == 0) --e;
        info.TargetEndAddr = e | kTrimUnitMask;
        info.ProgSizeKB = static_cast<std::uint16_t>((info.TargetEndAddr + 1) >> kKBShift);
        CurChip.BlockNum = static_cast<std::uint16_t>(info.ProgSizeKB * kBlocksPerKBP6);
    } else {
        info.ProgSizeKB = CurChip.FlashSizeKB;
    }

    refresh_.CalcMainChecksums(info.TargetStartAddr, info.TargetEndAddr);
    refresh_.ShowMainFlash(info.TargetStartAddr, info.TargetEndAddr);
    if (family >= kFamilyPsoc6First) {
        refresh_.ShowEccWFlash();
        refresh_.ShowEepSFlash();
    } else {
        if (info.EccPresent != 0) refresh_.ShowEccWFlash();
        if (CurChip.EepSize > 0) refresh_.ShowEepSFlash();
    }
    host_.SetCheckBox(TLoadCheckBox::EnWrtEep, info.EepPresent != 0);
    LogHexInformation();
}

void TObjFileLoader::LogHexInformation()
{
    const auto& info = ImageInfo;
    const std::uint8_t family = CurChip.FamilyCode;
    const std::string dashes(kDashCount, '-');

    if (family == kFamilyMbr) {
        host_.SetChipIdLabels(StrPrintf("0x%04X.", CurChip.ChipID1), StrPrintf("0x%02X.", CurChip.ChipID2));
        LogLine(StrPrintf("Hex File Version : 0x%04X", info.HexFileVersion));
        LogLine(StrPrintf("Program Address : 0x%02X", CtrlSettings.ProgAddr1));
        LogLine(StrPrintf("Program Address : 0x%02X", CtrlSettings.ProgAddr2));
        return;
    }
    if (family == kFamilyTt) {
        LogLine(StrPrintf("File Total Block : %d", CurChip.BlockNum));
        return;
    }
    if (family >= kFamilyPsoc6First) {
        host_.SetRopVisible(false);
        host_.SetCheckBox(TLoadCheckBox::ChkBoxNAR, info.NarPresent != 0);
        host_.SetCheckBox(TLoadCheckBox::ChkBoxPubKey, info.PubKeyPresent != 0);
        host_.SetCheckBox(TLoadCheckBox::ChkBoxTOCx, info.Toc2Present != 0);
        host_.SetCheckBox(TLoadCheckBox::ChkBoxEPWF, info.WFlashPresent != 0);
        host_.SetCheckBox(TLoadCheckBox::EnWrtEep, info.UserRowsPresent != 0);
        if (info.FromObjectFile != 1) return;
        host_.SetP6IdLabel(StrPrintf("Chip ID:  0x%04X/0x%04X.", CurChip.ChipID1, CurChip.ChipID2));
        LogLine("Read Hex File Information: ");
        LogLine(StrPrintf("   * Hex File Version : %d", info.HexFileVersion));
        LogLine(StrPrintf("   * Read HEX File Checksum: 0x%04X", Checksums.FileCheckSum));
        LogLine(dashes);
        host_.SetCheckBox(TLoadCheckBox::ChkBoxROP, CtrlSettings.ChipProtect >= kProtectOn);
        return;
    }
    if (family < kFamilyPsoc3) return;

    host_.SetRopVisible(info.HexInfoPresent != 0);
    if (info.HexInfoPresent != 1 || info.FromObjectFile != 1) return;
    host_.SetChipIdLabels(StrPrintf("0x%04X.", CurChip.ChipID1), StrPrintf("0x%04X.", CurChip.ChipID2));
    LogLine("Read Hex File Information: ");
    LogLine(StrPrintf("   * Hex File Version : %d", info.HexFileVersion));
    if (family == kFamilyPsoc3 || family == kFamilyPsoc5) {
        LogLine("   * Device Configuration NV Latch Data : ");
        log_.AddLine(ValueRow(CtrlSettings.NvLatch));
        LogLine("   * Secured Device Mode Configuration Data : ");
        log_.AddLine(ValueRow(CtrlSettings.WoLatch));
    } else {
        LogLine(StrPrintf("   * Chip Level Protection : 0x%02X.", CtrlSettings.ChipProtect));
    }
    LogLine(StrPrintf("   * Read HEX File Checksum: 0x%04X", Checksums.FileCheckSum));
    LogLine(dashes);
    host_.SetCheckBox(TLoadCheckBox::ChkBoxROP, CtrlSettings.ChipProtect >= kProtectOn);
}
