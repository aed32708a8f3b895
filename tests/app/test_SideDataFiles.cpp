#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "app/SideDataFiles.h"
#include "link/DefinCyX4.h"
#include "telvicbin/TelvicBin.h"
#include "tests/app/HexTestSupport.h"
#include "tests/app/ObjFileFakes.h"

namespace {

using namespace hextest;

struct TArea {
    std::uint8_t* data;
    std::size_t size;
};

TArea AreaOf(TSideBuffer b)
{
    switch (b) {
    case TSideBuffer::Security: return {ImageBufs.SecurityBuf, kSecurityBufSize};
    case TSideBuffer::WorkFlash: return {ImageBufs.EccWFlashBuf, kEccWFlashBufSize};
    case TSideBuffer::SupervisoryFlash: break;
    }
    return {ImageBufs.EepSFlashBuf, kEepSFlashBufSize};
}

void Pattern(TArea a, std::uint8_t seed)
{
    for (std::size_t i = 0; i < a.size; ++i) a.data[i] = static_cast<std::uint8_t>(i * 13 + seed);
}

class SideFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSharedStateForTest();
        ChipSelected = 1;
    }
    TFakeHost host;
    TFakeRefresh refresh;
    TFakeLog log;
    TSideDataFiles files{TBuildLang::Chinese, host, refresh, log};
};

