#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "app/ObjFileLoadRT.h"
#include "link/DefinCyX4.h"
#include "telvicbin/TelvicBin.h"
#include "tests/app/HexTestSupport.h"
#include "tests/app/ObjFileFakes.h"

namespace {

using namespace hextest;

std::uint16_t Sum16(const std::uint8_t* p, std::size_t n)
{
    return GetBinaryCheckSum(p, 0, static_cast<std::uint32_t>(n - 1));
}

struct TChip {
    std::uint8_t family;
    std::uint16_t flashKB;
};

class ObjFileLoad : public ::testing::Test {
protected:
    void SetUp() override { ResetSharedStateForTest(); }

    void Chip(TChip chip)
    {
        CurChip.FamilyCode = chip.family;
        CurChip.FlashSizeKB = chip.flashKB;
        ChipSelected = 1;
    }
    // Writes a generated or literal file and loads it fresh.
    TObjLoadResult LoadText(const std::string& name, const std::string& text)
    {
        const std::string path = TempPath(name);
        WriteText(path, text);
        return loader.OpenObjectFile(path);
    }
    TObjLoadResult LoadBytes(const std::string& name, const std::vector<std::uint8_t>& bytes)
    {
        const std::string path = TempPath(name);
        WriteBytes(path, bytes);
        return loader.OpenObjectFile(path);
    }

