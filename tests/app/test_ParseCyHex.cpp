#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "app/ParseCyHex.h"
#include "link/DefinCyX4.h"
#include "tests/app/HexTestSupport.h"

namespace {

using namespace hextest;

constexpr std::uint16_t kOldFileCheckSum = 0x1111;

// One record case: the lines (usually an extended-address record and the record
// under test), the parser codes, the boxes the reader shows, and what was written.
struct TRecordCase {
    const char* name;
    std::vector<std::string> lines;
    std::vector<int> codes;
    std::vector<std::string> boxes;
    std::function<void()> check;
};

void FreshState()
{
    ResetSharedStateForTest();
    ImageInfo.FileMinAddr = 0xFFFFFFFF;
    ImageInfo.FileMaxAddr = 0;
    Checksums.FileCheckSum = kOldFileCheckSum;
}

// The box the reader of a layout shows for a record code.
std::string BoxFor(THexLayout layout, int code, const std::string& line)
{
    if (layout == THexLayout::P35 && code == 4) return "CheckSum Error: \"" + line + "\"";
    if (layout == THexLayout::P35 && code == 1) return "Format Error: \"" + line + "\"";
    return "Data Error : " + std::to_string(code) + ".";
}

bool Zero(const std::uint8_t* p, std::size_t n)
{
    return std::all_of(p, p + n, [](std::uint8_t b) { return b == 0; });
}

bool Holds(const std::uint8_t* p, const std::vector<std::uint8_t>& bytes)
{
    return std::equal(bytes.begin(), bytes.end(), p);
}

bool NothingStored()
{
    return Zero(ImageBufs.MainFlashBuf, kMainFlashBufSize) && Zero(ImageBufs.SecurityBuf, kSecurityBufSize) &&
           Zero(ImageBufs.EccWFlashBuf, kEccWFlashBufSize) && Zero(ImageBufs.EepSFlashBuf, kEepSFlashBufSize);
}

// Runs a table twice: line by line through the parser (codes) and as a file
// through the reader (box texts); both runs must leave the fields of check().
void RunCases(THexLayout layout, const std::vector<TRecordCase>& cases)
{
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FreshState();
        std::uint32_t ext = 0;
        std::vector<int> codes;
        for (const auto& l : c.lines) codes.push_back(ParseHexLine(layout, l, ext));
        EXPECT_EQ(codes, c.codes);
        c.check();

        FreshState();
        const std::string path = TempPath(std::string("case_") + c.name + ".hex");
        WriteText(path, Join(c.lines));
        TScriptedBoxes boxes;
        THexLineReader reader;
        ASSERT_TRUE(reader.Open(path));
        EXPECT_EQ(ReadHexFile(layout, reader, boxes), THexReadResult::Completed);
        EXPECT_EQ(boxes.Texts, c.boxes);
        c.check();
        std::remove(path.c_str());
    }
}

TEST(HexPairToByte, ValuesEachCharacterOnItsOwn)
{
    EXPECT_EQ(HexPairToByte('f', 'f'), 0xFF);
    EXPECT_EQ(HexPairToByte('F', 'f'), 0xFF);
    EXPECT_EQ(HexPairToByte('0', '9'), 0x09);
    EXPECT_EQ(HexPairToByte('0', 'G'), 16);       // G is 16
    EXPECT_EQ(HexPairToByte('Z', '0'), (35 * 16) & 0xFF);
    EXPECT_EQ(HexPairToByte('0', ' '), static_cast<std::uint8_t>(' ' - '0'));
}

TEST(SumBytes32, BothEndsIncludedAndEmptyRange)
{
    const std::uint8_t b[] = {0xFF, 0xFF, 0x01, 0x02};
    EXPECT_EQ(SumBytes32(b, 0, 3), 0x201u);
    EXPECT_EQ(SumBytes32(b, 2, 2), 1u);
    EXPECT_EQ(SumBytes32(b, 3, 2), 0u);
}

TEST(HexLayoutChoice, ByFamilyCode)
{
    const std::pair<int, THexLayout> cases[] = {
        {0x00, THexLayout::F0}, {0x08, THexLayout::P1}, {0x20, THexLayout::P1}, {0x68, THexLayout::P1},
        {0x80, THexLayout::P35}, {0xD0, THexLayout::P35}, {0xA0, THexLayout::P4}, {0xC8, THexLayout::P4},
        {0xB8, THexLayout::P4}, {0xD8, THexLayout::P6}, {0xD9, THexLayout::P6}};
    for (const auto& [family, layout] : cases) EXPECT_EQ(HexLayoutForFamily(static_cast<std::uint8_t>(family)), layout) << family;
}

// Record handling every layout shares; the P1 differences are in the expectations.
class HexCommonRecords : public ::testing::TestWithParam<THexLayout> {};

