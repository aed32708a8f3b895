#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CoreTestSinks.h"
#include "link/Comm200Cy.h"
#include "link/CyIniComRT.h"
#include "link/DefinCyX4.h"
#include "link/TelvicCmdChkCy.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Settings with a distinct value in every field the parameter block carries.
void SetDistinctSettings(std::uint8_t family)
{
    CurChip.FamilyCode = family;
    CurChip.ChipIndex = 0x05;
    CurChip.BankNum = 0x02;
    CurChip.ModeByte = 0x25;
    CurChip.OptByte = 0x95;
    CurChip.FlagByte = 0x84;
    CurChip.EepSize = 0x0800;
    CurChip.BlockSize = 0x0080;
    CurChip.BlockNum = 0x0140;
    CurChip.ChipID1 = 0x1234;
    CurChip.ChipID2 = 0x5678;
    CtrlSettings.OptionBits1 = 0x69;
    CtrlSettings.OptionBits2 = 0x72;
    CtrlSettings.OptionBits3 = 0x83;
    CtrlSettings.ChipProtect = 2;
    CtrlSettings.PowerUpTime = 0x0A;
    CtrlSettings.StartDelay = 300;   // base 255: 45, 1
    CtrlSettings.RemoveDelay = 50;   // 50, 0
    CtrlSettings.ProgAddr1 = 0xA1;
    CtrlSettings.ProgAddr2 = 0xA2;
    const std::uint8_t nv[4] = {0x41, 0x42, 0x43, 0x44};
    const std::uint8_t wo[4] = {0x31, 0x32, 0x33, 0x34};
    std::memcpy(CtrlSettings.NvLatch, nv, 4);
    std::memcpy(CtrlSettings.WoLatch, wo, 4);
    ImageInfo.ProgSizeKB = 0x0120;
    Checksums.ChipCrcSum = 0xC1C2;
    Checksums.ChipAccSum = 0xA1A2;
    Checksums.EepCrcSum = 0xC3C4;
    Checksums.EepAccSum = 0xA3A4;
    Checksums.SecuCrcSum = 0xC5C6;
    Checksums.SecuAccSum = 0xA5A6;
    Checksums.EccAccSum = 0xA7A8;
}

// The parameter block those settings must give, byte by byte.
Bytes ExpectedParamBlock(std::uint8_t family)
{
    return {0x83, 0x72, 0x0A, 0x10, family, 0x05, 0x00, 0x00,  // options, power-up, 0x10, family, index, 0, 0
            0xA1, 0xA2, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,    // ProgAddr1, ProgAddr2, six zeros
            0x31, 0x32, 0x33, 0x34,                            // WoLatch
            0x20, 0x01, 0x40, 0x01, 0x80, 0x00,                // ProgSizeKB, BlockNum, BlockSize
            0xA2, 0xA1,                                        // ProgAddr2, ProgAddr1
            0x41, 0x42, 0x43, 0x44,                            // NvLatch
            0x25, 0x69, 0x02, 0x00,                            // ModeByte, OptionBits1, BankNum, 0
            0x34, 0x12, 0x78, 0x56,                            // ChipID1, ChipID2
            0x02, 0x95, 0x84, 0x00,                            // ChipProtect, OptByte, FlagByte, 0
            45, 1, 50, 0,                                      // StartDelay, RemoveDelay in base 255
            0xC2, 0xC1, 0xA2, 0xA1, 0xC4, 0xC3, 0xA4, 0xA3,    // chip CRC/ACC, EEP CRC/ACC
            0xC6, 0xC5, 0xA6, 0xA5, 0xA8, 0xA7, 0x00, 0x08};   // security CRC/ACC, ECC ACC, EepSize
}

