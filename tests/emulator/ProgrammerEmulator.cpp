// ProgrammerEmulator: one programmer unit on the master side of a
// pseudo-terminal, served by its own thread, for end-to-end tests and demos.
#include "emulator/ProgrammerEmulator.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace emu {
namespace {

constexpr std::size_t kReadChunk = 4096;
constexpr int kWritePollMs = 50;
constexpr int kWriteGiveUpMs = 3000;
constexpr std::uint8_t kHeaderMarker = 0x10;
constexpr std::size_t kPsoc6Family = 0xD8;
constexpr std::size_t kConfigBlockBytes = 512;
constexpr std::size_t kConfigCrcAt = 508;
constexpr std::uint8_t kSeedMask0 = 0x3B;
constexpr std::uint8_t kSeedMask1 = 0x6D;
constexpr std::uint8_t kMaskHighBit = 0x80;
constexpr std::uint8_t kStatusBadCrc = 35;
constexpr std::uint8_t kStatusUnknownCommand = 37;
constexpr std::uint8_t kStatusOutOfRange = 85;
constexpr std::size_t kIdNameOffset = 25;
constexpr std::size_t kIdVersionOffset = 47;
constexpr std::size_t kIdRecordBytes = 40;
constexpr std::uint8_t kEscapeGarbage = 0x41;
// Places of the two SFlash parts in the unit's memories.
struct TSpan {
    std::size_t at, len;
};
constexpr TSpan kSFlashFirst[] = {{0x0800, 2048}, {0x1A00, 2048}};
constexpr TSpan kSFlashSecond[] = {{0x5A00, 3072}, {0x7C00, 1024}};
constexpr TSpan kSFlashReadFirst[] = {{0x0800, 2048}, {0x1A00, 1024}};

std::uint16_t Le16(const Bytes& p, std::size_t at)
{
    return at + 1 < p.size() ? static_cast<std::uint16_t>(p[at] | (p[at + 1] << 8)) : 0;
}
void Put32(Bytes& p, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
Bytes Slice(const std::vector<std::uint8_t>& mem, std::size_t at, std::size_t len)
{
    if (at >= mem.size()) return Bytes(len, 0);
    const std::size_t n = std::min(len, mem.size() - at);
    Bytes out(mem.begin() + at, mem.begin() + at + n);
    out.resize(len, 0);
    return out;
}
void Store(std::vector<std::uint8_t>& mem, std::size_t at, const Bytes& src, std::size_t from,
           std::size_t len)
{
    for (std::size_t i = 0; i < len && at + i < mem.size() && from + i < src.size(); ++i)
        mem[at + i] = src[from + i];
}

}  // namespace

TProgrammerEmulator::TProgrammerEmulator(TEmulatorConfig config)
    : config_(std::move(config)),
      chipFlash_(kEmuFlashSize, 0),
      chipEep_(kEmuSideSize, 0),
      chipWFlash_(kEmuSideSize, 0),
      chipSecurity_(kEmuSecuritySize, 0),
      storeFlash_(kEmuFlashSize, 0),
      storeSide_(kEmuSideSize, 0),
      storeSFlash_(kEmuSideSize, 0)
{
    char name[128] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
        throw std::runtime_error(std::string("openpty: ") + std::strerror(errno));
    termios tio{};
    tcgetattr(slave_, &tio);
    cfmakeraw(&tio);
    tcsetattr(slave_, TCSANOW, &tio);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    path_ = name;
    if (pipe(wake_) != 0) throw std::runtime_error("pipe");
    thread_ = std::thread([this] { Run(); });
}

TProgrammerEmulator::~TProgrammerEmulator()
{
    {
        std::lock_guard<std::mutex> lk(mu_);
        stop_ = true;
    }
    const char c = 's';
    (void)!write(wake_[1], &c, 1);
    thread_.join();
    CloseMaster();
    close(wake_[0]);
    close(wake_[1]);
}

void TProgrammerEmulator::AddFault(const TFaultRule& rule)
{
    std::lock_guard<std::mutex> lk(mu_);
    faults_.push_back(rule);
    faultSeen_.push_back(0);
}

void TProgrammerEmulator::SetConfig(const TEmulatorConfig& config)
{
    std::lock_guard<std::mutex> lk(mu_);
    config_ = config;
}

void TProgrammerEmulator::Run()
{
    std::uint8_t buf[kReadChunk];
    for (;;) {
        pollfd fds[2] = {{wake_[0], POLLIN, 0}, {-1, POLLIN, 0}};
        fds[1].fd = master_;
        poll(fds, master_ >= 0 ? 2 : 1, -1);
        if (fds[0].revents & POLLIN) {
            char drain[16];
            (void)!read(wake_[0], drain, sizeof drain);
            std::unique_lock<std::mutex> lk(mu_);
            if (stop_) return;
            if (disconnectRequested_) {
                lk.unlock();
                CloseMaster();
                continue;
            }
        }
        if (master_ < 0 || !(fds[1].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        const ssize_t n = read(master_, buf, sizeof buf);
        if (n <= 0) {
            if (n < 0 && errno == EAGAIN) continue;
            usleep(1000);  // no peer at the moment
            continue;
        }
        const Clock::time_point t = Clock::now();
        for (ssize_t i = 0; i < n && master_ >= 0; ++i) {
            const bool wasIn = parser_.InFrame();
            const TRequestParser::Event ev = parser_.Feed(buf[i]);
            if (!wasIn && parser_.InFrame()) frameStart_ = t;
            TPlan plan;
            {
                std::lock_guard<std::mutex> lk(mu_);
                switch (ev) {
                case TRequestParser::Event::Packet:
                    OnPacket(parser_.packet(), frameStart_, plan);
                    break;
                case TRequestParser::Event::BadEscape:
                    errors_.push_back("bad escape in a request");
                    break;
                case TRequestParser::Event::BadTrailer:
                    errors_.push_back("request trailer shorter than five bytes");
                    break;
                case TRequestParser::Event::Noise:
                    errors_.push_back("noise between requests");
                    break;
                case TRequestParser::Event::None:
                    break;
                }
            }
            if (!plan.bytes.empty() || plan.disconnectAfter >= 0) Execute(plan);
        }
    }
}

void TProgrammerEmulator::OnPacket(const Bytes& p, Clock::time_point t, TPlan& plan)
{
    TRequest req;
    req.packet = p;
    req.firstByte = t;
    const std::string where = "request #" + std::to_string(requests_.size() + 1);
    const bool identify = p.size() == 3 && p[0] == 0xA3 && p[1] == 0xA5 && p[2] == 0x35;
    bool crcOk = true;
    if (identify) {
        req.code = kCmdIdentify;
    } else if (p.size() < kHeaderBytes + 2) {
        errors_.push_back(where + ": packet of " + std::to_string(p.size()) + " bytes");
        requests_.push_back(req);
        cv_.notify_all();
        return;
    } else {
        req.code = p[0];
        req.arg = Le16(p, 1);
        req.family = p[4];
        req.chipIndex = p[5];
        req.length = Le16(p, 6);
        if (req.code != kCmdRestx && p[3] != kHeaderMarker)
            errors_.push_back(where + ": header byte 3 is not 0x10");
        if (static_cast<std::size_t>(req.length) + kHeaderBytes + 2 != p.size())
            errors_.push_back(where + ": length field " + std::to_string(req.length) +
                              " for a packet of " + std::to_string(p.size()) + " bytes");
        const std::uint16_t crc = Crc16(p.data(), p.size() - 2);
        crcOk = crc == Le16(p, p.size() - 2);
        if (!crcOk) errors_.push_back(where + ": wrong check value");
    }
    requests_.push_back(req);
    cv_.notify_all();

    const TFaultRule* rule = MatchFault(req);
    if (rule) {
        const TFault& f = rule->fault;
        switch (f.kind) {
        case TFault::Kind::Status:
            plan.bytes = FrameReply(StatusPacket(req, static_cast<std::uint8_t>(f.Code)));
            return;
        case TFault::Kind::Silence:
            return;
        case TFault::Kind::Report:
            plan.bytes = FrameReply(ReportPacket(static_cast<std::uint8_t>(f.Code), static_cast<std::uint8_t>(f.Count), 0, 0));
            return;
        case TFault::Kind::BadEscape:
            plan.bytes = {kFrameEnd, 1, 2, kFrameEsc, kEscapeGarbage, 3, 4, 5, 6, 7, 8, kFrameEnd};
            return;
        case TFault::Kind::ShortFrame:
            plan.bytes.push_back(kFrameEnd);
            for (int i = 0; i < f.Count; ++i) plan.bytes.push_back(static_cast<std::uint8_t>(i + 1));
            plan.bytes.push_back(kFrameEnd);
            return;
        default:
            break;
        }
    }
    std::uint8_t status = 0;
    bool reply = true;
    Bytes packet;
    if (!crcOk) {
        packet = StatusPacket(req, kStatusBadCrc);
    } else {
        Bytes data = HandleCommand(req, status, reply);
        if (!reply) return;
        if (rule && rule->fault.kind == TFault::Kind::Truncate)
            data.resize(std::min<std::size_t>(data.size(), static_cast<std::size_t>(rule->fault.Count)));
        packet = req.code == kCmdIdentify ? data : (data.empty() && status != 0xFFu)
                                                       ? StatusPacket(req, status)
                                                       : DataPacket(req, data);
    }
    if (rule && rule->fault.kind == TFault::Kind::BadCrc) packet.back() ^= 0x5A;
    plan.bytes = FrameReply(packet);
    if (!rule) return;
    const TFault& f = rule->fault;
    if (f.kind == TFault::Kind::Split) {
        plan.chunk = std::max(1, f.Count);
        plan.gapUs = f.GapUs;
    } else if (f.kind == TFault::Kind::Garbage) {
        Bytes noise;
        for (int i = 0; i < f.Count; ++i) noise.push_back(static_cast<std::uint8_t>(0x11 + (i * 37) % 0xA0));
        plan.bytes.insert(plan.bytes.begin(), noise.begin(), noise.end());
    } else if (f.kind == TFault::Kind::Disconnect) {
        plan.disconnectAfter = std::min<int>(f.Count, static_cast<int>(plan.bytes.size()));
    } else if (f.kind == TFault::Kind::Hold) {
        held_.push_back(std::move(plan));
        plan = TPlan{};
    }
}

const TFaultRule* TProgrammerEmulator::MatchFault(const TRequest& req)
{
    for (std::size_t i = 0; i < faults_.size(); ++i) {
        const TFaultRule& r = faults_[i];
        if (r.code != req.code || (r.arg >= 0 && r.arg != req.arg)) continue;
        if (++faultSeen_[i] == r.nth) return &r;
    }
    return nullptr;
}

// Status 0xFF from a handler means "a data reply, even when empty".
Bytes TProgrammerEmulator::HandleCommand(const TRequest& req, std::uint8_t& status, bool& reply)
{
    const Bytes& p = req.packet;
    const std::size_t pos = static_cast<std::size_t>(req.arg) * 1024u;
    const bool psoc6 = req.family >= kPsoc6Family;
    const std::size_t data = kHeaderBytes + kParamBytes;  // data after the parameter block
    auto inFlash = [&](std::size_t at) { return at + kBlockBytes <= kEmuFlashSize; };
    switch (req.code) {
    case kCmdIdentify:
        if (config_.name.empty()) reply = false;
        return IdentifyReply();
    case kCmdConfig: {
        Bytes clear(p.begin() + kHeaderBytes, p.end() - 2);
        const std::uint8_t m0 = static_cast<std::uint8_t>((p[1] ^ kSeedMask0) | kMaskHighBit);
        const std::uint8_t m1 = static_cast<std::uint8_t>((p[2] ^ kSeedMask1) | kMaskHighBit);
        for (std::size_t i = 0; i < clear.size(); ++i) clear[i] ^= (i % 2 == 0) ? m0 : m1;
        if (clear.size() < 2 * kConfigBlockBytes) {
            errors_.push_back("configuration packet too short");
            return {};
        }
        Bytes first(clear.begin(), clear.begin() + kConfigBlockBytes);
        Bytes second(clear.begin() + kConfigBlockBytes, clear.begin() + 2 * kConfigBlockBytes);
        if (first != second) errors_.push_back("configuration copies differ");
        if (std::memcmp(first.data(), "yCTV", 4) != 0) errors_.push_back("configuration block without yCTV");
        if (Crc16(first.data(), kConfigCrcAt) != Le16(first, kConfigCrcAt))
            errors_.push_back("configuration block check value wrong");
        config_block_ = first;
        return {};
    }
    case kCmdDlFlash:
        if (!inFlash(pos)) break;
        Store(storeFlash_, pos, p, kHeaderBytes, kBlockBytes);
        return {};
    case kCmdDlEccSFlash:
        if (psoc6) {
            StoreSideBlock(storeSFlash_, p, kHeaderBytes, pos);
        } else {
            Store(storeSide_, pos % kEmuSideSize, p, kHeaderBytes, kBlockBytes);
        }
        return {};
    case kCmdDlWFlash:
        Store(storeSide_, pos % kEmuSideSize, p, kHeaderBytes, kBlockBytes);
        return {};
    case kCmdRestx:
        reply = config_.replyToRestx;
        return {};
    case kCmdOp:
        switch (req.arg) {
        case kOpErase:
            std::fill(chipFlash_.begin(), chipFlash_.end(), 0);
            blank_ = true;
            return {};
        case kOpBlank:
            status = blank_ ? 0 : config_.notBlankStatus;
            return {};
        case kOpVerify:
            return {};
        case kOpChipId: {
            status = 0xFF;
            Bytes id(4);
            id[0] = static_cast<std::uint8_t>(config_.chipId1);
            id[1] = static_cast<std::uint8_t>(config_.chipId1 >> 8);
            id[2] = static_cast<std::uint8_t>(config_.chipId2);
            id[3] = static_cast<std::uint8_t>(config_.chipId2 >> 8);
            return id;
        }
        case kOpReadSecurity:
            status = 0xFF;
            return chipSecurity_;
        case kOpWriteSecurity:
            Store(chipSecurity_, 0, p, data, kEmuSecuritySize);
            return {};
        default:
            status = kStatusUnknownCommand;
            return {};
        }
    case kCmdProgFlash:
        if (!inFlash(pos)) break;
        Store(chipFlash_, pos, p, data, kBlockBytes);
        if (req.length == 0x1240) Store(chipWFlash_, (req.arg * 128u) % kEmuSideSize, p, data + kBlockBytes, 512);
        blank_ = false;
        return {};
    case kCmdProgEep:
        if (psoc6) {
            StoreSideBlock(chipEep_, p, data, pos);
        } else {
            Store(chipEep_, pos % kEmuSideSize, p, data, kBlockBytes);
        }
        return {};
    case kCmdProgWFlash:
        Store(chipWFlash_, pos % kEmuSideSize, p, data, kBlockBytes);
        return {};
    case kCmdReadFlash:
        if (!inFlash(pos)) break;
        status = 0xFF;
        return Slice(chipFlash_, pos, kBlockBytes);
    case kCmdReadEep:
        status = 0xFF;
        return ReadSide(chipEep_, pos, psoc6, Le16(p, 70));
    case kCmdReadWFlash:
        status = 0xFF;
        return Slice(chipWFlash_, pos % kEmuSideSize, kBlockBytes);
    default:
        status = kStatusUnknownCommand;
        return {};
    }
    status = kStatusOutOfRange;
    return {};
}

void TProgrammerEmulator::StoreSideBlock(std::vector<std::uint8_t>& mem, const Bytes& pkt,
                                         std::size_t from, std::size_t pos)
{
    const TSpan* spans = pos == 0 ? kSFlashFirst : kSFlashSecond;
    for (int i = 0; i < 2; ++i) {
        Store(mem, spans[i].at, pkt, from, spans[i].len);
        from += spans[i].len;
    }
}

Bytes TProgrammerEmulator::ReadSide(const std::vector<std::uint8_t>& mem, std::size_t pos, bool psoc6,
                                    std::size_t eepSize) const
{
    if (!psoc6) return Slice(mem, 0, eepSize);
    const TSpan* spans = pos == 0 ? kSFlashReadFirst : kSFlashSecond;
    Bytes out = Slice(mem, spans[0].at, spans[0].len);
    const Bytes tail = Slice(mem, spans[1].at, spans[1].len);
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

Bytes TProgrammerEmulator::IdentifyReply() const
{
    const std::string name = config_.name.substr(0, 255);
    const std::size_t n = name.empty() ? 0 : name.size() - 1;
    auto at = [&](std::size_t i) -> std::uint8_t {
        return i < name.size() ? static_cast<std::uint8_t>(name[i]) : 0;
    };
    const std::size_t v0 = kIdVersionOffset - kIdNameOffset;
    int k = 123;
    if (at(v0 + 1) > 0x2E) {
        k = 403;
    } else {
        const int v = at(v0) * 256 + at(v0 + 2);
        k = v > 0x3930 ? 403 : (v >= 0x3730 ? 155 : 123);
    }
    const std::size_t nameEnd = kIdNameOffset + name.size();
    std::size_t high = 0, rec = 0;
    for (high = 0; high < 256; ++high) {
        rec = (n + 256 * high - k + 64) & 0xFFFF;
        if (rec >= nameEnd && rec >= kIdVersionOffset + 3 && rec < 60000) break;
    }
    Bytes p(rec + kIdRecordBytes, 0);
    p[0] = 0xA3;
    p[1] = 0xA5;
    p[2] = 0x35;
    p[3] = static_cast<std::uint8_t>(n);
    p[4] = static_cast<std::uint8_t>(high);
    for (std::size_t i = 0; i < name.size(); ++i) p[kIdNameOffset + i] = static_cast<std::uint8_t>(name[i]);
    const TUnitSettings& s = config_.settings;
    p[rec + 0] = s.SNMode;
    Put32(p, rec + 4, s.SNAddr);
    Put32(p, rec + 8, s.SNInitial);
    p[rec + 16] = s.LimitOn;
    Put32(p, rec + 18, s.Limit);
    Put32(p, rec + 26, s.Programmed);
    Put32(p, rec + 36, s.SNCurrent);
    if (config_.recordOutsidePacket) p.resize(std::max(rec, kIdVersionOffset + 3));
    AppendCrc(p);
    return p;
}

Bytes TProgrammerEmulator::StatusPacket(const TRequest& req, std::uint8_t status) const
{
    Bytes p = {req.code, static_cast<std::uint8_t>(req.arg), static_cast<std::uint8_t>(req.arg >> 8),
               kHeaderMarker, req.family, req.chipIndex, 1, 0, status};
    AppendCrc(p);
    return p;
}

Bytes TProgrammerEmulator::DataPacket(const TRequest& req, const Bytes& data) const
{
    Bytes p = {req.code, static_cast<std::uint8_t>(req.arg), static_cast<std::uint8_t>(req.arg >> 8),
               kHeaderMarker, req.family, req.chipIndex, static_cast<std::uint8_t>(data.size()),
               static_cast<std::uint8_t>(data.size() >> 8)};
    p.insert(p.end(), data.begin(), data.end());
    AppendCrc(p);
    return p;
}

void TProgrammerEmulator::Execute(const TPlan& plan)
{
    const std::size_t total = plan.disconnectAfter >= 0 ? static_cast<std::size_t>(plan.disconnectAfter)
                                                        : plan.bytes.size();
    const std::size_t chunk = plan.chunk > 0 ? static_cast<std::size_t>(plan.chunk) : total;
    for (std::size_t off = 0; off < total; off += chunk) {
        WriteAll(plan.bytes.data() + off, std::min(chunk, total - off));
        if (plan.gapUs > 0 && off + chunk < total) usleep(static_cast<useconds_t>(plan.gapUs));
    }
    {
        std::lock_guard<std::mutex> lk(mu_);
        replyDone_.push_back(Clock::now());
    }
    if (plan.disconnectAfter >= 0) CloseMaster();
}

void TProgrammerEmulator::WriteAll(const std::uint8_t* data, std::size_t len)
{
    std::lock_guard<std::mutex> lk(writeMu_);
    int waited = 0;
    while (len > 0 && master_ >= 0) {
        const ssize_t n = write(master_, data, len);
        if (n > 0) {
            data += n;
            len -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return;
        if (waited >= kWriteGiveUpMs) return;  // nobody reads: drop the rest
        pollfd fd = {master_, POLLOUT, 0};
        poll(&fd, 1, kWritePollMs);
        waited += kWritePollMs;
    }
}

void TProgrammerEmulator::CloseMaster()
{
    std::lock_guard<std::mutex> lk(writeMu_);
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
    master_ = slave_ = -1;
    std::lock_guard<std::mutex> lk2(mu_);
    disconnected_ = true;
    cv_.notify_all();
}

void TProgrammerEmulator::Disconnect()
{
    std::unique_lock<std::mutex> lk(mu_);
    if (disconnected_) return;
    disconnectRequested_ = true;
    const char c = 'd';
    (void)!write(wake_[1], &c, 1);
    cv_.wait(lk, [this] { return disconnected_; });
}

void TProgrammerEmulator::SendReport(std::uint8_t stage, std::uint8_t result, std::uint16_t progress,
                                     std::uint16_t maximum, bool badSum)
{
    SendRaw(FrameReply(ReportPacket(stage, result, progress, maximum, badSum)));
}

void TProgrammerEmulator::ReleaseHeld()
{
    std::vector<TPlan> held;
    {
        std::lock_guard<std::mutex> lk(mu_);
        held.swap(held_);
    }
    for (const TPlan& plan : held) Execute(plan);
}

void TProgrammerEmulator::SendRaw(const Bytes& bytes)
{
    WriteAll(bytes.data(), bytes.size());
}

std::vector<TRequest> TProgrammerEmulator::Requests() const
{
    std::lock_guard<std::mutex> lk(mu_);
    return requests_;
}

std::size_t TProgrammerEmulator::RequestCount() const
{
    std::lock_guard<std::mutex> lk(mu_);
    return requests_.size();
}

std::vector<std::string> TProgrammerEmulator::RequestSummary() const
{
    std::lock_guard<std::mutex> lk(mu_);
    std::vector<std::string> out;
    char text[32];
    for (const TRequest& r : requests_) {
        if (r.code == kCmdIdentify) {
            out.push_back("A3");
            continue;
        }
        std::snprintf(text, sizeof text, "%02X:%u", r.code, static_cast<unsigned>(r.arg));
        out.push_back(text);
    }
    return out;
}

bool TProgrammerEmulator::WaitForRequests(std::size_t count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lk(mu_);
    return cv_.wait_for(lk, std::chrono::milliseconds(timeoutMs), [&] { return requests_.size() >= count; });
}

void TProgrammerEmulator::ClearRequests()
{
    std::lock_guard<std::mutex> lk(mu_);
    requests_.clear();
    replyDone_.clear();
}

std::vector<std::string> TProgrammerEmulator::Errors() const
{
    std::lock_guard<std::mutex> lk(mu_);
    return errors_;
}

void TProgrammerEmulator::FillChip(std::uint8_t value)
{
    std::lock_guard<std::mutex> lk(mu_);
    std::fill(chipFlash_.begin(), chipFlash_.end(), value);
    blank_ = false;
}

void TProgrammerEmulator::SetChipFlash(std::size_t offset, const Bytes& data)
{
    std::lock_guard<std::mutex> lk(mu_);
    Store(chipFlash_, offset, data, 0, data.size());
    blank_ = false;
}

void TProgrammerEmulator::SetChipEep(std::size_t offset, const Bytes& data)
{
    std::lock_guard<std::mutex> lk(mu_);
    Store(chipEep_, offset, data, 0, data.size());
}

void TProgrammerEmulator::SetChipWFlash(std::size_t offset, const Bytes& data)
{
    std::lock_guard<std::mutex> lk(mu_);
    Store(chipWFlash_, offset, data, 0, data.size());
}

void TProgrammerEmulator::SetChipSecurity(const Bytes& data)
{
    std::lock_guard<std::mutex> lk(mu_);
    Store(chipSecurity_, 0, data, 0, data.size());
}

#define EMU_SLICE(fn, mem)                                                        \
    Bytes TProgrammerEmulator::fn(std::size_t offset, std::size_t len) const      \
    {                                                                             \
        std::lock_guard<std::mutex> lk(mu_);                                      \
        return Slice(mem, offset, len);                                           \
    }
EMU_SLICE(ChipFlash, chipFlash_)
EMU_SLICE(ChipEep, chipEep_)
EMU_SLICE(ChipWFlash, chipWFlash_)
EMU_SLICE(StoreFlash, storeFlash_)
EMU_SLICE(StoreSide, storeSide_)
EMU_SLICE(StoreSFlash, storeSFlash_)
#undef EMU_SLICE

Bytes TProgrammerEmulator::ChipSecurity() const
{
    std::lock_guard<std::mutex> lk(mu_);
    return chipSecurity_;
}

Bytes TProgrammerEmulator::ConfigBlock() const
{
    std::lock_guard<std::mutex> lk(mu_);
    return config_block_;
}

std::vector<Clock::time_point> TProgrammerEmulator::ReplyDoneTimes() const
{
    std::lock_guard<std::mutex> lk(mu_);
    return replyDone_;
}

}  // namespace emu