TEST_P(HexCommonRecords, AddressTypesAndFormat)
{
    const THexLayout layout = GetParam();
    const bool p1 = layout == THexLayout::P1;
    struct Case {
        const char* name;
        std::string line;
        int code;
        std::uint32_t ext;  // after the line, starting from 0x12340000
    };
    constexpr std::uint32_t kStart = 0x12340000;
    const Case cases[] = {
        {"linear", ":020000040001F9", 0, 0x10000},
        {"linear with address", ":020010040001E9", p1 ? 3 : 0, p1 ? kStart : 0x10000},
        {"segment", ":020000021000EC", 0, 0x10000},
        {"segment with address", ":020010021000DC", 3, kStart},
        {"linear bad checksum still sets the base", ":020000040001F8", 4, 0x10000},
        {"segment bad checksum still sets the base", ":020000021000ED", 4, 0x10000},
        {"linear without its checksum pair", ":020000040001", 1, 0x10000},
        {"linear short", ":02000004000", 1, kStart},
        {"linear lower case", ":02000004abcd" + Hex2(0x100 - ((2 + 4 + 0xAB + 0xCD) & 0xFF)), 0, 0xABCD0000},
        {"end of file, wrong sum", ":00000001AB", 0, kStart},
        {"start segment", ":0400000300001234B3", 0, kStart},
        {"start linear, wrong sum", ":0400000512345678AA", 0, kStart},
        {"type 6", ":00000006FA", 5, kStart},
        {"no colon", "X00000001FF", 1, kStart},
        {"header cut", ":000000", 1, kStart},
        {"empty", "", 1, kStart},
    };
    for (const auto& c : cases) {
        FreshState();
        std::uint32_t ext = kStart;
        EXPECT_EQ(ParseHexLine(layout, c.line, ext), c.code) << c.name;
        EXPECT_EQ(ext, c.ext) << c.name;
    }
    EXPECT_TRUE(NothingStored());
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, HexCommonRecords,
                         ::testing::Values(THexLayout::P1, THexLayout::P4, THexLayout::P35, THexLayout::F0,
                                           THexLayout::P6));

// Main-data records of the four layouts that keep main flash below 0x100000.
TEST(HexMainData, SharedCasesBelowOneMiB)
{
    const auto bytes16 = Ramp(16);
    const std::string rec100 = Data(0x0100, bytes16);
    for (THexLayout layout : {THexLayout::P1, THexLayout::P4, THexLayout::P35, THexLayout::F0}) {
        SCOPED_TRACE(static_cast<int>(layout));
        const bool f0 = layout == THexLayout::F0;
        const auto box = [&](int code, const std::string& line) { return BoxFor(layout, code, line); };
        const std::string shortRec = rec100.substr(0, 9 + 2 * 8);
        const std::string cutRec = rec100.substr(0, rec100.size() - 1);
        RunCases(layout, {
            {"stored at ext plus address", {ExtLinear(0x10000), rec100}, {0, 0}, {}, [&] {
                 EXPECT_TRUE(Holds(ImageBufs.MainFlashBuf + 0x10100, bytes16));
                 EXPECT_EQ(ImageInfo.FileMinAddr, 0x10100u);
                 EXPECT_EQ(ImageInfo.FileMaxAddr, f0 ? 0x1010Fu : 0x10100u + 0x10110u);
             }},
            {"falling order", {rec100, Data(0, bytes16)}, {0, 0}, {}, [&] {
                 EXPECT_EQ(ImageInfo.FileMinAddr, 0u);
                 EXPECT_EQ(ImageInfo.FileMaxAddr, f0 ? 0x10Fu : 0x210u);
             }},
            {"lower case digits", {":02000000ff7f80"}, {0}, {}, [] {
                 EXPECT_EQ(ImageBufs.MainFlashBuf[0], 0xFF);
                 EXPECT_EQ(ImageBufs.MainFlashBuf[1], 0x7F);
             }},
            {"letter G gives a wrong byte", {":010000000G00"}, {4}, {box(4, ":010000000G00")}, [] {
                 EXPECT_TRUE(NothingStored());
             }},
            {"count 0", {":0000000000"}, {0}, {}, [] { EXPECT_TRUE(NothingStored()); }},
            {"checksum first", {BadSum(rec100)}, {4}, {box(4, BadSum(rec100))}, [] {
                 EXPECT_TRUE(NothingStored());
                 EXPECT_EQ(ImageInfo.FileMinAddr, 0xFFFFFFFFu);
                 EXPECT_EQ(ImageInfo.FileMaxAddr, 0u);
             }},
            {"short line", {shortRec}, {1}, {box(1, shortRec)}, [] {
                 EXPECT_TRUE(NothingStored());
             }},
            {"checksum pair cut", {cutRec}, {1}, {box(1, cutRec)}, [] {
                 EXPECT_TRUE(NothingStored());
             }},
        });
    }
}

TEST(HexLayoutP1, Regions)
{
    const auto bytes16 = Ramp(16);
    RunCases(THexLayout::P1, {
        {"security wraps at 4 KiB", {ExtLinear(0x100000), Data(0x0FF8, bytes16)}, {0, 0}, {}, [&] {
             EXPECT_TRUE(Holds(ImageBufs.SecurityBuf + 0xFF8, Ramp(8)));
             EXPECT_TRUE(Holds(ImageBufs.SecurityBuf, Ramp(8, 9)));
             EXPECT_EQ(CurChip.SecuSize, 8);
             EXPECT_TRUE(Zero(ImageBufs.MainFlashBuf, kMainFlashBufSize));
         }},
        {"file checksum", {ExtLinear(0x200000), Data(0, {0x2B, 0x2E})}, {0, 0}, {}, [] {
             EXPECT_EQ(Checksums.FileCheckSum, 0x2B2E);
         }},
        {"file checksum sums only two bytes", {ExtLinear(0x200000), Data(0, {0x12, 0x34, 0x05})}, {0, 4},
         {"Data Error : 4."}, [] { EXPECT_EQ(Checksums.FileCheckSum, kOldFileCheckSum); }},
        {"file checksum bad sum", {ExtLinear(0x200000), BadSum(Data(0, {0x2B, 0x2E}))}, {0, 4},
         {"Data Error : 4."}, [] { EXPECT_EQ(Checksums.FileCheckSum, kOldFileCheckSum); }},
        {"unknown region", {ExtLinear(0x300000), Data(0, bytes16)}, {0, 7}, {"Data Error : 7."}, [] {
             EXPECT_TRUE(NothingStored());
         }},
        {"unknown region bad sum", {ExtLinear(0x300000), BadSum(Data(0, bytes16))}, {0, 4},
         {"Data Error : 4."}, [] { EXPECT_TRUE(NothingStored()); }},
        {"linear with address field", {":020010040001E9"}, {3}, {"Data Error : 3."}, [] {}},
    });
}

