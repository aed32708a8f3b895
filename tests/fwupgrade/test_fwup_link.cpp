// The upgrade tool's FTDI link and boot-loader packets against the fake chip:
// frames on the wire, the decoder's codes, listing, open results, reads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "FakeFtdiDriver.h"
#include "TestFirmwareImage.h"
#include "fwupgrade/CommFwUpCy.h"
#include "fwupgrade/DefinFwUgCy.h"
#include "fwupgrade/FTDI2xxFwUpCy.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Packet(std::size_t len)
{
    return Bytes(FwUp.FwPktBuf, FwUp.FwPktBuf + len);
}

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetFwUpStateForTest();
        port.Devices = {{"FT0001", "Telvic200Cy"}};
    }
    TFakeFtdiDriver port;
    TFtdiLink link{port};
};

TEST(FwCodec, CheckValueAndFrameOfTheTool)
{
    const std::uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(CalcPacketCrc(abc, 3), 0x2543);
    const std::uint8_t zero[] = {0x00};
    EXPECT_EQ(CalcPacketCrc(zero, 1), 0);
    const std::uint8_t oneZero[] = {0x01, 0x00};
    EXPECT_EQ(CalcPacketCrc(oneZero, 2), 0x4A12);

    // Four trailer bytes, not five.
    const std::uint8_t packet[] = {0xC0, 0xDB, 0x01};
    std::uint8_t frame[16] = {};
    ASSERT_EQ(EncodeFwFrame(packet, 3, frame, sizeof frame), 11u);
    EXPECT_EQ(Bytes(frame, frame + 11), (Bytes{0xC0, 0xDB, 0xDC, 0xDB, 0xDD, 0x01, 0xC0, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(EncodeFwFrame(packet, 3, frame, 10), 0u) << "a frame that does not fit is refused";
}

TEST(FwCodec, DecoderCodes)
{
    struct Case {
        const char* what;
        Bytes frame;
        std::uint8_t result;
        Bytes packet;
    };
    const Case cases[] = {
        {"missing closing delimiter is accepted", {0xC0, 0x01, 0xDB, 0xDC, 0x02}, 0, {0x01, 0xC0, 0x02}},
        {"no minimum length", {0xC0, 0x05, 0xC0}, 0, {0x05}},
        {"leading noise skipped", {0x11, 0x22, 0xC0, 0xDB, 0xDD, 0xC0}, 0, {0xDB}},
        {"doubled opening is an empty packet", {0xC0, 0xC0, 0x01, 0x02}, 0, {}},
        {"bad escape stored and decoding goes on", {0xC0, 0x01, 0xDB, 0x41, 0x02, 0xC0}, 39, {0x01, 0x41, 0x02}},
        {"no opening delimiter", {0x01, 0x02, 0x03}, 37, {}},
        {"opening delimiter as last byte", {0x01, 0xC0}, 37, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::uint16_t len = 0xFFFF;
        EXPECT_EQ(DecodeFrame(c.frame.data(), len, static_cast<int>(c.frame.size())), c.result);
        ASSERT_EQ(len, c.packet.size());
        EXPECT_EQ(Packet(len), c.packet);
        EXPECT_EQ(FwUp.FwPktLen, len);
    }
}

TEST(FwPackets, CommandAndProgramPacketLayout)
{
    std::uint8_t cmd[kCommandPacketSize];
    BuildCommandPacket(kCmdVerify, kVerifyAddress, cmd);
    const std::uint16_t crc = CalcPacketCrc(cmd, 8);
    EXPECT_EQ(Bytes(cmd, cmd + 10),
              (Bytes{0xBA, 0xFF, 0x5F, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(crc), static_cast<std::uint8_t>(crc >> 8)}));

    TTestFirmwareImage image;
    std::uint8_t p[kFwProgramPacketSize];
    BuildProgramPacket(image, kCmdProgramBlock, 0x2C00, 16, p);
    EXPECT_EQ(Bytes(p, p + 8), (Bytes{0xB7, 0x00, 0x2C, 3, 16, 0x0F, 0x00, 0x08}));
    EXPECT_EQ(p[2056], CalcPacketCrc(p, 2056) >> 8) << "tail: the check value's high byte";
    EXPECT_EQ(p[2057], 0) << "then a zero byte";
    EXPECT_EQ(image.asked, (std::set<unsigned>{2})) << "blocks 2 and 3 share the keys of entry 2";
    // Even and odd columns take different key bytes.
    const TBlockKeys keys = image.DeriveKeys(2);
    const std::uint8_t* data = image.Image() + 3 * 2048;
    EXPECT_EQ(p[8] ^ data[0], keys.Even ^ image.EvenMask());
    EXPECT_EQ(p[9] ^ data[1], keys.Odd ^ image.OddMask());
    EXPECT_EQ(p[8 + 2047] ^ data[2047], keys.Odd ^ image.OddMask());
}

TEST(FwPackets, LargestBlockFrameFitsTheFrameBuffer)
{
    // A program packet made only of delimiter bytes is the worst case.
    std::vector<std::uint8_t> packet(kFwProgramPacketSize, 0xC0);
    std::vector<std::uint8_t> frame(kFwFrameBufSize);
    EXPECT_EQ(EncodeFwFrame(packet.data(), packet.size(), frame.data(), frame.size()), 4122u);
    EXPECT_EQ(kFwFrameBufSize, 4122u);
}

TEST_F(LinkTest, ListingZeroOneAndThreeDevices)
{
    struct Case {
        std::vector<TFtdiDeviceInfo> devices;
        std::vector<std::string> items;
        std::string text;
        std::uint8_t openResult;
    };
    const Case cases[] = {
        {{}, {}, "无可用的USB设备", kResultCannotOpen},
        {{{"FT0001", "a"}}, {"FT0001"}, "FT0001", kResultOk},
        {{{"ftzz9", "a"}, {"FT0002", "b"}, {"A10XQ", "c"}}, {"A10XQ", "FT0002", "ftzz9"}, "A10XQ", kResultOk},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        port.Devices = c.devices;
        TDeviceBox box;
        box.Items = {"stale"};
        EXPECT_EQ(link.RefreshDeviceList(box), c.openResult);
        EXPECT_EQ(box.Items, c.items);
        EXPECT_EQ(box.Text, c.text);
        EXPECT_EQ(FwUp.DevSerial, c.items.empty() ? "" : c.items.front());
        EXPECT_EQ(port.IsOpen, c.openResult == kResultOk);
        EXPECT_EQ(port.OpenSerial, c.items.empty() ? "" : c.items.front());
    }
}

TEST_F(LinkTest, OpenResultForEachFailingStep)
{
    struct Case {
        const char* step;
        std::uint8_t result;
    };
    const Case cases[] = {{"", kResultOk},
                          {"Open", kResultCannotOpen},
                          {"SetupBuffers", kResultSetupFailed},
                          {"SetTimeouts", kResultSetupFailed},
                          {"ReadLineState", kResultLineState},
                          {"SetLineSettings", kResultSetupFailed},
                          {"PurgeAll", kResultPurgeFailed}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        port.FailingSteps = {c.step};
        port.Calls.clear();
        EXPECT_EQ(link.OpenPort("FT0001"), c.result);
        EXPECT_EQ(port.IsOpen, c.result == kResultOk) << "a failed open leaves no device open";
        EXPECT_EQ(FwUp.FtHandle != 0, c.result == kResultOk);
        link.ClosePort();
    }
    port.FailingSteps.clear();
    EXPECT_EQ(link.OpenPort("FT0001"), kResultOk);
    EXPECT_EQ(port.BaudRate, 1000000);
    EXPECT_EQ(link.OpenPort(""), kResultCannotOpen) << "an empty serial never opens the first device";
    EXPECT_EQ(link.OpenPort("FT000"), kResultCannotOpen) << "only the exact serial opens";
}

TEST_F(LinkTest, CloseClearsRtsAndDtr)
{
    ASSERT_EQ(link.OpenPort("FT0001"), kResultOk);
    port.Calls.clear();
    link.ClosePort();
    EXPECT_EQ(port.Calls, (std::vector<std::string>{"PurgeAll", "ClearRtsDtr", "Close"}));
    EXPECT_FALSE(port.Rts);
    EXPECT_FALSE(port.Dtr);
    link.ClosePort();
    EXPECT_EQ(port.Calls.size(), 3u) << "closing twice does nothing";
}

TEST_F(LinkTest, ReadsOnlyAtTheThresholdAndWithinRoom)
{
    ASSERT_EQ(link.OpenPort("FT0001"), kResultOk);
    std::uint8_t buffer[kFwReplyBufSize];
    port.PushInput(Bytes(9, 0x55));
    std::uint16_t count = 10;
    link.ReadReply(count, buffer, sizeof buffer);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(link.BytesWaiting(), 9u) << "too few bytes stay waiting";

    port.PushInput(Bytes{1, 2, 3});
    count = 10;
    link.ReadReply(count, buffer, sizeof buffer);
    EXPECT_EQ(count, 12);
    EXPECT_EQ(buffer[9], 1);
    EXPECT_EQ(link.BytesWaiting(), 0u);

    // More than the reply buffer holds: only the room is filled, the rest dropped.
    port.PushInput(Bytes(6000, 0xAA));
    count = 10;
    link.ReadReply(count, buffer, sizeof buffer);
    EXPECT_EQ(count, kFwReplyBufSize);
    EXPECT_EQ(link.BytesWaiting(), 0u);
}

TEST_F(LinkTest, EveryRequestDropsUnreadInputFirst)
{
    ASSERT_EQ(link.OpenPort("FT0001"), kResultOk);
    port.PushInput(Bytes(40, 0x77)); // a late reply to an earlier request
    EXPECT_EQ(link.BytesWaiting(), 40u);
    TFwComm comm(link, [](int) {});
    comm.SendIdentify();
    EXPECT_EQ(link.BytesWaiting(), 0u);
    ASSERT_EQ(port.Writes.size(), 1u);
    EXPECT_EQ(port.Writes[0], (Bytes{0xC0, 0xA3, 0xA5, 0x35, 0xC0, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_F(LinkTest, NothingIsWrittenWhileClosed)
{
    TFwComm comm(link, [](int) {});
    comm.SendIdentify();
    EXPECT_TRUE(port.Writes.empty());
    EXPECT_EQ(comm.CheckBlockReply(), kResultTimeout);
}

} // namespace

namespace {

// A unit whose serial port another program holds is not taken from it: the
// tty nodes of a USB device are found through sysfs, their holders through proc.
TEST(LibFtdiDriver, PortsOfTheUsbDeviceAndWhetherOneIsHeld)
{
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/fwup_sysfs_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const fs::path root = pattern;
    auto write = [](const fs::path& file, const char* text) { std::ofstream(file) << text; };
    // Two USB devices on bus 1: address 7 with ports on two interfaces, address 9 with one.
    struct Port {
        const char* usb;
        const char* iface;
        const char* tty;
    };
    const Port ports[] = {{"1-2", "1-2:1.0", "ttyUSB3"}, {"1-2", "1-2:1.1", "ttyUSB4"}, {"1-3", "1-3:1.0", "ttyUSB0"}};
    for (const auto& p : ports) {
        fs::create_directories(root / "devices" / p.usb / p.iface / p.tty);
        fs::create_directories(root / "class" / p.tty);
        fs::create_directory_symlink(root / "devices" / p.usb / p.iface / p.tty, root / "class" / p.tty / "device");
    }
    write(root / "devices/1-2/busnum", "1\n");
    write(root / "devices/1-2/devnum", "7\n");
    write(root / "devices/1-3/busnum", "1\n");
    write(root / "devices/1-3/devnum", "9\n");
    fs::create_directories(root / "class/tty1"); // a tty without a device link

    const std::string cls = (root / "class").string(), dev = (root / "dev").string();
    const std::vector<std::string> seven = FtdiTtyNodes(cls, dev, 1, 7);
    EXPECT_EQ(seven, (std::vector<std::string>{dev + "/ttyUSB3", dev + "/ttyUSB4"}));
    EXPECT_EQ(FtdiTtyNodes(cls, dev, 1, 9), std::vector<std::string>{dev + "/ttyUSB0"});
    EXPECT_TRUE(FtdiTtyNodes(cls, dev, 2, 7).empty());

    const std::string proc = (root / "proc").string();
    fs::create_directories(root / "proc/200/fd");
    fs::create_directories(root / "proc/300/fd");
    fs::create_directories(root / "proc/self");
    fs::create_symlink("/dev/null", root / "proc/200/fd/0");
    EXPECT_FALSE(AnyTtyInUse(seven, proc));
    fs::create_symlink(dev + "/ttyUSB4", root / "proc/300/fd/5"); // the programmer application has it
    EXPECT_TRUE(AnyTtyInUse(seven, proc));
    EXPECT_FALSE(AnyTtyInUse(FtdiTtyNodes(cls, dev, 1, 9), proc)) << "another unit's port is not this one's";
    EXPECT_FALSE(AnyTtyInUse({}, proc));

    // The system's own process table: this test holding a file is seen.
    const std::string held = (root / "held").string();
    {
        std::ofstream open(held);
        EXPECT_TRUE(AnyTtyInUse({held}, "/proc"));
    }
    EXPECT_FALSE(AnyTtyInUse({held}, "/proc"));
    fs::remove_all(root);
}

// The production driver on a machine without the programmer attached: nothing
// opens, nothing hangs, and closed-device calls fail instead of touching USB.
TEST(LibFtdiDriver, OpensNothingWithoutTheDevice)
{
    std::unique_ptr<TFtdiDriver> driver = CreateLibFtdiDriver();
    std::vector<TFtdiDeviceInfo> devices;
    driver->ListDevices(devices); // any result, but it returns
    EXPECT_FALSE(driver->Open("")) << "an empty serial must not open the first device";
    EXPECT_FALSE(driver->Open("NO-SUCH-SERIAL-0000"));
    std::uint8_t byte = 0;
    EXPECT_LT(driver->Write(&byte, 1), 0);
    EXPECT_LT(driver->Read(&byte, 1), 0);
    EXPECT_FALSE(driver->PurgeAll());
    driver->ClearRtsDtr();
    driver->Close();
}

} // namespace
