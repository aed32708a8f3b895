// Tests of TComm over real pseudo-terminals: open errors, chunking and the quiet interval,
// the writer's send-empty notices, hang-ups, prompt closing and line settings.
#include "serial/SerialComm.h"
#include "serial/SerialCustomBaud.h"
#include "support/AppPortSettings.h"
#include "support/EventLoopWait.h"
#include "support/PtyPair.h"

#include <gtest/gtest.h>

#include <QTemporaryFile>

#include <chrono>
#include <cstdint>
#include <dirent.h>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <sys/file.h>
#include <termios.h>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// Generous bound for "returns promptly": the old design could wait 10 s per thread.
constexpr auto kPrompt = 2000ms;

// Everything the component reported, in the order it fired.
struct TEventLog {
    struct TEntry {
        TCommMessage Kind;
        std::vector<std::uint8_t> Data;
        Clock::time_point At;
    };
    std::vector<TEntry> Entries;

    int Count(TCommMessage kind) const
    {
        int n = 0;
        for (const TEntry& e : Entries)
            n += e.Kind == kind ? 1 : 0;
        return n;
    }
    std::vector<std::uint8_t> Received() const
    {
        std::vector<std::uint8_t> all;
        for (const TEntry& e : Entries)
            if (e.Kind == TCommMessage::WM_COMMDATA)
                all.insert(all.end(), e.Data.begin(), e.Data.end());
        return all;
    }
    std::vector<std::vector<std::uint8_t>> Chunks() const
    {
        std::vector<std::vector<std::uint8_t>> chunks;
        for (const TEntry& e : Entries)
            if (e.Kind == TCommMessage::WM_COMMDATA)
                chunks.push_back(e.Data);
        return chunks;
    }
};

void Record(TComm& comm, TEventLog& log)
{
    comm.OnReceiveData = [&log](TComm*, void* buffer, std::uint16_t length) {
        const auto* p = static_cast<const std::uint8_t*>(buffer);
        EXPECT_EQ(p[length], 0) << "the block ends with a zero byte";
        log.Entries.push_back({TCommMessage::WM_COMMDATA, {p, p + length}, Clock::now()});
    };
    comm.OnRequestHangup = [&log](TComm*) {
        log.Entries.push_back({TCommMessage::WM_COMMHANGUP, {}, Clock::now()});
    };
    comm.OnSendDataEmpty = [&log](TComm*) {
        log.Entries.push_back({TCommMessage::WM_COMMSENDEMPTY, {}, Clock::now()});
    };
}

int OpenDescriptorCount()
{
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d) != nullptr)
            ++n;
        ::closedir(d);
    }
    return n;
}

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> v(n);
    for (auto& b : v)
        b = static_cast<std::uint8_t>(rng());
    return v;
}

class SerialCommTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(pty.SlavePath().empty());
        UseAppPortSettings(comm, pty.SlavePath());
        Record(comm, log);
    }
    void OpenAndSettle()
    {
        comm.OpenComm();
        // The writer reports its empty queue once at start.
        ASSERT_TRUE(SpinUntil([&] { return log.Count(TCommMessage::WM_COMMSENDEMPTY) == 1; }));
    }

    TPtyPair pty;
    TComm comm;
    TEventLog log;
};

std::string OpenError(TComm& comm)
{
    try {
        comm.OpenComm();
    } catch (const ECommsError& e) {
        return e.what();
    }
    return "(opened)";
}

} // namespace

