// VcpPortLister: where the candidate programmer ports come from (the FTDI
// USB serial ports of the system, or a fixed list), and ListVcpPorts.
#include "link/VcpPortLister.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "link/LinkSinks.h"

namespace fs = std::filesystem;

const char* const kNoDeviceText = "No Device Availiable!";

namespace {
constexpr const char* kFtdiDriverName = "ftdi_sio";

// A port counts as free when it opens without waiting and takes the same
// exclusive lock that TComm takes when it opens a port.
bool PortIsFree(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);  // closing releases the lock
    return locked;
}
}  // namespace

TFtdiPortLister::TFtdiPortLister(std::string ttyClassDir, std::string devDir)
    : ttyClassDir_(std::move(ttyClassDir)), devDir_(std::move(devDir))
{
}

std::vector<TPortCandidate> TFtdiPortLister::Candidates()
{
    std::vector<TPortCandidate> out;
    std::error_code ec;
    for (fs::directory_iterator it(ttyClassDir_, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code linkEc;
        const fs::path driver = fs::read_symlink(it->path() / "device" / "driver", linkEc);
        if (linkEc || driver.filename() != kFtdiDriverName) continue;
        const std::string name = it->path().filename().string();
        out.push_back({name, devDir_ + name});
    }
    return out;
}

std::vector<TPortCandidate> TFixedPortLister::Candidates()
{
    std::vector<TPortCandidate> out;
    for (const std::string& p : paths_) out.push_back({p, p});
    return out;
}

void ListVcpPorts(TPortListBox& portList, TPortLister& lister)
{
    for (const TPortCandidate& c : lister.Candidates()) {
        if (PortIsFree(c.DevicePath)) portList.Add(c.Name);
    }
    if (portList.Count() > 0) {
        portList.SetText(portList.Item(portList.Count() - 1));
    } else {
        portList.SetText(kNoDeviceText);
    }
}
