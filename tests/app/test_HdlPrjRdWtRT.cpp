// Project files: the file's bytes against a reference writer built from the
// documented layout, round trips, the load order, result codes and failed loads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/HdlPrjRdWtRT.h"
#include "app/NumberBox.h"
#include "link/DefinCyX4.h"
#include "link/LinkSinks.h"
#include "link/TelvicCmdChkCy.h"
#include "ProjectsTestSinks.h"

namespace {

// A repeatable byte sequence 0..254 shared by copies of the source.
struct TSeq {
    std::shared_ptr<std::uint32_t> n = std::make_shared<std::uint32_t>(0);
    std::uint8_t operator()() const { return static_cast<std::uint8_t>((((*n)++) * 37u + 11u) % 255u); }
};

// ---- The reference writer: the documented layout, byte by byte. ----
struct TRefProject {
    std::string chip, obj;
    std::uint16_t chipAcc = 0, fileSum = 0;
    std::uint32_t countLimit = 0, fileMin = 0, fileMax = 0;
    std::uint8_t flagsA = 0, flagsB = 0;
    std::uint32_t flashBytes = 0;
    std::uint16_t eepSize = 0, eccSize = 0, secuSize = 0;
    std::uint32_t targetStart = 0;
    std::uint16_t sums[8] = {};
    std::uint16_t snStep = 0;
    std::vector<std::uint8_t> config = std::vector<std::uint8_t>(1024);
    std::vector<std::uint8_t> main, secu, eep, ecc;
};

class TRefWriter {
public:
    std::vector<std::uint8_t> out;
    std::uint32_t sum = 0;
    void B(std::uint8_t b) { out.push_back(b), sum += b; }
    void W(std::uint16_t v) { B(v & 0xFF), B(v >> 8); }
    void D(std::uint32_t v) { W(v & 0xFFFF), W(v >> 16); }
    void Z(int n) { while (n-- > 0) B(0); }
    void Text(const std::string& s, std::size_t width, std::uint8_t key)
    {
        for (std::size_t i = 0; i < width; ++i) B(i < s.size() ? static_cast<std::uint8_t>(s[i]) ^ key : 0);
    }
};

std::vector<std::uint8_t> WriteReference(const TRefProject& p, const TSeq& rnd)
{
    TRefWriter w;
    std::uint8_t keys[2050];
    for (auto& k : keys) k = rnd();
    for (char c : std::string("Orvane")) w.B(static_cast<std::uint8_t>(c));
    w.B(2);
    w.B(16);
    w.Text("Telvic200CY", 16, 0xD3);
    w.Text(p.chip, 20, 0xD3);
    w.Text(p.obj, 48, 0xD3);
    w.Z(32);
    w.W(p.chipAcc);
    w.W(p.fileSum);
    w.Z(28);
    w.D(p.countLimit);
    w.D(p.fileMin);
    w.D(p.fileMax);
    w.Z(88);
    w.B(p.flagsA);
    w.B(0);
    w.D(p.flashBytes);
    w.W(p.eepSize);
    w.W(p.eccSize);
    w.Z(14);
    w.D(p.targetStart);
    w.W(p.secuSize);
    w.Z(18);
    w.B(p.flagsB);
    w.B(0);
    for (std::uint16_t s : p.sums) w.D(s);
    w.W(p.fileSum);
    w.W(p.snStep);
    w.Z(16);
    EXPECT_EQ(w.out.size(), 358u);
    for (int i = 0; i < 2049; ++i) w.B(keys[i]);
    auto tag = [&](const char* t, std::uint8_t key) {
        for (int i = 0; i < 3; ++i) w.B(static_cast<std::uint8_t>(t[i]) ^ key);
    };
    auto body = [&](const std::vector<std::uint8_t>& d, bool rekey) {
        std::uint8_t key = rnd();
        w.B(key);
        for (std::size_t j = 0; j < d.size(); ++j) {
            w.B(d[j] ^ keys[j % 1024] ^ key);
            if (rekey && (j + 1) % 1024 == 0) w.B(key = rnd());
        }
    };
    tag("CFG", 0x4E);
    body(p.config, false);
    EXPECT_EQ(w.out.size(), 3435u);
    tag("MFM", 0xB7);
    body(p.main, true);
    const std::pair<const char*, const std::vector<std::uint8_t>*> sections[] = {
        {"SEU", &p.secu}, {"EEP", &p.eep}, {"ECC", &p.ecc}};
    for (const auto& s : sections) {
        tag(s.first, 0x69);
        w.W(static_cast<std::uint16_t>(s.second->size()));
        if (!s.second->empty()) body(*s.second, true);
    }
    const std::uint32_t sum = w.sum;
    for (int i = 0; i < 4; ++i) w.out.push_back(static_cast<std::uint8_t>(sum >> (8 * i)));
    for (int i = 0; i < 256; ++i) w.out.push_back(rnd());
    return w.out;
}

std::vector<std::uint8_t> ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(f), {});
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// ---- The main window as the commands see it. ----
class TFakeProjectHost : public TProjectHost {
public:
    void PlainMessage(const std::string& t) override { Calls.push_back("plain:" + t); }
    void ErrorMessage(const std::string& t) override { Calls.push_back("error:" + t.substr(0, 16)); }
    void InformationMessage(const std::string& t) override { Calls.push_back("info:" + t); }
    void FocusPanelBtns() override { Calls.push_back("focus"); }
    bool AskSaveFileName(std::string& f) override { return (f = FileName), !FileName.empty(); }
    bool AskOpenFileName(std::string& f) override { return (f = FileName), !FileName.empty(); }
    void CollectSettings() override
    {
        Calls.push_back("collect");
        if (CollectRaises) throw EConvertError("'zz' is not a valid integer value");
    }
    void SetChipNameAndSetup(const std::string& name) override
    {
        Calls.push_back("setup:" + name + ":family " + std::to_string(CurChip.FamilyCode));
        // The chip set-up writes chip fields and options of its own.
        CurChip.FlashSizeKB = 999;
        CurChip.BlockNum = 1;
        CtrlSettings.OptionBits1 = 0xEE;
        SNSettings.SNValue = 0;
        ChipSelected = 1;
    }
    void SetFileNamePanel(const std::string& t) override { Calls.push_back("panel2:" + t); }
    void UpdateAfterLoad() override
    {
        Calls.push_back("update:flash " + std::to_string(CurChip.FlashSizeKB) + ":opt1 " +
                        std::to_string(CtrlSettings.OptionBits1));
    }
    void ApplyProjectSettings() override { Calls.push_back("apply"); }

