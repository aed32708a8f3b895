// EmuCodec: the programmer unit's side of the wire format, written separately
// from the PC's codec so that each checks the other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace emu {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kFrameEnd = 0xC0;
constexpr std::uint8_t kFrameEsc = 0xDB;
constexpr std::uint8_t kEscEnd = 0xDC;
constexpr std::uint8_t kEscEsc = 0xDD;
constexpr std::uint8_t kTrailer = 0xFF;
constexpr int kTrailerCount = 5;
constexpr std::uint16_t kCrcPoly = 0x4A12;
constexpr std::uint8_t kReportMarker = 0xFD;  // first byte of a stand-alone report

std::uint16_t Crc16(const std::uint8_t* data, std::size_t len);

// C0, the escaped packet, C0: what a unit sends (no trailer).
Bytes FrameReply(const Bytes& packet);

// Appends the check value (low byte first) over everything already in packet.
void AppendCrc(Bytes& packet);

// A stand-alone report packet (unframed): FD, stage, result, progress and
// maximum (little-endian), and the byte that makes the eight sum to 0; with
// badSum that byte is one too high.
Bytes ReportPacket(std::uint8_t stage, std::uint8_t result, std::uint16_t progress, std::uint16_t maximum,
                   bool badSum = false);

// Incremental decoder of the PC's frames: C0, escaped packet, C0, five FF.
class TRequestParser {
public:
    enum class Event { None, Packet, BadEscape, BadTrailer, Noise };
    // Feeds one byte; returns what it completed. After Packet, packet() holds
    // the decoded bytes. BadTrailer reports a frame whose trailer was cut short.
    Event Feed(std::uint8_t b);
    const Bytes& packet() const { return packet_; }
    bool InFrame() const { return state_ == State::Body || state_ == State::Escape; }

private:
    enum class State { Hunt, Body, Escape, Trailer };
    State state_ = State::Hunt;
    int trailerSeen_ = 0;
    Bytes packet_;
    Bytes work_;
};

}  // namespace emu
