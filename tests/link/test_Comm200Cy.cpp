#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "link/Comm200Cy.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(const char* s) { return Bytes(s, s + std::strlen(s)); }

TEST(CheckValues, GoldenVectors)
{
    struct Case {
        Bytes data;
        std::uint16_t crc;
    };
    const Case crcCases[] = {{Text("abc"), 0x2543}, {{0x00}, 0x0000}, {{0x01, 0x00}, 0x4A12}, {{0x01}, 0x0001}};
    for (const auto& c : crcCases)
        EXPECT_EQ(CalcPacketCrc(c.data.data(), 0, static_cast<std::uint32_t>(c.data.size() - 1)), c.crc);

    struct SumCase {
        Bytes data;
        std::uint32_t acc;
    };
    const SumCase sumCases[] = {
        {Text("abc"), 0xFEDA},
        {{0x00}, 0x10000},
        {Bytes(257, 0xFF), 0x10000 - 0xFFFF},
        {Bytes(258, 0xFF), 0x10000 - 0x00FE},  // the sum is kept to 16 bits
    };
    for (const auto& c : sumCases)
        EXPECT_EQ(AccCheckSum16(c.data.data(), 0, static_cast<std::uint32_t>(c.data.size() - 1)), c.acc);
}

TEST(CheckValues, RangesOutsideTheLimitsGiveZero)
{
    const Bytes abc = Text("xabc");
    EXPECT_EQ(CalcPacketCrc(abc.data(), 1, 3), 0x2543);  // a sub-range
    EXPECT_EQ(CalcPacketCrc(abc.data(), 3, 1), 0);        // empty range
    EXPECT_EQ(AccCheckSum16(abc.data(), 3, 1), 0x10000u); // empty sum
    EXPECT_EQ(CalcPacketCrc(abc.data(), 0x1000000, 0x1000000), 0);
    EXPECT_EQ(AccCheckSum16(abc.data(), 0, 0x1000000), 0u);
}

TEST(EncodeFrame, EscapesDelimitersAndAddsTrailer)
{
    const Bytes packet = {0xC0, 0xDB, 0x01};
    Bytes frame(MaxEncodedFrameLen(packet.size()), 0x00);
    const auto len = EncodeFrame(packet.data(), frame.data(), static_cast<std::uint16_t>(packet.size()));
    const Bytes expected = {0xC0, 0xDB, 0xDC, 0xDB, 0xDD, 0x01, 0xC0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    ASSERT_EQ(len, 12);
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + len), expected);
}

TEST(EncodeFrame, LengthIsPacketPlusEscapesPlusSeven)
{
    Bytes plain(100);
    for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<std::uint8_t>(i);
    Bytes frame(MaxEncodedFrameLen(kPktBufSize));
    EXPECT_EQ(EncodeFrame(plain.data(), frame.data(), 100), 100 + 7);

    // The worst case of the largest packet fits the transmit buffer.
    const Bytes allDelims(kPktBufSize, 0xC0);
    static std::uint8_t tx[kTxFrameBufSize + 1];
    tx[kTxFrameBufSize] = 0x5A;
    EXPECT_EQ(EncodeFrame(allDelims.data(), tx, static_cast<std::uint16_t>(kPktBufSize)), 2 * kPktBufSize + 7);
    EXPECT_EQ(tx[kTxFrameBufSize], 0x5A);
}

struct UnpackCase {
    const char* name;
    Bytes frame;
    std::uint8_t result;
    std::uint16_t packetLen;  // 0xFFFF: left unchanged
    Bytes packetPrefix;       // bytes the packet buffer must begin with
};