TEST(HexLayoutP4, Regions)
{
    const std::vector<std::uint8_t> meta = {0x00, 0x02, 0x04, 0xC8, 0x11, 0x93, 0x11, 0x01, 0x04, 0xC9, 0xDB, 0x9E};
    RunCases(THexLayout::P4, {
        {"checksum", {ExtLinear(0x90300000), Data(0, {0xCA, 0x0B})}, {0, 0}, {}, [] {
             EXPECT_EQ(Checksums.FileCheckSum, 0xCA0B);
             EXPECT_EQ(ImageInfo.HexInfoPresent, 1);
         }},
        {"checksum count 3", {ExtLinear(0x90300000), Data(0, {0xCA, 0x0B, 0x00})}, {0, 7}, {"Data Error : 7."}, [] {
             EXPECT_EQ(Checksums.FileCheckSum, 0);
             EXPECT_EQ(ImageInfo.HexInfoPresent, 1);
         }},
        {"checksum bad sum sets nothing", {ExtLinear(0x90300000), BadSum(Data(0, {0xCA, 0x0B}))}, {0, 4},
         {"Data Error : 4."}, [] {
             EXPECT_EQ(Checksums.FileCheckSum, kOldFileCheckSum);
             EXPECT_EQ(ImageInfo.HexInfoPresent, 0);
         }},
        {"security", {ExtLinear(0x90400000), Data(0x10, Ramp(32))}, {0, 0}, {}, [] {
             EXPECT_TRUE(Holds(ImageBufs.SecurityBuf + 0x10, Ramp(32)));
             EXPECT_EQ(CurChip.SecuSize, 0x30);
             EXPECT_EQ(ImageInfo.HexInfoPresent, 1);
         }},
        {"security up to the last byte", {ExtLinear(0x90400000), Data(0x1FF0, Ramp(16))}, {0, 0}, {}, [] {
             EXPECT_TRUE(Holds(ImageBufs.SecurityBuf + 0x1FF0, Ramp(16)));
             EXPECT_EQ(CurChip.SecuSize, 8192);
         }},
        {"security beyond 8 KiB", {ExtLinear(0x90400000), Data(0x1FF8, Ramp(16))}, {0, 7}, {"Data Error : 7."}, [] {
             EXPECT_TRUE(NothingStored());
             EXPECT_EQ(CurChip.SecuSize, 0);
             EXPECT_EQ(ImageInfo.HexInfoPresent, 0);
         }},
        {"security wrapping at 64 KiB", {ExtLinear(0x90400000), Data(0xFFF8, Ramp(16))}, {0, 7}, {"Data Error : 7."},
         [] { EXPECT_TRUE(NothingStored()); }},
        {"metadata", {ExtLinear(0x90500000), Data(0, meta)}, {0, 0}, {}, [] {
             EXPECT_EQ(ImageInfo.HexFileVersion, 0x0002);
             EXPECT_EQ(CurChip.ChipID1, 0xC804);
             EXPECT_EQ(CurChip.ChipID2, 0x9311);
             EXPECT_EQ(ImageInfo.HexInfoPresent, 1);
         }},
        {"metadata checksum at its fixed place whatever the count",
         {ExtLinear(0x90500000), RecWithCount(0x10, 0, 0, meta) + "FFFF"}, {0, 0}, {}, [] {
             EXPECT_EQ(CurChip.ChipID1, 0xC804);
         }},
        {"metadata cut before its checksum", {ExtLinear(0x90500000), Data(0, meta).substr(0, 33)}, {0, 1},
         {"Data Error : 1."}, [] { EXPECT_EQ(CurChip.ChipID1, 0); }},
        {"protection", {ExtLinear(0x90600000), Data(0, {0x02})}, {0, 0}, {}, [] {
             EXPECT_EQ(CtrlSettings.ChipProtect, 2);
             EXPECT_EQ(ImageInfo.HexInfoPresent, 1);
         }},
        {"protection count 2", {ExtLinear(0x90600000), Data(0, {0x02, 0x02})}, {0, 7}, {"Data Error : 7."}, [] {
             EXPECT_EQ(CtrlSettings.ChipProtect, 0);
             EXPECT_EQ(ImageInfo.HexInfoPresent, 1);
         }},
        {"other region ignored unchecked", {ExtLinear(0x90800000), ":10000000"}, {0, 0}, {}, [] {
             EXPECT_TRUE(NothingStored());
         }},
    });
}

