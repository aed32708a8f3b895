// FTDI2xxFwUpCy: the upgrade tool's link to one programmer unit over its FTDI
// USB chip: listing by serial number, open and close, frames out, bytes in.
#include "fwupgrade/FTDI2xxFwUpCy.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <ftdi.h>
#include <libusb.h>

#include "fwupgrade/DefinFwUgCy.h"

namespace {

constexpr std::uint8_t kFrameDelimiter = 0xC0;
constexpr std::uint8_t kEscapeByte = 0xDB;
constexpr std::uint8_t kEscapedDelimiter = 0xDC;
constexpr std::uint8_t kEscapedEscape = 0xDD;
constexpr std::uint8_t kTrailerByte = 0xFF;
constexpr std::size_t kTrailerLength = 4;
constexpr std::uint16_t kCrcPolynomial = 0x4A12;

constexpr char kNoDeviceText[] = "无可用的USB设备";

// libftdi waits 5 s per USB call by default; the tool polls every 20 ms on the
// GUI thread, so every call is bounded tightly. A read of an idle device ends
// after one latency-timer period: 2 ms instead of the chip's default 16 ms
// keeps a poll short and a reply's tail from waiting in the chip.
constexpr int kUsbReadTimeoutMs = 50;
constexpr int kUsbWriteTimeoutMs = 1000; // a full program frame takes about 45 ms at 1 Mbaud
constexpr unsigned char kLatencyTimerMs = 2;
constexpr unsigned kUsbChunkSize = 4096;
constexpr int kStringLength = 256;
constexpr char kSysClassTty[] = "/sys/class/tty";
constexpr char kDevDir[] = "/dev";
constexpr char kProcDir[] = "/proc";

bool LessNoCase(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

// Reads a string descriptor of an open device; empty when it has none.
std::string UsbString(libusb_device_handle* handle, std::uint8_t index)
{
    if (index == 0) return {};
    unsigned char text[kStringLength] = {};
    const int n = libusb_get_string_descriptor_ascii(handle, index, text, sizeof text);
    return n > 0 ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(n)) : std::string();
}

// The chip's ports: one per interface, true where the interface is the
// vendor-specific kind that carries a UART. An interface of another class (the
// HID interface of an FT260, say) belongs to another driver and never counts
// as free.
std::vector<bool> UartInterfaces(libusb_device* dev)
{
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(dev, &config) != 0 && libusb_get_config_descriptor(dev, 0, &config) != 0)
        return {};
    const int count = std::min<int>(config->bNumInterfaces, kFtdiMaxPorts);
    std::vector<bool> ports(static_cast<std::size_t>(count), false);
    for (int i = 0; i < config->bNumInterfaces; ++i) {
        const libusb_interface& iface = config->interface[i];
        if (iface.num_altsetting < 1) continue;
        const int number = iface.altsetting[0].bInterfaceNumber;
        if (number < count) ports[static_cast<std::size_t>(number)] = iface.altsetting[0].bInterfaceClass == LIBUSB_CLASS_VENDOR_SPEC;
    }
    libusb_free_config_descriptor(config);
    return ports;
}

// Whether a port can be taken now without taking it from anyone. Nothing is
// detached and no request reaches the chip: with the serial driver bound, the
// port is free when no process has its tty open; with no driver bound, when
// the interface can be claimed (another libusb program holding it makes the
// claim fail), and the claim is given back at once. Any other kernel driver
// is left alone.
bool PortIsFree(libusb_device_handle* handle, int bus, int address, int port, bool& kernelDriver)
{
    const int driver = libusb_kernel_driver_active(handle, port);
    kernelDriver = driver == 1;
    if (driver == 1) {
        const std::vector<std::string> ttys = FtdiTtyNodes(kSysClassTty, kDevDir, bus, address, port);
        return !ttys.empty() && !AnyTtyInUse(ttys, kProcDir);
    }
    if (driver != 0 || libusb_claim_interface(handle, port) != 0) return false;
    libusb_release_interface(handle, port);
    return true;
}

