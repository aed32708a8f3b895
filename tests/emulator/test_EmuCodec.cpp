// Checks of the emulator's own codec and identify reply, so the end-to-end
// tests rest on a fixture that is right by itself.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "emulator/ProgrammerEmulator.h"

using emu::Bytes;

TEST(EmuCodec, CheckValueKnownValues)
{
    const std::uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(emu::Crc16(abc, 3), 0x2543);
    const std::uint8_t two[] = {0x01, 0x00};
    EXPECT_EQ(emu::Crc16(two, 2), 0x4A12);
}

TEST(EmuCodec, ParserDecodesEscapesAndChecksTrailer)
{
    emu::TRequestParser p;
    const Bytes good = {0xC0, 0xC0, 0xDB, 0xDC, 0xDB, 0xDD, 0x01, 0xC0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    int packets = 0;
    for (std::uint8_t b : good) {
        const auto ev = p.Feed(b);
        ASSERT_TRUE(ev == emu::TRequestParser::Event::None || ev == emu::TRequestParser::Event::Packet);
        if (ev == emu::TRequestParser::Event::Packet) {
            ++packets;
            EXPECT_EQ(p.packet(), (Bytes{0xC0, 0xDB, 0x01}));
        }
    }
    EXPECT_EQ(packets, 1);
    // A frame whose trailer is cut short by the next frame is reported.
    const Bytes cut = {0xC0, 0x05, 0xC0, 0xFF, 0xFF, 0xC0};
    bool badTrailer = false;
    for (std::uint8_t b : cut) badTrailer |= p.Feed(b) == emu::TRequestParser::Event::BadTrailer;
    EXPECT_TRUE(badTrailer);
    EXPECT_EQ(emu::FrameReply({0xC0, 0xDB, 0x01}), (Bytes{0xC0, 0xDB, 0xDC, 0xDB, 0xDD, 0x01, 0xC0}));
}

TEST(EmuCodec, IdentifyReplyPlacesNameAndRecord)
{
    struct TCase {
        const char* Name;
        unsigned Base;  // subtracted from the locator to place the record
    };
    const TCase kCases[] = {
        {"Telvic200Cy_ProgUnit_V7.5", 155},   // version "7.5" at reply bytes 47..49: 7.0 to 9.0
        {"Telvic200Cy_ProgUnit_V10.2", 403},  // byte 48 is a digit, not the point
    };
    for (const TCase& c : kCases) {
        SCOPED_TRACE(c.Name);
        emu::TEmulatorConfig cfg;
        cfg.name = c.Name;
        cfg.settings.SNMode = 0xA5;
        cfg.settings.SNAddr = 0x11223344;
        emu::TProgrammerEmulator unit(cfg);
        const int fd = open(unit.Path().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        const std::uint8_t req[] = {0xC0, 0xA3, 0xA5, 0x35, 0xC0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
        ASSERT_EQ(write(fd, req, sizeof req), static_cast<ssize_t>(sizeof req));
        Bytes frame;
        std::uint8_t buf[512];
        while (frame.size() < 2 || frame.back() != 0xC0) {
            pollfd pfd = {fd, POLLIN, 0};
            ASSERT_GT(poll(&pfd, 1, 2000), 0);
            const ssize_t n = read(fd, buf, sizeof buf);
            ASSERT_GT(n, 0);
            frame.insert(frame.end(), buf, buf + n);
        }
        close(fd);
        Bytes pkt;  // the reply holds no byte that needs escaping here
        for (std::size_t i = 1; i + 1 < frame.size(); ++i) pkt.push_back(frame[i]);
        ASSERT_GE(pkt.size(), 50u);
        EXPECT_EQ(pkt[3], cfg.name.size() - 1);
        EXPECT_EQ(std::string(pkt.begin() + 25, pkt.begin() + 25 + cfg.name.size()), cfg.name);
        const unsigned locator = pkt[3] + 256u * pkt[4];
        const unsigned rec = (locator - c.Base + 64u) & 0xFFFF;
        ASSERT_LE(rec + 40, pkt.size());
        EXPECT_EQ(pkt[rec], 0xA5);
        EXPECT_EQ(pkt[rec + 4], 0x44);
        EXPECT_EQ(pkt[rec + 7], 0x11);
        EXPECT_EQ(unit.RequestSummary(), std::vector<std::string>{"A3"});
        EXPECT_TRUE(unit.Errors().empty());
    }
}