// Every byte value, so escapes occur in the frames too.
void FillImagePatterns()
{
    for (std::size_t i = 0; i < kMainFlashBufSize; ++i)
        ImageBufs.MainFlashBuf[i] = static_cast<std::uint8_t>(i * 7 + (i >> 12));
    for (std::size_t i = 0; i < kEccWFlashBufSize; ++i)
        ImageBufs.EccWFlashBuf[i] = static_cast<std::uint8_t>(i * 13 + 5 + (i >> 10));
    for (std::size_t i = 0; i < kEepSFlashBufSize; ++i)
        ImageBufs.EepSFlashBuf[i] = static_cast<std::uint8_t>(i * 11 + 3 + (i >> 9));
    for (std::size_t i = 0; i < kSecurityBufSize; ++i)
        ImageBufs.SecurityBuf[i] = static_cast<std::uint8_t>(0xFF - i);
}

Bytes Slice(const std::uint8_t* buf, std::size_t from, std::size_t len) { return Bytes(buf + from, buf + from + len); }

// header + payload + check value little-endian.
Bytes Packet(std::uint8_t code, std::uint16_t arg, std::uint8_t family, const Bytes& payload)
{
    Bytes p = {code,
               static_cast<std::uint8_t>(arg),
               static_cast<std::uint8_t>(arg >> 8),
               0x10,
               family,
               0x05,
               static_cast<std::uint8_t>(payload.size()),
               static_cast<std::uint8_t>(payload.size() >> 8)};
    p.insert(p.end(), payload.begin(), payload.end());
    const auto crc = CalcPacketCrc(p.data(), 0, static_cast<std::uint32_t>(p.size() - 1));
    p.push_back(static_cast<std::uint8_t>(crc));
    p.push_back(static_cast<std::uint8_t>(crc >> 8));
    return p;
}

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// A channel engine whose frames are captured and decoded back to packets.
class SenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSharedStateForTest();
        InitCommonVars();
        FillImagePatterns();
    }

    std::unique_ptr<TTelvicCmdChk> Engine(int channel)
    {
        auto e = std::make_unique<TTelvicCmdChk>(channel);
        e->Random = [this](std::uint32_t range) {
            ranges.push_back(range);
            return static_cast<std::uint32_t>(draws++ * 37 + 11) % range;
        };
        e->SendHook = [this](int ch, const std::uint8_t* frame, std::uint16_t len) {
            sentChannel = ch;
            frames.emplace_back(frame, frame + len);
        };
        e->Host = &host;
        host.Log = &log;
        return e;
    }

    // The packet inside the last frame; the frame must be the encoding of it.
    Bytes LastPacket()
    {
        EXPECT_FALSE(frames.empty());
        if (frames.empty()) return {};
        const Bytes& f = frames.back();
        static std::uint8_t packet[kPktBufSize];
        std::uint16_t len = 0;
        EXPECT_EQ(UnpackFrame(f.data(), packet, len, static_cast<std::uint16_t>(f.size())), kResultOk);
        EXPECT_EQ(Bytes(f.end() - 5, f.end()), Bytes(5, 0xFF));
        return Bytes(packet, packet + len);
    }

    std::uint32_t draws = 0;
    std::vector<std::uint32_t> ranges;
    std::vector<Bytes> frames;
    int sentChannel = -1;
    TRecordingLog log;
    TLinkHost host;
};

TEST_F(SenderTest, EraseOnChannelThree)
{
    SetDistinctSettings(0x20);
    auto e = Engine(2);
    e->SendOpCommand(kCmdOperation, kOpErase);
    const Bytes packet = LastPacket();
    ASSERT_EQ(packet.size(), 74u);
    EXPECT_EQ(packet, Packet(0x93, 3, 0x20, ExpectedParamBlock(0x20)));
    EXPECT_EQ(sentChannel, 2);
    // The frame also stands in the channel's own transmit buffer.
    EXPECT_EQ(Slice(Channels[2].TxFrameBuf, 0, e->LastFrameLen()), frames.back());
}