    std::string FileName;
    bool CollectRaises = false;
    std::vector<std::string> Calls;
};

// A PSoC 4 project with every field set to a value of its own.
void FillProjectState()
{
    CurChip.FamilyCode = 0xC0;
    CurChip.ChipIndex = 7;
    CurChip.BankNum = 1;
    CurChip.ModeByte = 0x21;
    CurChip.OptByte = 0x22;
    CurChip.FlagByte = 0x04;
    CurChip.FlashSizeKB = 32;
    CurChip.EepSize = 512;
    CurChip.EccSize = 0x40;
    CurChip.BlockSize = 128;
    CurChip.BlockNum = 256;
    CurChip.ChipID1 = 0x1234;
    CurChip.ChipID2 = 0x5678;
    CurChip.SecuSize = 256;
    CurChip.Opt0 = 1;
    CurChip.Opt2 = 1;
    CurChip.ChipName = "CY8C4245AXI-483";
    CtrlSettings.OptionBits1 = 0xC1;
    CtrlSettings.OptionBits2 = 0x09;
    CtrlSettings.OptionBits3 = 0x10;
    CtrlSettings.ChipProtect = 2;
    CtrlSettings.PowerUpTime = 20;
    CtrlSettings.StartDelay = 17;
    CtrlSettings.RemoveDelay = 33;
    CtrlSettings.ProgAddr1 = 0x31;
    CtrlSettings.ProgAddr2 = 0x32;
    const std::uint8_t nv[4] = {1, 2, 3, 4}, wo[4] = {5, 6, 7, 8};
    std::memcpy(CtrlSettings.NvLatch, nv, 4);
    std::memcpy(CtrlSettings.WoLatch, wo, 4);
    CtrlSettings.WriteEep = 1;
    CtrlSettings.AutoDetect = 1;
    SNSettings.CountLimitOn = 15;
    SNSettings.CountLimit = 5000;
    SNSettings.SNMode = 0xA5;
    SNSettings.SNSize = 4;
    SNSettings.SNStep = 3;
    SNSettings.SNRoundStep = 12;
    SNSettings.SNValue = 0x87654321;
    SNSettings.SNAddr = 0x3F00;
    Checksums = {0x1111, 0x2222, 0x3333, 0x4444, 0x5555, 0x6666, 0x7777, 0x8888, 0x9999, 0};
    ImageInfo.ProgSizeKB = 32;
    ImageInfo.EccInFile = 1;
    ImageInfo.EepPresent = 1;
    ImageInfo.ObjFileName = "firmware_v2.hex";
    ImageInfo.FileMinAddr = 0x100;
    ImageInfo.FileMaxAddr = 0x7FFF;
    ImageInfo.TargetStartAddr = 0;
    ImageInfo.TargetEndAddr = 0x7FFF;
    ReservedFlag7 = 1;
    for (std::uint32_t i = 0; i < 32 * 1024; ++i) ImageBufs.MainFlashBuf[i] = static_cast<std::uint8_t>(i * 7 + (i >> 10));
    for (std::uint32_t i = 0; i < 256; ++i) ImageBufs.SecurityBuf[i] = static_cast<std::uint8_t>(0xA0 + i);
    for (std::uint32_t i = 0; i < 512; ++i) ImageBufs.EepSFlashBuf[i] = static_cast<std::uint8_t>(i ^ 0x5A);
    for (std::uint32_t i = 0; i < 0x40; ++i) ImageBufs.EccWFlashBuf[i] = static_cast<std::uint8_t>(0xE0 + i);
    ChipSelected = 1;
    ObjFileLoaded = 1;
    TelvicCmdChk[0].Random = [](std::uint32_t range) { return 7u % range; };
}

class HdlPrjTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSharedStateForTest();
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("job.PTV").toStdString();
        host.FileName = path;
    }
    void TearDown() override { TelvicCmdChk[0].Random = DefaultRandomSource(); }

    // Saves a 4 KB chip with no security, EEP or ECC data.
    std::vector<std::uint8_t> SaveSmall()
    {
        CurChip.FamilyCode = 0x20;
        CurChip.FlashSizeKB = 4;
        CurChip.ChipName = "CY8C21234";
        for (int i = 0; i < 4096; ++i) ImageBufs.MainFlashBuf[i] = static_cast<std::uint8_t>(i);
        ChipSelected = ObjFileLoaded = 1;
        TelvicCmdChk[0].Random = [](std::uint32_t range) { return 3u % range; };
        EXPECT_TRUE(SaveProjectFile(path, kPrjModelCode, TSeq()));
        return ReadFile(path);
    }
    std::uint8_t Load(const std::vector<std::uint8_t>& bytes)
    {
        WriteFile(path, bytes);
        return LoadProjectFile(path, host);
    }

    QTemporaryDir dir;
    std::string path;
    TFakeProjectHost host;
    TRecordingLog log;
};