TEST_F(SerialCommTest, OpenFailuresRaiseTheirTextsAndLeaveNothingOpen)
{
    QTemporaryFile plainFile;
    ASSERT_TRUE(plainFile.open());
    TComm holder;
    int lockFd = -1;

    struct TCase {
        const char* What;
        std::function<std::string()> Name;   // CommName to try
        std::function<void()> Arrange;       // what else holds the port
        std::function<std::string()> Expect; // expected message
    };
    const std::string slave = pty.SlavePath();
    const std::vector<TCase> cases = {
        {"missing device in /dev", [] { return std::string("ttyTelvicNoSuchPort9"); }, [] {},
         [] { return std::string("Error opening serial port:ttyTelvicNoSuchPort9"); }},
        {"missing device by path", [] { return std::string("/nonexistent/ttyX"); }, [] {},
         [] { return std::string("Error opening serial port:/nonexistent/ttyX"); }},
        {"not a tty", [&] { return plainFile.fileName().toStdString(); }, [] {},
         [] { return std::string("File handle is not a comm handle "); }},
        {"locked by another open", [&] { return slave; },
         [&] {
             lockFd = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
             ASSERT_EQ(::flock(lockFd, LOCK_EX | LOCK_NB), 0);
         },
         [&] { return "Error opening serial port:" + slave; }},
        {"held by another component", [&] { return slave; },
         [&] {
             ::close(lockFd);
             lockFd = -1;
             UseAppPortSettings(holder, slave);
             holder.OpenComm();
         },
         [&] { return "Error opening serial port:" + slave; }},
    };

    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        c.Arrange();
        const int before = OpenDescriptorCount();
        comm.SetCommName(c.Name());
        EXPECT_EQ(OpenError(comm), c.Expect());
        EXPECT_EQ(comm.PortHandle(), 0);
        EXPECT_EQ(OpenDescriptorCount(), before) << "a failed open leaks nothing";
        EXPECT_FALSE(comm.SendCommData("x", 1));
    }

    // Once the holder lets go, the port opens.
    holder.CloseComm();
    comm.SetCommName(slave);
    comm.OpenComm();
    EXPECT_NE(comm.PortHandle(), 0);
}

TEST_F(SerialCommTest, SecondOpenRaisesAndLeavesTheFirstIntact)
{
    OpenAndSettle();
    const int handle = comm.PortHandle();
    EXPECT_EQ(OpenError(comm), "This serial port already opened");
    EXPECT_EQ(comm.PortHandle(), handle);

    ASSERT_TRUE(comm.SendCommData("ping", 4));
    const auto got = pty.Read(4);
    EXPECT_EQ(std::string(got.begin(), got.end()), "ping");
    ASSERT_TRUE(pty.WriteAll("pong"));
    ASSERT_TRUE(SpinUntil([&] { return log.Received().size() == 4; }));
    EXPECT_EQ(log.Received(), (std::vector<std::uint8_t>{'p', 'o', 'n', 'g'}));
}

TEST_F(SerialCommTest, BurstArrivesInOrderInChunksOfAtMost2048)
{
    OpenAndSettle();
    const auto burst = RandomBytes(5000, 7);
    ASSERT_TRUE(pty.WriteAll(burst.data(), burst.size()));
    ASSERT_TRUE(SpinUntil([&] { return log.Received().size() >= burst.size(); }));
    SpinFor(20ms);
    EXPECT_EQ(log.Received(), burst);
    const auto chunks = log.Chunks();
    EXPECT_GE(chunks.size(), 3u);
    for (const auto& chunk : chunks) {
        EXPECT_GT(chunk.size(), 0u);
        EXPECT_LE(chunk.size(), kReadChunkMax);
    }
}

TEST_F(SerialCommTest, ChunkIsDeliveredOnlyAfterTheLineWasQuiet)
{
    // With the application's 5 ms: never sooner than 5 ms after the last byte.
    OpenAndSettle();
    const auto sent = Clock::now(); // no byte can arrive before this
    ASSERT_TRUE(pty.WriteAll("abc"));
    ASSERT_TRUE(SpinUntil([&] { return log.Count(TCommMessage::WM_COMMDATA) == 1; }));
    EXPECT_GE(log.Entries.back().At - sent, std::chrono::milliseconds(kAppPortReadIntervalMs));

    // With a long interval, bytes with short gaps between them make one chunk.
    comm.SetReadIntervalTimeout(400);
    log.Entries.clear();
    ASSERT_TRUE(pty.WriteAll("12"));
    std::this_thread::sleep_for(30ms);
    const auto last = Clock::now();
    ASSERT_TRUE(pty.WriteAll("34"));
    ASSERT_TRUE(SpinUntil([&] { return log.Count(TCommMessage::WM_COMMDATA) >= 1; }));
    SpinFor(50ms);
    ASSERT_EQ(log.Chunks().size(), 1u);
    EXPECT_EQ(log.Chunks()[0], (std::vector<std::uint8_t>{'1', '2', '3', '4'}));
    EXPECT_GE(log.Entries.back().At - last, 400ms);
}

