// Comm200Cy: the frame codec of the programmer link (escaping, delimiters,
// trailer) and its check values, plus the checks of a decoded reply.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/DefinCyX4.h"

constexpr std::uint8_t kFrameDelim = 0xC0;
constexpr std::uint8_t kFrameEsc = 0xDB;
constexpr std::uint8_t kEscDelim = 0xDC;   // 0xDB 0xDC stands for 0xC0
constexpr std::uint8_t kEscEsc = 0xDD;     // 0xDB 0xDD stands for 0xDB
constexpr std::uint8_t kFrameTrailer = 0xFF;
constexpr std::size_t kFrameTrailerCount = 5;
// Opening and closing delimiter plus the trailer of a PC frame.
constexpr std::size_t kFrameOverhead = 2 + kFrameTrailerCount;

constexpr std::size_t kPktHeaderLen = 8;
constexpr std::size_t kPktCheckLen = 2;

// Result codes; they share one number space with the programmers' status codes.
constexpr std::uint8_t kResultOk = 0;
constexpr std::uint8_t kResultNoClosingDelim = 0x20;
constexpr std::uint8_t kResultBadCheck = 0x23;
constexpr std::uint8_t kResultBadPacket = 0x2A;
constexpr std::int32_t kResultBadIdReply = 15;

// Expected-name buffer of the identify check: a name of up to 255
// characters and its terminating zero.
constexpr std::size_t kDeviceNameBufSize = 256;

// The largest frame EncodeFrame can write for a packet of `length` bytes.
constexpr std::size_t MaxEncodedFrameLen(std::size_t length) { return 2 * length + kFrameOverhead; }
static_assert(MaxEncodedFrameLen(kPktBufSize) <= kTxFrameBufSize,
              "every packet that fits PktBuf must frame into TxFrameBuf");

// Writes 0xC0, the escaped `length` packet bytes, 0xC0 and five 0xFF into
// `frame`, which must hold MaxEncodedFrameLen(length) bytes. Returns the frame length.
std::uint16_t EncodeFrame(const std::uint8_t* packet, std::uint8_t* frame, std::uint16_t length);

// Decodes the first frame among `frameLen` bytes into `packet` (capacity
// `packetCap` bytes). Returns kResultOk, kResultNoClosingDelim (packetLen
// untouched) or kResultBadPacket (short packet, bad escape, or a packet that
// would not fit: packetLen 0 for the latter two, the decoded length for a short one).
std::uint8_t UnpackFrame(const std::uint8_t* frame, std::uint8_t* packet, std::uint16_t& packetLen,
                         std::uint16_t frameLen, std::size_t packetCap = kPktBufSize);

// Check value over buffer[first..last], both included; 0 for an empty range
// or positions above 0xFFFFFF.
std::uint16_t CalcPacketCrc(const std::uint8_t* buffer, std::uint32_t first, std::uint32_t last);

// 0x10000 minus the 16-bit sum of buffer[first..last]; 0 for positions above 0xFFFFFF.
std::uint32_t AccCheckSum16(const std::uint8_t* buffer, std::uint32_t first, std::uint32_t last);

// Checks a decoded reply of `length` bytes (at least 8) in a channel's packet
// buffer: kResultBadCheck on a wrong check value, the status byte of a status
// reply (length field 1), kResultBadPacket for a status reply too short to hold
// its status, else 0.
std::uint8_t CheckReplyPacket(const std::uint8_t* pktBuf, std::uint16_t length);

// Checks an identify reply of `packetLen` bytes. The name starts at
// `nameOffset`; it ends at the first byte outside 0x20..0x7F, at the end of
// the packet, or after 255 characters. On a match the received name replaces
// `expected` (a zero-terminated buffer of kDeviceNameBufSize bytes) and the
// result is 0; otherwise the comparison's sign (negative when the received
// name sorts first), or kResultBadIdReply for a reply without its magic or name.
std::int32_t CheckDeviceId(const std::uint8_t* packet, std::uint16_t packetLen, char* expected,
                           std::uint8_t nameOffset);
