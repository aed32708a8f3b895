// SerialComm: TComm, the serial-port component: one port opened by name with its line settings,
// a reader and a writer thread, and their notifications fired as events on the GUI thread.
#include "serial/SerialComm.h"

#include "serial/SerialCustomBaud.h"

#include <QCoreApplication>
#include <QEvent>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr const char* kDevDir = "/dev/";
constexpr int kLowestNonZeroFd = 1;
// Line errors and modem changes are counted by the driver, not signalled: the reader looks
// at the counters this often even when no byte arrives.
constexpr std::chrono::milliseconds kLineEventPoll{50};
// Nice values of the threads (the reader just above the writer, both above normal).
// Raising them needs privileges; a refusal is ignored.
constexpr int kReaderNice = -2;
constexpr int kWriterNice = -1;
// A read interval of this value with both read totals 0 means "return what is there".
constexpr std::uint32_t kIntervalReturnAtOnce = 0xFFFFFFFFu;

using Clock = std::chrono::steady_clock;

struct TBaudEntry {
    std::uint32_t Rate;
    speed_t Code;
};

constexpr TBaudEntry kBaudCodes[] = {
    {50, B50},         {75, B75},         {110, B110},         {134, B134},
    {150, B150},       {200, B200},       {300, B300},         {600, B600},
    {1200, B1200},     {1800, B1800},     {2400, B2400},       {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},     {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800},   {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

constexpr tcflag_t kByteSizeFlags[] = {CS5, CS6, CS7, CS8};

std::string FormatOpenFailed(const std::string& name)
{
    std::string text = kMsgOpenFailedFmt;
    text.replace(text.find("%s"), 2, name);
    return text;
}

void RaiseThreadPriority(int nice)
{
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    (void)::setpriority(PRIO_PROCESS, tid, nice);
}

bool Signalled(int eventFd)
{
    pollfd p{eventFd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Notifications from the threads to the GUI thread

struct TCommTimeouts {
    std::atomic<std::uint32_t> Interval{0};
    std::atomic<std::uint32_t> TotalMultiplier{0};
    std::atomic<std::uint32_t> TotalConstant{0};
};

// One notification. A data block is owned by whoever holds the note; it is freed with it.
struct TCommNote {
    TCommMessage Message = TCommMessage::WM_COMMHANGUP;
    std::uint32_t Session = 0;
    std::uint32_t Value = 0;
    std::unique_ptr<std::uint8_t[]> Block;
    std::uint16_t Count = 0;
};

// Lives on the GUI thread. The threads queue notes here and post one wake-up event; the
// GUI thread fires the queued notes in the order they came. The wake-up event itself is
// made on the GUI thread ahead of time, so that no object made by a worker thread is handed
// over through the toolkit's queue.
class TCommNotifier : public QObject {
public:
    explicit TCommNotifier(TComm* comm) : FComm(comm), FSpareWake(new QEvent(WakeEvent())) {}
    ~TCommNotifier() override { delete FSpareWake; }

    // Any thread. False when the note could not be queued.
    bool Post(TCommNote&& note) noexcept
    {
        try {
            std::lock_guard<std::mutex> lock(FLock);
            FPending.push_back(std::move(note));
            if (!FWakePosted && FSpareWake != nullptr) {
                FWakePosted = true;
                QCoreApplication::postEvent(this, std::exchange(FSpareWake, nullptr));
            }
            return true;
        } catch (...) {
            return false;
        }
    }

    bool Dispatching() const { return FDispatchDepth > 0; }
    void Detach() { FComm = nullptr; }

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != WakeEvent())
            return QObject::event(e);
        {
            // Notes that come while these are fired post a wake-up of their own.
            auto* spare = new QEvent(WakeEvent());
            std::lock_guard<std::mutex> lock(FLock);
            delete std::exchange(FSpareWake, spare);
            FWakePosted = false;
        }
        ++FDispatchDepth;
        // One note at a time from the shared queue, so that a handler that runs a nested
        // event loop (a message box) still sees the notes in order.
        TCommNote note;
        while (FComm != nullptr && TakeNext(note)) {
            if (note.Session == FComm->FSession)
                FComm->Fire(note.Message, note.Value, note.Block.get(), note.Count);
            note.Block.reset();
        }
        --FDispatchDepth;
        return true;
    }

private:
    static QEvent::Type WakeEvent()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    bool TakeNext(TCommNote& note)
    {
        std::lock_guard<std::mutex> lock(FLock);
        if (FPending.empty())
            return false;
        note = std::move(FPending.front());
        FPending.pop_front();
        return true;
    }

    TComm* FComm;
    int FDispatchDepth = 0;
    std::mutex FLock;
    std::deque<TCommNote> FPending;
    bool FWakePosted = false;
    QEvent* FSpareWake; // null while posted
};

// ---------------------------------------------------------------------------------------
// Threads

// What the reader and the writer share: the port, the close event, where to report.
class TCommThread {
public:
    TCommThread(int port, int closeEvent, TCommNotifier* notifier, std::uint32_t session)
        : FPort(port), FCloseEvent(closeEvent), FNotifier(notifier), FSession(session)
    {
    }
    virtual ~TCommThread() { Join(); }
    TCommThread(const TCommThread&) = delete;
    TCommThread& operator=(const TCommThread&) = delete;

    // Throws std::system_error when the thread cannot be created.
    void Start() { FThread = std::thread([this] { Execute(); }); }
    void Join()
    {
        if (FThread.joinable())
            FThread.join();
    }

protected:
    virtual void Execute() = 0;

    bool Notify(TCommMessage message, std::uint32_t value = 0)
    {
        return FNotifier->Post(TCommNote{message, FSession, value, nullptr, 0});
    }
    void NotifyHangup() { (void)Notify(TCommMessage::WM_COMMHANGUP); }

    const int FPort;
    const int FCloseEvent;
    TCommNotifier* const FNotifier;
    const std::uint32_t FSession;

private:
    std::thread FThread;
};

// Reads the port and delivers chunks: after the first byte it keeps reading until the line
// has been quiet for the read interval or the chunk is full.
class TReadThread : public TCommThread {
public:
    TReadThread(int port, int closeEvent, TCommNotifier* notifier, std::uint32_t session,
                const TCommTimeouts* timeouts)
        : TCommThread(port, closeEvent, notifier, session), FTimeouts(timeouts)
    {
    }
    ~TReadThread() override { Join(); }

private:
    // Driver counters behind line errors and modem-line changes.
    struct TCounters {
        int Frame = 0, Overrun = 0, Parity = 0, Break = 0, BufOverrun = 0, Carrier = 0, Ring = 0;
    };

    void Execute() override;
    bool Deliver();
    bool ReadCounters(TCounters& counters) const;
    bool ReportLineEvents(TCounters& last);
    // When the chunk in hand is due, or Clock::time_point::max() while none is.
    Clock::time_point ChunkDue() const;

    const TCommTimeouts* const FTimeouts;
    std::uint8_t FBuffer[kReadChunkMax] = {};
    std::size_t FCount = 0;
    Clock::time_point FReadStart;
    Clock::time_point FLastByte;
};

bool TReadThread::ReadCounters(TCounters& c) const
{
    serial_icounter_struct ic{};
    if (::ioctl(FPort, TIOCGICOUNT, &ic) != 0)
        return false;
    c = TCounters{ic.frame, ic.overrun, ic.parity, ic.brk, ic.buf_overrun, ic.dcd, ic.rng};
    return true;
}

bool TReadThread::ReportLineEvents(TCounters& last)
{
    TCounters now;
    if (!ReadCounters(now))
        return true;
    std::uint32_t errors = 0;
    if (now.Frame != last.Frame)
        errors |= kCommErrFrame;
    if (now.Overrun != last.Overrun)
        errors |= kCommErrOverrun;
    if (now.Parity != last.Parity)
        errors |= kCommErrParity;
    if (now.Break != last.Break)
        errors |= kCommErrBreak;
    if (now.BufOverrun != last.BufOverrun)
        errors |= kCommErrRxOver;
    std::uint32_t modem = 0;
    if (now.Carrier != last.Carrier)
        modem |= kModemCarrier;
    if (now.Ring != last.Ring)
        modem |= kModemRing;
    last = now;
    if (errors != 0 && !Notify(TCommMessage::WM_COMMERROR, errors))
        return false;
    if (modem != 0 && !Notify(TCommMessage::WM_COMMMODEM, modem))
        return false;
    return true;
}

Clock::time_point TReadThread::ChunkDue() const
{
    const std::uint32_t interval = FTimeouts->Interval.load(std::memory_order_relaxed);
    const std::uint32_t multiplier = FTimeouts->TotalMultiplier.load(std::memory_order_relaxed);
    const std::uint32_t constant = FTimeouts->TotalConstant.load(std::memory_order_relaxed);
    const bool hasTotal = multiplier != 0 || constant != 0;
    auto due = Clock::time_point::max();
    if (FCount > 0) {
        if (interval == kIntervalReturnAtOnce && !hasTotal)
            return FLastByte;
        if (interval != 0 && interval != kIntervalReturnAtOnce)
            due = FLastByte + std::chrono::milliseconds(interval);
    }
    if (hasTotal) {
        const auto total = std::chrono::milliseconds(
            static_cast<std::uint64_t>(multiplier) * kReadChunkMax + constant);
        due = std::min(due, FReadStart + total);
    }
    return due;
}

bool TReadThread::Deliver()
{
    if (FCount == 0)
        return true;
    std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[FCount + 1]());
    if (!block) {
        NotifyHangup();
        return false;
    }
    std::memcpy(block.get(), FBuffer, FCount);
    const auto count = static_cast<std::uint16_t>(FCount);
    FCount = 0;
    FReadStart = Clock::now();
    if (!FNotifier->Post(TCommNote{TCommMessage::WM_COMMDATA, FSession, 0, std::move(block), count})) {
        NotifyHangup();
        return false;
    }
    return true;
}

void TReadThread::Execute()
{
    RaiseThreadPriority(kReaderNice);
    TCounters counters;
    const bool counted = ReadCounters(counters);
    FReadStart = Clock::now();
    for (;;) {
        auto wake = ChunkDue();
        if (counted)
            wake = std::min(wake, Clock::now() + kLineEventPoll);
        timespec timeout{};
        timespec* timeoutPtr = nullptr;
        if (wake != Clock::time_point::max()) {
            const auto left = std::max(Clock::duration::zero(), wake - Clock::now());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            timeout.tv_sec = static_cast<time_t>(ns / 1000000000);
            timeout.tv_nsec = static_cast<long>(ns % 1000000000);
            timeoutPtr = &timeout;
        }
        pollfd fds[2] = {{FPort, POLLIN, 0}, {FCloseEvent, POLLIN, 0}};
        const int ready = ::ppoll(fds, 2, timeoutPtr, nullptr);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            (void)Deliver();
            NotifyHangup();
            break;
        }
        if (fds[1].revents != 0 || (fds[0].revents & POLLNVAL) != 0)
            break; // closing, or the port was closed under us: no notice
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            // Read first even on a hang-up, so bytes that came before it are not lost.
            const ssize_t n = ::read(FPort, FBuffer + FCount, kReadChunkMax - FCount);
            if (n > 0) {
                FCount += static_cast<std::size_t>(n);
                FLastByte = Clock::now();
                if (FCount == kReadChunkMax && !Deliver())
                    break;
            } else if (n < 0 && errno == EBADF) {
                break;
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)
                       || (fds[0].revents & (POLLHUP | POLLERR)) != 0) {
                // A zero-byte read after POLLIN, EIO/ENXIO/ENODEV or a hang-up flag: the
                // line is gone. Report it once and end.
                (void)Deliver();
                NotifyHangup();
                break;
            }
        }
        const auto now = Clock::now();
        if (now >= ChunkDue()) {
            if (FCount > 0) {
                if (!Deliver())
                    break;
            } else {
                FReadStart = now; // a total time-out without data: read again
            }
        }
        if (counted && !ReportLineEvents(counters)) {
            NotifyHangup();
            break;
        }
    }
    (void)::tcflush(FPort, TCIFLUSH);
}

