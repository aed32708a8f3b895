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

// The production driver over libftdi1. Listing uses one context and reads the
// strings with a second one, because reading the strings closes whatever the
// reading context has open. The matched device is opened on the listing
// context with ftdi_usb_open_dev, so every FTDI product the list holds (FT232R,
// FT2232, FT4232, FT232H, FT230X) is reachable.
class TLibFtdiDriver final : public TFtdiDriver {
public:
    ~TLibFtdiDriver() override { Close(); }

    bool ListDevices(std::vector<TFtdiDeviceInfo>& devices) override
    {
        devices.clear();
        ftdi_context* listCtx = ftdi_new();
        ftdi_context* stringCtx = ftdi_new();
        bool ok = listCtx && stringCtx;
        ftdi_device_list* list = nullptr;
        if (ok && ftdi_usb_find_all(listCtx, &list, 0, 0) < 0)
            ok = false;
        for (ftdi_device_list* it = list; ok && it; it = it->next) {
            TFtdiDeviceInfo info;
            if (ReadStrings(stringCtx, it->dev, info))
                devices.push_back(info);
        }
        if (list) ftdi_list_free(&list);
        if (stringCtx) ftdi_free(stringCtx);
        if (listCtx) ftdi_free(listCtx);
        return ok;
    }

    bool Open(const std::string& serial) override
    {
        Close();
        if (serial.empty()) return false; // an empty serial would match the first device
        ctx_ = ftdi_new();
        ftdi_context* stringCtx = ftdi_new();
        if (!ctx_ || !stringCtx) {
            if (stringCtx) ftdi_free(stringCtx);
            Close();
            return false;
        }
        // Give ftdi_sio the device back at close, so /dev/ttyUSB* returns.
        ctx_->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
        bool opened = false;
        ftdi_device_list* list = nullptr;
        if (ftdi_usb_find_all(ctx_, &list, 0, 0) >= 0) {
            for (ftdi_device_list* it = list; it; it = it->next) {
                TFtdiDeviceInfo info;
                if (ReadStrings(stringCtx, it->dev, info) && info.Serial == serial) {
                    // Detaching ftdi_sio would take the port from a program that has it open.
                    const std::vector<std::string> ttys = FtdiTtyNodes(
                        kSysClassTty, kDevDir, libusb_get_bus_number(it->dev), libusb_get_device_address(it->dev));
                    opened = !AnyTtyInUse(ttys, kProcDir) && ftdi_usb_open_dev(ctx_, it->dev) >= 0;
                    break;
                }
            }
        }
        if (list) ftdi_list_free(&list);
        ftdi_free(stringCtx);
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
        if (open_) ftdi_usb_close(ctx_);
        ftdi_free(ctx_);
        ctx_ = nullptr;
        open_ = false;
    }

private:
    // Only the serial number decides: a unit whose EEPROM has no manufacturer
    // or product string is still listed and opened (asking libftdi for a
    // missing string fails the whole call).
    static bool ReadStrings(ftdi_context* ctx, libusb_device* dev, TFtdiDeviceInfo& info)
    {
        char description[kStringLength] = {};
        char serial[kStringLength] = {};
        if (ftdi_usb_get_strings(ctx, dev, nullptr, 0, description, kStringLength, serial, kStringLength) < 0) {
            description[0] = '\0';
            if (ftdi_usb_get_strings(ctx, dev, nullptr, 0, nullptr, 0, serial, kStringLength) < 0) return false;
        }
        info.Serial = serial;
        info.Description = description;
        return true;
    }

    ftdi_context* ctx_ = nullptr;
    bool open_ = false;
};

} // namespace

std::vector<std::string> FtdiTtyNodes(const std::string& ttyClassDir, const std::string& devDir, int bus,
                                      int address)
{
    namespace fs = std::filesystem;
    std::vector<std::string> nodes;
    auto readNumber = [](const fs::path& file) {
        std::ifstream in(file);
        int value = -1;
        in >> value;
        return in ? value : -1;
    };
    std::error_code ec;
    for (fs::directory_iterator it(ttyClassDir, ec), end; !ec && it != end; it.increment(ec)) {
        // tty/<name>/device is the serial port, its parent the USB interface,
        // and that one's parent the USB device with its bus and address.
        std::error_code pathEc;
        const fs::path port = fs::canonical(it->path() / "device", pathEc);
        if (pathEc) continue;
        const fs::path usbDevice = port.parent_path().parent_path();
        if (readNumber(usbDevice / "busnum") == bus && readNumber(usbDevice / "devnum") == address)
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

void TFtdiLink::ListFtdiDevices(TDeviceBox& box)
{
    std::vector<TFtdiDeviceInfo> devices;
    if (driver_.ListDevices(devices)) {
        for (const auto& d : devices)
            if (!d.Serial.empty()) box.AddSorted(d.Serial);
    }
    box.Text = box.Items.empty() ? kNoDeviceText : box.Items.front();
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
    if (!driver_.Open(serial)) {
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