TEST(UnpackFrame, Cases)
{
    const UnpackCase cases[] = {
        {"doubled opening", {0xC0, 0xC0, 1, 2, 3, 4, 5, 6, 7, 8, 0xC0}, kResultOk, 8, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"noise before opening", {0x55, 0xC0, 1, 2, 3, 4, 5, 6, 7, 8, 0xC0}, kResultOk, 8, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"escapes", {0xC0, 0xDB, 0xDC, 0xDB, 0xDD, 3, 4, 5, 6, 7, 8, 0xC0}, kResultOk, 8, {0xC0, 0xDB, 3, 4}},
        {"seven bytes", {0xC0, 1, 2, 3, 4, 5, 6, 7, 0xC0}, kResultBadPacket, 7, {1, 2, 3, 4, 5, 6, 7}},
        {"bad escape", {0xC0, 1, 2, 0xDB, 0x41, 5, 6, 7, 8, 9, 0xC0}, kResultBadPacket, 0, {1, 2}},
        {"escape before the closing", {0xC0, 1, 2, 3, 4, 5, 6, 7, 8, 0xDB, 0xC0}, kResultBadPacket, 0, {1, 2, 3}},
        {"no closing", {0xC0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, kResultNoClosingDelim, 0xFFFF, {1, 2, 3}},
        {"only an opening", {0xC0}, kResultNoClosingDelim, 0xFFFF, {}},
        {"no delimiter", {1, 2, 3}, kResultNoClosingDelim, 0xFFFF, {}},
    };
    for (const auto& c : cases) {
        std::uint8_t packet[64] = {};
        std::uint16_t len = 0xFFFF;
        EXPECT_EQ(UnpackFrame(c.frame.data(), packet, len, static_cast<std::uint16_t>(c.frame.size()), sizeof packet),
                  c.result)
            << c.name;
        EXPECT_EQ(len, c.packetLen) << c.name;
        EXPECT_EQ(Bytes(packet, packet + c.packetPrefix.size()), c.packetPrefix) << c.name;
    }
}

TEST(UnpackFrame, NeverWritesBeyondThePacketBuffer)
{
    Bytes frame = {0xC0};
    frame.insert(frame.end(), 40, 0x11);
    frame.push_back(0xC0);
    std::uint8_t packet[33];
    std::memset(packet, 0xEE, sizeof packet);
    std::uint16_t len = 0xFFFF;
    EXPECT_EQ(UnpackFrame(frame.data(), packet, len, static_cast<std::uint16_t>(frame.size()), 32), kResultBadPacket);
    EXPECT_EQ(len, 0);
    EXPECT_EQ(packet[31], 0x11);
    EXPECT_EQ(packet[32], 0xEE);

    // Exactly full is fine.
    frame.assign(1, 0xC0);
    frame.insert(frame.end(), 32, 0x22);
    frame.push_back(0xC0);
    EXPECT_EQ(UnpackFrame(frame.data(), packet, len, static_cast<std::uint16_t>(frame.size()), 32), kResultOk);
    EXPECT_EQ(len, 32);
    EXPECT_EQ(packet[32], 0xEE);
}

TEST(UnpackFrame, RoundTripsEncodedPackets)
{
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> pick(0, 3);
    const std::uint8_t escapable[] = {0xC0, 0xDB, 0xDC, 0xDD};
    for (int round = 0; round < 200; ++round) {
        Bytes packet(static_cast<std::size_t>(8 + round * 13));
        for (auto& b : packet)
            b = (byte(rng) < 64) ? escapable[pick(rng)] : static_cast<std::uint8_t>(byte(rng));
        Bytes frame(MaxEncodedFrameLen(packet.size()));
        const auto frameLen = EncodeFrame(packet.data(), frame.data(), static_cast<std::uint16_t>(packet.size()));
        static std::uint8_t decoded[kPktBufSize];
        std::uint16_t len = 0;
        ASSERT_EQ(UnpackFrame(frame.data(), decoded, len, frameLen), kResultOk);
        ASSERT_EQ(Bytes(decoded, decoded + len), packet) << round;
    }
}

// A reply with the given length field, payload and a correct check value.
Bytes Reply(std::uint16_t lenField, const Bytes& payload)
{
    Bytes p = {0x93, 0x03, 0x00, 0x10, 0x20, 0x01, static_cast<std::uint8_t>(lenField),
               static_cast<std::uint8_t>(lenField >> 8)};
    p.insert(p.end(), payload.begin(), payload.end());
    const auto crc = CalcPacketCrc(p.data(), 0, static_cast<std::uint32_t>(p.size() - 1));
    p.push_back(static_cast<std::uint8_t>(crc));
    p.push_back(static_cast<std::uint8_t>(crc >> 8));
    return p;
}

TEST(CheckReplyPacket, Cases)
{
    struct Case {
        const char* name;
        Bytes packet;
        std::uint8_t result;
    };
    Bytes corrupted = Reply(1, {0x00});
    corrupted[8] = 0x31;  // status changed after the check value was computed
    const Case cases[] = {
        {"status reply ok", Reply(1, {0x00}), 0x00},
        {"status reply 6", Reply(1, {0x06}), 0x06},
        {"status reply error", Reply(1, {0x31}), 0x31},
        {"data reply ignores status byte", Reply(2, {0x31, 0x44}), 0x00},
        {"wrong check value", corrupted, kResultBadCheck},
        {"status reply without its status", Reply(1, {}), kResultBadPacket},
    };
    for (const auto& c : cases) {
        std::uint8_t pkt[kPktBufSize] = {};
        std::memcpy(pkt, c.packet.data(), c.packet.size());
        EXPECT_EQ(CheckReplyPacket(pkt, static_cast<std::uint16_t>(c.packet.size())), c.result) << c.name;
    }
}

// An identify reply: magic, n, padding to nameOffset 25, then the name bytes.
Bytes IdReply(const Bytes& name, std::uint8_t n)
{
    Bytes p = {0xA3, 0xA5, 0x35, n};
    p.resize(25, 0x00);
    p.insert(p.end(), name.begin(), name.end());
    return p;
}

std::int32_t CheckId(const Bytes& packet, std::string& expected)
{
    char buf[kDeviceNameBufSize] = {};
    std::memcpy(buf, expected.data(), std::min(expected.size(), sizeof buf - 1));
    const auto r = CheckDeviceId(packet.data(), static_cast<std::uint16_t>(packet.size()), buf, 25);
    EXPECT_EQ(buf[kDeviceNameBufSize - 1], '\0');
    expected.assign(buf);
    return r;
}

TEST(CheckDeviceId, NameEndsAtNonPrintableByte)
{
    const Bytes reply = IdReply({0x41, 0x42, 0x43, 0x05}, 3);
    std::string longer = "ABCD";
    EXPECT_LT(CheckId(reply, longer), 0);
    EXPECT_EQ(longer, "ABCD");
    std::string same = "ABC";
    EXPECT_EQ(CheckId(reply, same), 0);
    EXPECT_EQ(same, "ABC");
}

TEST(CheckDeviceId, MatchCopiesTheWholeReceivedName)
{
    const std::string name = "Telvic200Cy-V1.0 CY 9.1";
    std::string expected = "Telvic200Cy";
    EXPECT_EQ(CheckId(IdReply(Bytes(name.begin(), name.end()), static_cast<std::uint8_t>(name.size() - 1)), expected), 0);
    EXPECT_EQ(expected, name);

    std::string other = "Telvic200Cy";
    const std::string wrong = "Telvic100Cy-V1";
    EXPECT_NE(CheckId(IdReply(Bytes(wrong.begin(), wrong.end()), 13), other), 0);
    EXPECT_EQ(other, "Telvic200Cy");
}

TEST(CheckDeviceId, MalformedRepliesGiveFifteen)
{
    std::string e = "A";
    Bytes badMagic = IdReply({0x41}, 1);
    badMagic[2] = 0x36;
    EXPECT_EQ(CheckId(badMagic, e), kResultBadIdReply);
    EXPECT_EQ(CheckId(IdReply({0x41}, 0), e), kResultBadIdReply);
    EXPECT_EQ(CheckId(Bytes{0xA3, 0xA5, 0x35}, e), kResultBadIdReply);
}

TEST(CheckDeviceId, NameIsReadOnlyInsideThePacket)
{
    // n claims 20 characters, but the packet ends after "Telvic"; the buffer
    // behind it still holds a stale full name that must not count.
    const std::string stale = "Telvic200Cy-OLD";
    Bytes buffer = IdReply(Bytes(stale.begin(), stale.end()), 20);
    std::string expected = "Telvic200Cy";
    char buf[kDeviceNameBufSize] = "Telvic200Cy";
    EXPECT_NE(CheckDeviceId(buffer.data(), 25 + 6, buf, 25), 0);
    EXPECT_STREQ(buf, "Telvic200Cy");
    // The whole packet: matches.
    EXPECT_EQ(CheckId(buffer, expected), 0);
    EXPECT_EQ(expected, stale);
}

TEST(CheckDeviceId, CutsANameOf256CharactersAt255)
{
    const Bytes name(256, 'T');
    std::string expected = "TTT";
    EXPECT_EQ(CheckId(IdReply(name, 255), expected), 0);
    EXPECT_EQ(expected, std::string(255, 'T'));
}

} // namespace
