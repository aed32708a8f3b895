// SideDataFiles: side-buffer files carry no header: byte k of the file is byte
// k of the buffer. A load replaces a buffer only with a file that could be read.
#include "app/SideDataFiles.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "link/DefinCyX4.h"
#include "link/LinkSinks.h"

namespace {

constexpr std::uint8_t kFamilyPsoc6First = 0xD8;
constexpr std::uint32_t kSecuritySaveLast = 1023;
constexpr std::uint32_t kWorkFlashSaveLast = 32767;
constexpr std::uint32_t kEepromSaveLast = 2047;
constexpr std::uint32_t kSFlashSaveLast = 0x7FFF;  // user rows, NAR, public key and TOC2
constexpr std::uint32_t kSecuSumLast = 255;
constexpr std::uint32_t kAccBase = 0x10000;

struct TSideArea {
    std::uint8_t* data;
    std::size_t size;
    const char* logText;
};

TSideArea Area(TSideBuffer buffer)
{
    switch (buffer) {
    case TSideBuffer::Security:
        return {ImageBufs.SecurityBuf, kSecurityBufSize, "Load Security Data file of "};
    case TSideBuffer::WorkFlash:
        return {ImageBufs.EccWFlashBuf, kEccWFlashBufSize, "Load WFlash Data file of "};
    case TSideBuffer::SupervisoryFlash:
        break;
    }
    return {ImageBufs.EepSFlashBuf, kEepSFlashBufSize, "Load SFlash Data file of "};
}

}  // namespace

TSideDataFiles::TSideDataFiles(TBuildLang lang, TObjFileHost& host, TImageRefresh& refresh, TLogSink& log)
    : lang_(lang), host_(host), refresh_(refresh), log_(log)
{
}

std::uint32_t TSideDataFiles::SaveLastIndex(TSideBuffer buffer)
{
    switch (buffer) {
    case TSideBuffer::Security:
        return kSecuritySaveLast;
    case TSideBuffer::WorkFlash:
        return kWorkFlashSaveLast;
    case TSideBuffer::SupervisoryFlash:
        break;
    }
    return CurChip.FamilyCode >= kFamilyPsoc6First ? kSFlashSaveLast : kEepromSaveLast;
}

TBinFileResult TSideDataFiles::SaveMainImage(const std::string& path)
{
    // The range to program, saved from index 0; never beyond the buffer.
    const auto& info = ImageInfo;
    std::uint32_t last = info.TargetEndAddr - info.TargetStartAddr;
    if (last >= kMainFlashBufSize) last = kMainFlashBufSize - 1;
    return DoSaveToBinaryFile(path.c_str(), ImageBufs.MainFlashBuf, 0, last);
}

TBinFileResult TSideDataFiles::SaveSideFile(TSideBuffer buffer, const std::string& path)
{
    return DoSaveToBinaryFile(path.c_str(), Area(buffer).data, 0, SaveLastIndex(buffer));
}

TSideLoadResult TSideDataFiles::LoadSideFile(TSideBuffer buffer, const std::string& path)
{
    const TSideArea area = Area(buffer);
    std::vector<std::uint8_t> file(area.size);
    std::uint32_t last = 0;
    errno = 0;
    const TBinFileResult r =
        DoOpenFile_BIN_Routine(path.c_str(), file.data(), static_cast<std::uint32_t>(file.size()), &last);
    const std::string reason = std::strerror(errno ? errno : EIO);
    if (r == TBinFileResult::OpenFailed) {
        host_.ShowFileError(FileOpenErrorText(path, reason));
        return TSideLoadResult::ReadFailed;
    }
    if (r == TBinFileResult::ReadFailed || r == TBinFileResult::WriteFailed) {
        host_.ShowFileError(FileReadErrorText(path, reason));
        return TSideLoadResult::ReadFailed;
    }

    std::memset(area.data, 0, area.size);
    log_.LogLine(std::string(area.logText) + "\"" + path + "\".");
    if (r != TBinFileResult::Empty) std::memcpy(area.data, file.data(), static_cast<std::size_t>(last) + 1);
    if (r == TBinFileResult::Truncated) host_.ShowFileError(FileCutText(path, last + 1));

    switch (buffer) {
    case TSideBuffer::Security:
        refresh_.ShowSecurityData();
        Checksums.SecuCrcSum = GetOrvaneCheckSum(ImageBufs.SecurityBuf, 0, kSecuSumLast);
        Checksums.SecuAccSum =
            static_cast<std::uint16_t>(kAccBase - GetBinaryCheckSum(ImageBufs.SecurityBuf, 0, kSecuSumLast));
        break;
    case TSideBuffer::WorkFlash:
        refresh_.ShowEccWFlash();
        break;
    case TSideBuffer::SupervisoryFlash:
        refresh_.ShowEepSFlash();
        break;
    }
    return r == TBinFileResult::Truncated ? TSideLoadResult::Cut : TSideLoadResult::Loaded;
}

TSideLoadResult TSideDataFiles::LoadCommand(TSideBuffer buffer, bool englishText)
{
    if (ChipSelected == 0) {
        host_.ShowInformation(SelectChipFirstText(englishText));
        return TSideLoadResult::NoChip;
    }
    std::string path;
    if (!host_.AskOpenFileName(kOpenFilterBinary, path)) return TSideLoadResult::Cancelled;
    return LoadSideFile(buffer, path);
}

TBinFileResult TSideDataFiles::SaveCommand(TSideBuffer buffer)
{
    std::string path;
    if (!host_.AskSaveFileName(path)) return TBinFileResult::Ok;
    return SaveSideFile(buffer, path);
}

TBinFileResult TSideDataFiles::FileSaveBtnClick()
{
    std::string path;
    if (!host_.AskSaveFileName(path)) return TBinFileResult::Ok;
    return SaveMainImage(path);
}

TBinFileResult TSideDataFiles::SaveSecurity1Click() { return SaveCommand(TSideBuffer::Security); }
TBinFileResult TSideDataFiles::MenuItemSavWFClick() { return SaveCommand(TSideBuffer::WorkFlash); }
TBinFileResult TSideDataFiles::MenuItemSavSFClick() { return SaveCommand(TSideBuffer::SupervisoryFlash); }

TSideLoadResult TSideDataFiles::LoadSecurity1Click()
{
    return LoadCommand(TSideBuffer::Security, lang_ == TBuildLang::English);
}
TSideLoadResult TSideDataFiles::MenuItemLoadWFClick() { return LoadCommand(TSideBuffer::WorkFlash, false); }
TSideLoadResult TSideDataFiles::MenuItemLoadSFClick() { return LoadCommand(TSideBuffer::SupervisoryFlash, false); }