// Save, then load into a buffer of other data: the saved range comes back, the
// rest of the buffer is cleared, and the buffer's own refresh runs.
TEST_F(SideFiles, RoundTripsForEveryBufferAndFamilyGroup)
{
    struct Case {
        const char* name;
        TSideBuffer buffer;
        std::uint8_t family;
        std::size_t savedBytes;
        const char* logText;
        const char* refreshCall;
    };
    const Case cases[] = {
        {"security", TSideBuffer::Security, 0x20, 1024, "Load Security Data file of ", "ShowSecurityData"},
        {"efuse", TSideBuffer::Security, 0xD8, 1024, "Load Security Data file of ", "ShowSecurityData"},
        {"ecc", TSideBuffer::WorkFlash, 0x80, 32768, "Load WFlash Data file of ", "ShowEccWFlash"},
        {"work flash", TSideBuffer::WorkFlash, 0xD8, 32768, "Load WFlash Data file of ", "ShowEccWFlash"},
        {"eeprom", TSideBuffer::SupervisoryFlash, 0xD0, 2048, "Load SFlash Data file of ", "ShowEepSFlash"},
        {"supervisory flash", TSideBuffer::SupervisoryFlash, 0xD9, 0x8000, "Load SFlash Data file of ",
         "ShowEepSFlash"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetSharedStateForTest();
        ChipSelected = 1;
        CurChip.FamilyCode = c.family;
        refresh.Calls.clear();
        const TArea area = AreaOf(c.buffer);
        Pattern(area, 1);
        const std::vector<std::uint8_t> saved(area.data, area.data + area.size);
        const std::string path = TempPath(std::string("side_") + c.name + ".bin");
        ASSERT_EQ(files.SaveSideFile(c.buffer, path), TBinFileResult::Ok);
        EXPECT_EQ(ReadBytes(path).size(), c.savedBytes);

        Pattern(area, 99);
        ASSERT_EQ(files.LoadSideFile(c.buffer, path), TSideLoadResult::Loaded);
        EXPECT_TRUE(std::equal(saved.begin(), saved.begin() + static_cast<long>(c.savedBytes), area.data));
        EXPECT_TRUE(std::all_of(area.data + c.savedBytes, area.data + area.size, [](auto b) { return b == 0; }));
        EXPECT_EQ(refresh.Calls, std::vector<std::string>{c.refreshCall});
        EXPECT_TRUE(log.Has("> " + std::string(c.logText) + "\"" + path + "\"."));
        if (c.buffer == TSideBuffer::Security) {
            EXPECT_EQ(Checksums.SecuCrcSum, GetOrvaneCheckSum(ImageBufs.SecurityBuf, 0, 255));
            EXPECT_EQ(Checksums.SecuAccSum,
                      static_cast<std::uint16_t>(0x10000 - GetBinaryCheckSum(ImageBufs.SecurityBuf, 0, 255)));
        }
        EXPECT_TRUE(host.FileErrors.empty());
    }
}

TEST_F(SideFiles, SecurityLoadClearsTheWhole8KiB)
{
    std::memset(ImageBufs.SecurityBuf, 0xAA, kSecurityBufSize);
    const std::string path = TempPath("secu6000.bin");
    WriteBytes(path, std::vector<std::uint8_t>(6000, 0x11));
    ASSERT_EQ(files.LoadSideFile(TSideBuffer::Security, path), TSideLoadResult::Loaded);
    EXPECT_EQ(ImageBufs.SecurityBuf[5999], 0x11);
    EXPECT_EQ(ImageBufs.SecurityBuf[6000], 0);
    EXPECT_EQ(ImageBufs.SecurityBuf[8191], 0);
}

TEST_F(SideFiles, EmptyFileLeavesTheBufferCleared)
{
    std::memset(ImageBufs.EccWFlashBuf, 0x33, kEccWFlashBufSize);
    const std::string path = TempPath("side_empty.bin");
    WriteBytes(path, {});
    EXPECT_EQ(files.LoadSideFile(TSideBuffer::WorkFlash, path), TSideLoadResult::Loaded);
    EXPECT_TRUE(std::all_of(ImageBufs.EccWFlashBuf, ImageBufs.EccWFlashBuf + kEccWFlashBufSize,
                            [](auto b) { return b == 0; }));
    EXPECT_EQ(refresh.Calls, std::vector<std::string>{"ShowEccWFlash"});
}

TEST_F(SideFiles, OversizedFilesAreCutAndMissingFilesChangeNothing)
{
    for (TSideBuffer b : {TSideBuffer::Security, TSideBuffer::WorkFlash, TSideBuffer::SupervisoryFlash}) {
        host.FileErrors.clear();
        const TArea area = AreaOf(b);
        const std::string path = TempPath("side_big.bin");
        WriteBytes(path, std::vector<std::uint8_t>(area.size + 1, 0x42));
        EXPECT_EQ(files.LoadSideFile(b, path), TSideLoadResult::Cut);
        EXPECT_EQ(host.FileErrors, std::vector<std::string>{FileCutText(path, static_cast<std::uint32_t>(area.size))});
        EXPECT_EQ(area.data[area.size - 1], 0x42);

        Pattern(area, 5);
        host.FileErrors.clear();
        refresh.Calls.clear();
        const std::vector<std::uint8_t> before(area.data, area.data + area.size);
        EXPECT_EQ(files.LoadSideFile(b, TempPath("side_missing.bin")), TSideLoadResult::ReadFailed);
        EXPECT_EQ(host.FileErrors.size(), 1u);
        EXPECT_TRUE(refresh.Calls.empty());
        EXPECT_TRUE(std::equal(before.begin(), before.end(), area.data));
    }
}

TEST_F(SideFiles, CommandsAskTheDialogAndTheChip)
{
    // No chip: the box, no dialog; the English build's security load says it in English.
    ChipSelected = 0;
    TSideDataFiles english(TBuildLang::English, host, refresh, log);
    EXPECT_EQ(files.LoadSecurity1Click(), TSideLoadResult::NoChip);
    EXPECT_EQ(english.LoadSecurity1Click(), TSideLoadResult::NoChip);
    EXPECT_EQ(files.MenuItemLoadWFClick(), TSideLoadResult::NoChip);
    EXPECT_EQ(host.Information,
              (std::vector<std::string>{"请先选择芯片型号！", "Please select the chip first!", "请先选择芯片型号！"}));
    EXPECT_TRUE(host.FilterIndices.empty());

    ChipSelected = 1;
    host.OpenAnswers = {""};
    EXPECT_EQ(files.MenuItemLoadSFClick(), TSideLoadResult::Cancelled);
    EXPECT_EQ(host.FilterIndices, std::vector<int>{kOpenFilterBinary});

    // Saves need no chip; a cancelled dialog writes nothing.
    ChipSelected = 0;
    const std::string path = TempPath("main_save.bin");
    std::remove(path.c_str());
    host.SaveAnswers = {""};
    EXPECT_EQ(files.FileSaveBtnClick(), TBinFileResult::Ok);
    EXPECT_TRUE(ReadBytes(path).empty());

    // The main image: the range to program from index 0, whatever the start.
    ImageInfo.TargetStartAddr = 0x100;
    ImageInfo.TargetEndAddr = 0x100 + 32 * 1024 - 1;
    ImageBufs.MainFlashBuf[0] = 0x12;
    host.SaveAnswers = {path};
    EXPECT_EQ(files.FileSaveBtnClick(), TBinFileResult::Ok);
    const auto bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 32u * 1024u);
    EXPECT_EQ(bytes[0], 0x12);

    // A range beyond the image is cut to the buffer.
    ImageInfo.TargetStartAddr = 0;
    ImageInfo.TargetEndAddr = 0xFFFFFFFF;
    EXPECT_EQ(files.SaveMainImage(path), TBinFileResult::Ok);
    EXPECT_EQ(ReadBytes(path).size(), kMainFlashBufSize);

    host.SaveAnswers = {TempPath("no_such_dir") + "/x.bin"};
    EXPECT_EQ(files.SaveSecurity1Click(), TBinFileResult::OpenFailed);
}

}  // namespace