TEST_F(SerialCommTest, SendCommDataRefusesEmptyBlocksAndClosedPorts)
{
    EXPECT_FALSE(comm.SendCommData("x", 1)) << "closed";
    comm.CloseComm(); // closed: nothing happens
    EXPECT_EQ(comm.PortHandle(), 0);

    OpenAndSettle();
    EXPECT_FALSE(comm.SendCommData("x", 0));
    SpinFor(30ms);
    EXPECT_TRUE(pty.Read(1, 30ms).empty()) << "nothing was sent";
    EXPECT_EQ(log.Count(TCommMessage::WM_COMMSENDEMPTY), 1) << "nothing was queued";
}

TEST_F(SerialCommTest, SendEmptyFollowsEachTimeTheQueueRunsDry)
{
    OpenAndSettle();
    // Block the writer on a full pty, so both blocks are queued before it can finish.
    const std::size_t filler = pty.FillTowardsMaster();
    const auto first = RandomBytes(3000, 1);
    const auto second = RandomBytes(3000, 2);
    ASSERT_TRUE(comm.SendCommData(first.data(), static_cast<std::uint16_t>(first.size())));
    ASSERT_TRUE(comm.SendCommData(second.data(), static_cast<std::uint16_t>(second.size())));
    SpinFor(30ms);
    EXPECT_EQ(log.Count(TCommMessage::WM_COMMSENDEMPTY), 1) << "still writing";

    const auto got = pty.Read(filler + first.size() + second.size());
    ASSERT_EQ(got.size(), filler + first.size() + second.size());
    std::vector<std::uint8_t> expected(filler, TPtyPair::kFiller);
    expected.insert(expected.end(), first.begin(), first.end());
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(got, expected) << "blocks are written whole and in order";

    ASSERT_TRUE(SpinUntil([&] { return log.Count(TCommMessage::WM_COMMSENDEMPTY) == 2; }));
    SpinFor(50ms);
    EXPECT_EQ(log.Count(TCommMessage::WM_COMMSENDEMPTY), 2) << "one notice for the two blocks";

    ASSERT_TRUE(comm.SendCommData("z", 1));
    EXPECT_EQ(pty.Read(1).size(), 1u);
    ASSERT_TRUE(SpinUntil([&] { return log.Count(TCommMessage::WM_COMMSENDEMPTY) == 3; }));
}