// Takes write requests from its own queue and writes them; waits in poll for room on the
// port or the close event, so a blocked write ends as soon as the port closes.
class TWriteThread : public TCommThread {
public:
    TWriteThread(int port, int closeEvent, TCommNotifier* notifier, std::uint32_t session,
                 std::atomic<bool>* sendEmpty)
        : TCommThread(port, closeEvent, notifier, session), FSendEmpty(sendEmpty)
    {
        FWake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (FWake < 0)
            throw std::system_error(errno, std::generic_category());
    }
    ~TWriteThread() override
    {
        Join();
        ::close(FWake);
    }

    // GUI thread. Takes the block; false (block freed) when the writer has stopped.
    bool Post(std::unique_ptr<std::uint8_t[]> block, std::uint16_t count)
    {
        {
            std::lock_guard<std::mutex> lock(FLock);
            if (FStopped)
                return false;
            FQueue.push_back(TRequest{std::move(block), count});
            FSendEmpty->store(false);
        }
        const std::uint64_t one = 1;
        (void)::write(FWake, &one, sizeof one);
        return true;
    }

private:
    struct TRequest {
        std::unique_ptr<std::uint8_t[]> Block;
        std::uint16_t Count;
    };

    void Execute() override;
    // False when the writer must end (after posting a hang-up where one is due).
    bool WriteAll(const TRequest& request);
    bool TakeNext(TRequest& request)
    {
        std::lock_guard<std::mutex> lock(FLock);
        if (FQueue.empty()) {
            FSendEmpty->store(true);
            return false;
        }
        request = std::move(FQueue.front());
        FQueue.pop_front();
        return true;
    }