TEST_F(HdlPrjTest, SavedBytesMatchTheDocumentedLayout)
{
    FillProjectState();
    TSeq seq;
    SavetoProjectFile1Click(host, &log, seq);
    ASSERT_EQ(host.Calls, (std::vector<std::string>{"focus", "collect", "plain:Created Project File : " + path}));
    ASSERT_EQ(log.Lines, (std::vector<std::string>{"L:Created Project File : " + path}));
    EXPECT_EQ(PrjFlagsA, 0x09);
    EXPECT_EQ(PrjFlagsB, 0x95);

    TRefProject ref;
    ref.chip = "CY8C4245AXI-483";
    ref.obj = "firmware_v2.hex";
    ref.chipAcc = 0x1111;
    ref.fileSum = 0x9999;
    ref.countLimit = 5000;
    ref.fileMin = 0x100;
    ref.fileMax = 0x7FFF;
    ref.flagsA = 0x09;
    ref.flagsB = 0x95;
    ref.flashBytes = 32 * 1024;
    ref.eepSize = 512;
    ref.eccSize = 0x40;
    ref.secuSize = 256;
    const std::uint16_t sums[8] = {0x1111, 0x2222, 0x5555, 0x6666, 0x3333, 0x4444, 0x7777, 0x8888};
    std::copy(std::begin(sums), std::end(sums), ref.sums);
    ref.snStep = 3;
    const std::uint8_t* block = Channels[0].PktBuf + 8;  // as BuildConfigBlock left it
    ref.config.assign(block, block + 1024);
    EXPECT_EQ(std::string(block, block + 4), "yCTV");
    ref.main.assign(ImageBufs.MainFlashBuf, ImageBufs.MainFlashBuf + 32 * 1024);
    ref.secu.assign(ImageBufs.SecurityBuf, ImageBufs.SecurityBuf + 256);
    ref.eep.assign(ImageBufs.EepSFlashBuf, ImageBufs.EepSFlashBuf + 512);
    ref.ecc.assign(ImageBufs.EccWFlashBuf, ImageBufs.EccWFlashBuf + 0x40);

    const std::vector<std::uint8_t> saved = ReadFile(path);
    const std::vector<std::uint8_t> expected = WriteReference(ref, TSeq());
    ASSERT_EQ(saved.size(), expected.size());
    EXPECT_EQ(saved.size(), 3438u + (1 + 32768 + 32) + (5 + 1 + 256) + (5 + 1 + 512) + (5 + 1 + 64) + 4 + 256);
    for (std::size_t i = 0; i < saved.size(); ++i)
        ASSERT_EQ(saved[i], expected[i]) << "first difference at offset " << i;
}

TEST_F(HdlPrjTest, SmallChipFileSizeAndEmptySections)
{
    const std::vector<std::uint8_t> bytes = SaveSmall();
    ASSERT_EQ(bytes.size(), 3438u + 4101 + 3 * 5 + 4 + 256);
    for (std::size_t at : {std::size_t(7539 + 3), std::size_t(7544 + 3), std::size_t(7549 + 3)}) {
        EXPECT_EQ(bytes[at], 0);
        EXPECT_EQ(bytes[at + 1], 0);
    }
    EXPECT_EQ(bytes[7539], 'S' ^ 0x69);
    EXPECT_EQ(bytes[7549], 'E' ^ 0x69);
}