// One FTDI device's strings and ports; false for a device of another vendor
// or one this user may not open. KernelDriver tells, per port, whether a
// kernel driver was bound.
bool InspectDevice(libusb_device* dev, TFtdiDeviceInfo& info, std::vector<bool>& kernelDriver)
{
    libusb_device_descriptor desc{};
    if (libusb_get_device_descriptor(dev, &desc) != 0 || desc.idVendor != kFtdiVendorId) return false;
    const std::vector<bool> uarts = UartInterfaces(dev);
    if (uarts.empty()) return false;
    libusb_device_handle* handle = nullptr;
    if (libusb_open(dev, &handle) != 0) return false; // no access, or unplugged meanwhile
    info.ProductId = desc.idProduct;
    info.Bus = libusb_get_bus_number(dev);
    info.Address = libusb_get_device_address(dev);
    info.Serial = UsbString(handle, desc.iSerialNumber);
    info.Description = UsbString(handle, desc.iProduct);
    info.PortFree.assign(uarts.size(), false);
    kernelDriver.assign(uarts.size(), false);
    for (std::size_t port = 0; port < uarts.size(); ++port) {
        bool bound = false;
        info.PortFree[port] = uarts[port] && PortIsFree(handle, info.Bus, info.Address, static_cast<int>(port), bound);
        kernelDriver[port] = bound;
    }
    libusb_close(handle);
    return true;
}

// The production driver over libftdi1 and libusb. The bus is listed through
// libusb itself: libftdi's own search knows only its default product ids, and
// the units may carry a custom one. Each port is opened through libftdi on
// its own interface, so the other ports of the chip stay with whoever has them.
class TLibFtdiDriver final : public TFtdiDriver {
public:
    ~TLibFtdiDriver() override { Close(); }

    bool ListDevices(std::vector<TFtdiDeviceInfo>& devices) override
    {
        devices.clear();
        libusb_context* usb = nullptr;
        if (libusb_init(&usb) != 0) return false;
        libusb_device** list = nullptr;
        const ssize_t count = libusb_get_device_list(usb, &list);
        for (ssize_t i = 0; i < count; ++i) {
            TFtdiDeviceInfo info;
            std::vector<bool> kernelDriver;
            if (InspectDevice(list[i], info, kernelDriver)) devices.push_back(std::move(info));
        }
        if (count >= 0) libusb_free_device_list(list, 1);
        libusb_exit(usb);
        return count >= 0;
    }

    bool Open(const TFtdiDeviceInfo& device, int port) override
    {
        Close();
        // An empty serial would match any blank device; chips have ports A to D only.
        if (device.Serial.empty() || port < 0 || port >= kFtdiMaxPorts) return false;
        ctx_ = ftdi_new();
        if (!ctx_) return false;
        bool opened = false;
        libusb_device** list = nullptr;
        ssize_t count = -1;
        if (ftdi_set_interface(ctx_, static_cast<ftdi_interface>(INTERFACE_A + port)) == 0) {
            // The serial driver gets the port back when the tool closes it, so /dev/ttyUSB* returns.
            ctx_->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
            count = libusb_get_device_list(ctx_->usb_ctx, &list);
        }
        for (ssize_t i = 0; i < count; ++i) {
            libusb_device* dev = list[i];
            if (libusb_get_bus_number(dev) != device.Bus || libusb_get_device_address(dev) != device.Address)
                continue;
            // Asked again right before the open: the port may have been taken since it was listed.
            TFtdiDeviceInfo now;
            std::vector<bool> kernelDriver;
            const auto p = static_cast<std::size_t>(port);
            if (InspectDevice(dev, now, kernelDriver) && now.Serial == device.Serial && p < now.PortFree.size()
                && now.PortFree[p]) {
                opened = ftdi_usb_open_dev(ctx_, dev) >= 0;
                if (!opened && kernelDriver[p]) GiveBackKernelDriver(dev, port);
            }
            break;
        }
        if (count >= 0) libusb_free_device_list(list, 1);
        if (!opened) {
            ftdi_free(ctx_);
            ctx_ = nullptr;
        }
        open_ = opened;
        return opened;
    }