TEST(HexLayoutP35, Regions)
{
    const std::vector<std::uint8_t> meta = {0x00, 0x01, 0x2E, 0x12, 0x30, 0x69, 0x00, 0x01, 0x2E, 0x31, 0xB4, 0x92};
    RunCases(THexLayout::P35, {
        {"ecc", {ExtLinear(0x80000000), Data(0xFFF8, Ramp(16))}, {0, 0}, {}, [] {
             EXPECT_TRUE(Holds(ImageBufs.EccWFlashBuf + 0xFFF8, Ramp(8)));
             EXPECT_TRUE(Holds(ImageBufs.EccWFlashBuf, Ramp(8, 9)));
             EXPECT_EQ(ImageInfo.EccInFile, 1);
             EXPECT_EQ(ImageInfo.EccPresent, 1);
         }},
        {"nv latch", {ExtLinear(0x90000000), Data(0, {0x00, 0x00, 0x40, 0x05})}, {0, 0}, {}, [] {
             EXPECT_TRUE(Holds(CtrlSettings.NvLatch, {0x00, 0x00, 0x40, 0x05}));
             EXPECT_EQ(ImageInfo.EccInFile, 1);
             EXPECT_EQ(Checksums.FileCheckSum, 0);
         }},
        {"nv latch of count 2 still takes four bytes", {ExtLinear(0x90000000), RecWithCount(2, 0, 0, {9, 8, 7, 6})},
         {0, 0}, {}, [] { EXPECT_TRUE(Holds(CtrlSettings.NvLatch, {9, 8, 7, 6})); }},
        {"wo latch count 5", {ExtLinear(0x90100000), Data(0, Ramp(5))}, {0, 7}, {"Data Error : 7."}, [] {
             EXPECT_TRUE(Zero(CtrlSettings.WoLatch, 4));
             EXPECT_EQ(ImageInfo.EccInFile, 1);
             EXPECT_EQ(Checksums.FileCheckSum, 0);
         }},
        {"wo latch", {ExtLinear(0x90100000), Data(0, {0xBC, 0x90, 0xAC, 0xAF})}, {0, 0}, {}, [] {
             EXPECT_TRUE(Holds(CtrlSettings.WoLatch, {0xBC, 0x90, 0xAC, 0xAF}));
         }},
        {"eeprom", {ExtLinear(0x90200000), Data(0x20, Ramp(16))}, {0, 0}, {}, [] {
             EXPECT_TRUE(Holds(ImageBufs.EepSFlashBuf + 0x20, Ramp(16)));
             EXPECT_EQ(ImageInfo.EepPresent, 1);
             EXPECT_EQ(ImageInfo.EccInFile, 1);
         }},
        {"checksum", {ExtLinear(0x90300000), Data(0, {0x84, 0x29})}, {0, 0}, {}, [] {
             EXPECT_EQ(Checksums.FileCheckSum, 0x8429);
             EXPECT_EQ(ImageInfo.HexInfoPresent, 1);
             EXPECT_EQ(ImageInfo.EccInFile, 1);
         }},
        {"security beyond 8 KiB", {ExtLinear(0x90400000), Data(0x2000, {1})}, {0, 7}, {"Data Error : 7."}, [] {
             EXPECT_TRUE(NothingStored());
             EXPECT_EQ(ImageInfo.EccInFile, 0);
         }},
        {"security", {ExtLinear(0x90400000), Data(0, Ramp(32))}, {0, 0}, {}, [] {
             EXPECT_EQ(CurChip.SecuSize, 32);
             EXPECT_EQ(ImageInfo.HexInfoPresent, 0);
         }},
        {"metadata, IDs big-endian, ID 2 first", {ExtLinear(0x90500000), Data(0, meta)}, {0, 0}, {}, [] {
             EXPECT_EQ(ImageInfo.HexFileVersion, 1);
             EXPECT_EQ(CurChip.ChipID2, 0x2E12);
             EXPECT_EQ(CurChip.ChipID1, 0x3069);
             EXPECT_EQ(ImageInfo.HexInfoPresent, 0);
             EXPECT_EQ(ImageInfo.EccInFile, 1);
         }},
        {"checksum and format errors name the line and go on",
         {BadSum(Data(0, {1})), ":0100", "X0000001FF", Data(2, {7})},
         {4, 1, 1, 0},
         {"CheckSum Error: \"" + BadSum(Data(0, {1})) + "\"", "Format Error: \":0100\"",
          "Format Error: \"X0000001FF\""},
         [] { EXPECT_EQ(ImageBufs.MainFlashBuf[2], 7); }},
    });
}

TEST(HexLayoutF0, Regions)
{
    RunCases(THexLayout::F0, {
        {"checksum sets no flag", {ExtLinear(0x90300000), Data(0, {0x12, 0x34})}, {0, 0}, {}, [] {
             EXPECT_EQ(Checksums.FileCheckSum, 0x1234);
             EXPECT_EQ(ImageInfo.HexInfoPresent, 0);
         }},
        {"checksum count 3", {ExtLinear(0x90300000), Data(0, {1, 2, 3})}, {0, 7}, {"Data Error : 7."}, [] {
             EXPECT_EQ(Checksums.FileCheckSum, 0);
         }},
        {"metadata of 7 bytes", {ExtLinear(0x90500000), Data(0, {0x01, 0x02, 0xA1, 0xB2, 0x12, 0x34, 0x56})}, {0, 0},
         {}, [] {
             EXPECT_EQ(ImageInfo.HexFileVersion, 0x0102);
             EXPECT_EQ(CtrlSettings.ProgAddr1, 0xA1);
             EXPECT_EQ(CtrlSettings.ProgAddr2, 0xB2);
             EXPECT_EQ(CurChip.ChipID1, 0x1234);
             EXPECT_EQ(CurChip.ChipID2, 0x0056);
             EXPECT_EQ(ImageInfo.HexInfoPresent, 0);
         }},
        {"blank line is a format error", {"", Data(0, {9})}, {1, 0}, {"Data Error : 1."}, [] {
             EXPECT_EQ(ImageBufs.MainFlashBuf[0], 9);
         }},
    });
}