    std::atomic<bool>* const FSendEmpty;
    int FWake = -1;
    std::mutex FLock;
    std::deque<TRequest> FQueue;
    bool FStopped = false;
};

bool TWriteThread::WriteAll(const TRequest& request)
{
    std::size_t done = 0;
    while (done < request.Count) {
        const ssize_t n = ::write(FPort, request.Block.get() + done, request.Count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EBADF)
            return false;
        if (n == 0 || errno != EAGAIN) {
            NotifyHangup();
            return false;
        }
        pollfd fds[2] = {{FPort, POLLOUT, 0}, {FCloseEvent, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            NotifyHangup();
            return false;
        }
        if (fds[1].revents != 0 || (fds[0].revents & POLLNVAL) != 0)
            return false;
        if ((fds[0].revents & POLLOUT) == 0 && (fds[0].revents & (POLLHUP | POLLERR)) != 0) {
            NotifyHangup();
            return false;
        }
    }
    return true;
}

void TWriteThread::Execute()
{
    RaiseThreadPriority(kWriterNice);
    bool notify = true;
    for (;;) {
        TRequest request;
        if (TakeNext(request)) {
            if (Signalled(FCloseEvent) || !WriteAll(request))
                break;
            notify = true;
            continue;
        }
        if (notify && !Notify(TCommMessage::WM_COMMSENDEMPTY)) {
            NotifyHangup();
            break;
        }
        notify = false;
        pollfd fds[2] = {{FWake, POLLIN, 0}, {FCloseEvent, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            NotifyHangup();
            break;
        }
        if (fds[1].revents != 0)
            break;
        std::uint64_t drained = 0;
        (void)::read(FWake, &drained, sizeof drained);
    }
    {
        std::lock_guard<std::mutex> lock(FLock);
        FStopped = true;
        FQueue.clear();
    }
    (void)::tcflush(FPort, TCOFLUSH);
    FSendEmpty->store(true);
}

// ---------------------------------------------------------------------------------------
// TComm

TComm::TComm(QObject* Owner)
    : QObject(Owner), FTimeouts(std::make_unique<TCommTimeouts>()), FNotifier(new TCommNotifier(this))
{
}

TComm::~TComm()
{
    CloseComm();
    FNotifier->Detach();
    if (FNotifier->Dispatching())
        FNotifier->deleteLater(); // destroyed from one of its own events
    else
        delete FNotifier;
}

void TComm::OpenComm()
{
    if (FHandle != 0)
        throw ECommsError(kMsgAlreadyOpened);

    const std::string path = FCommName.find('/') == std::string::npos ? kDevDir + FCommName : FCommName;
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd == 0) {
        // Descriptor 0 would read as "closed": move it.
        const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, kLowestNonZeroFd);
        ::close(fd);
        fd = moved;
    }
    if (fd < 0)
        throw ECommsError(FormatOpenFailed(FCommName));
    if (!::isatty(fd)) {
        ::close(fd);
        throw ECommsError(kMsgNotCommHandle);
    }
    // The port is ours alone: a lock every opener honours, and the tty's exclusive mode.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        throw ECommsError(FormatOpenFailed(FCommName));
    }
    (void)::ioctl(fd, TIOCEXCL);

    FHandle = fd;
    (void)::tcflush(fd, TCIOFLUSH);
    FSendEmpty.store(true);
    ApplyTimeouts();
    ApplyLineSettings();

    FCloseEvent = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (FCloseEvent < 0) {
        ReleasePort();
        throw ECommsError(kMsgCreateEvent);
    }
    const std::uint32_t session = ++FLastSession == 0 ? ++FLastSession : FLastSession;
    try {
        FReadThread = std::make_unique<TReadThread>(fd, FCloseEvent, FNotifier, session, FTimeouts.get());
        FReadThread->Start();
    } catch (...) {
        FReadThread.reset();
        ReleasePort();
        throw ECommsError(kMsgReadThread);
    }
    try {
        FWriteThread = std::make_unique<TWriteThread>(fd, FCloseEvent, FNotifier, session, &FSendEmpty);
        FWriteThread->Start();
    } catch (...) {
        FWriteThread.reset();
        StopThreads();
        ReleasePort();
        throw ECommsError(kMsgWriteThread);
    }
    FSession = session;
}