TEST_F(HdlPrjTest, TextFieldsAreCutToTheirWidths)
{
    SaveSmall();
    CurChip.ChipName = "ABCDEFGHIJKLMNOPQRSTUV";  // 22 characters
    ImageInfo.ObjFileName = std::string(60, 'n');
    ASSERT_TRUE(SaveProjectFile(path, kPrjModelCode, TSeq()));
    const std::vector<std::uint8_t> f = ReadFile(path);
    for (int i = 0; i < 20; ++i) ASSERT_EQ(f[24 + i], ('A' + i) ^ 0xD3) << "no terminating zero in a full field";
    EXPECT_EQ(f[44 + 47], 'n' ^ 0xD3);
    EXPECT_EQ(f[92], 0);
    ASSERT_EQ(LoadProjectFile(path, host), kPrjOk);
    EXPECT_EQ(CurChip.ChipName, "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(ImageInfo.ObjFileName, std::string(48, 'n'));
}

// Names are kept in the Chinese code page (GBK), each field cut where a
// character ends. A byte equal to the field's key (0xD3) is written as 0, as
// the format has it; it still reads back, inside the name and as a last
// character's trail byte.
TEST_F(HdlPrjTest, NamesInTheChineseCodePageRoundTrip)
{
    SaveSmall();
    std::string thirtyZhong, xAndTenXin = "X";
    for (int i = 0; i < 30; ++i) thirtyZhong += "中";
    for (int i = 0; i < 10; ++i) xAndTenXin += "芯";
    struct Case {
        const char* name;
        std::string chip, obj;
        std::string chipGbk, objGbk;  // the bytes the fields hold before the key
        std::string chipBack, objBack;
    };
    std::string twentyFourZhongGbk, nineXinGbk = "X";
    for (int i = 0; i < 24; ++i) twentyFourZhongGbk += "\xD6\xD0";
    for (int i = 0; i < 9; ++i) nineXinGbk += "\xD0\xBE";
    std::string twentyFourZhong, xAndNineXin = "X";
    for (int i = 0; i < 24; ++i) twentyFourZhong += "中";
    for (int i = 0; i < 9; ++i) xAndNineXin += "芯";
    const Case cases[] = {
        {"key byte inside the name", "CY8C21234", "固件用户程序.hex", "CY8C21234",
         "\xB9\xCC\xBC\xFE\xD3\xC3\xBB\xA7\xB3\xCC\xD0\xF2.hex", "CY8C21234", "固件用户程序.hex"},
        {"key byte last", "CY8C21234", "v1坝", "CY8C21234", "v1\xB0\xD3", "CY8C21234", "v1坝"},
        {"cut at 48 and 20 without half characters", xAndTenXin, thirtyZhong, nineXinGbk, twentyFourZhongGbk,
         xAndNineXin, twentyFourZhong},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CurChip.ChipName = c.chip;
        ImageInfo.ObjFileName = c.obj;
        ASSERT_TRUE(SaveProjectFile(path, kPrjModelCode, TSeq()));
        const std::vector<std::uint8_t> f = ReadFile(path);
        const auto field = [&f](std::size_t at, std::size_t width, const std::string& gbk) {
            std::vector<std::uint8_t> want(width, 0), got(f.begin() + at, f.begin() + at + width);
            for (std::size_t i = 0; i < gbk.size(); ++i) want[i] = static_cast<std::uint8_t>(gbk[i]) ^ 0xD3;
            EXPECT_EQ(got, want) << "field at " << at;
        };
        field(24, 20, c.chipGbk);
        field(44, 48, c.objGbk);
        // The configuration section holds the block as the units get it.
        std::vector<std::uint8_t> block(512);
        for (std::size_t j = 0; j < 512; ++j) block[j] = f[2411 + j] ^ f[358 + j] ^ f[2410];
        const std::string obj48 = c.objGbk.substr(0, 48);
        EXPECT_TRUE(std::equal(obj48.begin(), obj48.end(), block.begin() + 256, [](char a, std::uint8_t b) {
            return static_cast<std::uint8_t>(a) == b;
        }));

        CurChip.ChipName.clear();
        ImageInfo.ObjFileName.clear();
        ASSERT_EQ(LoadProjectFile(path, host), kPrjOk);
        EXPECT_EQ(CurChip.ChipName, c.chipBack);
        EXPECT_EQ(ImageInfo.ObjFileName, c.objBack);
    }
}

TEST_F(HdlPrjTest, RoundTripRestoresEveryFieldInTheLoadOrder)
{
    FillProjectState();
    ASSERT_TRUE(SaveProjectFile(path, kPrjModelCode, TSeq()));
    PrjFlagsA = 0x09;  // as the save command computes them
    PrjFlagsB = 0x95;
    ASSERT_TRUE(SaveProjectFile(path, kPrjModelCode, TSeq()));

    ResetSharedStateForTest();
    ImageBufs.MainFlashBuf[0x300000] = 0x77;  // a byte of an earlier, larger image
    ImageBufs.EepSFlashBuf[0xF000] = 0x77;
    SpdBtnLoaddPrjClick(host, &log);

    ASSERT_EQ(log.Lines, (std::vector<std::string>{"L:Load Orvane Project file of \"" + path + "\" at "}));
    EXPECT_EQ(host.Calls, (std::vector<std::string>{"plain:Project File Open Success!",
                                                    "setup:CY8C4245AXI-483:family 192", "panel2:firmware_v2.hex",
                                                    "update:flash 32:opt1 193", "apply"}));
    EXPECT_EQ(ObjFileLoaded, 1);
    EXPECT_EQ(ImageInfo.FromObjectFile, 0);
    EXPECT_EQ(ImageBufs.MainFlashBuf[0x300000], 0) << "the whole image is cleared first";
    EXPECT_EQ(ImageBufs.EepSFlashBuf[0xF000], 0);
    for (std::uint32_t i = 0; i < 32 * 1024; ++i)
        ASSERT_EQ(ImageBufs.MainFlashBuf[i], static_cast<std::uint8_t>(i * 7 + (i >> 10))) << i;
    for (std::uint32_t i = 0; i < 256; ++i) ASSERT_EQ(ImageBufs.SecurityBuf[i], static_cast<std::uint8_t>(0xA0 + i));
    for (std::uint32_t i = 0; i < 512; ++i) ASSERT_EQ(ImageBufs.EepSFlashBuf[i], static_cast<std::uint8_t>(i ^ 0x5A));
    for (std::uint32_t i = 0; i < 0x40; ++i) ASSERT_EQ(ImageBufs.EccWFlashBuf[i], static_cast<std::uint8_t>(0xE0 + i));
    EXPECT_EQ(ImageBufs.EccWFlashBuf[0x40], 0);

    EXPECT_EQ(CurChip.ChipName, "CY8C4245AXI-483");
    EXPECT_EQ(ImageInfo.ObjFileName, "firmware_v2.hex");
    EXPECT_EQ(CurChip.FamilyCode, 0xC0);
    EXPECT_EQ(CurChip.ChipIndex, 7);
    EXPECT_EQ(CurChip.BankNum, 1);
    EXPECT_EQ(CurChip.ModeByte, 0x21);
    EXPECT_EQ(CurChip.OptByte, 0x22);
    EXPECT_EQ(CurChip.FlagByte, 0x04);
    EXPECT_EQ(CurChip.FlashSizeKB, 32);
    EXPECT_EQ(CurChip.EepSize, 512);
    EXPECT_EQ(CurChip.EccSize, 0x40);
    EXPECT_EQ(CurChip.BlockSize, 128);
    EXPECT_EQ(CurChip.BlockNum, 256);
    EXPECT_EQ(CurChip.ChipID1, 0x1234);
    EXPECT_EQ(CurChip.ChipID2, 0x5678);
    EXPECT_EQ(CurChip.SecuSize, 256);
    EXPECT_EQ(CurChip.Opt0 + 2 * CurChip.Opt1 + 4 * CurChip.Opt2 + 8 * CurChip.Opt3, 5);
    EXPECT_EQ(ImageInfo.EccInFile, 1);
    EXPECT_EQ(ImageInfo.HexInfoPresent, 0);
    EXPECT_EQ(ReservedFlag6, 0);
    EXPECT_EQ(ReservedFlag7, 1);
    EXPECT_EQ(CtrlSettings.WriteEep, 1);
    EXPECT_EQ(CtrlSettings.WriteWFlash, 0);
    EXPECT_EQ(ImageInfo.EepPresent, 1);
    EXPECT_EQ(ImageInfo.EccPresent, 0);
    EXPECT_EQ(CtrlSettings.OptionBits1, 0xC1);
    EXPECT_EQ(CtrlSettings.OptionBits2, 0x09);
    EXPECT_EQ(CtrlSettings.OptionBits3, 0) << "not restored";
    EXPECT_EQ(CtrlSettings.ChipProtect, 2);
    EXPECT_EQ(CtrlSettings.PowerUpTime, 20);
    EXPECT_EQ(CtrlSettings.StartDelay, 17);
    EXPECT_EQ(CtrlSettings.RemoveDelay, 33);
    EXPECT_EQ(CtrlSettings.ProgAddr1, 0x31);
    EXPECT_EQ(CtrlSettings.ProgAddr2, 0x32);
    EXPECT_EQ(CtrlSettings.AutoDetect, 1);
    EXPECT_EQ(CtrlSettings.NvLatch[3], 4);
    EXPECT_EQ(CtrlSettings.WoLatch[0], 5);
    EXPECT_EQ(SNSettings.CountLimitOn, 15);
    EXPECT_EQ(SNSettings.CountLimit, 5000u);
    EXPECT_EQ(SNSettings.SNMode, 0xA5);
    EXPECT_EQ(SNSettings.SNSize, 4);
    EXPECT_EQ(SNSettings.SNStep, 3);
    EXPECT_EQ(SNSettings.SNRoundStep, 12);
    EXPECT_EQ(SNSettings.SNValue, 0x87654321u);
    EXPECT_EQ(SNSettings.SNAddr, 0x3F00u);
    EXPECT_EQ(Checksums.ChipAccSum, 0x1111);
    EXPECT_EQ(Checksums.ChipCrcSum, 0x2222);
    EXPECT_EQ(Checksums.SecuAccSum, 0x3333);
    EXPECT_EQ(Checksums.SecuCrcSum, 0x4444);
    EXPECT_EQ(Checksums.EepAccSum, 0x5555);
    EXPECT_EQ(Checksums.EepCrcSum, 0x6666);
    EXPECT_EQ(Checksums.EccAccSum, 0x7777);
    EXPECT_EQ(Checksums.EccCrcSum, 0x8888);
    EXPECT_EQ(Checksums.FileCheckSum, 0x9999);
    EXPECT_EQ(ImageInfo.FileMinAddr, 0x100u);
    EXPECT_EQ(ImageInfo.FileMaxAddr, 0x7FFFu);
    EXPECT_EQ(ModelName, "Telvic200CY");
}

TEST(HdlPrjDialogs, EachBuildNamesItsExtensionWithTheSameTitles)
{
    struct {
        TBuildLang lang;
        TPrjDialogTexts save, open;
    } const cases[] = {
        {TBuildLang::Chinese,
         {"PTV", "Telvicxx Project File(*.PTV)", "Save to Telvic200xx Project File"},
         {"*.PTV", "Telvicxx Project Files(*.PTV)", "Open Telvic200xx Project File"}},
        {TBuildLang::English,
         {"PRJ", "Telvicxx Project File(*.prj)", "Save to Telvic200xx Project File"},
         {"*.prj", "Telvicxx Project Files(*.prj)", "Open Telvic200xx Project File"}},
    };
    for (const auto& c : cases) {
        const TPrjDialogTexts save = PrjSaveDialogTexts(c.lang), open = PrjOpenDialogTexts(c.lang);
        for (const auto& [got, want] : {std::pair{save, c.save}, std::pair{open, c.open}}) {
            EXPECT_STREQ(got.DefaultExt, want.DefaultExt);
            EXPECT_STREQ(got.Filter, want.Filter);
            EXPECT_STREQ(got.Title, want.Title);
        }
    }
}

TEST_F(HdlPrjTest, SaveNeedsChipAndImageAndEndsOnConversionError)
{
    SavetoProjectFile1Click(host, &log, TSeq());
    ChipSelected = 1;
    SavetoProjectFile1Click(host, &log, TSeq());
    ObjFileLoaded = 1;
    host.CollectRaises = true;
    SavetoProjectFile1Click(host, &log, TSeq());
    EXPECT_EQ(host.Calls, (std::vector<std::string>{"focus", "info:请选择并确认芯片型号！", "focus",
                                                    "info:请加载目标文件！", "focus", "collect",
                                                    "error:'zz' is not a va"}));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
}

// Recomputes the stored sum of an edited file whose layout is unchanged.
void FixSum(std::vector<std::uint8_t>& f)
{
    const std::size_t at = f.size() - 260;
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < at; ++i) sum += f[i];
    for (int i = 0; i < 4; ++i) f[at + i] = static_cast<std::uint8_t>(sum >> (8 * i));
}