TEST(HexLayoutP6, Regions)
{
    RunCases(THexLayout::P6, {
        {"main flash", {ExtLinear(0x10000000), Data(0x0100, Ramp(16))}, {0, 0}, {}, [] {
             EXPECT_TRUE(Holds(ImageBufs.MainFlashBuf + 0x100, Ramp(16)));
             EXPECT_EQ(ImageInfo.HexInfoPresent, 1);
             EXPECT_EQ(ImageInfo.FileMinAddr, 0x10000100u);
             EXPECT_EQ(ImageInfo.FileMaxAddr, 0x10000100u + 0x110u);
         }},
        {"main flash up to 4 MiB", {ExtLinear(0x103F0000), Data(0xFFF0, Ramp(16))}, {0, 0}, {}, [] {
             EXPECT_TRUE(Holds(ImageBufs.MainFlashBuf + 0x3FFFF0, Ramp(16)));
         }},
        {"main flash beyond 4 MiB", {ExtLinear(0x103F0000), Data(0xFFF8, Ramp(16))}, {0, 7}, {"Data Error : 7."}, [] {
             EXPECT_TRUE(NothingStored());
             EXPECT_EQ(ImageInfo.HexInfoPresent, 0);
             EXPECT_EQ(ImageInfo.FileMaxAddr, 0u);
         }},
        {"main flash far beyond", {ExtLinear(0x10FF0000), Data(0, {1})}, {0, 7}, {"Data Error : 7."}, [] {
             EXPECT_TRUE(NothingStored());
         }},
        {"work flash", {ExtLinear(0x14000000), Data(0x40, Ramp(16))}, {0, 0}, {}, [] {
             EXPECT_TRUE(Holds(ImageBufs.EccWFlashBuf + 0x40, Ramp(16)));
             EXPECT_EQ(ImageInfo.WFlashPresent, 1);
         }},
        {"public key then toc2", {ExtLinear(0x16000000), Data(0x5A00, Ramp(16)), Data(0x7C00, Ramp(32))}, {0, 0, 0}, {},
         [] {
             EXPECT_EQ(ImageInfo.PubKeyPresent, 1);
             EXPECT_EQ(ImageInfo.Toc2Present, 1);
             EXPECT_EQ(ImageInfo.NarPresent, 0);
             EXPECT_EQ(ImageInfo.PubKeyLen, 8737);
             EXPECT_TRUE(Holds(ImageBufs.EepSFlashBuf + 0x7C00, Ramp(32)));
         }},
        {"user rows and nar", {ExtLinear(0x16000000), Data(0x0800, {1}), Data(0x1A00, {2}), Data(0x07F0, {3})},
         {0, 0, 0, 0}, {}, [] {
             EXPECT_EQ(ImageInfo.UserRowsPresent, 1);
             EXPECT_EQ(ImageInfo.NarPresent, 1);
             EXPECT_EQ(ImageInfo.PubKeyPresent, 0);
             EXPECT_EQ(ImageInfo.PubKeyLen, 0);
             EXPECT_EQ(ImageBufs.EepSFlashBuf[0x07F0], 3);
         }},
        {"efuse keeps SecuSize", {ExtLinear(0x90700000), Data(0x1FF0, Ramp(16))}, {0, 0}, {}, [] {
             EXPECT_TRUE(Holds(ImageBufs.SecurityBuf + 0x1FF0, Ramp(16)));
             EXPECT_EQ(CurChip.SecuSize, 0);
             EXPECT_EQ(ImageInfo.HexInfoPresent, 1);
         }},
        {"efuse beyond 8 KiB", {ExtLinear(0x90700000), Data(0x2000, {1})}, {0, 7}, {"Data Error : 7."}, [] {
             EXPECT_TRUE(NothingStored());
             EXPECT_EQ(ImageInfo.HexInfoPresent, 0);
         }},
        {"metadata as P4", {ExtLinear(0x90500000), Data(0, {0, 5, 0xE2, 0x07, 0x21, 0x00, 0x21, 1, 0xE2, 0x17, 0x8E, 0xAA})},
         {0, 0}, {}, [] {
             EXPECT_EQ(ImageInfo.HexFileVersion, 5);
             EXPECT_EQ(CurChip.ChipID1, 0x07E2);
             EXPECT_EQ(CurChip.ChipID2, 0x0021);
         }},
        {"checksum count 3", {ExtLinear(0x90300000), Data(0, {1, 2, 3})}, {0, 7}, {"Data Error : 7."}, [] {
             EXPECT_EQ(Checksums.FileCheckSum, 0);
             EXPECT_EQ(ImageInfo.HexInfoPresent, 1);
         }},
        {"data below 0x10000000 ignored", {Data(0, Ramp(16))}, {0}, {}, [] { EXPECT_TRUE(NothingStored()); }},
    });
}