    TFakeHost host;
    TFakeRefresh refresh;
    TFakeLog log;
    TScriptedBoxes boxes;
    TBuildLang lang = TBuildLang::Chinese;
    TObjFileLoader loader{lang, host, refresh, log, boxes};
};

// ---- real files --------------------------------------------------------------

struct TSampleCase {
    const char* file;
    TChip chip;
    std::uint32_t minAddr, maxAddr;
    std::uint16_t fileCheckSum;
    std::uint32_t flashFirst, flashLast;  // main-flash bytes the checksum record covers
    bool addEcc;                          // PSoC 5LP: flash plus ECC
    std::function<void(const TFakeLog&, const TFakeHost&)> check;
};

// The folder of the real sample files, or "" when there is none.
std::string SampleDir()
{
    const char* shared = std::getenv("TELVIC_SHARED_DIR");
#ifdef TELVIC_SHARED_FALLBACK
    if (!shared) shared = TELVIC_SHARED_FALLBACK;
#endif
    const std::string dir = std::string(shared ? shared : "") + "/samples/hex/";
    struct stat st {};
    return shared && stat(dir.c_str(), &st) == 0 ? dir : std::string();
}

TEST_F(ObjFileLoad, RealSamplesLoadWithTheirChips)
{
    const std::string dir = SampleDir();
    if (dir.empty()) GTEST_SKIP() << "no sample HEX files";

    const TSampleCase cases[] = {
        {"psoc1_cy8c24794_usb_uart_um.hex", {0x27, 16}, 0, 0x4000, 0x2B2E, 0, 0x3FFF, false,
         [](const TFakeLog&, const TFakeHost&) {
             EXPECT_EQ(CurChip.SecuSize, 0x40);
             EXPECT_TRUE(std::all_of(ImageBufs.SecurityBuf, ImageBufs.SecurityBuf + 64, [](auto b) { return b == 0xFF; }));
         }},
        {"psoc4_dsky_design02.hex", {0xC0, 32}, 0, 0x8000, 0xCA0B, 0, 0x7FFF, false,
         [](const TFakeLog& log, const TFakeHost& host) {
             EXPECT_EQ(ImageInfo.HexFileVersion, 2);
             EXPECT_EQ(CurChip.ChipID1, 0xC804);
             EXPECT_EQ(CurChip.ChipID2, 0x9311);
             EXPECT_EQ(CtrlSettings.ChipProtect, 1);
             EXPECT_EQ(CurChip.SecuSize, 32);
             EXPECT_EQ(ImageInfo.HexInfoPresent, 1);
             EXPECT_TRUE(log.Has(">    * Chip Level Protection : 0x01."));
             EXPECT_TRUE(log.Has(">    * Read HEX File Checksum: 0xCA0B"));
             EXPECT_EQ(host.Id1, "0xC804.");
             EXPECT_EQ(host.RopVisible, 1);
         }},
        {"psoc5lp_sft_design01.hex", {0xD0, 256}, 0, 0x40000, 0x8429, 0, 0x3FFFF, true,
         [](const TFakeLog& log, const TFakeHost&) {
             EXPECT_EQ(ImageInfo.HexFileVersion, 1);
             EXPECT_EQ(CurChip.ChipID2, 0x2E12);
             EXPECT_EQ(CurChip.ChipID1, 0x3069);
             EXPECT_EQ(CurChip.SecuSize, 256);
             EXPECT_EQ(ImageInfo.EccInFile, 1);
             EXPECT_EQ(ImageInfo.EccPresent, 1);
             EXPECT_EQ(ImageInfo.HexInfoPresent, 1);
             EXPECT_TRUE(log.Has("              0x00 0x00 0x40 0x05 "));
             EXPECT_TRUE(log.Has("              0xBC 0x90 0xAC 0xAF "));
         }},
        {"psoc6_helloworld_cm4.hex", {0xD8, 1024}, 0x10000000, 0x10081600, 0x6DAA, 0, 0x815FF, false,
         [](const TFakeLog& log, const TFakeHost& host) {
             EXPECT_EQ(ImageInfo.HexFileVersion, 5);
             EXPECT_EQ(CurChip.ChipID1, 0x07E2);
             EXPECT_EQ(CurChip.ChipID2, 0x0021);
             EXPECT_EQ(host.P6Id, "Chip ID:  0x07E2/0x0021.");
             EXPECT_TRUE(log.Has(">    * Hex File Version : 5"));
         }},
        {"psoc6_helloworld_cm4_signed.hex", {0xD8, 1024}, 0x10080000, 0x10101600, 0xE8CB, 0x80000, 0x815FF, false,
         [](const TFakeLog&, const TFakeHost&) {}},
        {"psoc6_blefindme_cm4.hex", {0xD8, 1024}, 0x10000000, 0x10094000, 0x3C3A, 0, 0x93FFF, false,
         [](const TFakeLog&, const TFakeHost& host) {
             EXPECT_EQ(ImageInfo.WFlashPresent, 1);
             EXPECT_EQ(host.Checked.at(TLoadCheckBox::ChkBoxEPWF), true);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ResetSharedStateForTest();
        log.Lines.clear();
        boxes.Texts.clear();
        Chip(c.chip);
        ASSERT_EQ(loader.OpenObjectFile(dir + c.file), TObjLoadResult::Loaded);
        EXPECT_TRUE(boxes.Texts.empty()) << boxes.Texts.front();
        EXPECT_EQ(ImageInfo.FileMinAddr, c.minAddr);
        EXPECT_EQ(ImageInfo.FileMaxAddr, c.maxAddr);
        EXPECT_EQ(Checksums.FileCheckSum, c.fileCheckSum);
        std::uint16_t sum = GetBinaryCheckSum(ImageBufs.MainFlashBuf, c.flashFirst, c.flashLast);
        if (c.addEcc) sum = static_cast<std::uint16_t>(sum + Sum16(ImageBufs.EccWFlashBuf, kEccWFlashBufSize));
        EXPECT_EQ(sum, c.fileCheckSum);
        // Nothing outside the covered range.
        EXPECT_EQ(Sum16(ImageBufs.MainFlashBuf, kMainFlashBufSize),
                  GetBinaryCheckSum(ImageBufs.MainFlashBuf, c.flashFirst, c.flashLast));
        EXPECT_EQ(ImageInfo.ObjFileName, c.file);
        EXPECT_EQ(ObjFileLoaded, 1);
        c.check(log, host);
    }
}

// A real file whose base record for a section carries a wrong checksum digit,
// answered with OK: everything lands as from the intact file.
TEST_F(ObjFileLoad, RealSamplesWithADamagedBaseRecordLoadAsIntact)
{
    const std::string dir = SampleDir();
    if (dir.empty()) GTEST_SKIP() << "no sample HEX files";
    struct Case {
        const char* file;
        TChip chip;
        const char* baseRecord;
    };
    const Case cases[] = {
        {"psoc5lp_sft_design01.hex", {0xD0, 256}, ":0200000480007A"},  // the 32 KiB ECC section
        {"psoc4_dsky_design02.hex", {0xC0, 32}, ":0200000490303A"},    // the file checksum
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::vector<std::uint8_t> intactBytes = ReadBytes(dir + c.file);
        std::string text(intactBytes.begin(), intactBytes.end());
        const std::size_t at = text.find(c.baseRecord);
        ASSERT_NE(at, std::string::npos);
        text[at + 14] = 'B';  // the last checksum digit

        ResetSharedStateForTest();
        Chip(c.chip);
        ASSERT_EQ(loader.OpenObjectFile(dir + c.file), TObjLoadResult::Loaded);
        const auto intact = std::make_unique<TImageBuffers>(ImageBufs);
        const TImageInfo intactInfo = ImageInfo;
        const std::uint16_t intactSum = Checksums.FileCheckSum, intactAcc = Checksums.ChipAccSum;

        ResetSharedStateForTest();
        Chip(c.chip);
        boxes.Texts.clear();
        ASSERT_EQ(LoadText("damaged.hex", text), TObjLoadResult::Loaded);
        EXPECT_EQ(boxes.Texts.size(), 1u);
        EXPECT_EQ(std::memcmp(intact.get(), &ImageBufs, sizeof ImageBufs), 0);
        EXPECT_EQ(Checksums.FileCheckSum, intactSum);
        EXPECT_EQ(Checksums.ChipAccSum, intactAcc);
        EXPECT_EQ(ImageInfo.EccPresent, intactInfo.EccPresent);
        EXPECT_EQ(ImageInfo.HexInfoPresent, intactInfo.HexInfoPresent);
        EXPECT_EQ(ImageInfo.FileMaxAddr, intactInfo.FileMaxAddr);
    }
}

// ---- generated files for the layouts without a real sample ---------------------

TEST_F(ObjFileLoad, Family0MetadataAndInclusiveEnd)
{
    Chip({0x00, 8});
    CurChip.EccSize = 5;
    const std::string text = HexFile({{0x0000, Ramp(0x80)},
                                      {0x90300000, {0x12, 0x34}},
                                      {0x90500000, {0x01, 0x02, 0xA1, 0xB2, 0x12, 0x34, 0x56}}});
    ASSERT_EQ(LoadText("f0.hex", text), TObjLoadResult::Loaded);
    EXPECT_EQ(ImageInfo.FileMinAddr, 0u);
    EXPECT_EQ(ImageInfo.FileMaxAddr, 0x7Fu);
    EXPECT_EQ(Checksums.FileCheckSum, 0x1234);
    EXPECT_EQ(CurChip.EccSize, 0);
    EXPECT_EQ(host.Id1, "0x1234.");
    EXPECT_EQ(host.Id2, "0x56.");
    EXPECT_TRUE(log.Has("> Hex File Version : 0x0102"));
    EXPECT_TRUE(log.Has("> Program Address : 0xA1"));
    EXPECT_TRUE(log.Has("> Program Address : 0xB2"));
    EXPECT_TRUE(log.Has("Load object file of \"" + TempPath("f0.hex") + "\" at 10:42:07"));
}

TEST_F(ObjFileLoad, Psoc3AllRegions)
{
    Chip({0x80, 64});
    const std::string text = HexFile({{0x0000, Ramp(0x100)},
                                      {0x80000000, Ramp(0x20, 0x40)},
                                      {0x90000000, {0x00, 0x00, 0x40, 0x05}},
                                      {0x90100000, {0xBC, 0x90, 0xAC, 0xAF}},
                                      {0x90200000, Ramp(0x10, 0x80)},
                                      {0x90300000, {0xAB, 0xCD}},
                                      {0x90400000, Ramp(0x40, 0x10)},
                                      {0x90500000, {0, 3, 0x1E, 0x0A, 0x20, 0x69, 0, 0, 0, 0, 0, 0}}},
                                     "\r\n");
    ASSERT_EQ(LoadText("p3.hex", text), TObjLoadResult::Loaded);
    EXPECT_TRUE(boxes.Texts.empty());
    EXPECT_EQ(ImageInfo.FileMaxAddr, 0x100u);
    EXPECT_EQ(Checksums.FileCheckSum, 0xABCD);
    EXPECT_EQ(CurChip.ChipID1, 0x2069);
    EXPECT_EQ(CurChip.ChipID2, 0x1E0A);
    EXPECT_EQ(CurChip.SecuSize, 0x40);
    EXPECT_EQ(ImageInfo.EccPresent, 1);
    EXPECT_EQ(ImageInfo.EepPresent, 1);
    EXPECT_EQ(ImageBufs.EccWFlashBuf[0x1F], 0x5F);
    EXPECT_EQ(ImageBufs.EepSFlashBuf[0x0F], 0x8F);
    EXPECT_EQ(host.Checked.at(TLoadCheckBox::EnWrtEep), true);
    EXPECT_TRUE(log.Has(">    * Device Configuration NV Latch Data : "));
    EXPECT_TRUE(log.Has("              0xBC 0x90 0xAC 0xAF "));
    EXPECT_EQ(refresh.Calls, (std::vector<std::string>{"CalcMainChecksums 0 65535", "ShowMainFlash 0 65535",
                                                        "ShowEccWFlash"}));
}

TEST_F(ObjFileLoad, Family8BinarySizes)
{
    struct Case {
        const char* name;
        bool sizesSet;
    };
    const std::vector<std::uint8_t> image = Ramp(5000, 3);
    const std::uint16_t acc = static_cast<std::uint16_t>(0x10000 - Sum16(image.data(), image.size()));
    for (const Case c : {Case{"image.bin", true}, Case{"image.BIN", true}, Case{"image.dat", false}, Case{"image", false}}) {
        SCOPED_TRACE(c.name);
        ResetSharedStateForTest();
        log.Lines.clear();
        Chip({0x08, 16});
        CurChip.BlockSize = 64;
        CurChip.BlockNum = 7;
        ASSERT_EQ(LoadBytes(c.name, image), TObjLoadResult::Loaded);
        EXPECT_EQ(ImageInfo.FileMaxAddr, 4999u);
        EXPECT_EQ(ImageInfo.FileMaxAddr - ImageInfo.FileMinAddr, 5000u);
        EXPECT_EQ(Checksums.FileCheckSum, acc);
        EXPECT_TRUE(std::equal(image.begin(), image.end(), ImageBufs.MainFlashBuf));
        EXPECT_EQ(CurChip.SecuSize, 64);
        if (c.sizesSet) {
            EXPECT_EQ(ImageInfo.TargetEndAddr, 0x1FFFu);
            EXPECT_EQ(CurChip.FlashSizeKB, 8);
            EXPECT_EQ(CurChip.BlockSize, 256);
            EXPECT_EQ(CurChip.BlockNum, 20);
            EXPECT_TRUE(log.Has("> File Total Block : 20"));
        } else {
            EXPECT_EQ(ImageInfo.TargetEndAddr, 0x3FFFu);
            EXPECT_EQ(CurChip.BlockSize, 64);
            EXPECT_TRUE(log.Has("> File Total Block : 7"));
        }
    }
    // The load dialog starts on binary files for this family; a ".HEX" file is
    // read with layout P1 (the checksum record at 0x200000).
    ResetSharedStateForTest();
    Chip({0x08, 16});
    const std::string tt = TempPath("tt.hex");
    WriteText(tt, HexFile({{0x0000, Ramp(16)}, {0x200000, {0x12, 0x34}}}));
    host.OpenAnswers = {tt};
    ASSERT_EQ(loader.FileOpenBtnClick(), TObjLoadResult::Loaded);
    EXPECT_EQ(host.FilterIndices, std::vector<int>{kOpenFilterBinary});
    EXPECT_EQ(Checksums.FileCheckSum, 0x1234);
}

TEST_F(ObjFileLoad, OversizedBinaryIsCutWithAMessage)
{
    Chip({0x20, 32});
    std::vector<std::uint8_t> image(kMainFlashBufSize + 10, 0x5A);
    ASSERT_EQ(LoadBytes("big.bin", image), TObjLoadResult::Loaded);
    EXPECT_EQ(ImageInfo.FileMaxAddr, kMainFlashBufSize - 1);
    ASSERT_EQ(host.FileErrors.size(), 1u);
    EXPECT_EQ(host.FileErrors[0], FileCutText(TempPath("big.bin"), kMainFlashBufSize));
}

TEST_F(ObjFileLoad, Psoc6SFlashEfuseAndCheckBoxes)
{
    Chip({0xD8, 1024});
    const std::string text = HexFile({{0x10000000, Ramp(0x40)},
                                      {0x16000800, Ramp(0x20)},
                                      {0x16001A00, Ramp(0x10)},
                                      {0x16005A00, Ramp(0x10)},
                                      {0x90700000, Ramp(0x10, 0x30)},
                                      {0x90600000, {0x02}}});
    ASSERT_EQ(LoadText("p6.hex", text), TObjLoadResult::Loaded);
    EXPECT_EQ(ImageInfo.UserRowsPresent, 1);
    EXPECT_EQ(ImageInfo.NarPresent, 1);
    EXPECT_EQ(ImageInfo.PubKeyPresent, 1);
    EXPECT_EQ(ImageInfo.Toc2Present, 0);
    EXPECT_EQ(ImageInfo.PubKeyLen, 0x11);
    EXPECT_EQ(ImageBufs.SecurityBuf[0x0F], 0x3F);
    EXPECT_EQ(CtrlSettings.ChipProtect, 0);  // 0x90600000 is not a PSoC 6 region
    EXPECT_EQ(host.RopVisible, 0);
    EXPECT_EQ(host.Checked.at(TLoadCheckBox::ChkBoxNAR), true);
    EXPECT_EQ(host.Checked.at(TLoadCheckBox::ChkBoxPubKey), true);
    EXPECT_EQ(host.Checked.at(TLoadCheckBox::ChkBoxTOCx), false);
    EXPECT_EQ(host.Checked.at(TLoadCheckBox::EnWrtEep), true);
    EXPECT_EQ(host.Checked.at(TLoadCheckBox::ChkBoxROP), false);
    EXPECT_EQ(refresh.Calls, (std::vector<std::string>{"CalcMainChecksums 0 1048575", "ShowMainFlash 0 1048575",
                                                        "ShowEccWFlash", "ShowEepSFlash"}));
}

TEST_F(ObjFileLoad, Psoc6TrimmingAboveOneMiB)
{
    struct Case {
        std::uint16_t flashKB;
        std::int64_t lastNonZero;  // -1: all zero
        std::uint32_t targetEnd;
        std::uint16_t progKB;
    };
    const Case cases[] = {
        {2048, 0x12345, 0x12FFF, 76},
        {2048, -1, 0xFFF, 4},
        {2048, 0x1FFFFF, 0x1FFFFF, 2048},
        {1024, 0x12345, 0xFFFFF, 1024},
    };
    for (const auto& c : cases) {
        ResetSharedStateForTest();
        Chip({0xD8, c.flashKB});
        CurChip.BlockNum = 9;
        if (c.lastNonZero >= 0) ImageBufs.MainFlashBuf[c.lastNonZero] = 1;
        loader.UpdateAfterLoad();
        EXPECT_EQ(ImageInfo.TargetEndAddr, c.targetEnd) << c.flashKB << " " << c.lastNonZero;
        EXPECT_EQ(ImageInfo.ProgSizeKB, c.progKB);
        EXPECT_EQ(CurChip.BlockNum, c.flashKB > 1024 ? c.progKB * 2 : 9);
    }
}

// ---- fresh load, load more, failures -------------------------------------------

TEST_F(ObjFileLoad, LoadMoreThenFreshLoadLeavesNothingStale)
{
    Chip({0xD0, 512});
    const std::string a = HexFile({{0x50000, Ramp(16)},
                                   {0x80000000, Ramp(16)},
                                   {0x90000000, {1, 2, 3, 4}},
                                   {0x90200000, Ramp(16)},
                                   {0x90300000, {0x11, 0x22}},
                                   {0x90400000, Ramp(16)},
                                   {0x90500000, {0, 7, 1, 2, 3, 4, 0, 0, 0, 0, 0, 0}}});
    ASSERT_EQ(LoadText("a.hex", a), TObjLoadResult::Loaded);
    EXPECT_EQ(ImageInfo.FileMinAddr, 0x50000u);

    // Load more adds and widens, clears nothing and keeps the file's fields.
    const std::string morePath = TempPath("more.hex");
    WriteText(morePath, HexFile({{0x0100, Ramp(16, 0x70)}}));
    host.OpenAnswers = {morePath};
    const std::size_t logBefore = log.Lines.size();
    ASSERT_EQ(loader.SpdBtnLodMoreClick(), TObjLoadResult::Loaded);
    EXPECT_EQ(host.FilterIndices.back(), kOpenFilterIntelHex);
    EXPECT_EQ(ImageBufs.MainFlashBuf[0x100], 0x70);
    EXPECT_EQ(ImageBufs.MainFlashBuf[0x50000], 1);
    EXPECT_EQ(ImageInfo.FileMinAddr, 0x100u);
    EXPECT_EQ(Checksums.FileCheckSum, 0x1122);
    EXPECT_EQ(ImageInfo.ObjFileName, FileNamePart(TempPath("a.hex")));
    EXPECT_EQ(ImageInfo.EccPresent, 0);  // layout P35 clears its two flags at the start of every read
    EXPECT_FALSE(std::any_of(log.Lines.begin() + static_cast<long>(logBefore), log.Lines.end(),
                             [](const std::string& l) { return l.rfind("Load object file", 0) == 0; }));

    // A fresh load of a small file: the whole 4 MiB, side buffers, checksum and flags are cleared.
    ImageBufs.MainFlashBuf[kMainFlashBufSize - 1] = 0xEE;
    ASSERT_EQ(LoadText("c.hex", HexFile({{0x0000, Ramp(16)}})), TObjLoadResult::Loaded);
    EXPECT_EQ(ImageBufs.MainFlashBuf[0x50000], 0);
    EXPECT_EQ(ImageBufs.MainFlashBuf[0x100], 0);
    EXPECT_EQ(ImageBufs.MainFlashBuf[kMainFlashBufSize - 1], 0);
    EXPECT_EQ(Sum16(ImageBufs.EccWFlashBuf, kEccWFlashBufSize), 0);
    EXPECT_EQ(Sum16(ImageBufs.EepSFlashBuf, kEepSFlashBufSize), 0);
    EXPECT_EQ(Sum16(ImageBufs.SecurityBuf, kSecurityBufSize), 0);
    EXPECT_EQ(Checksums.FileCheckSum, 0);
    EXPECT_EQ(ImageInfo.EccInFile, 0);
    EXPECT_EQ(ImageInfo.EepPresent, 0);
    EXPECT_EQ(ImageInfo.HexInfoPresent, 0);
    EXPECT_EQ(ImageInfo.HexFileVersion, 0);
    EXPECT_EQ(ImageInfo.FileMinAddr, 0u);
    EXPECT_EQ(ImageInfo.FileMaxAddr, 0x10u);
    EXPECT_EQ(ImageInfo.ObjFileName, FileNamePart(TempPath("c.hex")));
    // Chip fields and latches are not file flags: the last writer wins.
    EXPECT_EQ(CurChip.ChipID1, 0x0304);
    EXPECT_EQ(CtrlSettings.NvLatch[3], 4);
}

TEST_F(ObjFileLoad, FailedOrCancelledLoadsChangeNothing)
{
    Chip({0xC0, 32});
    ASSERT_EQ(LoadText("good.hex", HexFile({{0x0000, Ramp(16)}, {0x90300000, {0x55, 0x66}}})), TObjLoadResult::Loaded);
    const std::vector<std::uint8_t> before(ImageBufs.MainFlashBuf, ImageBufs.MainFlashBuf + 64);
    const auto calls = refresh.Calls.size();
    const auto lines = log.Lines.size();

    const std::string empty = TempPath("empty.hex");
    WriteText(empty, "");
    const std::string emptyBin = TempPath("empty.bin");
    WriteText(emptyBin, "");
    // Files that open but cannot be read (reading process memory at 0 fails).
    const std::string unreadableHex = TempPath("unreadable.hex");
    std::remove(unreadableHex.c_str());
    ASSERT_EQ(symlink("/proc/self/mem", unreadableHex.c_str()), 0);
    struct Case {
        const char* name;
        std::string answer;  // "" cancels
        TObjLoadResult result;
        std::string box;
    };
    const Case cases[] = {
        {"cancel", "", TObjLoadResult::Cancelled, ""},
        {"missing hex", TempPath("missing.hex"), TObjLoadResult::OpenFailed,
         FileOpenErrorText(TempPath("missing.hex"), "No such file or directory")},
        {"missing binary", TempPath("missing.bin"), TObjLoadResult::OpenFailed,
         FileOpenErrorText(TempPath("missing.bin"), "No such file or directory")},
        {"directory", ::testing::TempDir(), TObjLoadResult::OpenFailed, ""},
        {"unreadable hex", unreadableHex, TObjLoadResult::OpenFailed, ""},
        {"unreadable binary", "/proc/self/mem", TObjLoadResult::OpenFailed,
         FileReadErrorText("/proc/self/mem", "Input/output error")},
        {"empty hex", empty, TObjLoadResult::EmptyFile, "The object file \"" + empty + "\" holds no data: nothing was loaded."},
        {"empty binary", emptyBin, TObjLoadResult::EmptyFile, "The object file \"" + emptyBin + "\" holds no data: nothing was loaded."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host.FileErrors.clear();
        host.OpenAnswers = {c.answer};
        EXPECT_EQ(loader.FileOpenBtnClick(), c.result);
        if (!c.box.empty()) {
            EXPECT_EQ(host.FileErrors, std::vector<std::string>{c.box});
        }
        EXPECT_EQ(host.FileErrors.size(), c.result == TObjLoadResult::Cancelled ? 0u : 1u);
        EXPECT_TRUE(std::equal(before.begin(), before.end(), ImageBufs.MainFlashBuf));
        EXPECT_EQ(Checksums.FileCheckSum, 0x5566);
        EXPECT_EQ(ImageInfo.HexInfoPresent, 1);
        EXPECT_EQ(ImageInfo.ObjFileName, FileNamePart(TempPath("good.hex")));
        EXPECT_EQ(ObjFileLoaded, 1);
        EXPECT_EQ(refresh.Calls.size(), calls);
        EXPECT_EQ(log.Lines.size(), lines);
    }
    EXPECT_EQ(host.FilterIndices.back(), kOpenFilterIntelHex);

    // Load more of an empty file: it holds no record, so it adds nothing and
    // is no error; the update runs as after any further file.
    host.FileErrors.clear();
    host.OpenAnswers = {empty};
    EXPECT_EQ(loader.SpdBtnLodMoreClick(), TObjLoadResult::Loaded);
    EXPECT_TRUE(host.FileErrors.empty());
    EXPECT_TRUE(boxes.Texts.empty());
    EXPECT_EQ(refresh.Calls.size(), calls + 2);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), ImageBufs.MainFlashBuf));
    EXPECT_EQ(Checksums.FileCheckSum, 0x5566);
    const std::size_t updated = refresh.Calls.size();

    // Load more of a missing file: a box, no update.
    host.FileErrors.clear();
    host.OpenAnswers = {TempPath("missing.hex")};
    EXPECT_EQ(loader.SpdBtnLodMoreClick(), TObjLoadResult::OpenFailed);
    EXPECT_EQ(host.FileErrors.size(), 1u);
    EXPECT_EQ(refresh.Calls.size(), updated);

    // Load more of a binary reads nothing but still updates.
    host.OpenAnswers = {TempPath("any.bin")};
    EXPECT_EQ(loader.SpdBtnLodMoreClick(), TObjLoadResult::NotRead);
    EXPECT_EQ(refresh.Calls.size(), updated + 2);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), ImageBufs.MainFlashBuf));
}