// Changes configuration-section byte J to Value through its scrambling.
void PatchConfig(std::vector<std::uint8_t>& f, std::size_t j, std::uint8_t value)
{
    f[2411 + j] = value ^ f[358 + j] ^ f[2410];
}

// An edit that gives the configuration section a family and the sizes the
// chip set-up multiplies (banks, block size, blocks).
std::function<void(std::vector<std::uint8_t>&)> SetupSizes(std::uint8_t family, std::uint8_t banks,
                                                           std::uint16_t blockSize, std::uint16_t blocks)
{
    return [=](std::vector<std::uint8_t>& f) {
        PatchConfig(f, 8, family), PatchConfig(f, 38, banks);
        PatchConfig(f, 28, blockSize & 0xFF), PatchConfig(f, 29, blockSize >> 8);
        PatchConfig(f, 26, blocks & 0xFF), PatchConfig(f, 27, blocks >> 8);
        FixSum(f);
    };
}

struct TCorruptCase {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> edit;
    std::uint8_t result;
};

// Replaces Count bytes from Offset by Repl.
std::function<void(std::vector<std::uint8_t>&)> Splice(std::size_t offset, std::size_t count,
                                                       std::vector<std::uint8_t> repl = {})
{
    return [=](std::vector<std::uint8_t>& f) {
        f.erase(f.begin() + std::ptrdiff_t(offset), f.begin() + std::ptrdiff_t(offset + count));
        f.insert(f.begin() + std::ptrdiff_t(offset), repl.begin(), repl.end());
    };
}