// The fields a record can set besides the buffers, as one comparable list.
std::vector<std::uint64_t> ParsedFields()
{
    const auto& i = ImageInfo;
    const auto& o = CtrlSettings;
    std::vector<std::uint64_t> v = {i.FileMinAddr,       i.FileMaxAddr,     Checksums.FileCheckSum, i.HexFileVersion,
                                    CurChip.ChipID1,     CurChip.ChipID2,   CurChip.SecuSize,       CurChip.EccSize,
                                    o.ChipProtect,       o.ProgAddr1,       o.ProgAddr2,            i.PubKeyLen,
                                    i.HexInfoPresent,    i.EccInFile,       i.EccPresent,           i.EepPresent,
                                    i.WFlashPresent,     i.UserRowsPresent, i.NarPresent,           i.PubKeyPresent,
                                    i.Toc2Present};
    v.insert(v.end(), std::begin(o.NvLatch), std::end(o.NvLatch));
    v.insert(v.end(), std::begin(o.WoLatch), std::end(o.WoLatch));
    return v;
}

// A base record whose checksum fails, then a record for that base. The base
// counts as the file gives it, so after OK the data lands where the file put
// it; Abort stops at the base record, except in layout P35, whose checksum box
// cannot stop the reading.
struct TDamagedBaseCase {
    const char* name;
    THexLayout layout;
    std::string base;  // intact; the test damages it
    std::string data;
    std::function<void()> landed;
};