void TComm::CloseComm()
{
    if (FHandle == 0)
        return;
    StopThreads();
    ReleasePort();
}

void TComm::StopThreads()
{
    const std::uint64_t one = 1;
    (void)::write(FCloseEvent, &one, sizeof one);
    if (FReadThread) {
        (void)::tcflush(FHandle, TCIFLUSH);
        FReadThread.reset();
    }
    if (FWriteThread) {
        (void)::tcflush(FHandle, TCOFLUSH);
        FSendEmpty.store(true);
        FWriteThread.reset();
    }
}

void TComm::ReleasePort()
{
    if (FCloseEvent >= 0)
        ::close(FCloseEvent);
    FCloseEvent = -1;
    (void)::ioctl(FHandle, TIOCNXCL);
    ::close(FHandle); // also drops the lock
    FHandle = 0;
    FSession = 0;
    FSendEmpty.store(true);
}

bool TComm::SendCommData(const void* Buffer, std::uint16_t Length)
{
    if (!FWriteThread || Length == 0)
        return false;
    std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[Length + 1u]());
    if (!block)
        return false;
    std::memcpy(block.get(), Buffer, Length);
    return FWriteThread->Post(std::move(block), Length);
}

void TComm::ApplyTimeouts()
{
    FTimeouts->Interval.store(FReadIntervalTimeout);
    FTimeouts->TotalMultiplier.store(FReadTotalTimeoutMultiplier);
    FTimeouts->TotalConstant.store(FReadTotalTimeoutConstant);
    // The writer writes until the device takes every byte, so the write time-outs are kept
    // only as properties.
}