TEST_F(SerialCommTest, FarEndClosingGivesOneHangupAfterTheBytesInHandAndClosesPromptly)
{
    // A long quiet interval keeps the bytes in the reader's hands when the far end goes.
    // (The kernel drops what the slave side has not read when the master closes.)
    comm.SetReadIntervalTimeout(1500);
    OpenAndSettle();
    ASSERT_TRUE(pty.WriteAll("bye"));
    std::this_thread::sleep_for(100ms);
    const auto deadline = Clock::now() + kPrompt;
    while (pty.WaitingAtSlave() > 0 && Clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    pty.CloseMaster();
    ASSERT_TRUE(SpinUntil([&] { return log.Count(TCommMessage::WM_COMMHANGUP) == 1; }));
    SpinFor(100ms);
    EXPECT_EQ(log.Count(TCommMessage::WM_COMMHANGUP), 1) << "reported once, no loop";
    EXPECT_EQ(log.Received(), (std::vector<std::uint8_t>{'b', 'y', 'e'}));
    EXPECT_EQ(log.Entries.back().Kind, TCommMessage::WM_COMMHANGUP) << "data first, then the hang-up";
    EXPECT_NE(comm.PortHandle(), 0) << "a hang-up does not close the port by itself";

    const auto start = Clock::now();
    comm.CloseComm();
    EXPECT_LT(Clock::now() - start, kPrompt);
    EXPECT_EQ(comm.PortHandle(), 0);
}

TEST_F(SerialCommTest, CloseCommIsPromptWhileAWriteIsBlocked)
{
    OpenAndSettle();
    pty.FillTowardsMaster();
    const std::vector<std::uint8_t> big(60000, 0x55);
    ASSERT_TRUE(comm.SendCommData(big.data(), static_cast<std::uint16_t>(big.size())));
    SpinFor(30ms);

    const auto start = Clock::now();
    comm.CloseComm();
    EXPECT_LT(Clock::now() - start, kPrompt);
    EXPECT_EQ(comm.PortHandle(), 0);
    SpinFor(30ms);
    EXPECT_EQ(log.Count(TCommMessage::WM_COMMHANGUP), 0) << "closing is not a failure";

    // The port can be opened again at once.
    comm.OpenComm();
    EXPECT_NE(comm.PortHandle(), 0);
}

TEST_F(SerialCommTest, LineSettingsApplyAtOpenAndAgainWhenChangedWhileOpen)
{
    comm.OpenComm();
    const auto tio = [&] {
        termios t{};
        EXPECT_EQ(::tcgetattr(pty.Master(), &t), 0);
        return t;
    };
    {
        const termios t = tio();
        EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B1000000));
        EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
        EXPECT_NE(t.c_cflag & CSTOPB, 0u);
        EXPECT_EQ(t.c_cflag & (PARENB | CRTSCTS), 0u);
        EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL), 0u);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(t.c_oflag & OPOST, 0u);
    }

    struct TCase {
        const char* What;
        std::function<void()> Change;
        std::function<bool(const termios&)> Holds;
    };
    const std::vector<TCase> cases = {
        {"rate with a B constant", [&] { comm.SetBaudRate(115200); },
         [](const termios& t) { return ::cfgetospeed(&t) == B115200; }},
        {"rate without one", [&] { comm.SetBaudRate(250000); },
         [&](const termios&) {
             std::uint32_t baud = 0;
             return GetBaudRate(pty.Master(), baud) && baud == 250000;
         }},
        {"one stop bit", [&] { comm.SetStopBits(TStopBits::_1); },
         [](const termios& t) { return (t.c_cflag & CSTOPB) == 0; }},
        {"XON/XOFF out", [&] { comm.SetOutx_XonXoffFlow(true); },
         [](const termios& t) { return (t.c_iflag & IXON) != 0; }},
        {"XON/XOFF in", [&] { comm.SetInx_XonXoffFlow(true); },
         [](const termios& t) { return (t.c_iflag & IXOFF) != 0; }},
        {"XON character", [&] { comm.SetXonChar('A'); },
         [](const termios& t) { return t.c_cc[VSTART] == 'A'; }},
        {"CTS flow", [&] { comm.SetOutx_CtsFlow(true); },
         [](const termios& t) { return (t.c_cflag & CRTSCTS) != 0; }},
        {"parity check", [&] { comm.SetParityCheck(true); },
         [](const termios& t) { return (t.c_iflag & INPCK) != 0; }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        c.Change();
        EXPECT_TRUE(c.Holds(tio()));
    }
    // Data bits and parity cannot be checked here: a pseudo-terminal forces 8 bits, no
    // parity.
}

TEST_F(SerialCommTest, NotificationsOfAClosedSessionAreDropped)
{
    OpenAndSettle();
    // The old session receives bytes and then loses its far end, while the GUI thread is
    // busy; both notices are still queued when the port is closed and opened again.
    ASSERT_TRUE(pty.WriteAll("old"));
    pty.CloseMaster();
    std::this_thread::sleep_for(200ms);
    comm.CloseComm();

    TPtyPair next;
    comm.SetCommName(next.SlavePath());
    comm.OpenComm();
    ASSERT_TRUE(next.WriteAll("new"));
    ASSERT_TRUE(SpinUntil([&] { return log.Received().size() >= 3; }));
    SpinFor(50ms);
    EXPECT_EQ(log.Received(), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
    EXPECT_EQ(log.Count(TCommMessage::WM_COMMHANGUP), 0);
    EXPECT_NE(comm.PortHandle(), 0) << "no stale hang-up reached the new session";
}

TEST_F(SerialCommTest, PortHandleIsNeverZeroWhileOpenAndDestroyClosesThePort)
{
    // Free descriptor 0 so that the open would get it.
    const int savedStdin = ::dup(0);
    ASSERT_GE(savedStdin, 0);
    ::close(0);
    auto owned = std::make_unique<TComm>();
    UseAppPortSettings(*owned, pty.SlavePath());
    owned->OpenComm();
    EXPECT_GT(owned->PortHandle(), 0);
    EXPECT_TRUE(owned->SendCommData("hi", 2));
    EXPECT_EQ(pty.Read(2).size(), 2u);

    const int before = OpenDescriptorCount();
    owned.reset(); // destroyed while open
    EXPECT_LT(OpenDescriptorCount(), before);
    ::dup2(savedStdin, 0);
    ::close(savedStdin);
    const int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0) << "the port was let go";
    ::close(fd);
}

