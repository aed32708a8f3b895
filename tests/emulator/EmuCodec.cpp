// EmuCodec: the programmer unit's side of the wire format, written separately
// from the PC's codec so that each checks the other.
#include "emulator/EmuCodec.h"

namespace emu {

std::uint16_t Crc16(const std::uint8_t* data, std::size_t len)
{
    std::uint16_t v = 0;
    for (std::size_t i = 0; i < len; ++i) {
        const bool low = (v & 1u) != 0;
        v = static_cast<std::uint16_t>((v >> 1) ^ data[i]);
        if (low) v ^= kCrcPoly;
    }
    return v;
}

void AppendCrc(Bytes& packet)
{
    const std::uint16_t c = Crc16(packet.data(), packet.size());
    packet.push_back(static_cast<std::uint8_t>(c & 0xFF));
    packet.push_back(static_cast<std::uint8_t>(c >> 8));
}

Bytes ReportPacket(std::uint8_t stage, std::uint8_t result, std::uint16_t progress, std::uint16_t maximum, bool badSum)
{
    Bytes p = {kReportMarker, stage, result, static_cast<std::uint8_t>(progress), static_cast<std::uint8_t>(progress >> 8),
               static_cast<std::uint8_t>(maximum), static_cast<std::uint8_t>(maximum >> 8)};
    std::uint8_t sum = 0;
    for (std::uint8_t b : p) sum = static_cast<std::uint8_t>(sum + b);
    p.push_back(static_cast<std::uint8_t>(0x100 - sum + (badSum ? 1 : 0)));
    return p;
}

Bytes FrameReply(const Bytes& packet)
{
    Bytes out;
    out.reserve(packet.size() * 2 + 2);
    out.push_back(kFrameEnd);
    for (std::uint8_t b : packet) {
        if (b == kFrameEnd) {
            out.push_back(kFrameEsc);
            out.push_back(kEscEnd);
        } else if (b == kFrameEsc) {
            out.push_back(kFrameEsc);
            out.push_back(kEscEsc);
        } else {
            out.push_back(b);
        }
    }
    out.push_back(kFrameEnd);
    return out;
}

TRequestParser::Event TRequestParser::Feed(std::uint8_t b)
{
    switch (state_) {
    case State::Hunt:
        if (b == kFrameEnd) {
            work_.clear();
            state_ = State::Body;
            return Event::None;
        }
        return Event::Noise;
    case State::Body:
        if (b == kFrameEnd) {
            if (work_.empty()) return Event::None;  // doubled opening
            packet_.swap(work_);
            work_.clear();
            trailerSeen_ = 0;
            state_ = State::Trailer;
            return Event::Packet;
        }
        if (b == kFrameEsc) {
            state_ = State::Escape;
        } else {
            work_.push_back(b);
        }
        return Event::None;
    case State::Escape:
        if (b == kEscEnd || b == kEscEsc) {
            work_.push_back(b == kEscEnd ? kFrameEnd : kFrameEsc);
            state_ = State::Body;
            return Event::None;
        }
        state_ = State::Hunt;
        return Event::BadEscape;
    case State::Trailer:
        if (b == kTrailer) {
            if (++trailerSeen_ == kTrailerCount) state_ = State::Hunt;
            return Event::None;
        }
        state_ = State::Hunt;
        Feed(b);
        return Event::BadTrailer;
    }
    return Event::None;
}

}  // namespace emu
