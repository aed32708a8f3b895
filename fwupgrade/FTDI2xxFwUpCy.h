// FTDI2xxFwUpCy: the upgrade tool's link to one programmer unit over its FTDI
// USB chip: listing by serial number, open and close, frames out, bytes in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

constexpr std::uint16_t kFtdiVendorId = 0x0403;
constexpr int kFtdiMaxPorts = 4; // interfaces A to D of the largest chips

// One FTDI USB device as the bus shows it, with one entry per port (USB
// interface A, B, ...) of the chip: whether that port can be opened now.
struct TFtdiDeviceInfo {
    std::string Serial;               // the device's USB serial-number string
    std::string Description;
    std::vector<bool> PortFree{true}; // false: another program holds the port
    std::uint16_t ProductId = 0;
    int Bus = 0;                      // where it sat on the bus when listed
    int Address = 0;
};

// The name a port is listed and chosen by: the serial number, followed on
// chips with more than one port by the port's letter ("...A", "...B").
std::string FtdiPortName(const TFtdiDeviceInfo& device, int port);

// The USB side of the link, one call per step the link takes. One production
// implementation over libftdi1 and libusb (CreateLibFtdiDriver), one fake in the tests.
class TFtdiDriver {
public:
    virtual ~TFtdiDriver() = default;
    // Every device of vendor kFtdiVendorId, whatever its product id; false
    // when the bus cannot be listed.
    virtual bool ListDevices(std::vector<TFtdiDeviceInfo>& devices) = 0;
    // Opens port Port (0 = interface A) of a device that ListDevices gave.
    virtual bool Open(const TFtdiDeviceInfo& device, int port) = 0;
    virtual bool SetupBuffers() = 0;
    virtual bool SetTimeouts() = 0;
    virtual bool ReadLineState() = 0;
    virtual bool SetLineSettings(int baudRate) = 0; // 8 data bits, no parity, 2 stop bits, no flow control
    virtual bool PurgeAll() = 0;
    virtual bool PurgeInput() = 0;
    // Bytes written, or a negative value on failure.
    virtual int Write(const std::uint8_t* data, int length) = 0;
    // Bytes that have arrived, at most MaxBytes; 0 when none, negative on failure.
    virtual int Read(std::uint8_t* buffer, int maxBytes) = 0;
    virtual void ClearRtsDtr() = 0;
    virtual void Close() = 0;
};

std::unique_ptr<TFtdiDriver> CreateLibFtdiDriver();

// The tty nodes (under DevDir) that the kernel's serial driver gives interface
// InterfaceNumber of the USB device at Bus and Address, found through the tty
// class folder of sysfs.
std::vector<std::string> FtdiTtyNodes(const std::string& ttyClassDir, const std::string& devDir, int bus,
                                      int address, int interfaceNumber);
// True when a process (under ProcDir) has one of these ports open. The port
// then is neither listed nor opened: detaching the kernel driver would take it
// from the programmer application or whatever else holds it.
bool AnyTtyInUse(const std::vector<std::string>& nodes, const std::string& procDir);

// The device combo box's contents: a sorted list (case-insensitive) and a text.
struct TDeviceBox {
    std::vector<std::string> Items;
    std::string Text;
    void Clear();
    void AddSorted(const std::string& item);
};

// The frame decoder's result: 0, kResultNoFrame or kResultBadEscape. The packet
// goes to FwUp.FwPktBuf (bounded by its size), its length to Length and FwUp.FwPktLen.
std::uint8_t DecodeFrame(const std::uint8_t* source, std::uint16_t& length, int sourceCount);

// The check value over Buffer[0] to Buffer[Count - 1].
std::uint16_t CalcPacketCrc(const std::uint8_t* buffer, std::size_t count);

// Frames a packet for the device: delimiters, escapes, four trailer bytes.
// Returns the frame length, or 0 when it would not fit in Capacity.
std::size_t EncodeFwFrame(const std::uint8_t* packet, std::size_t length, std::uint8_t* frame,
                          std::size_t capacity);

class TFtdiLink {
public:
    static constexpr int kBaudRate = 1000000;
    // Our own receive queue: what the device has sent and no request has taken yet.
    static constexpr std::size_t kRxQueueSize = 4096;

    explicit TFtdiLink(TFtdiDriver& driver) : driver_(driver) {}

    void ListFtdiDevices(TDeviceBox& box);
    std::uint8_t RefreshDeviceList(TDeviceBox& box);
    std::uint8_t OpenPort(const std::string& serial);
    void ClosePort();
    bool SendFrame(const std::uint8_t* packet, std::uint16_t length);
    // Reads when at least Count bytes are waiting, at most Capacity; Count
    // becomes the number read, or 0.
    void ReadReply(std::uint16_t& count, std::uint8_t* buffer, std::size_t capacity);
    // Bytes waiting: our queue topped up from the driver.
    std::size_t BytesWaiting();

private:
    void DiscardInput(bool bothDirections);
    // Finds the port listed under Name on the bus as it is now and opens it.
    bool OpenByName(const std::string& name);

    TFtdiDriver& driver_;
    std::uint8_t rx_[kRxQueueSize] = {};
    std::size_t rxLen_ = 0;
};