    bool SetupBuffers() override
    {
        return open_ && ftdi_read_data_set_chunksize(ctx_, kUsbChunkSize) >= 0
            && ftdi_write_data_set_chunksize(ctx_, kUsbChunkSize) >= 0;
    }

    bool SetTimeouts() override
    {
        if (!open_) return false;
        ctx_->usb_read_timeout = kUsbReadTimeoutMs;
        ctx_->usb_write_timeout = kUsbWriteTimeoutMs;
        return ftdi_set_latency_timer(ctx_, kLatencyTimerMs) >= 0;
    }

    bool ReadLineState() override
    {
        unsigned short status = 0;
        return open_ && ftdi_poll_modem_status(ctx_, &status) >= 0;
    }

    bool SetLineSettings(int baudRate) override
    {
        return open_ && ftdi_set_baudrate(ctx_, baudRate) >= 0
            && ftdi_set_line_property(ctx_, BITS_8, STOP_BIT_2, NONE) >= 0
            && ftdi_setflowctrl(ctx_, SIO_DISABLE_FLOW_CTRL) >= 0;
    }

    bool PurgeAll() override { return open_ && ftdi_tcioflush(ctx_) >= 0; }
    bool PurgeInput() override { return open_ && ftdi_tciflush(ctx_) >= 0; }

    int Write(const std::uint8_t* data, int length) override
    {
        return open_ ? ftdi_write_data(ctx_, data, length) : -1;
    }

    int Read(std::uint8_t* buffer, int maxBytes) override
    {
        return open_ ? ftdi_read_data(ctx_, buffer, maxBytes) : -1;
    }

    void ClearRtsDtr() override
    {
        if (!open_) return;
        ftdi_setrts(ctx_, 0);
        ftdi_setdtr(ctx_, 0);
    }

    void Close() override
    {
        if (!ctx_) return;
        if (open_) ftdi_usb_close(ctx_); // releases the interface: the serial driver is attached again
        ftdi_free(ctx_);
        ctx_ = nullptr;
        open_ = false;
    }

private:
    // An open that fails after the claim closes the device without releasing
    // the interface, which would leave the port without its serial driver
    // (and its tty) until the unit is plugged in again.
    static void GiveBackKernelDriver(libusb_device* dev, int port)
    {
        libusb_device_handle* handle = nullptr;
        if (libusb_open(dev, &handle) != 0) return;
        if (libusb_kernel_driver_active(handle, port) == 0) libusb_attach_kernel_driver(handle, port);
        libusb_close(handle);
    }

    ftdi_context* ctx_ = nullptr;
    bool open_ = false;
};

} // namespace

std::vector<std::string> FtdiTtyNodes(const std::string& ttyClassDir, const std::string& devDir, int bus,
                                      int address, int interfaceNumber)
{
    namespace fs = std::filesystem;
    std::vector<std::string> nodes;
    auto readNumber = [](const fs::path& file, bool hex) {
        std::ifstream in(file);
        int value = -1;
        in >> (hex ? std::hex : std::dec) >> value;
        return in ? value : -1;
    };
    std::error_code ec;
    for (fs::directory_iterator it(ttyClassDir, ec), end; !ec && it != end; it.increment(ec)) {
        // tty/<name>/device is the serial port, its parent the USB interface
        // with its number (in hexadecimal), and that one's parent the USB
        // device with its bus and address.
        std::error_code pathEc;
        const fs::path port = fs::canonical(it->path() / "device", pathEc);
        if (pathEc) continue;
        const fs::path usbInterface = port.parent_path();
        const fs::path usbDevice = usbInterface.parent_path();
        if (readNumber(usbDevice / "busnum", false) == bus && readNumber(usbDevice / "devnum", false) == address
            && readNumber(usbInterface / "bInterfaceNumber", true) == interfaceNumber)
            nodes.push_back((fs::path(devDir) / it->path().filename()).string());
    }
    std::sort(nodes.begin(), nodes.end());
    return nodes;
}