// Settings termios cannot express (DSR flow, DTR handshake, DSR sensitivity, continue on
// XOFF, XON/XOFF limits, null stripping) stay properties only, like settings a device
// refuses. Results are not checked: a refused setting leaves the port open as it is.
void TComm::ApplyLineSettings()
{
    termios tio{};
    if (::tcgetattr(FHandle, &tio) != 0)
        return;
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD | kByteSizeFlags[static_cast<int>(FByteSize)];
    switch (FParity) {
    case TParity::None: break;
    case TParity::Odd: tio.c_cflag |= PARENB | PARODD; break;
    case TParity::Even: tio.c_cflag |= PARENB; break;
    case TParity::Mark: tio.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case TParity::Space: tio.c_cflag |= PARENB | CMSPAR; break;
    }
    // Two stop-bit periods; a UART sends 1.5 of them with 5-bit bytes.
    if (FStopBits != TStopBits::_1)
        tio.c_cflag |= CSTOPB;
    if (FOutxCtsFlow || FRtsControl == TRtsControl::RtsHandshake)
        tio.c_cflag |= CRTSCTS;
    // With neither IGNPAR nor PARMRK a byte that fails the check reads as 0, which is the
    // replacement with the default ReplacedChar.
    tio.c_iflag &= ~(INPCK | IGNPAR | PARMRK | IXON | IXOFF | IXANY);
    if (FParityCheck)
        tio.c_iflag |= INPCK;
    if (FOutxXonXoffFlow)
        tio.c_iflag |= IXON;
    if (FInxXonXoffFlow)
        tio.c_iflag |= IXOFF;
    tio.c_cc[VSTART] = static_cast<cc_t>(FXonChar);
    tio.c_cc[VSTOP] = static_cast<cc_t>(FXoffChar);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;

    bool custom = false;
    if (FBaudRate != 0) {
        custom = true;
        for (const TBaudEntry& entry : kBaudCodes) {
            if (entry.Rate == FBaudRate) {
                (void)::cfsetispeed(&tio, entry.Code);
                (void)::cfsetospeed(&tio, entry.Code);
                custom = false;
                break;
            }
        }
    }
    (void)::tcsetattr(FHandle, TCSANOW, &tio);
    if (custom)
        (void)SetCustomBaudRate(FHandle, FBaudRate);
    ApplyModemLines();
}