TEST_F(SenderTest, CommandPacketsPerFamilyGroup)
{
    struct Case {
        const char* name;
        std::uint8_t family;
        std::function<void(TTelvicCmdChk&)> send;
        std::function<Bytes()> expected;
    };
    const auto param = [](std::uint8_t f) { return ExpectedParamBlock(f); };
    const auto main = [](std::size_t from) { return Slice(ImageBufs.MainFlashBuf, from, 4096); };
    const auto ecc = [](std::size_t from, std::size_t len) { return Slice(ImageBufs.EccWFlashBuf, from, len); };
    const auto eep = [](std::size_t from, std::size_t len) { return Slice(ImageBufs.EepSFlashBuf, from, len); };
    const std::vector<Case> cases = {
        {"blank check", 0x00, [](TTelvicCmdChk& e) { e.SendOpCommand(0x93, kOpBlankCheck); },
         [&] { return Packet(0x93, 5, 0x00, param(0x00)); }},
        {"read chip ID", 0x08, [](TTelvicCmdChk& e) { e.SendOpCommand(0x93, kOpReadChipId); },
         [&] { return Packet(0x93, 0x37, 0x08, param(0x08)); }},
        {"verify", 0xC0, [](TTelvicCmdChk& e) { e.SendOpCommand(0x93, kOpVerify); },
         [&] { return Packet(0x93, 0x53, 0xC0, param(0xC0)); }},
        {"read flash block", 0xD8, [](TTelvicCmdChk& e) { e.SendOpCommand(kCmdReadFlashBlock, 12); },
         [&] { return Packet(0x9B, 12, 0xD8, param(0xD8)); }},
        {"PSoC 1 program block", 0x20, [](TTelvicCmdChk& e) { e.SendFlashBlock(0x95, 8, 0x1234); },
         [&] { return Packet(0x95, 8, 0x20, Cat({param(0x20), main(0x3230)})); }},
        {"family 0 program block", 0x00, [](TTelvicCmdChk& e) { e.SendFlashBlock(0x95, 0, 0); },
         [&] { return Packet(0x95, 0, 0x00, Cat({param(0x00), main(0)})); }},
        {"PSoC 4 download block", 0xC0, [](TTelvicCmdChk& e) { e.DownloadFlashBlock(0x55, 4, 0x1234); },
         [&] { return Packet(0x55, 4, 0xC0, main(0x1230 + 4096)); }},
        {"PSoC 3 ECC download", 0x80, [](TTelvicCmdChk& e) { e.DownloadEccBlock(0xD7, 68); },
         [&] { return Packet(0xD7, 68, 0x80, ecc(4096, 4096)); }},  // (68 * 1024) mod 65536
        {"PSoC 6 WFlash download", 0xD8, [](TTelvicCmdChk& e) { e.DownloadEccBlock(0x5A, 8); },
         [&] { return Packet(0x5A, 8, 0xD8, ecc(8192, 4096)); }},
        {"PSoC 6 WFlash program", 0xD9, [](TTelvicCmdChk& e) { e.SendEccBlock(0x98, 4); },
         [&] { return Packet(0x98, 4, 0xD9, Cat({param(0xD9), ecc(4096, 4096)})); }},
        {"PSoC 6 SFlash first part", 0xD8, [](TTelvicCmdChk& e) { e.SendEepBlock(0x99, 0); },
         [&] { return Packet(0x99, 0, 0xD8, Cat({param(0xD8), eep(0x0800, 2048), eep(0x1A00, 2048)})); }},
        {"PSoC 6 SFlash second part", 0xD8, [](TTelvicCmdChk& e) { e.SendEepBlock(0x99, 4); },
         [&] { return Packet(0x99, 4, 0xD8, Cat({param(0xD8), eep(0x5A00, 3072), eep(0x7C00, 1024)})); }},
        {"PSoC 6 SFlash download", 0xD8, [](TTelvicCmdChk& e) { e.DownloadEepBlock(0xD7, 0); },
         [&] { return Packet(0xD7, 0, 0xD8, Cat({eep(0x0800, 2048), eep(0x1A00, 2048)})); }},
        {"PSoC 6 SFlash second download", 0xD8, [](TTelvicCmdChk& e) { e.DownloadSFlashBlock(0xD7, 0); },
         [&] { return Packet(0xD7, 0, 0xD8, Cat({eep(0x5A00, 3072), eep(0x7C00, 1024)})); }},
        {"PSoC 1 EEP block", 0x27, [](TTelvicCmdChk& e) { e.SendEepBlock(0x99, 4); },
         [&] { return Packet(0x99, 4, 0x27, Cat({param(0x27), eep(4096, 4096)})); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetDistinctSettings(c.family);
        auto e = Engine(0);
        c.send(*e);
        EXPECT_EQ(LastPacket(), c.expected());
    }
}

TEST_F(SenderTest, MainFlashBlockTakesEccOnPsoc3And5AndSetsTheTimeout)
{
    struct Case {
        std::uint8_t family;
        std::uint8_t eccPresent;
        int channel;
        std::size_t payload;
        std::uint16_t timeout;
    };
    const Case cases[] = {
        {0x80, 1, 0, 0x1240, 500}, {0xD0, 1, 1, 0x1240, 300}, {0x80, 0, 3, 0x1040, 300},
        {0x20, 1, 0, 0x1040, 500}, {0xC8, 1, 2, 0x1040, 300}, {0xD8, 1, 0, 0x1040, 500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "family " << int(c.family) << " channel " << c.channel);
        SetDistinctSettings(c.family);
        ImageInfo.EccPresent = c.eccPresent;
        ImageInfo.TargetStartAddr = 0x1234;
        Channels[c.channel].BlockIndex = 4;
        Channels[c.channel].OpTimeout = 1000;
        auto e = Engine(c.channel);
        e->SendMainFlashBlock();
        Bytes payload = Cat({ExpectedParamBlock(c.family), Slice(ImageBufs.MainFlashBuf, 0x1230 + 4096, 4096)});
        if (c.payload == 0x1240) {
            const Bytes tail = Slice(ImageBufs.EccWFlashBuf, 512, 512);
            payload.insert(payload.end(), tail.begin(), tail.end());
        }
        EXPECT_EQ(LastPacket(), Packet(0x95, 4, c.family, payload));
        EXPECT_EQ(Channels[c.channel].OpTimeout, c.timeout);
    }
}

TEST_F(SenderTest, SecurityWriteSendsZerosWhereNoDataIs)
{
    SetDistinctSettings(0x2C);
    std::memset(Channels[1].PktBuf, 0x5A, kPktBufSize);  // a previous reply
    auto e = Engine(1);
    e->SendSecurityData();
    const Bytes packet = LastPacket();
    ASSERT_EQ(packet.size(), 394u);
    EXPECT_EQ(packet, Packet(0x93, 0x35, 0x2C,
                             Cat({ExpectedParamBlock(0x2C), Slice(ImageBufs.SecurityBuf, 0, 256), Bytes(64, 0)})));
}

TEST_F(SenderTest, ShortCommandCarriesTheMarkedNameAndTwoRandomBytes)
{
    auto e = Engine(0);
    e->SendShortCommand(kCmdShort);
    const Bytes packet = LastPacket();
    ASSERT_EQ(packet.size(), 12u);
    EXPECT_EQ(Bytes(packet.begin(), packet.begin() + 10), (Bytes{0x8A, 0x52, 0x45, 0x53, 0x54, 0xA8, 0x02, 0x00, 11, 48}));
    EXPECT_EQ(packet[10] | (packet[11] << 8), CalcPacketCrc(packet.data(), 0, 9));
    EXPECT_EQ(ranges, (std::vector<std::uint32_t>{255, 255}));
}

TEST_F(SenderTest, BlockSourcesPastTheirBufferAreZeroFilled)
{
    SetDistinctSettings(0x20);
    auto e = Engine(0);
    e->DownloadFlashBlock(0x55, 0, 0x3FF800);  // the last 2 KB of the 4 MiB image
    EXPECT_EQ(LastPacket(), Packet(0x55, 0, 0x20, Cat({Slice(ImageBufs.MainFlashBuf, 0x3FF800, 2048), Bytes(2048, 0)})));
    e->DownloadFlashBlock(0x55, 0xFFFF, 0xFFFFFFF0);
    EXPECT_EQ(LastPacket(), Packet(0x55, 0xFFFF, 0x20, Bytes(4096, 0)));

    SetDistinctSettings(0x80);
    ImageInfo.EccPresent = 1;
    e->SendFlashEccBlock(0x95, 508, 0);  // ECC from 508 * 128 = 65024: 512 bytes inside
    Bytes packet = LastPacket();
    ASSERT_EQ(packet.size(), 4682u);
    EXPECT_EQ(Bytes(packet.begin() + 4168, packet.begin() + 4680), Slice(ImageBufs.EccWFlashBuf, 65024, 512));
    e->SendFlashEccBlock(0x95, 510, 0);  // from 65280: 256 inside, 256 zero
    packet = LastPacket();
    EXPECT_EQ(Bytes(packet.begin() + 4168, packet.begin() + 4680),
              Cat({Slice(ImageBufs.EccWFlashBuf, 65280, 256), Bytes(256, 0)}));
}

TEST_F(SenderTest, PutPacketStringCutsPadsAndMarksEmptyNames)
{
    auto e = Engine(0);
    std::uint8_t* p = Channels[0].PktBuf;
    std::memset(p, 0x77, 32);
    e->PutPacketString("ABCDEFG", 2, 5);
    EXPECT_EQ(Slice(p, 0, 8), (Bytes{0x77, 0x77, 'A', 'B', 'C', 'D', 'E', 0x77}));
    e->PutPacketString("", 10, 4);
    EXPECT_EQ(Slice(p, 10, 5), (Bytes{'?', 0, 0, 0, 0x77}));
    e->PutPacketString(std::string("AB\0CD", 5), 20, 4);
    EXPECT_EQ(Slice(p, 20, 4), (Bytes{'A', 'B', 0, 0}));
    e->PutPacketString(std::string("\0CD", 3), 24, 3);
    EXPECT_EQ(Slice(p, 24, 3), (Bytes{0, 0, 0}));
}

// --- Configuration block -------------------------------------------------

std::uint16_t U16(const Bytes& b, std::size_t off) { return static_cast<std::uint16_t>(b[off] | (b[off + 1] << 8)); }
std::uint32_t U32(const Bytes& b, std::size_t off) { return U16(b, off) | (std::uint32_t{U16(b, off + 2)} << 16); }

class ConfigBlockTest : public SenderTest {
protected:
    void SetUp() override
    {
        SenderTest::SetUp();
        SetDistinctSettings(0x2E);
        CtrlSettings.AutoDetect = 1;
        SNSettings.SNMode = 0xA5;
        SNSettings.SNSize = 4;
        SNSettings.SNStep = 5;
        SNSettings.SNRoundStep = 20;
        SNSettings.SNValue = 1000;
        SNSettings.SNAddr = 0x00012345;
        SNSettings.CountLimitOn = 15;
        SNSettings.CountLimit = 0x01020304;
        Checksums.FileCheckSum = 0xF1F2;
        CurChip.ChipName = "CY8C27443-24PXI";
        ImageInfo.ObjFileName = "demo.hex";
    }

    // The packet with its payload unscrambled by the masks derived from the seed.
    Bytes Unscrambled(std::uint16_t seed)
    {
        Bytes p = LastPacket();
        const std::uint8_t m0 = static_cast<std::uint8_t>(((seed & 0xFF) ^ 0x3B) | 0x80);
        const std::uint8_t m1 = static_cast<std::uint8_t>(((seed >> 8) ^ 0x6D) | 0x80);
        for (std::size_t i = 8; i + 2 < p.size(); i += 2) {
            p[i] ^= m0;
            p[i + 1] ^= m1;
        }
        return p;
    }

    // The r-th value of the fixed random source for the given range.
    static std::uint32_t R(std::uint32_t r, std::uint32_t range) { return (r * 37 + 11) % range; }
};

TEST_F(ConfigBlockTest, FieldsOfTheBlock)
{
    auto e = Engine(2);
    ASSERT_TRUE(e->SendConfigBlock(kCmdConfig, 0x1234));
    const Bytes p = Unscrambled(0x1234);
    ASSERT_EQ(p.size(), 8u + 1024 + 2);
    EXPECT_EQ(Bytes(p.begin(), p.begin() + 8), (Bytes{0x53, 0x34, 0x12, 0x10, 0x2E, 0x05, 0x00, 0x04}));
    const Bytes b(p.begin() + 8, p.begin() + 520);

    EXPECT_EQ(Bytes(b.begin(), b.begin() + 4), (Bytes{'y', 'C', 'T', 'V'}));
    // Bytes 4..67 are the parameter block but for 10, 11 and 14..19.
    Bytes param = ExpectedParamBlock(0x2E);
    param[6] = static_cast<std::uint8_t>(R(0, 255));
    param[7] = 15;  // AutoDetect * 15
    param[10] = static_cast<std::uint8_t>(R(1, 65535));
    param[11] = static_cast<std::uint8_t>(R(1, 65535) >> 8);
    for (std::uint32_t i = 0; i < 4; ++i) param[12 + i] = static_cast<std::uint8_t>(R(2 + i, 255));
    EXPECT_EQ(Bytes(b.begin() + 4, b.begin() + 68), param);

    EXPECT_EQ(b[68], 0xA5);
    EXPECT_EQ(b[69], 4);
    EXPECT_EQ(U16(b, 70), 20);
    EXPECT_EQ(U32(b, 72), 0x00012345u);
    EXPECT_EQ(U32(b, 76), 1010u);  // channel 3: SNValue + 2 * SNStep
    EXPECT_EQ(U16(b, 80), 0xA1A2);
    EXPECT_EQ(U16(b, 82), 0xF1F2);
    EXPECT_EQ(b[84], 15);
    EXPECT_EQ(b[85], 0);
    EXPECT_EQ(U32(b, 86), 0x01020304u);
    EXPECT_EQ(Bytes(b.begin() + 90, b.begin() + 112), Bytes(22, 0));
    EXPECT_EQ(Bytes(b.begin() + 112, b.begin() + 240), Slice(ImageBufs.SecurityBuf, 0, 128));
    Bytes chip(16, 0);
    std::memcpy(chip.data(), "CY8C27443-24PXI", 15);
    EXPECT_EQ(Bytes(b.begin() + 240, b.begin() + 256), chip);
    Bytes obj48(48, 0), obj160(160, 0);
    std::memcpy(obj48.data(), "demo.hex", 8);
    std::memcpy(obj160.data(), "demo.hex", 8);
    EXPECT_EQ(Bytes(b.begin() + 256, b.begin() + 304), obj48);
    EXPECT_EQ(b[304], 8);
    EXPECT_EQ(Bytes(b.begin() + 305, b.begin() + 465), obj160);
    // Filler 304..507 is drawn after the first six values; 465..507 keeps it.
    for (std::uint32_t i = 465; i < 508; ++i) EXPECT_EQ(b[i], R(6 + (i - 304), 255)) << i;
    EXPECT_EQ(U16(b, 508), CalcPacketCrc(b.data(), 0, 507));
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < 510; ++i) sum += b[i];
    EXPECT_EQ(U16(b, 510), sum & 0xFFFF);
    EXPECT_EQ(Bytes(p.begin() + 520, p.begin() + 1032), b);  // second copy
    EXPECT_EQ(draws, 210u);
    EXPECT_EQ(ranges[1], 65535u);
}

TEST_F(ConfigBlockTest, FirstChannelSendsTheSerialNumberItself)
{
    auto e = Engine(0);
    e->BuildConfigBlock();
    EXPECT_EQ(Slice(Channels[0].PktBuf, 8, 4), (Bytes{'y', 'C', 'T', 'V'}));
    EXPECT_EQ(Slice(Channels[0].PktBuf, 8 + 76, 4), (Bytes{0xE8, 0x03, 0, 0}));
    EXPECT_EQ(Slice(Channels[0].PktBuf, 8, 512), Slice(Channels[0].PktBuf, 520, 512));
    EXPECT_TRUE(frames.empty());  // building sends nothing
}

TEST_F(ConfigBlockTest, NamesAtTheirLimits)
{
    ImageInfo.ObjFileName.clear();
    CurChip.ChipName = "CY8CTMA1036AA-33XIT-22";  // 22 characters
    auto e = Engine(0);
    e->BuildConfigBlock();
    const std::uint8_t* b = Channels[0].PktBuf + 8;
    EXPECT_EQ(Slice(b, 240, 16), Bytes(CurChip.ChipName.begin(), CurChip.ChipName.begin() + 16));
    EXPECT_EQ(Slice(b, 256, 48), Cat({Bytes{'?'}, Bytes(47, 0)}));
    EXPECT_EQ(b[304], 0);
    EXPECT_EQ(Slice(b, 305, 160), Cat({Bytes{'?'}, Bytes(159, 0)}));

    ImageInfo.ObjFileName = std::string(200, 'n');
    e->BuildConfigBlock();
    EXPECT_EQ(b[304], 160);
    EXPECT_EQ(Slice(b, 256, 48), Bytes(48, 'n'));
    EXPECT_EQ(Slice(b, 305, 160), Bytes(160, 'n'));
}

// The names go to the units in the Chinese code page (GBK), each field cut
// where a character ends, the length byte counting the bytes written.
TEST_F(ConfigBlockTest, NamesInTheChineseCodePage)
{
    const auto gbk = [](const std::string& bytes) { return Bytes(bytes.begin(), bytes.end()); };
    const auto times = [](const std::string& bytes, int n) {
        Bytes out;
        for (int i = 0; i < n; ++i) out.insert(out.end(), bytes.begin(), bytes.end());
        return out;
    };
    const auto padded = [](Bytes b, std::size_t width) { return b.resize(width), b; };
    std::string hundredZhong, aAndHundredZhong = "a", xAndEightXin = "X";
    for (int i = 0; i < 100; ++i) hundredZhong += "中";
    aAndHundredZhong += hundredZhong;
    for (int i = 0; i < 8; ++i) xAndEightXin += "芯";
    struct Case {
        const char* name;
        std::string chip, obj;
        Bytes chip16, obj48;
        std::uint8_t length;
        Bytes obj160;
    };
    const Case cases[] = {
        {"a Chinese file name", "CY8C27443-24PXI", "固件用户程序.hex", gbk("CY8C27443-24PXI"),
         gbk("\xB9\xCC\xBC\xFE\xD3\xC3\xBB\xA7\xB3\xCC\xD0\xF2.hex"), 16,
         gbk("\xB9\xCC\xBC\xFE\xD3\xC3\xBB\xA7\xB3\xCC\xD0\xF2.hex")},
        {"even cuts", "CY8C27443-24PXI", hundredZhong, gbk("CY8C27443-24PXI"), times("\xD6\xD0", 24), 160,
         times("\xD6\xD0", 80)},
        {"odd cuts leave the half character out", xAndEightXin, aAndHundredZhong,
         Cat({gbk("X"), times("\xD0\xBE", 7)}), Cat({gbk("a"), times("\xD6\xD0", 23)}), 159,
         Cat({gbk("a"), times("\xD6\xD0", 79)})},
        {"a character GBK lacks", "CY8C27443-24PXI", "\xC3\xA4.hex", gbk("CY8C27443-24PXI"), gbk("?.hex"), 5,
         gbk("?.hex")},
    };
    auto e = Engine(0);
    const std::uint8_t* b = Channels[0].PktBuf + 8;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CurChip.ChipName = c.chip;
        ImageInfo.ObjFileName = c.obj;
        e->BuildConfigBlock();
        EXPECT_EQ(Slice(b, 240, 16), padded(c.chip16, 16));
        EXPECT_EQ(Slice(b, 256, 48), padded(c.obj48, 48));
        EXPECT_EQ(b[304], c.length);
        EXPECT_EQ(Slice(b, 305, 160), padded(c.obj160, 160));
        EXPECT_EQ(U16(Bytes(b, b + 512), 508), CalcPacketCrc(b, 0, 507));
    }
}