TEST(SerialCommHandlers, AHangupHandlerMayCloseOrDestroyItsPort)
{
    struct TCase {
        const char* What;
        bool Destroy;
    };
    for (const TCase c : {TCase{"closes the port", false}, TCase{"destroys the component", true}}) {
        SCOPED_TRACE(c.What);
        TPtyPair pty;
        auto comm = std::make_unique<TComm>();
        UseAppPortSettings(*comm, pty.SlavePath());
        int hangups = 0;
        comm->OnRequestHangup = [&](TComm* sender) {
            ++hangups;
            if (c.Destroy)
                comm.reset();
            else
                sender->CloseComm();
        };
        comm->OpenComm();
        ASSERT_TRUE(comm->SendCommData("x", 1));
        pty.CloseMaster();
        // The reader reports the hang-up; a block sent now fails in the writer too.
        std::this_thread::sleep_for(50ms);
        if (comm)
            comm->SendCommData("y", 1);
        ASSERT_TRUE(SpinUntil([&] { return hangups > 0; }));
        SpinFor(100ms);
        EXPECT_EQ(hangups, 1) << "later notices of the closed session are dropped";
        if (comm) {
            EXPECT_EQ(comm->PortHandle(), 0);
        }
    }
}

TEST(SerialCommDefaults, AFreshComponentHoldsTheComponentDefaults)
{
    TComm comm;
    EXPECT_EQ(comm.CommName(), "COM2");
    EXPECT_EQ(comm.BaudRate(), 9600u);
    EXPECT_FALSE(comm.ParityCheck());
    EXPECT_FALSE(comm.Outx_CtsFlow());
    EXPECT_FALSE(comm.Outx_DsrFlow());
    EXPECT_EQ(comm.DtrControl(), TDtrControl::DtrEnable);
    EXPECT_FALSE(comm.DsrSensitivity());
    EXPECT_TRUE(comm.TxContinueOnXoff());
    EXPECT_TRUE(comm.Outx_XonXoffFlow());
    EXPECT_TRUE(comm.Inx_XonXoffFlow());
    EXPECT_FALSE(comm.ReplaceWhenParityError());
    EXPECT_FALSE(comm.IgnoreNullChar());
    EXPECT_EQ(comm.RtsControl(), TRtsControl::RtsEnable);
    EXPECT_EQ(comm.XonLimit(), 500);
    EXPECT_EQ(comm.XoffLimit(), 500);
    EXPECT_EQ(comm.ByteSize(), TByteSize::_8);
    EXPECT_EQ(comm.Parity(), TParity::None);
    EXPECT_EQ(comm.StopBits(), TStopBits::_1);
    EXPECT_EQ(comm.XonChar(), 17);
    EXPECT_EQ(comm.XoffChar(), 19);
    EXPECT_EQ(comm.ReplacedChar(), 0);
    EXPECT_EQ(comm.ReadIntervalTimeout(), 100u);
    EXPECT_EQ(comm.ReadTotalTimeoutMultiplier(), 0u);
    EXPECT_EQ(comm.ReadTotalTimeoutConstant(), 0u);
    EXPECT_EQ(comm.WriteTotalTimeoutMultiplier(), 0u);
    EXPECT_EQ(comm.WriteTotalTimeoutConstant(), 0u);
    EXPECT_EQ(comm.PortHandle(), 0);
}