// Linux raises DTR and RTS on open; set them as the properties say right away. A
// pseudo-terminal answers ENOTTY here, which changes nothing.
void TComm::ApplyModemLines()
{
    const int dtr = TIOCM_DTR;
    const int rts = TIOCM_RTS;
    const bool dtrOn = FDtrControl != TDtrControl::DtrDisable;
    // A transmit toggle idles low; handshake mode starts ready and is then the driver's.
    const bool rtsOn = FRtsControl == TRtsControl::RtsEnable || FRtsControl == TRtsControl::RtsHandshake;
    (void)::ioctl(FHandle, dtrOn ? TIOCMBIS : TIOCMBIC, &dtr);
    (void)::ioctl(FHandle, rtsOn ? TIOCMBIS : TIOCMBIC, &rts);
}

void TComm::Fire(TCommMessage Message, std::uint32_t Value, void* Block, std::uint16_t Count)
{
    switch (Message) {
    case TCommMessage::WM_COMMDATA:
        if (OnReceiveData)
            OnReceiveData(this, Block, Count);
        break;
    case TCommMessage::WM_COMMERROR:
        if (OnReceiveError)
            OnReceiveError(this, Value);
        break;
    case TCommMessage::WM_COMMHANGUP:
        if (OnRequestHangup)
            OnRequestHangup(this);
        break;
    case TCommMessage::WM_COMMMODEM:
        if (OnModemStateChange)
            OnModemStateChange(this, Value);
        break;
    case TCommMessage::WM_COMMSENDEMPTY:
        if (OnSendDataEmpty)
            OnSendDataEmpty(this);
        break;
    }
}