bool AnyTtyInUse(const std::vector<std::string>& nodes, const std::string& procDir)
{
    // Looked up among the open files of the processes rather than by opening
    // the port, which would raise and drop the unit's DTR and RTS lines.
    namespace fs = std::filesystem;
    if (nodes.empty()) return false;
    std::error_code ec;
    for (fs::directory_iterator proc(procDir, ec), end; !ec && proc != end; proc.increment(ec)) {
        std::error_code fdEc;
        for (fs::directory_iterator fd(proc->path() / "fd", fdEc); !fdEc && fd != end; fd.increment(fdEc)) {
            std::error_code linkEc;
            const std::string target = fs::read_symlink(fd->path(), linkEc).string();
            if (!linkEc && std::find(nodes.begin(), nodes.end(), target) != nodes.end()) return true;
        }
    }
    return false;
}

std::unique_ptr<TFtdiDriver> CreateLibFtdiDriver()
{
    return std::make_unique<TLibFtdiDriver>();
}

void TDeviceBox::Clear()
{
    Items.clear();
    Text.clear();
}

void TDeviceBox::AddSorted(const std::string& item)
{
    Items.insert(std::upper_bound(Items.begin(), Items.end(), item, LessNoCase), item);
}

std::uint16_t CalcPacketCrc(const std::uint8_t* buffer, std::size_t count)
{
    std::uint16_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const bool lowBit = value & 1u;
        value = static_cast<std::uint16_t>((value >> 1) ^ buffer[i]);
        if (lowBit) value ^= kCrcPolynomial;
    }
    return value;
}

std::size_t EncodeFwFrame(const std::uint8_t* packet, std::size_t length, std::uint8_t* frame,
                          std::size_t capacity)
{
    std::size_t pos = 0;
    auto put = [&](std::uint8_t b) {
        if (pos < capacity) frame[pos] = b;
        ++pos;
    };
    put(kFrameDelimiter);
    for (std::size_t i = 0; i < length; ++i) {
        if (packet[i] == kFrameDelimiter) {
            put(kEscapeByte);
            put(kEscapedDelimiter);
        } else if (packet[i] == kEscapeByte) {
            put(kEscapeByte);
            put(kEscapedEscape);
        } else {
            put(packet[i]);
        }
    }
    put(kFrameDelimiter);
    for (std::size_t i = 0; i < kTrailerLength; ++i)
        put(kTrailerByte);
    return pos <= capacity ? pos : 0;
}

std::uint8_t DecodeFrame(const std::uint8_t* source, std::uint16_t& length, int sourceCount)
{
    int i = 0;
    while (i < sourceCount && source[i] != kFrameDelimiter)
        ++i;
    if (i >= sourceCount - 1) {
        length = 0;
        FwUp.FwPktLen = 0;
        return kResultNoFrame;
    }
    ++i;
    std::uint8_t result = kResultOk;
    std::size_t out = 0;
    auto store = [&](std::uint8_t b) {
        if (out < kFwPktBufSize) FwUp.FwPktBuf[out++] = b;
    };
    bool escaped = false;
    for (; i < sourceCount && source[i] != kFrameDelimiter; ++i) {
        const std::uint8_t b = source[i];
        if (escaped) {
            escaped = false;
            if (b == kEscapedDelimiter) {
                store(kFrameDelimiter);
            } else if (b == kEscapedEscape) {
                store(kEscapeByte);
            } else {
                result = kResultBadEscape; // kept, and decoding goes on
                store(b);
            }
        } else if (b == kEscapeByte) {
            escaped = true;
        } else {
            store(b);
        }
    }
    length = static_cast<std::uint16_t>(out);
    FwUp.FwPktLen = length;
    return result;
}

std::string FtdiPortName(const TFtdiDeviceInfo& device, int port)
{
    if (device.PortFree.size() < 2) return device.Serial;
    return device.Serial + static_cast<char>('A' + port);
}