TEST_F(ConfigBlockTest, EepDataIsAppendedAndScrambled)
{
    CtrlSettings.WriteEep = 1;
    struct Case {
        std::uint16_t eepSize;
        std::size_t packetLen;
    };
    for (const Case c : {Case{2048, 3082}, Case{0, 1034}, Case{7170, 8204}}) {
        SCOPED_TRACE(c.eepSize);
        CurChip.EepSize = c.eepSize;
        auto e = Engine(1);
        ASSERT_TRUE(e->SendConfigBlock(kCmdConfig, 0xBEEF));
        const Bytes p = Unscrambled(0xBEEF);
        ASSERT_EQ(p.size(), c.packetLen);
        EXPECT_EQ(U16(p, 6), 1024 + c.eepSize);
        EXPECT_EQ(Bytes(p.begin() + 1032, p.end() - 2), Slice(ImageBufs.EepSFlashBuf, 0, c.eepSize));
        const Bytes& raw = LastPacket();
        EXPECT_EQ(U16(raw, raw.size() - 2), CalcPacketCrc(raw.data(), 0, static_cast<std::uint32_t>(raw.size() - 3)));
    }
}

TEST_F(ConfigBlockTest, UnsafeEepSizeIsRefusedWithALogLine)
{
    CtrlSettings.WriteEep = 1;
    for (const std::uint16_t size : {std::uint16_t{513}, std::uint16_t{7172}, std::uint16_t{0xFFFF}}) {
        CurChip.EepSize = size;
        auto e = Engine(3);
        std::memset(Channels[3].PktBuf, 0x66, kPktBufSize);
        EXPECT_FALSE(e->SendConfigBlock(kCmdConfig, 1));
        EXPECT_EQ(Channels[3].PktBuf[kPktBufSize - 1], 0x66);
    }
    EXPECT_TRUE(frames.empty());
    ASSERT_EQ(log.Lines.size(), 3u);
    EXPECT_EQ(log.Lines[0].rfind("编程器4 ：", 0), 0u);
    // Without EEP writing the size does not travel, so it cannot overflow.
    CtrlSettings.WriteEep = 0;
    CurChip.EepSize = 513;
    EXPECT_TRUE(Engine(3)->SendConfigBlock(kCmdConfig, 1));
}

TEST_F(ConfigBlockTest, TwoDownloadsDiffer)
{
    auto e = Engine(0);
    e->Random = DefaultRandomSource();
    ASSERT_TRUE(e->SendConfigBlock(kCmdConfig, e->DrawConfigSeed()));
    ASSERT_TRUE(e->SendConfigBlock(kCmdConfig, e->DrawConfigSeed()));
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_NE(frames[0], frames[1]);
}

} // namespace
