// A stand-in for the FTDI USB chips on the bus: a device list (with ports that
// another program may hold), steps that can be made to fail, the bytes
// written, and an input queue that a device emulator fills.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "fwupgrade/FTDI2xxFwUpCy.h"

class TFakeFtdiDriver final : public TFtdiDriver {
public:
    static constexpr int kUsbPacketPayload = 62; // one full-speed packet less the status bytes

    std::vector<TFtdiDeviceInfo> Devices;
    bool ListFails = false;
    std::set<std::string> FailingSteps; // "Open", "SetupBuffers", "SetTimeouts", ...
    std::vector<std::string> Calls;
    std::string OpenSerial;
    int OpenInterface = -1; // 0 = interface A
    bool IsOpen = false;
    bool Rts = true;
    bool Dtr = true;
    int BaudRate = 0;
    std::deque<std::uint8_t> Input;
    std::vector<std::vector<std::uint8_t>> Writes;
    int ReadCalls = 0;
    // The device side: sees every write, and may answer when a read finds nothing.
    std::function<void(const std::vector<std::uint8_t>&)> OnWrite;
    std::function<void()> OnReadEmpty;

    void PushInput(const std::vector<std::uint8_t>& bytes) { Input.insert(Input.end(), bytes.begin(), bytes.end()); }
    std::size_t WrittenBytes() const;

    bool ListDevices(std::vector<TFtdiDeviceInfo>& devices) override;
    bool Open(const TFtdiDeviceInfo& device, int port) override;
    bool SetupBuffers() override { return Step("SetupBuffers"); }
    bool SetTimeouts() override { return Step("SetTimeouts"); }
    bool ReadLineState() override { return Step("ReadLineState"); }
    bool SetLineSettings(int baudRate) override;
    bool PurgeAll() override;
    bool PurgeInput() override;
    int Write(const std::uint8_t* data, int length) override;
    int Read(std::uint8_t* buffer, int maxBytes) override;
    void ClearRtsDtr() override;
    void Close() override;

private:
    bool Step(const std::string& name);
};