void TFtdiLink::ListFtdiDevices(TDeviceBox& box)
{
    // Only ports that can be opened now are listed, so the first entry, which
    // the tool opens at start, is never one that another program holds.
    std::vector<TFtdiDeviceInfo> devices;
    if (driver_.ListDevices(devices)) {
        for (const auto& d : devices) {
            if (d.Serial.empty()) continue;
            for (std::size_t port = 0; port < d.PortFree.size(); ++port)
                if (d.PortFree[port]) box.AddSorted(FtdiPortName(d, static_cast<int>(port)));
        }
    }
    box.Text = box.Items.empty() ? kNoDeviceText : box.Items.front();
}

bool TFtdiLink::OpenByName(const std::string& name)
{
    std::vector<TFtdiDeviceInfo> devices;
    if (name.empty() || !driver_.ListDevices(devices)) return false;
    for (const auto& d : devices) {
        if (d.Serial.empty()) continue;
        for (std::size_t port = 0; port < d.PortFree.size(); ++port)
            if (FtdiPortName(d, static_cast<int>(port)) == name) return driver_.Open(d, static_cast<int>(port));
    }
    return false;
}

std::uint8_t TFtdiLink::RefreshDeviceList(TDeviceBox& box)
{
    ClosePort();
    box.Clear();
    ListFtdiDevices(box);
    FwUp.DevSerial = box.Items.empty() ? std::string() : box.Items.front();
    return OpenPort(FwUp.DevSerial);
}

std::uint8_t TFtdiLink::OpenPort(const std::string& serial)
{
    ClosePort();
    if (!OpenByName(serial)) {
        FwUp.FtHandle = 0;
        return kResultCannotOpen;
    }
    FwUp.FtHandle = 1;
    rxLen_ = 0;
    std::uint8_t result = kResultOk;
    if (!driver_.SetupBuffers() || !driver_.SetTimeouts())
        result = kResultSetupFailed;
    else if (!driver_.ReadLineState())
        result = kResultLineState;
    else if (!driver_.SetLineSettings(kBaudRate))
        result = kResultSetupFailed;
    else if (!driver_.PurgeAll())
        result = kResultPurgeFailed;
    if (result != kResultOk) ClosePort();
    return result;
}

void TFtdiLink::ClosePort()
{
    if (FwUp.FtHandle == 0) return;
    DiscardInput(true);
    driver_.ClearRtsDtr();
    driver_.Close();
    FwUp.FtHandle = 0;
}

void TFtdiLink::DiscardInput(bool bothDirections)
{
    if (bothDirections)
        driver_.PurgeAll();
    else
        driver_.PurgeInput();
    rxLen_ = 0;
}

bool TFtdiLink::SendFrame(const std::uint8_t* packet, std::uint16_t length)
{
    const std::size_t frameLen = EncodeFwFrame(packet, length, FwUp.FwFrameBuf, kFwFrameBufSize);
    if (frameLen == 0 || FwUp.FtHandle == 0) return false;
    // Input not yet read belongs to an earlier request: drop it before this one.
    DiscardInput(true);
    return driver_.Write(FwUp.FwFrameBuf, static_cast<int>(frameLen)) == static_cast<int>(frameLen);
}

std::size_t TFtdiLink::BytesWaiting()
{
    if (FwUp.FtHandle == 0) return 0;
    while (rxLen_ < kRxQueueSize) {
        const int n = driver_.Read(rx_ + rxLen_, static_cast<int>(kRxQueueSize - rxLen_));
        if (n <= 0) break;
        rxLen_ += static_cast<std::size_t>(n);
    }
    return rxLen_;
}

void TFtdiLink::ReadReply(std::uint16_t& count, std::uint8_t* buffer, std::size_t capacity)
{
    const std::size_t waiting = BytesWaiting();
    if (waiting < count || waiting == 0) {
        count = 0;
        return;
    }
    const std::size_t n = std::min(waiting, capacity);
    std::memcpy(buffer, rx_, n);
    DiscardInput(false);
    count = static_cast<std::uint16_t>(n);
}