// One damaged file per row of the result table, then the further ways a file
// can be damaged. The codes are walked by hand: a tag is read where the last
// section ended; a tag that does not match sets its code and leaves its body
// unread, so every later tag is read from the wrong place and fails too, and
// the last failure names the result.
TEST_F(HdlPrjTest, ResultCodesOfDamagedFiles)
{
    const std::vector<std::uint8_t> good = SaveSmall();
    // The 4 KB project: CFG tag at 2407, its key and 1024 bytes to 3434; MFM at
    // 3435, its body of 4101 bytes to 7538; SEU at 7539, EEP at 7544, ECC at
    // 7549, each with a zero length; the sum at 7554.
    const TCorruptCase cases[] = {
        {"row 0: intact", [](auto&) {}, 0},
        {"row 5: magic", [](auto& f) { f[0] ^= 1; }, 5},
        {"row 10: CFG section replaced by three other bytes, later tags intact", Splice(2407, 1028, {1, 2, 3}), 10},
        {"row 13: MFM section replaced by three other bytes, later tags intact", Splice(3435, 4104, {1, 2, 3}), 13},
        {"row 15: SEU tag", [](auto& f) { f[7540] ^= 1; }, 15},
        {"row 15: EEP tag", [](auto& f) { f[7546] ^= 1; }, 15},
        {"row 15: ECC tag", [](auto& f) { f[7551] ^= 1; }, 15},
        {"row 16: a main data byte", [](auto& f) { f[3500] ^= 1; }, 16},
        {"CFG tag: MFM is then read from the CFG body", [](auto& f) { f[2408] ^= 1; }, 15},
        {"MFM tag: SEU is then read from the main body", [](auto& f) { f[3435] ^= 1; }, 15},
        {"CFG section removed", Splice(2407, 1028), 15},
        {"MFM section removed", Splice(3435, 4104), 15},
        {"CFG and MFM tags", [](auto& f) { f[2407] ^= 1, f[3437] ^= 1; }, 15},
        {"CFG and EEP tags", [](auto& f) { f[2409] ^= 1, f[7544] ^= 1; }, 15},
        {"MFM tag and a data byte", [](auto& f) { f[3436] ^= 1, f[3500] ^= 1; }, 15},
        {"header byte", [](auto& f) { f[130] ^= 1; }, kPrjCorrupted},
        {"tail byte", [](auto& f) { f[7700] ^= 1; }, kPrjOk},
        {"no tail", [](auto& f) { f.resize(7558); }, kPrjOk},
        {"ends inside the sum", [](auto& f) { f.resize(7556); }, kPrjCorrupted},
        {"ends inside the main data", [](auto& f) { f.resize(5000); }, 15},
        {"ends inside the header", [](auto& f) { f.resize(200); }, 15},
        {"main count over 4 MiB",
         [](auto& f) {
             f[258] = 1, f[259] = 0, f[260] = 0x40, f[261] = 0;
             FixSum(f);
         },
         kPrjCorrupted},
        {"header EepSize above 7170",
         [](auto& f) {
             f[262] = 0x04, f[263] = 0x1C;
             FixSum(f);
         },
         kPrjCorrupted},
        {"header EepSize odd",
         [](auto& f) {
             f[262] = 0x01;
             FixSum(f);
         },
         kPrjCorrupted},
        {"configuration FlashSizeKB over 4096",
         [](auto& f) {
             PatchConfig(f, 24, 0x01), PatchConfig(f, 25, 0x10);
             FixSum(f);
         },
         kPrjCorrupted},
        {"configuration EepSize odd",
         [](auto& f) {
             PatchConfig(f, 66, 0x03), PatchConfig(f, 67, 0x02);
             FixSum(f);
         },
         kPrjCorrupted},
        {"set-up sizes over 4 MiB: 4 banks x 2048 blocks x 1024 bytes", SetupSizes(0x20, 4, 1024, 2048), kPrjCorrupted},
        {"TT700 image of 1.5 MiB: six banks of 6144 blocks of 256 bytes", SetupSizes(0x08, 6, 256, 6144), kPrjOk},
        {"CY8CMBR sizes are not banks either", SetupSizes(0x00, 0xFF, 0xFFFF, 0xFFFF), kPrjOk},
        {"security length over 8 KiB",
         [](auto& f) {
             f[7542] = 0x01, f[7543] = 0x20;
             FixSum(f);
         },
         kPrjCorrupted},
    };
    for (const TCorruptCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> f = good;
        c.edit(f);
        host.Calls.clear();
        EXPECT_EQ(Load(f), c.result);
        const char* text = c.result == kPrjOk        ? "plain:Project File Open Success!"
                           : c.result == kPrjBadMagic ? "plain:Not Valid Orvane Project File"
                                                      : "plain:Project File Data Has Been Corrupted!";
        EXPECT_EQ(host.Calls, std::vector<std::string>{text});
    }
    EXPECT_EQ(LoadProjectFile(path + ".missing", host), kPrjFileError);
    EXPECT_EQ(host.Calls.back(), "error:Cannot open file");
}

