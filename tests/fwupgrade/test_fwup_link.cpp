// The upgrade tool's FTDI link and boot-loader packets against the fake chip:
// frames on the wire, the decoder's codes, listing, open results, reads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

#include "BootLoaderEmulator.h"
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

// Every FTDI device is listed whatever its product id, one entry per port of
// a multi-port chip (its serial number and the port's letter), and only the
// ports that another program does not hold.
TEST_F(LinkTest, ListsEveryFreePortOfEveryFtdiDevice)
{
    struct Case {
        const char* what;
        std::vector<TFtdiDeviceInfo> devices;
        std::vector<std::string> items;
    };
    const Case cases[] = {
        {"custom product id", {{"FTC0FFEE", "unit", {true}, 0xFAF0}}, {"FTC0FFEE"}},
        {"FT2232: two ports", {{"FT77", "dual", {true, true}, 0x6010}}, {"FT77A", "FT77B"}},
        {"FT4232 with port B held", {{"FT44", "quad", {true, false, true, true}, 0x6011}}, {"FT44A", "FT44C", "FT44D"}},
        {"held unit", {{"FT0001", "held", {false}}, {"FT0002", "free"}}, {"FT0002"}},
        {"every port held", {{"FT77", "dual", {false, false}, 0x6010}}, {}},
        {"no serial number", {{"", "blank", {true, true}}}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        port.Devices = c.devices;
        TDeviceBox box;
        link.ListFtdiDevices(box);
        EXPECT_EQ(box.Items, c.items);
        EXPECT_EQ(box.Text, c.items.empty() ? "无可用的USB设备" : c.items.front());
    }
}

TEST_F(LinkTest, OpensThePortItsNameNames)
{
    port.Devices = {{"FT0001", "single", {true}},
                    {"FT77", "dual", {true, true}, 0x6010, 1, 5},
                    {"FT44", "quad", {true, false, true, true}, 0x6011, 1, 6}};
    struct Case {
        const char* name;
        std::uint8_t result;
        std::string serial;
        int interface;
    };
    const Case cases[] = {
        {"FT0001", kResultOk, "FT0001", 0},
        {"FT77A", kResultOk, "FT77", 0},
        {"FT77B", kResultOk, "FT77", 1},
        {"FT44D", kResultOk, "FT44", 3},
        {"FT44B", kResultCannotOpen, "", -1}, // held by another program
        {"FT77", kResultCannotOpen, "", -1},  // a two-port chip has no entry without a letter
        {"FT77C", kResultCannotOpen, "", -1},
        {"FT0001A", kResultCannotOpen, "", -1}, // a single-port chip has no letters
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(link.OpenPort(c.name), c.result);
        EXPECT_EQ(port.OpenSerial, c.serial);
        EXPECT_EQ(port.OpenInterface, c.interface);
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

// Each reply is read only once its whole byte count is waiting: one byte
// fewer is left waiting and taken with the rest at the next poll (a reply that
// arrives in two parts), and exactly the count is taken, even when that is a
// reply cut short.
TEST_F(LinkTest, RepliesWaitForTheirByteCountsExactly)
{
    using Check = std::function<std::uint8_t(TFwComm&)>;
    struct Case {
        const char* what;
        Check check;
        std::size_t count;
        std::uint8_t notYet;  // while one byte fewer is waiting
        std::uint8_t atCount; // when exactly the count, the start of the reply, is taken
        Bytes packet;         // the whole reply
    };
    Bytes verify(28, 0);
    verify[0] = 0xBA;
    verify[1] = 0xFF, verify[2] = 0x5F;
    verify[6] = 20;
    verify[8] = 0x81, verify[9] = 0x8D, verify[10] = 0xF5, verify[11] = 0x15;
    verify[24] = 0xF5, verify[25] = 0x15, verify[26] = 0x81, verify[27] = 0x8D;
    Bytes identify{0xA3, 0xA5, 0x35, 7, 0};
    for (char ch : std::string("TL200Cy Boot Loader.TL200 V3"))
        identify.push_back(static_cast<std::uint8_t>(ch));
    const Case cases[] = {
        {"block reply", [](TFwComm& c) { return c.CheckBlockReply(); }, 10, 15, 37,
         {0xB7, 0x00, 0x28, 2, 0, 0, 1, 0, 0, 0x1D, 0x05}},
        {"verify reply", [](TFwComm& c) { return c.CheckVerifyReply(kVerifyReplyWaiting); }, 28, 15, 37, verify},
        {"probe reply", [](TFwComm& c) { return c.ReceiveReply(20); }, 30, 13, 0, identify},
    };
    TFwComm comm(link, [](int) {});
    ASSERT_EQ(link.OpenPort("FT0001"), kResultOk);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes frame = TBootLoaderEmulator::Frame(c.packet);
        ASSERT_GT(frame.size(), c.count);
        const auto part = static_cast<std::ptrdiff_t>(c.count - 1);

        port.PushInput(Bytes(frame.begin(), frame.begin() + part));
        EXPECT_EQ(c.check(comm), c.notYet);
        EXPECT_EQ(link.BytesWaiting(), c.count - 1) << "one byte fewer stays waiting";
        port.PushInput(Bytes{frame[c.count - 1]});
        EXPECT_EQ(c.check(comm), c.atCount);
        EXPECT_EQ(link.BytesWaiting(), 0u) << "the full count is taken";

        port.PushInput(Bytes(frame.begin(), frame.begin() + part));
        EXPECT_EQ(c.check(comm), c.notYet);
        port.PushInput(Bytes(frame.begin() + part, frame.end()));
        EXPECT_EQ(c.check(comm), kResultOk) << "the second part completes the reply";
        EXPECT_EQ(Packet(FwUp.FwPktLen), c.packet);
    }
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
    // Two USB devices on bus 1: address 7 with ports on two interfaces, address 9 with one;
    // address 11 has its port on interface 0x10.
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
        write(root / "devices" / p.usb / p.iface / "bInterfaceNumber", std::string(p.iface).back() == '0' ? "00\n" : "01\n");
    }
    write(root / "devices/1-2/busnum", "1\n");
    write(root / "devices/1-2/devnum", "7\n");
    write(root / "devices/1-3/busnum", "1\n");
    write(root / "devices/1-3/devnum", "9\n");
    fs::create_directories(root / "class/tty1"); // a tty without a device link

    // Interface numbers are hexadecimal: a port 0x10 would not be port 10.
    fs::create_directories(root / "devices/1-4/1-4:1.0/ttyUSB7");
    fs::create_directories(root / "class/ttyUSB7");
    fs::create_directory_symlink(root / "devices/1-4/1-4:1.0/ttyUSB7", root / "class/ttyUSB7/device");
    write(root / "devices/1-4/1-4:1.0/bInterfaceNumber", "10\n");
    write(root / "devices/1-4/busnum", "1\n");
    write(root / "devices/1-4/devnum", "11\n");

    const std::string cls = (root / "class").string(), dev = (root / "dev").string();
    const std::vector<std::string> sevenA = FtdiTtyNodes(cls, dev, 1, 7, 0);
    const std::vector<std::string> sevenB = FtdiTtyNodes(cls, dev, 1, 7, 1);
    EXPECT_EQ(sevenA, std::vector<std::string>{dev + "/ttyUSB3"});
    EXPECT_EQ(sevenB, std::vector<std::string>{dev + "/ttyUSB4"});
    EXPECT_EQ(FtdiTtyNodes(cls, dev, 1, 9, 0), std::vector<std::string>{dev + "/ttyUSB0"});
    EXPECT_TRUE(FtdiTtyNodes(cls, dev, 1, 9, 1).empty());
    EXPECT_TRUE(FtdiTtyNodes(cls, dev, 2, 7, 0).empty());
    EXPECT_EQ(FtdiTtyNodes(cls, dev, 1, 11, 16), std::vector<std::string>{dev + "/ttyUSB7"});
    EXPECT_TRUE(FtdiTtyNodes(cls, dev, 1, 11, 10).empty());

    const std::string proc = (root / "proc").string();
    fs::create_directories(root / "proc/200/fd");
    fs::create_directories(root / "proc/300/fd");
    fs::create_directories(root / "proc/self");
    fs::create_symlink("/dev/null", root / "proc/200/fd/0");
    EXPECT_FALSE(AnyTtyInUse(sevenB, proc));
    fs::create_symlink(dev + "/ttyUSB4", root / "proc/300/fd/5"); // the programmer application has it
    EXPECT_TRUE(AnyTtyInUse(sevenB, proc));
    EXPECT_FALSE(AnyTtyInUse(sevenA, proc)) << "the chip's other port is still free";
    EXPECT_FALSE(AnyTtyInUse(FtdiTtyNodes(cls, dev, 1, 9, 0), proc)) << "another unit's port is not this one's";
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
    EXPECT_FALSE(driver->Open(TFtdiDeviceInfo{}, 0)) << "an empty serial must not open the first device";
    EXPECT_FALSE(driver->Open(TFtdiDeviceInfo{"NO-SUCH-SERIAL-0000", ""}, 0));
    EXPECT_FALSE(driver->Open(TFtdiDeviceInfo{"NO-SUCH-SERIAL-0000", "", {true, true}}, 1));
    std::uint8_t byte = 0;
    EXPECT_LT(driver->Write(&byte, 1), 0);
    EXPECT_LT(driver->Read(&byte, 1), 0);
    EXPECT_FALSE(driver->PurgeAll());
    driver->ClearRtsDtr();
    driver->Close();
}

} // namespace
