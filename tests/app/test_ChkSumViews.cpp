// Checksums, their report lines and panels, and the four hex views in both builds.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "ProjectsTestSinks.h"
#include "app/ChkSumViews.h"
#include "link/DefinCyX4.h"
#include "telvicbin/TelvicBin.h"

namespace {

const std::string kDots(43, '.');

std::string H(unsigned v, int digits)
{
    char t[16];
    std::snprintf(t, sizeof t, "%0*X", digits, v);
    return t;
}

class ChkSumViewsTest : public ::testing::Test {
protected:
    void SetUp() override { ResetSharedStateForTest(); }
    TChecksumViews& Views(TBuildLang lang)
    {
        views_ = std::make_unique<TChecksumViews>(lang, &log, &status, &pages);
        return *views_;
    }
    TRecordingLog log;
    TRecordingStatus status;
    TRecordingPages pages;
    std::unique_ptr<TChecksumViews> views_;
};

struct TSumCase {
    const char* name;
    std::uint32_t fillFirst, fillCount;
    std::uint8_t fill;
    std::uint32_t first, last;
    std::uint16_t acc;
    std::uint32_t acc32;
};

TEST_F(ChkSumViewsTest, AccAndAcc32OverRangesClampedToTheBuffer)
{
    const TSumCase cases[] = {
        {"zeros", 0, 0, 0, 0, 1023, 0x0000, 0},
        {"one 0x01 byte", 5, 1, 0x01, 0, 15, 0xFFFF, 1},
        {"sum 0x0123", 0, 0x123, 0x01, 0, 0x1FF, 0xFEDD, 0x123},
        {"empty range of size 0", 0, 16, 0xFF, 0, 0xFFFFFFFF, 0, 0},
        {"empty range last < first", 0, 16, 0xFF, 10, 9, 0, 0},
        {"range beyond the buffer end", 0x3FFFF0, 16, 0xFF, 0x3FFFF0, 0xFFFFFFF0, 0xF010, 0xFF0},
        {"first beyond the buffer", 0x3FFFF0, 16, 0xFF, 0x400000, 0x400010, 0, 0},
        {"whole 4 MiB of 0xFF", 0, kMainFlashBufSize, 0xFF, 0, 0x3FFFFF, 0x0000, 0x3FC00000},
    };
    for (const TSumCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::memset(ImageBufs.MainFlashBuf, 0, kMainFlashBufSize);
        std::memset(ImageBufs.MainFlashBuf + c.fillFirst, c.fill, c.fillCount);
        EXPECT_EQ(RangeAccSum(ImageBufs.MainFlashBuf, kMainFlashBufSize, c.first, c.last), c.acc);
        EXPECT_EQ(RangeAcc32Sum(ImageBufs.MainFlashBuf, kMainFlashBufSize, c.first, c.last), c.acc32);
    }
    // The CRC takes the same clamped range; an empty one reads nothing.
    std::memset(ImageBufs.EepSFlashBuf, 0x5A, kEepSFlashBufSize);
    EXPECT_EQ(RangeCrcSum(ImageBufs.EepSFlashBuf, kEepSFlashBufSize, 0x800, 0x107FE),
              GetOrvaneCheckSum(ImageBufs.EepSFlashBuf, 0x800, 0xFFFF));
    EXPECT_EQ(RangeCrcSum(ImageBufs.EepSFlashBuf, kEepSFlashBufSize, 0, 0xFFFFFFFF),
              GetOrvaneCheckSum(ImageBufs.EepSFlashBuf, 1, 0));
}

// A 16 KB image holding 01 02 at its start and 0x10 security bytes.
void LoadSmallImage(std::uint8_t family, std::uint16_t fileSum, std::uint8_t loaded)
{
    CurChip.FamilyCode = family;
    ImageBufs.MainFlashBuf[0] = 0x01;
    ImageBufs.MainFlashBuf[1] = 0x02;
    ImageBufs.SecurityBuf[200] = 0x10;
    ImageInfo.TargetStartAddr = 0;
    ImageInfo.TargetEndAddr = 0x3FFF;
    ImageInfo.FileMinAddr = 0x100;
    ImageInfo.FileMaxAddr = 0x3FFF;
    Checksums.FileCheckSum = fileSum;
    ObjFileLoaded = loaded;
}

TEST_F(ChkSumViewsTest, ChineseReportFamilyMbr)
{
    LoadSmallImage(0x00, 0x1234, 1);
    Views(TBuildLang::Chinese).CalcMainChecksums(0, 0x3FFF);
    EXPECT_EQ(log.Lines, (std::vector<std::string>{"L:" + kDots, "L:>芯片 CheckSum  = 0xFFFD",
                                                   "L:>文件 CheckSum  = 0x1234", "L:" + kDots}));
    EXPECT_EQ(status.Panels[0], "文件校验和：0x1234");
    EXPECT_EQ(status.Panels[1], "芯片校验和：0xFFFD");
    EXPECT_EQ(Checksums.SecuAccSum, 0) << "family 0 sums security bytes 0..127 only";
    EXPECT_EQ(Checksums.ChipAcc32Sum, 0u);
}

TEST_F(ChkSumViewsTest, ChineseReportOtherFamilies)
{
    LoadSmallImage(0x20, 0x1234, 1);
    Views(TBuildLang::Chinese).CalcMainChecksums(0, 0x3FFF);
    const std::string crc = H(GetOrvaneCheckSum(ImageBufs.MainFlashBuf, 0, 0x3FFF), 4);
    EXPECT_EQ(log.Lines, (std::vector<std::string>{
                             "L:" + kDots, "L:目标Flash首地址 = 0x00000000.", "L:目标Flash尾地址 = 0x00003FFF.",
                             "L:" + kDots, "L:目标文件首地址 = 0x00000100.", "L:目标文件尾地址 = 0x00003FFF.",
                             "L:" + kDots, "L:芯片 ACC CheckSum = 0xFFFD", "L:芯片 CRC CheckSum = 0x" + crc,
                             "L:芯片ACC32 CheckSum  = 0x00000003", "L:文件 ACC CheckSum = 0x1234", "L:" + kDots}));
    EXPECT_EQ(Checksums.SecuAccSum, 0xFFF0);
    EXPECT_EQ(status.Panels[0], "文件校验和：0x1234");
    EXPECT_EQ(status.Panels[1], "芯片校验和：0xFFFD");

    // A HEX file without a checksum record: the 32-bit sum stands in, silently.
    log.Lines.clear();
    Checksums.FileCheckSum = 0;
    Views(TBuildLang::Chinese).CalcMainChecksums(0, 0x3FFF);
    EXPECT_EQ(Checksums.FileCheckSum, 3);
    EXPECT_EQ(log.Lines.size(), 11u) << "no file checksum line";
    EXPECT_EQ(status.Panels[0], "文件校验和：0x0003");
}

TEST_F(ChkSumViewsTest, ChineseReadBackWithoutImageFallsBackToAcc32)
{
    LoadSmallImage(0xC0, 0, 0);
    status.Panels[1] = "before";
    Views(TBuildLang::Chinese).CalcMainChecksums(0, 0x3FFF);
    ASSERT_EQ(log.Lines.size(), 8u);
    EXPECT_EQ(log.Lines[3], "L:" + kDots);
    EXPECT_EQ(log.Lines[4], "L:芯片 ACC CheckSum = 0xFFFD");
    EXPECT_EQ(Checksums.FileCheckSum, 3);
    EXPECT_EQ(status.Panels[0], "文件校验和：0x0003");
    EXPECT_EQ(status.Panels[1], "before");
}

TEST_F(ChkSumViewsTest, EnglishReports)
{
    LoadSmallImage(0x00, 0x1234, 1);
    Views(TBuildLang::English).CalcMainChecksums(0, 0x3FFF);
    EXPECT_EQ(log.Lines, (std::vector<std::string>{"A:" + kDots, "L:Chip CheckSum  = 0x0000FFFD",
                                                   "L:File CheckSum  = 0x00001234", "A:" + kDots}));
    EXPECT_EQ(status.Panels[0], "File CheckSum: 0x1234");
    EXPECT_EQ(status.Panels[1], "Chip CheckSum: 0xFFFD");

    log.Lines.clear();
    ResetSharedStateForTest();
    LoadSmallImage(0xC8, 0, 0);
    Views(TBuildLang::English).CalcMainChecksums(0, 0x3FFF);
    EXPECT_EQ(log.Lines, (std::vector<std::string>{
                             "A:" + kDots, "L:>Flash Start Address = 0x0000.", "L:>Flash Ended Address = 0x3FFF.",
                             "A:" + kDots, "L:Object File Starting Address = 0x0100.",
                             "L:Object File ended Address    = 0x3FFF.", "A:" + kDots,
                             "L:Chip CheckSum  = 0x0000FFFD", "L:File CheckSum  = 0x00000000", "A:" + kDots}));
    EXPECT_EQ(Checksums.FileCheckSum, 0) << "no fallback in the English build";
    EXPECT_EQ(Checksums.ChipAcc32Sum, 0u);
    EXPECT_EQ(status.Panels[0], "File AccSum:0x0000");
    EXPECT_EQ(status.Panels[1], "Chip AccSum:0xFFFD");
}

struct TMainViewCase {
    const char* name;
    TBuildLang lang;
    std::uint8_t family;
    std::uint32_t first, last;
    int rows;
    const char* firstAddr;
    const char* middleAddr;  // row rows / 2
    const char* lastAddr;
};

TEST_F(ChkSumViewsTest, MainViewRowsAndAddressesPerBuild)
{
    const auto zh = TBuildLang::Chinese;
    const auto en = TBuildLang::English;
    const TMainViewCase cases[] = {
        {"PSoC 4 256 KB", zh, 0xC0, 0, 0x3FFFF, 16384, "0x00000000", "0x00020000", "0x0003FFF0"},
        {"PSoC 4 256 KB en", en, 0xC0, 0, 0x3FFFF, 16384, "0x000000", "0x020000", "0x03FFF0"},
        {"PSoC 6 2 MiB", zh, 0xD8, 0, 0x1FFFFF, 131072, "0x10000000", "0x10100000", "0x101FFFF0"},
        {"PSoC 6 2 MiB en", en, 0xD8, 0, 0x1FFFFF, 131072, "0x000000", "0x100000", "0x1FFFF0"},
        {"whole 4 MiB", zh, 0xC0, 0, 0x3FFFFF, 262144, "0x00000000", "0x00200000", "0x003FFFF0"},
        {"family 0: 8 rows", zh, 0x00, 0x100, 0x3FFF, 8, "0x00000000", "0x00000040", "0x00000070"},
        {"unaligned start", zh, 0x20, 0x18, 0x37, 2, "0x00000010", "0x00000020", "0x00000020"},
        {"range past the buffer is clamped", zh, 0xC0, 0x3FFFF0, 0x40000F, 1, "0x003FFFF0", "0x003FFFF0",
         "0x003FFFF0"},
        {"TT700 en uses the range", en, 0x08, 0, 0x1F, 2, "0x000000", "0x000010", "0x000010"},
    };
    for (const TMainViewCase& c : cases) {
        SCOPED_TRACE(c.name);
        CurChip.FamilyCode = c.family;
        auto& v = Views(c.lang);
        v.ShowMainFlash(c.first, c.last);
        THexGridModel& m = v.MainView();
        ASSERT_EQ(m.rowCount(), c.rows);
        EXPECT_EQ(m.CellText(0, 0).toStdString(), c.firstAddr);
        EXPECT_EQ(m.CellText(c.rows / 2, 0).toStdString(), c.middleAddr);
        EXPECT_EQ(m.CellText(c.rows - 1, 0).toStdString(), c.lastAddr);
        EXPECT_EQ(m.columnCount(), 18);
    }
}

TEST_F(ChkSumViewsTest, MainViewFamilyRowCounts)
{
    CurChip.FamilyCode = 0x08;
    CurChip.BlockNum = 20;
    auto& zh = Views(TBuildLang::Chinese);
    zh.ShowMainFlash(0, 0xFFF);
    EXPECT_EQ(zh.MainView().rowCount(), 320) << "TT700: BlockNum x 16 rows";
    EXPECT_FALSE(pages.Visible[TViewPage::Security]);
    EXPECT_EQ(ObjFileLoaded, 1);

    CurChip.FamilyCode = 0xC0;
    zh.ShowMainFlash(0, 0xFFFFFFFF);
    EXPECT_EQ(zh.MainView().rowCount(), 0) << "FlashSizeKB 0: the empty range shows nothing";
    EXPECT_TRUE(pages.Visible[TViewPage::Security]);

    ObjFileLoaded = 0;
    Views(TBuildLang::English).ShowMainFlash(0, 0xFFF);
    EXPECT_EQ(ObjFileLoaded, 0) << "the English view leaves ObjFileLoaded alone";
}

TEST_F(ChkSumViewsTest, ByteAndTextColumns)
{
    CurChip.FamilyCode = 0xC0;
    const std::uint8_t row[16] = {0x41, 0x7F, 0x80, 0x1F, 0x20, 0x00, 0xFF, 0x7E};
    std::memcpy(ImageBufs.MainFlashBuf + 0x20000, row, sizeof row);
    auto& v = Views(TBuildLang::Chinese);
    v.ShowMainFlash(0, 0x3FFFF);
    const int r = 0x2000;
    EXPECT_EQ(v.MainView().CellText(r, 1).toStdString(), "41");
    EXPECT_EQ(v.MainView().CellText(r, 3).toStdString(), "80");
    EXPECT_EQ(v.MainView().CellText(r, 7).toStdString(), "FF");
    EXPECT_EQ(v.MainView().CellText(r, 16).toStdString(), "00");
    EXPECT_EQ(v.MainView().CellText(r, 17).toStdString(), std::string("A\x7F.. ..~") + std::string(8, '.'));
    EXPECT_EQ(v.MainView().headerData(1, Qt::Horizontal).toString().toStdString(), "  0");
    EXPECT_EQ(v.MainView().headerData(16, Qt::Horizontal).toString().toStdString(), "  F");
}

TEST_F(ChkSumViewsTest, SecurityViewRowsAndAllZeroBit)
{
    struct {
        std::uint16_t secuSize;
        int rows;
        std::uint16_t secuSizeAfter;
    } const cases[] = {{0, 4, 64}, {8, 0, 8}, {256, 16, 256}, {20000, 512, 20000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.secuSize);
        CurChip.FamilyCode = 0xC0;
        CurChip.SecuSize = c.secuSize;
        for (TBuildLang lang : {TBuildLang::Chinese, TBuildLang::English}) {
            auto& v = Views(lang);
            v.ShowSecurityData();
            ASSERT_EQ(v.SecuView().rowCount(), c.rows);
            if (c.rows > 1) {
                EXPECT_EQ(v.SecuView().CellText(1, 0).toStdString(), "0x000010");
                EXPECT_EQ(v.SecuView().CellText(c.rows - 1, 0).toStdString(), "0x" + H((c.rows - 1) * 16, 6));
            }
        }
        EXPECT_EQ(CurChip.SecuSize, c.secuSizeAfter);
    }
    EXPECT_EQ(CtrlSettings.OptionBits3 & 0x80, 0x80);
    ImageBufs.SecurityBuf[8191] = 1;
    Views(TBuildLang::Chinese).ShowSecurityData();
    EXPECT_EQ(CtrlSettings.OptionBits3 & 0x80, 0);
    EXPECT_EQ(pages.Caption[TViewPage::Security], "Security Data");
    CurChip.FamilyCode = 0xD8;
    Views(TBuildLang::Chinese).ShowSecurityData();
    EXPECT_EQ(pages.Caption[TViewPage::Security], "eFuse");
}

TEST_F(ChkSumViewsTest, EccAndWorkFlashViews)
{
    CurChip.FamilyCode = 0x80;
    CurChip.FlashSizeKB = 64;
    ImageBufs.EccWFlashBuf[8191] = 0x01;
    auto& v = Views(TBuildLang::Chinese);
    v.ShowEccWFlash();
    EXPECT_EQ(CurChip.EccSize, 8192);
    ASSERT_EQ(v.EccView().rowCount(), 512);
    EXPECT_EQ(v.EccView().CellText(511, 0).toStdString(), "0x00001FF0");
    EXPECT_EQ(v.EccView().CellText(256, 0).toStdString(), "0x00001000");
    const std::string crc = H(GetOrvaneCheckSum(ImageBufs.EccWFlashBuf, 0, 8191), 4);
    EXPECT_EQ(log.Lines, (std::vector<std::string>{"L:芯片 ECC Data ACC CheckSum = 0xFFFF",
                                                   "L:芯片 ECC Data CRC CheckSum = 0x" + crc, "L:" + kDots}));
    EXPECT_EQ(pages.Caption[TViewPage::Ecc], "ECC Data");
    EXPECT_EQ(pages.Epwf, 1);

    log.Lines.clear();
    CurChip.FamilyCode = 0xD8;
    CurChip.EccSize = 0;
    auto& en = Views(TBuildLang::English);
    en.ShowEccWFlash();
    EXPECT_EQ(en.EccView().rowCount(), 0) << "EccSize 0: nothing read";
    EXPECT_EQ(Checksums.EccAccSum, 0);
    EXPECT_EQ(log.Lines[0], "L:Chip WFlash Data ACC CheckSum = 0x0000");
    EXPECT_EQ(pages.Caption[TViewPage::Ecc], "WFlash");
    EXPECT_EQ(pages.Epwf, 0);
    CurChip.EccSize = 0x8000;
    en.ShowEccWFlash();
    EXPECT_EQ(en.EccView().CellText(0, 0).toStdString(), "0x14000000");
    EXPECT_EQ(en.EccView().CellText(2047, 0).toStdString(), "0x14007FF0");
}

// The side-buffer report lines of both builds, with every byte 0 (ACC 0x0000).
TEST_F(ChkSumViewsTest, SideBufferReportTextsPerBuild)
{
    struct {
        TBuildLang lang;
        std::uint8_t family;
        bool eep;
        std::vector<std::string> prefixes;
    } const cases[] = {
        {TBuildLang::Chinese, 0x80, true, {"L:芯片 EEP Data CRC CheckSum = 0x", "L:芯片 EEP Data ACC CheckSum = 0x"}},
        {TBuildLang::English, 0xD8, true, {"L:Chip SFlash Data ACC CheckSum = 0x"}},
        {TBuildLang::Chinese, 0xD8, false,
         {"L:芯片 WFlash Data ACC CheckSum = 0x", "L:芯片 WFlash Data CRC CheckSum = 0x"}},
        {TBuildLang::English, 0x80, false, {"L:Chip ECC Data ACC CheckSum = 0x", "L:Chip ECC Data CRC CheckSum = 0x"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.prefixes[0]);
        log.Lines.clear();
        CurChip.FamilyCode = c.family;
        CurChip.EepSize = 256;
        CurChip.FlashSizeKB = 16;
        CurChip.EccSize = 256;
        auto& v = Views(c.lang);
        c.eep ? v.ShowEepSFlash() : v.ShowEccWFlash();
        ASSERT_EQ(log.Lines.size(), c.prefixes.size() + 1);
        for (std::size_t i = 0; i < c.prefixes.size(); ++i) {
            const std::string& line = log.Lines[i];
            EXPECT_EQ(line.substr(0, c.prefixes[i].size()), c.prefixes[i]);
            EXPECT_EQ(line.size(), c.prefixes[i].size() + 4) << "four hexadecimal digits";
        }
        EXPECT_EQ(log.Lines.back(), "L:" + kDots);
    }
}

TEST_F(ChkSumViewsTest, EepViewAndSupervisoryFlashSections)
{
    CurChip.FamilyCode = 0x80;
    CurChip.EepSize = 512;
    ImageBufs.EepSFlashBuf[0] = 0x02;
    auto& en = Views(TBuildLang::English);
    en.ShowEepSFlash();
    ASSERT_EQ(en.EepView().rowCount(), 32);
    EXPECT_EQ(en.EepView().CellText(31, 0).toStdString(), "0x000001F0");
    EXPECT_EQ(log.Lines[1], "L:Chip EEP Data CheckSum  = 0xFFFE");
    EXPECT_EQ(log.Lines[0].substr(0, 30), "L:Chip EEP Data CRC Sum   = 0x");
    EXPECT_EQ(pages.EnWrtEep, 1);
    EXPECT_TRUE(pages.EnWrtEepShown);
    EXPECT_EQ(pages.Caption[TViewPage::Eep], "EEP Data");

    log.Lines.clear();
    CurChip.FamilyCode = 0xD8;
    CurChip.EepSize = 2048;
    ImageInfo.UserRowsPresent = 1;
    ImageInfo.Toc2Present = 1;
    ImageBufs.EepSFlashBuf[0x0800] = 0x10;  // user rows
    ImageBufs.EepSFlashBuf[0x1A00] = 0x20;  // NAR, not present: not summed
    ImageBufs.EepSFlashBuf[0x7FFF] = 0x30;  // TOC2
    auto& zh = Views(TBuildLang::Chinese);
    zh.ShowEepSFlash();
    THexGridModel& m = zh.EepView();
    ASSERT_EQ(m.rowCount(), 419);
    EXPECT_EQ(m.CellText(0, 0).toStdString(), "0x16000800");
    EXPECT_EQ(m.CellText(128, 0).toStdString(), "") << "blank row before NAR";
    EXPECT_EQ(m.CellText(129, 0).toStdString(), "0x16001A00");
    EXPECT_EQ(m.CellText(129, 1).toStdString(), "20");
    EXPECT_EQ(m.CellText(162, 0).toStdString(), "0x16005A00");
    EXPECT_EQ(m.CellText(355, 0).toStdString(), "0x16007C00");
    EXPECT_EQ(m.CellText(418, 0).toStdString(), "0x16007FF0");
    EXPECT_EQ(m.CellText(418, 16).toStdString(), "30");
    EXPECT_EQ(Checksums.EepAccSum, 0x40);
    EXPECT_EQ(Checksums.EepCrcSum, GetOrvaneCheckSum(ImageBufs.EepSFlashBuf, 0x800, 0xFFF));
    EXPECT_EQ(log.Lines, (std::vector<std::string>{"L:芯片 SFlash Data ACC CheckSum = 0x0040", "L:" + kDots}));
    EXPECT_EQ(pages.EnWrtEep, 1);
    ImageBufs.EepSFlashBuf[0x7FFF] = 0;
    zh.ShowEepSFlash();
    EXPECT_EQ(pages.EnWrtEep, 0) << "only the TOC2 section checks EnWrtEep";
}

TEST_F(ChkSumViewsTest, RefreshSignalsOnlyChangedRows)
{
    CurChip.FamilyCode = 0xD8;
    auto& v = Views(TBuildLang::Chinese);
    v.ShowMainFlash(0, 0x3FFFFF);
    THexGridModel& m = v.MainView();
    struct TRows {
        int top, bottom, left, right;
    };
    std::vector<TRows> changed;
    int reset = 0;
    QObject::connect(&m, &QAbstractItemModel::dataChanged, [&changed](const QModelIndex& a, const QModelIndex& b) {
        changed.push_back({a.row(), b.row(), a.column(), b.column()});
    });
    QObject::connect(&m, &QAbstractItemModel::modelReset, [&reset] { ++reset; });

    ImageBufs.MainFlashBuf[0x123456] = 0xAB;
    ImageBufs.MainFlashBuf[0x123466] = 0xCD;
    v.ShowMainFlash(0, 0x3FFFFF);
    EXPECT_EQ(reset, 0);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].top, 0x12345);
    EXPECT_EQ(changed[0].bottom, 0x12346);
    EXPECT_EQ(changed[0].left, 1);
    EXPECT_EQ(changed[0].right, 17);
    EXPECT_EQ(m.CellText(0x12345, 7).toStdString(), "AB");

    changed.clear();
    v.ShowMainFlash(0, 0x3FFFFF);
    EXPECT_EQ(changed.size(), 0u) << "nothing changed, nothing signalled";

    // A serial number at a PSoC 6 chip address: its image position's two rows.
    v.RefreshMainRows(0x10200000);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].top, 0x20000);
    EXPECT_EQ(changed[0].bottom, 0x20001);

    int removed = 0, inserted = 0;
    QObject::connect(&m, &QAbstractItemModel::rowsRemoved, [&removed](const QModelIndex&, int first, int last) {
        removed += last - first + 1;
    });
    QObject::connect(&m, &QAbstractItemModel::rowsInserted, [&inserted](const QModelIndex&, int first, int last) {
        inserted += last - first + 1;
    });
    v.ShowMainFlash(0, 0x1FFFFF);
    EXPECT_EQ(removed, 262144) << "a new range lays the grid out anew";
    EXPECT_EQ(inserted, 131072);
    EXPECT_EQ(m.rowCount(), 131072);
    EXPECT_EQ(reset, 0) << "the columns stay";
}

}  // namespace