TEST(HexDamagedBase, RecordsAfterItGoWhereTheFilePutThem)
{
    const std::vector<std::uint8_t> meta12 = {0x00, 0x02, 0x04, 0xC8, 0x11, 0x93, 0x11, 0x01, 0x04, 0xC9, 0xDB, 0x9E};
    const auto mainAt = [](std::uint32_t at) {
        return [at] {
            EXPECT_TRUE(Holds(ImageBufs.MainFlashBuf + at, Ramp(16)));
            EXPECT_TRUE(Zero(ImageBufs.MainFlashBuf, 0x200)) << "nothing at the record's bare address";
        };
    };
    const auto checksumOnly = [](std::uint8_t hexInfo) {
        return [hexInfo] {
            EXPECT_EQ(Checksums.FileCheckSum, 0xCA0B);
            EXPECT_EQ(ImageInfo.HexInfoPresent, hexInfo);
            EXPECT_TRUE(Zero(ImageBufs.MainFlashBuf, 2)) << "the stack pointer stays untouched";
        };
    };
    const TDamagedBaseCase cases[] = {
        {"P1 main above 64 KiB", THexLayout::P1, ExtLinear(0x10000), Data(0x0100, Ramp(16)), [&] {
             mainAt(0x10100)();
             EXPECT_EQ(ImageInfo.FileMinAddr, 0x10100u);
         }},
        {"P1 main by segment", THexLayout::P1, ":020000021000EC", Data(0x0100, Ramp(16)), mainAt(0x10100)},
        {"P1 security", THexLayout::P1, ExtLinear(0x100000), Data(0x0010, Ramp(16)), [] {
             EXPECT_TRUE(Holds(ImageBufs.SecurityBuf + 0x10, Ramp(16)));
             EXPECT_EQ(CurChip.SecuSize, 0x20);
             EXPECT_TRUE(Zero(ImageBufs.MainFlashBuf, 0x100));
         }},
        {"P1 file checksum", THexLayout::P1, ExtLinear(0x200000), Data(0, {0xCA, 0x0B}), checksumOnly(0)},
        {"P4 main above 64 KiB", THexLayout::P4, ExtLinear(0x10000), Data(0x0100, Ramp(16)), mainAt(0x10100)},
        {"P4 checksum", THexLayout::P4, ":0200000490303A", Data(0, {0xCA, 0x0B}), checksumOnly(1)},
        {"P4 security", THexLayout::P4, ExtLinear(0x90400000), Data(0, Ramp(32)), [] {
             EXPECT_TRUE(Holds(ImageBufs.SecurityBuf, Ramp(32)));
             EXPECT_EQ(CurChip.SecuSize, 32);
             EXPECT_EQ(ImageInfo.HexInfoPresent, 1);
         }},
        {"P4 metadata", THexLayout::P4, ExtLinear(0x90500000), Data(0, meta12), [] {
             EXPECT_EQ(CurChip.ChipID1, 0xC804);
             EXPECT_EQ(ImageInfo.HexInfoPresent, 1);
         }},
        {"P4 protection", THexLayout::P4, ExtLinear(0x90600000), Data(0, {0x02}), [] {
             EXPECT_EQ(CtrlSettings.ChipProtect, 2);
             EXPECT_EQ(ImageBufs.MainFlashBuf[0], 0);
         }},
        {"P35 ECC", THexLayout::P35, ":0200000480007A", Data(0x0100, Ramp(16)), [] {
             EXPECT_TRUE(Holds(ImageBufs.EccWFlashBuf + 0x100, Ramp(16)));
             EXPECT_EQ(ImageInfo.EccPresent, 1);
             EXPECT_EQ(ImageInfo.EccInFile, 1);
             EXPECT_TRUE(Zero(ImageBufs.MainFlashBuf, kMainFlashBufSize));
         }},
        {"P35 EEPROM", THexLayout::P35, ExtLinear(0x90200000), Data(0x0020, Ramp(16)), [] {
             EXPECT_TRUE(Holds(ImageBufs.EepSFlashBuf + 0x20, Ramp(16)));
             EXPECT_EQ(ImageInfo.EepPresent, 1);
             EXPECT_TRUE(Zero(ImageBufs.MainFlashBuf, 0x100));
         }},
        {"P35 NV latch", THexLayout::P35, ExtLinear(0x90000000), Data(0, {0x00, 0x00, 0x40, 0x05}), [] {
             EXPECT_TRUE(Holds(CtrlSettings.NvLatch, {0x00, 0x00, 0x40, 0x05}));
             EXPECT_TRUE(Zero(ImageBufs.MainFlashBuf, 4));
         }},
        {"P35 main above 64 KiB", THexLayout::P35, ExtLinear(0x30000), Data(0x0100, Ramp(16)), mainAt(0x30100)},
        {"F0 main above 64 KiB", THexLayout::F0, ExtLinear(0x10000), Data(0x0100, Ramp(16)), [&] {
             mainAt(0x10100)();
             EXPECT_EQ(ImageInfo.FileMaxAddr, 0x1010Fu);
         }},
        {"F0 metadata", THexLayout::F0, ExtLinear(0x90500000), Data(0, {0x01, 0x02, 0xA1, 0xB2, 0x12, 0x34, 0x56}), [] {
             EXPECT_EQ(CtrlSettings.ProgAddr1, 0xA1);
             EXPECT_EQ(CurChip.ChipID1, 0x1234);
             EXPECT_TRUE(Zero(ImageBufs.MainFlashBuf, 8));
         }},
        {"P6 main", THexLayout::P6, ExtLinear(0x10010000), Data(0x0100, Ramp(16)), [&] {
             mainAt(0x10100)();
             EXPECT_EQ(ImageInfo.HexInfoPresent, 1);
             EXPECT_EQ(ImageInfo.FileMinAddr, 0x10010100u);
         }},
        {"P6 work flash", THexLayout::P6, ExtLinear(0x14000000), Data(0x0040, Ramp(16)), [] {
             EXPECT_TRUE(Holds(ImageBufs.EccWFlashBuf + 0x40, Ramp(16)));
             EXPECT_EQ(ImageInfo.WFlashPresent, 1);
         }},
        {"P6 supervisory flash", THexLayout::P6, ExtLinear(0x16000000), Data(0x7C00, Ramp(16)), [] {
             EXPECT_TRUE(Holds(ImageBufs.EepSFlashBuf + 0x7C00, Ramp(16)));
             EXPECT_EQ(ImageInfo.Toc2Present, 1);
         }},
        {"P6 eFuse", THexLayout::P6, ExtLinear(0x90700000), Data(0x0010, Ramp(16)), [] {
             EXPECT_TRUE(Holds(ImageBufs.SecurityBuf + 0x10, Ramp(16)));
             EXPECT_EQ(ImageInfo.HexInfoPresent, 1);
         }},
        {"P6 checksum", THexLayout::P6, ExtLinear(0x90300000), Data(0, {0xCA, 0x0B}), checksumOnly(1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bad = BadSum(c.base);
        const std::string path = TempPath("damaged_base.hex");
        WriteText(path, Join({bad, c.data}));
        const bool p35 = c.layout == THexLayout::P35;
        for (TBoxAnswer answer : {TBoxAnswer::Ok, TBoxAnswer::Abort}) {
            SCOPED_TRACE(answer == TBoxAnswer::Ok ? "Ok" : "Abort");
            FreshState();
            const std::vector<std::uint64_t> untouched = ParsedFields();
            TScriptedBoxes boxes;
            boxes.Answer = answer;
            THexLineReader reader;
            ASSERT_TRUE(reader.Open(path));
            const bool stops = answer == TBoxAnswer::Abort && !p35;
            EXPECT_EQ(ReadHexFile(c.layout, reader, boxes), stops ? THexReadResult::Aborted : THexReadResult::Completed);
            EXPECT_EQ(boxes.Texts, std::vector<std::string>{BoxFor(c.layout, 4, bad)});
            if (stops) {
                EXPECT_TRUE(NothingStored());
                EXPECT_EQ(ParsedFields(), untouched);
            } else {
                c.landed();
            }
        }
        std::remove(path.c_str());
    }
}

// Mutated and cut records of every region, through every layout: under
// AddressSanitizer any read beyond a line or write beyond a buffer fails here.
TEST(HexRobustness, MutatedRecordsStayInsideLinesAndBuffers)
{
    const std::uint32_t regions[] = {0x0,        0xF0000,    0x100000,   0x200000,   0x10000000, 0x103F0000,
                                     0x14000000, 0x16000000, 0x80000000, 0x90000000, 0x90300000, 0x90400000,
                                     0x90500000, 0x90600000, 0x90700000};
    const char alphabet[] = "0123456789ABCDEFafGZ: ";
    std::uint32_t seed = 1;
    const auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (THexLayout layout : {THexLayout::P1, THexLayout::P4, THexLayout::P35, THexLayout::F0, THexLayout::P6}) {
        FreshState();
        for (int i = 0; i < 20000; ++i) {
            std::uint32_t ext = regions[next() % (sizeof regions / sizeof regions[0])];
            std::string line = Rec(static_cast<std::uint8_t>(next() % 7 == 6 ? 0 : next() % 6),
                                   static_cast<std::uint16_t>(next()), Ramp(next() % 40));
            switch (next() % 4) {
            case 0: line[1 + next() % (line.size() - 1)] = alphabet[next() % (sizeof alphabet - 1)]; break;
            case 1: line.resize(next() % line.size()); break;
            case 2: line.replace(1, 2, Hex2(next())); break;  // the count no longer fits the line
            default: break;
            }
            const std::vector<char> owned(line.begin(), line.end());  // exactly the line's bytes on the heap
            const std::uint8_t code = ParseHexLine(layout, std::string_view(owned.data(), owned.size()), ext);
            ASSERT_TRUE(code <= 5 || code == 7) << line;
        }
        EXPECT_LE(CurChip.SecuSize, kSecurityBufSize);
    }
}

// The reader: line ends, skipped lines, type 1 not ending the read, OK and Abort.
TEST(HexReader, LineEndsAreNeverPartOfTheLine)
{
    const std::vector<std::string> lines = {Data(0, {1}), Data(1, {2}), Data(2, {3}), Data(3, {4})};
    const std::pair<const char*, std::string> files[] = {
        {"lf", Join(lines, "\n")},
        {"crlf", Join(lines, "\r\n")},
        {"cr", Join(lines, "\r")},
        {"mixed, no final end", lines[0] + "\r\n" + lines[1] + "\r" + lines[2] + "\n" + lines[3]},
    };
    for (const auto& [name, text] : files) {
        SCOPED_TRACE(name);
        FreshState();
        const std::string path = TempPath("ends.hex");
        WriteText(path, text);
        TScriptedBoxes boxes;
        EXPECT_EQ(ReadHexFileF0(path, boxes), THexReadResult::Completed);  // F0 boxes even blank lines
        EXPECT_TRUE(boxes.Texts.empty());
        EXPECT_TRUE(Holds(ImageBufs.MainFlashBuf, {1, 2, 3, 4}));
    }
}

TEST(HexReader, LinesAcrossReadChunks)
{
    // Enough CRLF lines that chunk boundaries fall inside lines and between CR and LF.
    FreshState();
    std::string text;
    std::vector<std::uint8_t> expect;
    for (unsigned i = 0; i < 4000; ++i) {
        const auto bytes = Ramp(16, static_cast<std::uint8_t>(i));
        text += Data(static_cast<std::uint16_t>(16 * i), bytes) + "\r\n";
        expect.insert(expect.end(), bytes.begin(), bytes.end());
    }
    const std::string path = TempPath("chunks.hex");
    WriteText(path, text);
    TScriptedBoxes boxes;
    EXPECT_EQ(ReadHexFileF0(path, boxes), THexReadResult::Completed);
    EXPECT_TRUE(boxes.Texts.empty()) << boxes.Texts.front();
    EXPECT_TRUE(Holds(ImageBufs.MainFlashBuf, expect));
}

TEST(HexReader, OverlongLineIsOneFormatError)
{
    FreshState();
    const std::string path = TempPath("long.hex");
    WriteText(path, std::string(200000, 'Q') + "\n" + Data(5, {0x42}) + "\n");
    TScriptedBoxes boxes;
    EXPECT_EQ(ReadHexFileP1(path, boxes), THexReadResult::Completed);
    EXPECT_EQ(boxes.Texts, std::vector<std::string>{"Data Error : 1."});
    EXPECT_EQ(ImageBufs.MainFlashBuf[5], 0x42);
}

TEST(HexReader, SkipsShortLinesTypeOneGoesOnAbortStops)
{
    FreshState();
    const std::string path = TempPath("flow.hex");
    WriteText(path, Join({"", ":00", Data(0, {1}), ":00000001FF", Data(1, {2}), "bad line", Data(2, {3})}));
    TScriptedBoxes boxes;
    boxes.Answer = TBoxAnswer::Abort;
    EXPECT_EQ(ReadHexFileP1(path, boxes), THexReadResult::Aborted);
    EXPECT_EQ(boxes.Texts, std::vector<std::string>{"Data Error : 1."});
    EXPECT_TRUE(Holds(ImageBufs.MainFlashBuf, {1, 2, 0}));

    FreshState();
    boxes = TScriptedBoxes{};
    EXPECT_EQ(ReadHexFileP1(path, boxes), THexReadResult::Completed);
    EXPECT_TRUE(Holds(ImageBufs.MainFlashBuf, {1, 2, 3}));

    // Layout P35 goes on after Abort on checksum and format errors, stops on others.
    FreshState();
    WriteText(path, Join({BadSum(Data(0, {1})), Rec(6, 0, {}), Data(1, {2})}));
    boxes = TScriptedBoxes{};
    boxes.Answer = TBoxAnswer::Abort;
    EXPECT_EQ(ReadHexFileP35(path, boxes), THexReadResult::Aborted);
    ASSERT_EQ(boxes.Texts.size(), 2u);
    EXPECT_EQ(boxes.Texts[1], "Data Error : 5.");
    EXPECT_EQ(ImageBufs.MainFlashBuf[1], 0);
}

TEST(HexReader, LayoutPresetsAndMissingFile)
{
    FreshState();
    CurChip.EccSize = 99;
    ImageInfo.EccPresent = ImageInfo.EepPresent = 1;
    TScriptedBoxes boxes;
    EXPECT_EQ(ReadHexFileF0(TempPath("missing.hex"), boxes), THexReadResult::OpenFailed);
    EXPECT_EQ(CurChip.EccSize, 99);  // nothing changed when the file does not open

    const std::string path = TempPath("presets.hex");
    WriteText(path, Join({Data(0, {1})}));
    EXPECT_EQ(ReadHexFileF0(path, boxes), THexReadResult::Completed);
    EXPECT_EQ(CurChip.EccSize, 0);
    EXPECT_EQ(ReadHexFileP35(path, boxes), THexReadResult::Completed);
    EXPECT_EQ(ImageInfo.EccPresent, 0);
    EXPECT_EQ(ImageInfo.EepPresent, 0);
}

}  // namespace