TEST_F(ObjFileLoad, NoChipShowsTheBuildsTextAndChangesNothing)
{
    ImageBufs.MainFlashBuf[0] = 9;
    Checksums.FileCheckSum = 0x77;
    host.OpenAnswers = {TempPath("never.hex")};
    EXPECT_EQ(loader.FileOpenBtnClick(), TObjLoadResult::NoChip);
    EXPECT_EQ(loader.SpdBtnLodMoreClick(), TObjLoadResult::NoChip);
    TObjFileLoader english(TBuildLang::English, host, refresh, log, boxes);
    EXPECT_EQ(english.FileOpenBtnClick(), TObjLoadResult::NoChip);
    EXPECT_EQ(english.SpdBtnLodMoreClick(), TObjLoadResult::NoChip);
    EXPECT_EQ(host.Information, (std::vector<std::string>{"请先选择芯片型号！", "请先选择芯片型号！",
                                                          "Please select the chip first!", "请先选择芯片型号！"}));
    EXPECT_TRUE(host.FilterIndices.empty());
    EXPECT_EQ(ImageBufs.MainFlashBuf[0], 9);
    EXPECT_EQ(Checksums.FileCheckSum, 0x77);
}

TEST_F(ObjFileLoad, RecordErrorsAndAbortStillUpdate)
{
    Chip({0x20, 16});
    boxes.Answer = TBoxAnswer::Abort;
    const std::string text = Join({Data(0, {1}), BadSum(Data(1, {2})), Data(2, {3})});
    ASSERT_EQ(LoadText("abort.hex", text), TObjLoadResult::Loaded);
    EXPECT_EQ(boxes.Texts, std::vector<std::string>{"Data Error : 4."});
    EXPECT_EQ(ImageBufs.MainFlashBuf[0], 1);
    EXPECT_EQ(ImageBufs.MainFlashBuf[1], 0);
    EXPECT_EQ(ImageBufs.MainFlashBuf[2], 0);
    EXPECT_EQ(refresh.Calls.size(), 2u);
    EXPECT_EQ(host.FileNamePanel, TempPath("abort.hex"));
    EXPECT_EQ(host.LabelFile, TempPath("abort.hex"));
}

TEST_F(ObjFileLoad, ProjectStateSuppressesTheFileInformation)
{
    Chip({0xC0, 32});
    ImageInfo.HexInfoPresent = 1;
    ImageInfo.FromObjectFile = 0;
    CtrlSettings.ChipProtect = 2;
    loader.UpdateAfterLoad();
    EXPECT_EQ(host.RopVisible, 1);
    EXPECT_FALSE(log.Has("> Read Hex File Information: "));
    EXPECT_EQ(host.Checked.count(TLoadCheckBox::ChkBoxROP), 0u);

    ImageInfo.FromObjectFile = 1;
    loader.UpdateAfterLoad();
    EXPECT_TRUE(log.Has("> Read Hex File Information: "));
    EXPECT_TRUE(log.Has("> " + std::string(51, '-')));
    EXPECT_EQ(host.Checked.at(TLoadCheckBox::ChkBoxROP), true);
}

}  // namespace