// Everything a load may write, as one comparable text.
std::string StateDigest()
{
    std::string d;
    auto add = [&d](const void* p, std::size_t n) { d.append(static_cast<const char*>(p), n); };
    auto num = [&](std::uint64_t v) { add(&v, sizeof v); };
    const TChipParam& c = CurChip;
    for (std::uint64_t v : {std::uint64_t(c.FamilyCode), std::uint64_t(c.ChipIndex), std::uint64_t(c.BankNum),
                            std::uint64_t(c.ModeByte), std::uint64_t(c.OptByte), std::uint64_t(c.FlagByte),
                            std::uint64_t(c.FlashSizeKB), std::uint64_t(c.EepSize), std::uint64_t(c.EccSize),
                            std::uint64_t(c.BlockSize), std::uint64_t(c.BlockNum), std::uint64_t(c.ChipID1),
                            std::uint64_t(c.ChipID2), std::uint64_t(c.SecuSize), std::uint64_t(c.Opt0),
                            std::uint64_t(c.Opt1), std::uint64_t(c.Opt2), std::uint64_t(c.Opt3)})
        num(v);
    d += c.ChipName + "|" + ImageInfo.ObjFileName + "|";
    const TControlSettings& o = CtrlSettings;
    for (std::uint64_t v : {std::uint64_t(o.OptionBits1), std::uint64_t(o.OptionBits2), std::uint64_t(o.OptionBits3),
                            std::uint64_t(o.ChipProtect), std::uint64_t(o.PowerUpTime), std::uint64_t(o.StartDelay),
                            std::uint64_t(o.RemoveDelay), std::uint64_t(o.ProgAddr1), std::uint64_t(o.ProgAddr2),
                            std::uint64_t(o.WriteEep), std::uint64_t(o.AutoDetect), std::uint64_t(o.WriteWFlash)})
        num(v);
    add(o.NvLatch, 4);
    add(o.WoLatch, 4);
    const TSNSettings& s = SNSettings;
    for (std::uint64_t v : {std::uint64_t(s.CountLimitOn), std::uint64_t(s.CountLimit), std::uint64_t(s.SNMode),
                            std::uint64_t(s.SNSize), std::uint64_t(s.SNStep), std::uint64_t(s.SNRoundStep),
                            std::uint64_t(s.SNValue), std::uint64_t(s.SNAddr)})
        num(v);
    const TChecksumSet& k = Checksums;
    for (std::uint64_t v : {std::uint64_t(k.ChipAccSum), std::uint64_t(k.ChipCrcSum), std::uint64_t(k.SecuAccSum),
                            std::uint64_t(k.SecuCrcSum), std::uint64_t(k.EepAccSum), std::uint64_t(k.EepCrcSum),
                            std::uint64_t(k.EccAccSum), std::uint64_t(k.EccCrcSum), std::uint64_t(k.FileCheckSum)})
        num(v);
    const TImageInfo& i = ImageInfo;
    for (std::uint64_t v : {std::uint64_t(i.FromObjectFile), std::uint64_t(i.EccInFile), std::uint64_t(i.HexInfoPresent),
                            std::uint64_t(i.EepPresent), std::uint64_t(i.EccPresent), std::uint64_t(i.FileMinAddr),
                            std::uint64_t(i.FileMaxAddr), std::uint64_t(i.TargetStartAddr)})
        num(v);
    for (std::uint64_t v : {std::uint64_t(ObjFileLoaded), std::uint64_t(PrjFlagsA), std::uint64_t(PrjFlagsB),
                            std::uint64_t(ReservedFlag6), std::uint64_t(ReservedFlag7)})
        num(v);
    add(&ImageBufs, sizeof ImageBufs);
    return d;
}

TEST_F(HdlPrjTest, FailedLoadLeavesEverythingAsItWas)
{
    std::vector<std::uint8_t> f = SaveSmall();
    f[3500] ^= 1;  // a data byte: the whole file parses, only the sum differs
    WriteFile(path, f);
    FillProjectState();
    ImageInfo.FromObjectFile = 1;
    const std::string before = StateDigest();
    SpdBtnLoaddPrjClick(host, &log);
    EXPECT_EQ(log.Lines, (std::vector<std::string>{"L:Load Orvane Project file of \"" + path + "\" at "}));
    EXPECT_EQ(host.Calls, (std::vector<std::string>{"plain:Project File Data Has Been Corrupted!"}));
    EXPECT_TRUE(StateDigest() == before);
}

