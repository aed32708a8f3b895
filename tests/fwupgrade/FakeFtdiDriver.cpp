// A stand-in for the FTDI USB chip: a device list, steps that can be made to
// fail, the bytes written, and an input queue that a device emulator fills.
#include "FakeFtdiDriver.h"

#include <algorithm>

bool TFakeFtdiDriver::Step(const std::string& name)
{
    Calls.push_back(name);
    return FailingSteps.count(name) == 0;
}

std::size_t TFakeFtdiDriver::WrittenBytes() const
{
    std::size_t total = 0;
    for (const auto& w : Writes)
        total += w.size();
    return total;
}

bool TFakeFtdiDriver::ListDevices(std::vector<TFtdiDeviceInfo>& devices)
{
    Calls.push_back("ListDevices");
    devices = ListFails ? std::vector<TFtdiDeviceInfo>{} : Devices;
    return !ListFails;
}

bool TFakeFtdiDriver::Open(const TFtdiDeviceInfo& device, int port)
{
    if (!Step("Open")) return false;
    // As on a real bus, a port that another program holds does not open.
    const auto it = std::find_if(Devices.begin(), Devices.end(), [&](const TFtdiDeviceInfo& d) {
        return d.Serial == device.Serial && d.Bus == device.Bus && d.Address == device.Address;
    });
    if (it == Devices.end() || port < 0 || static_cast<std::size_t>(port) >= it->PortFree.size()
        || !it->PortFree[static_cast<std::size_t>(port)])
        return false;
    IsOpen = true;
    OpenSerial = device.Serial;
    OpenInterface = port;
    Rts = Dtr = true;
    return true;
}

bool TFakeFtdiDriver::SetLineSettings(int baudRate)
{
    BaudRate = baudRate;
    return Step("SetLineSettings");
}

bool TFakeFtdiDriver::PurgeAll()
{
    Input.clear();
    return Step("PurgeAll");
}

bool TFakeFtdiDriver::PurgeInput()
{
    Input.clear();
    return Step("PurgeInput");
}

int TFakeFtdiDriver::Write(const std::uint8_t* data, int length)
{
    if (!IsOpen) return -1;
    Writes.emplace_back(data, data + length);
    if (OnWrite) OnWrite(Writes.back());
    return length;
}

int TFakeFtdiDriver::Read(std::uint8_t* buffer, int maxBytes)
{
    if (!IsOpen) return -1;
    ++ReadCalls;
    if (Input.empty() && OnReadEmpty) OnReadEmpty();
    const int n = std::min({maxBytes, kUsbPacketPayload, static_cast<int>(Input.size())});
    std::copy_n(Input.begin(), n, buffer);
    Input.erase(Input.begin(), Input.begin() + n);
    return n;
}

void TFakeFtdiDriver::ClearRtsDtr()
{
    Calls.push_back("ClearRtsDtr");
    Rts = Dtr = false;
}

void TFakeFtdiDriver::Close()
{
    Calls.push_back("Close");
    IsOpen = false;
    OpenSerial.clear();
    OpenInterface = -1;
}
