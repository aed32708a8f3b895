// VcpPortLister: where the candidate programmer ports come from (the FTDI
// USB serial ports of the system, or a fixed list), and ListVcpPorts.
#pragma once

#include <string>
#include <vector>

class TPortListBox;

// One candidate port: the name shown in the port list (and later handed to
// TComm as its CommName), and the device path opened to test it.
struct TPortCandidate {
    std::string Name;
    std::string DevicePath;
};

class TPortLister {
public:
    virtual ~TPortLister() = default;
    virtual std::vector<TPortCandidate> Candidates() = 0;
};

// The USB serial ports of the FTDI driver: entries of the tty class folder
// whose device/driver link ends in "ftdi_sio", named by entry, opened as
// the device folder + name. Both folders can be moved for tests.
class TFtdiPortLister : public TPortLister {
public:
    explicit TFtdiPortLister(std::string ttyClassDir = "/sys/class/tty", std::string devDir = "/dev/");
    std::vector<TPortCandidate> Candidates() override;

private:
    std::string ttyClassDir_;
    std::string devDir_;
};

// A fixed list of device paths, each listed under its own path (pseudo-
// terminals in tests and demos).
class TFixedPortLister : public TPortLister {
public:
    explicit TFixedPortLister(std::vector<std::string> paths) : paths_(std::move(paths)) {}
    std::vector<TPortCandidate> Candidates() override;

private:
    std::vector<std::string> paths_;
};

// Opens, locks and closes each candidate and adds those that worked to the
// list (which keeps its entries sorted); then shows the last entry, or
// "No Device Availiable!" when the list is empty. Removes nothing.
void ListVcpPorts(TPortListBox& portList, TPortLister& lister);

// The list box text when no port could be listed.
extern const char* const kNoDeviceText;