// A project as the original writes it: the object-file name in GBK bytes
// (its 0xD3 written as 0). The status panel shows the name itself.
TEST_F(HdlPrjTest, ChineseNameOfAnOriginalProjectIsShown)
{
    TRefProject p;
    p.chip = "CY8C21234";
    p.obj = "\xB9\xCC\xBC\xFE\xD3\xC3\xBB\xA7\xB3\xCC\xD0\xF2.hex";  // 固件用户程序.hex
    p.flashBytes = 4096;
    const char magic[] = "yCTV";
    std::copy(magic, magic + 4, p.config.begin());
    p.config[8] = 0x20;                        // FamilyCode
    p.config[24] = 0x04;                       // FlashSizeKB 4
    p.config[38] = 1;                          // BankNum
    p.config[28] = 64;                         // BlockSize 64
    p.config[26] = 64;                         // BlockNum 64
    p.main.assign(4096, 0x5A);
    WriteFile(path, WriteReference(p, TSeq()));

    SpdBtnLoaddPrjClick(host, &log);
    ASSERT_EQ(host.Calls.front(), "plain:Project File Open Success!");
    EXPECT_EQ(ImageInfo.ObjFileName, "固件用户程序.hex");
    EXPECT_EQ(host.Calls.at(2), "panel2:固件用户程序.hex");
}

TEST_F(HdlPrjTest, FileFromTheReferenceWriterLoads)
{
    TRefProject p;
    p.chip = "CY8C6247BZI-D54";  // a PSoC 6 project of 2 MiB
    p.obj = "an object file name longer than forty-eight characters.hex";
    p.chipAcc = 0xAAAA;
    p.fileSum = 0xBBBB;
    p.fileMin = 0x10000000;
    p.fileMax = 0x101FFFFF;
    p.flagsA = 0x0F;
    p.flagsB = 0x60;
    p.flashBytes = 2048 * 1024;
    p.eepSize = 2048;
    p.eccSize = 0x8000;
    p.secuSize = 64;
    p.sums[7] = 0x4321;
    p.snStep = 2;
    const char magic[] = "yCTV";
    std::copy(magic, magic + 4, p.config.begin());
    p.config[8] = 0xD8;                        // FamilyCode
    p.config[24] = 0x00, p.config[25] = 0x08;  // FlashSizeKB 2048
    p.config[38] = 1;                          // BankNum
    p.config[28] = 0x00, p.config[29] = 0x02;  // BlockSize 512
    p.config[26] = 0x00, p.config[27] = 0x10;  // BlockNum 4096
    p.config[66] = 0x00, p.config[67] = 0x08;  // EepSize 2048
    p.config[76] = 0x78, p.config[79] = 0x12;  // SNValue 0x12000078
    p.config[112] = 0x5E;                      // SecurityBuf[0]
    p.main.resize(p.flashBytes);
    for (std::size_t i = 0; i < p.main.size(); ++i) p.main[i] = static_cast<std::uint8_t>((i >> 8) ^ i);
    p.secu.assign(64, 0x11);
    p.eep.assign(2048, 0x22);
    p.ecc.assign(0x8000, 0x33);
    WriteFile(path, WriteReference(p, TSeq()));

    SpdBtnLoaddPrjClick(host, &log);
    ASSERT_EQ(host.Calls.front(), "plain:Project File Open Success!");
    EXPECT_EQ(CurChip.ChipName, "CY8C6247BZI-D54");
    EXPECT_EQ(ImageInfo.ObjFileName, p.obj.substr(0, 48));
    EXPECT_EQ(CurChip.FlashSizeKB, 2048);
    EXPECT_EQ(CurChip.FamilyCode, 0xD8);
    EXPECT_EQ(CurChip.EccSize, 0x8000);
    EXPECT_EQ(CurChip.EepSize, 2048);
    EXPECT_EQ(CurChip.SecuSize, 64);
    EXPECT_EQ(Checksums.EccCrcSum, 0x4321);
    EXPECT_EQ(Checksums.FileCheckSum, 0xBBBB);
    EXPECT_EQ(SNSettings.SNValue, 0x12000078u);
    EXPECT_EQ(SNSettings.SNStep, 2);
    EXPECT_EQ(CtrlSettings.WriteWFlash, 1);
    EXPECT_EQ(ImageInfo.HexInfoPresent, 1);
    EXPECT_EQ(ReservedFlag6, 1);
    EXPECT_EQ(ImageBufs.SecurityBuf[0], 0x5E) << "bytes 0..127 come again from the configuration section";
    EXPECT_EQ(ImageBufs.SecurityBuf[1], 0x00);
    EXPECT_EQ(ImageBufs.SecurityBuf[63], 0x00);
    EXPECT_EQ(ImageBufs.EccWFlashBuf[0x7FFF], 0x33);
    EXPECT_EQ(ImageBufs.EepSFlashBuf[2047], 0x22);
    EXPECT_EQ(ImageBufs.EepSFlashBuf[2048], 0x00);
    EXPECT_TRUE(std::equal(p.main.begin(), p.main.end(), ImageBufs.MainFlashBuf)) << "all 2 MiB";

    // Without its CFG section (tag, key and 1024 bytes) the MFM tag is read
    // from the main body's first bytes, and every later tag from further in.
    std::vector<std::uint8_t> noCfg = ReadFile(path);
    Splice(2407, 1028)(noCfg);
    host.Calls.clear();
    EXPECT_EQ(Load(noCfg), 15);
    EXPECT_EQ(host.Calls, std::vector<std::string>{"plain:Project File Data Has Been Corrupted!"});
}

}  // namespace
