// PtyPair: a pseudo-terminal pair for tests of serial code. The code under test opens
// SlavePath(); the test plays the far end on Master(). Both ends are raw from the start.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

class TPtyPair {
public:
    TPtyPair()
    {
        char name[128] = {};
        termios raw{};
        ::cfmakeraw(&raw);
        raw.c_cflag |= CLOCAL | CREAD;
        if (::openpty(&FMaster, &FSlave, name, &raw, nullptr) != 0)
            return; // SlavePath() stays empty
        // Raw at once, or the line discipline echoes and translates bytes.
        ::tcsetattr(FSlave, TCSANOW, &raw);
        ::fcntl(FSlave, F_SETFL, ::fcntl(FSlave, F_GETFL) | O_NONBLOCK);
        ::fcntl(FMaster, F_SETFD, FD_CLOEXEC);
        ::fcntl(FSlave, F_SETFD, FD_CLOEXEC);
        FSlavePath = name;
    }
    ~TPtyPair()
    {
        CloseMaster();
        if (FSlave >= 0)
            ::close(FSlave);
    }
    TPtyPair(const TPtyPair&) = delete;
    TPtyPair& operator=(const TPtyPair&) = delete;

    int Master() const { return FMaster; }
    // Empty when the pair could not be created.
    const std::string& SlavePath() const { return FSlavePath; }

    // The far end goes away: the slave side sees a hang-up.
    void CloseMaster()
    {
        if (FMaster >= 0)
            ::close(FMaster);
        FMaster = -1;
    }

    // Bytes that the far end sent and nobody on the slave side has read yet.
    std::size_t WaitingAtSlave() const
    {
        int n = 0;
        return ::ioctl(FSlave, TIOCINQ, &n) == 0 ? static_cast<std::size_t>(n) : 0;
    }

    // Writes every byte from the far end (blocking).
    bool WriteAll(const void* data, std::size_t size)
    {
        const auto* p = static_cast<const std::uint8_t*>(data);
        while (size > 0) {
            const ssize_t n = ::write(FMaster, p, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            p += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }
    bool WriteAll(const std::string& text) { return WriteAll(text.data(), text.size()); }

    // Reads at the far end until `want` bytes are in or nothing came for `quiet`.
    std::vector<std::uint8_t> Read(std::size_t want,
                                   std::chrono::milliseconds quiet = std::chrono::milliseconds(2000))
    {
        std::vector<std::uint8_t> got;
        std::uint8_t buf[4096];
        while (got.size() < want) {
            pollfd p{FMaster, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(quiet.count())) <= 0)
                break;
            const ssize_t n = ::read(FMaster, buf, sizeof buf);
            if (n <= 0)
                break;
            got.insert(got.end(), buf, buf + n);
        }
        return got;
    }

    // Fills the direction slave -> master from the test's own slave descriptor until the
    // pty takes no more, so that the next write of the code under test blocks. Returns
    // the number of filler bytes, which the far end reads before anything else.
    std::size_t FillTowardsMaster()
    {
        std::size_t total = 0;
        const std::vector<std::uint8_t> chunk(4096, kFiller);
        // The line discipline moves data on in the background: fill until it stops.
        for (int round = 0; round < kFillRounds; ++round) {
            for (;;) {
                const ssize_t n = ::write(FSlave, chunk.data(), chunk.size());
                if (n <= 0)
                    break;
                total += static_cast<std::size_t>(n);
            }
            ::usleep(kFillSettleUs);
        }
        return total;
    }

    static constexpr std::uint8_t kFiller = 0xA5;

private:
    static constexpr int kFillRounds = 3;
    static constexpr int kFillSettleUs = 20000;

    int FMaster = -1;
    int FSlave = -1;
    std::string FSlavePath;
};
