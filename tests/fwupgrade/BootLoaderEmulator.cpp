// The programmer's boot loader as the upgrade tool sees it: it answers the
// identify request, takes program packets (descrambling them into its flash)
// and answers the verify request with two sums; faults can be switched on.
#include "BootLoaderEmulator.h"

namespace {

constexpr std::uint8_t kEnd = 0xC0, kEsc = 0xDB, kEscEnd = 0xDC, kEscEsc = 0xDD;
constexpr std::size_t kProgramPacket = 2058;
constexpr std::size_t kBlock = 2048;

std::uint16_t Crc(const std::vector<std::uint8_t>& p, std::size_t count)
{
    std::uint16_t v = 0;
    for (std::size_t i = 0; i < count; ++i)
        v = static_cast<std::uint16_t>(((v >> 1) ^ p[i]) ^ ((v & 1) ? 0x4A12 : 0));
    return v;
}

void Put16(std::vector<std::uint8_t>& p, std::size_t at, std::uint16_t v)
{
    p[at] = static_cast<std::uint8_t>(v);
    p[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

} // namespace

TBootLoaderEmulator::TBootLoaderEmulator(TFakeFtdiDriver& port, const TFirmwareImage* image)
    : Flash(kFwImageSize, 0xFF), port_(port), image_(image)
{
    port_.OnWrite = [this](const std::vector<std::uint8_t>& f) { OnWrite(f); };
    port_.OnReadEmpty = [this] { OnReadEmpty(); };
}

std::vector<std::uint8_t> TBootLoaderEmulator::Frame(const std::vector<std::uint8_t>& packet)
{
    std::vector<std::uint8_t> f{kEnd};
    for (std::uint8_t b : packet) {
        if (b == kEnd) {
            f.insert(f.end(), {kEsc, kEscEnd});
        } else if (b == kEsc) {
            f.insert(f.end(), {kEsc, kEscEsc});
        } else {
            f.push_back(b);
        }
    }
    f.push_back(kEnd);
    return f;
}

void TBootLoaderEmulator::OnWrite(const std::vector<std::uint8_t>& frame)
{
    if (port_.OpenSerial != Serial || port_.OpenInterface != Port) return;
    std::size_t close = 1;
    while (close < frame.size() && frame[close] != kEnd)
        ++close;
    bool wellFormed = frame.size() >= 2 && frame[0] == kEnd && close < frame.size()
        && frame.size() == close + 1 + 4;
    for (std::size_t i = close + 1; wellFormed && i < frame.size(); ++i)
        wellFormed = frame[i] == 0xFF;
    std::vector<std::uint8_t> packet;
    for (std::size_t i = 1; i < close; ++i) {
        if (frame[i] != kEsc) {
            packet.push_back(frame[i]);
        } else if (i + 1 < close && (frame[i + 1] == kEscEnd || frame[i + 1] == kEscEsc)) {
            packet.push_back(frame[++i] == kEscEnd ? kEnd : kEsc);
        } else {
            wellFormed = false;
        }
    }
    if (!wellFormed) ++BadFrames;
    Requests.push_back(packet);
    last_.clear();
    pending_.clear();
    tail_.clear();

    if (packet == std::vector<std::uint8_t>{0xA3, 0xA5, 0x35}) {
        ++IdentifyRequests;
        if (AnswerIdentify) Answer(IdentifyReply());
    } else if (packet.size() == kProgramPacket && packet[0] == 0xB7) {
        TakeProgramPacket(packet);
        if (BlockAnswer != TAnswer::Silent) Answer(BlockReply(packet));
    } else if (packet.size() == 10 && packet[0] == 0xBA) {
        if (Crc(packet, 8) != (packet[8] | packet[9] << 8)) ++BadFrames;
        if (VerifyAnswer != TAnswer::Silent) Answer(VerifyReply());
    }
}

void TBootLoaderEmulator::Answer(std::vector<std::uint8_t> frame)
{
    if (CutTo > 0 && frame.size() > CutTo) frame.resize(CutTo);
    last_ = frame;
    if (ReplyAfterPolls == 0) {
        Deliver(frame);
    } else {
        pending_ = std::move(frame);
        delay_ = ReplyAfterPolls;
    }
}

void TBootLoaderEmulator::Deliver(const std::vector<std::uint8_t>& frame)
{
    if (SplitAt == 0 || SplitAt >= frame.size()) {
        port_.PushInput(frame);
        return;
    }
    port_.PushInput(std::vector<std::uint8_t>(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(SplitAt)));
    tail_.assign(frame.begin() + static_cast<std::ptrdiff_t>(SplitAt), frame.end());
    tailWaitsAPoll_ = true;
}

void TBootLoaderEmulator::OnReadEmpty()
{
    if (!tail_.empty()) {
        // The empty read that ends the poll of the first part passes; the
        // next poll's first read finds the rest.
        if (tailWaitsAPoll_) {
            tailWaitsAPoll_ = false;
        } else {
            port_.PushInput(tail_);
            tail_.clear();
        }
        return;
    }
    if (!pending_.empty()) {
        if (--delay_ <= 0) {
            Deliver(pending_);
            pending_.clear();
        }
        return;
    }
    if (!Repeat || last_.empty()) return;
    // One copy per poll: the read that finds the queue empty after a copy ends the poll.
    repeatedThisPoll_ = !repeatedThisPoll_;
    if (repeatedThisPoll_) port_.PushInput(last_);
}

std::vector<std::uint8_t> TBootLoaderEmulator::IdentifyReply() const
{
    std::vector<std::uint8_t> p{0xA3, 0xA5, 0x35, 0, 0};
    p.insert(p.end(), Info.begin(), Info.end()); // bytes 5 to 24
    p.insert(p.end(), Name.begin(), Name.end()); // from byte 25
    p[3] = ZeroNameLength ? 0 : static_cast<std::uint8_t>(Name.size() - 1);
    if (NameLengthByte >= 0) p[3] = static_cast<std::uint8_t>(NameLengthByte);
    return Frame(p);
}

std::vector<std::uint8_t> TBootLoaderEmulator::BlockReply(const std::vector<std::uint8_t>& request) const
{
    std::vector<std::uint8_t> p{0xB7, request[1], request[2], request[3], 0, 0, 1, 0, 0, 0, 0};
    if (BlockAnswer == TAnswer::Status) p[8] = Status;
    if (BlockAnswer == TAnswer::ZeroLength) p[6] = 0;
    Put16(p, 9, Crc(p, 9));
    if (BlockAnswer == TAnswer::BadCheck) p[9] ^= 0x01;
    if (BlockAnswer == TAnswer::Short) p.pop_back();
    std::vector<std::uint8_t> f = Frame(p);
    if (BlockAnswer == TAnswer::BadEscape) f.insert(f.begin() + 3, {kEsc, 0x41});
    return f;
}

std::vector<std::uint8_t> TBootLoaderEmulator::VerifyReply() const
{
    std::vector<std::uint8_t> p(28, 0);
    p[0] = 0xBA;
    Put16(p, 1, 0x5FFF);
    Put16(p, 6, VerifyLengthOne ? 1 : 20);
    Put16(p, 8, Sum2At8);
    Put16(p, 10, Sum1At10);
    Put16(p, 24, Sum1At24);
    Put16(p, 26, Sum2At26);
    if (VerifyLengthOne) p[8] = Status;
    if (VerifyAnswer == TAnswer::Short) p.pop_back();
    std::vector<std::uint8_t> f = Frame(p);
    if (VerifyAnswer == TAnswer::BadEscape) f.insert(f.begin() + 3, {kEsc, 0x41});
    return f;
}

void TBootLoaderEmulator::TakeProgramPacket(const std::vector<std::uint8_t>& p)
{
    const unsigned address = p[1] | p[2] << 8;
    const unsigned block = p[3];
    const bool headerOk = address >= 0x2000 && block == (address - 0x2000) / 0x400 && block < 16 && p[4] == 16
        && p[5] == 0x0F && p[6] == 0x00 && p[7] == 0x08;
    const bool tailOk = p[2056] == (Crc(p, 2056) >> 8) && p[2057] == 0;
    if (!headerOk || !tailOk) ++BadProgramChecks;
    if (!headerOk || !image_) return;
    const TBlockKeys keys = image_->DeriveKeys(block & ~1u);
    for (std::size_t i = 0; i < kBlock; ++i) {
        const bool even = (i % 16) % 2 == 0;
        const std::uint8_t key = even ? keys.Even ^ image_->EvenMask() : keys.Odd ^ image_->OddMask();
        Flash[block * kBlock + i] = static_cast<std::uint8_t>(p[8 + i] ^ key);
    }
    BlocksWritten.push_back(block);
}
