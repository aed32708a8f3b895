// Comm200Cy: the frame codec of the programmer link and its check values.
// Stateless: every routine works on the buffers its caller passes.
#include "link/Comm200Cy.h"

#include <cstring>

namespace {
constexpr std::uint32_t kMaxCheckPos = 0xFFFFFF;
constexpr std::uint16_t kCrcPoly = 0x4A12;
constexpr std::uint32_t kSum16Base = 0x10000;
constexpr std::size_t kMinPacketLen = kPktHeaderLen;
constexpr std::size_t kLenFieldOffset = 6;
constexpr std::size_t kStatusOffset = 8;
constexpr std::uint16_t kStatusReplyLenField = 1;
constexpr std::size_t kStatusReplyLen = kPktHeaderLen + 1 + kPktCheckLen;
constexpr std::uint8_t kIdMagic[3] = {0xA3, 0xA5, 0x35};
constexpr std::size_t kIdNameLenOffset = 3;
constexpr std::uint8_t kNameCharMin = 0x20;
constexpr std::uint8_t kNameCharMax = 0x7F;
constexpr std::size_t kMaxNameChars = kDeviceNameBufSize - 1;
} // namespace

std::uint16_t EncodeFrame(const std::uint8_t* packet, std::uint8_t* frame, std::uint16_t length)
{
    std::size_t pos = 0;
    frame[pos++] = kFrameDelim;
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t b = packet[i];
        if (b == kFrameDelim) {
            frame[pos++] = kFrameEsc;
            frame[pos++] = kEscDelim;
        } else if (b == kFrameEsc) {
            frame[pos++] = kFrameEsc;
            frame[pos++] = kEscEsc;
        } else {
            frame[pos++] = b;
        }
    }
    frame[pos++] = kFrameDelim;
    for (std::size_t i = 0; i < kFrameTrailerCount; ++i)
        frame[pos++] = kFrameTrailer;
    return static_cast<std::uint16_t>(pos);
}

std::uint8_t UnpackFrame(const std::uint8_t* frame, std::uint8_t* packet, std::uint16_t& packetLen,
                         std::uint16_t frameLen, std::size_t packetCap)
{
    std::size_t pos = 0;
    while (pos < frameLen && frame[pos] != kFrameDelim)
        ++pos;
    if (pos < frameLen) ++pos;  // the opening delimiter
    if (pos < frameLen && frame[pos] == kFrameDelim) ++pos;  // a doubled opening counts once
    if (pos >= frameLen) return kResultNoClosingDelim;

    std::size_t out = 0;
    bool escaped = false;
    for (; pos < frameLen; ++pos) {
        const std::uint8_t b = frame[pos];
        // After an escape byte only 0xDC or 0xDD may follow; a delimiter there is a bad escape too.
        if (b == kFrameDelim && !escaped) {
            packetLen = static_cast<std::uint16_t>(out);
            return out < kMinPacketLen ? kResultBadPacket : kResultOk;
        }
        std::uint8_t decoded = b;
        if (escaped) {
            escaped = false;
            if (b == kEscDelim) {
                decoded = kFrameDelim;
            } else if (b == kEscEsc) {
                decoded = kFrameEsc;
            } else {
                packetLen = 0;
                return kResultBadPacket;
            }
        } else if (b == kFrameEsc) {
            escaped = true;
            continue;
        }
        if (out >= packetCap) {  // a packet longer than the buffer is not a valid reply
            packetLen = 0;
            return kResultBadPacket;
        }
        packet[out++] = decoded;
    }
    return kResultNoClosingDelim;
}

std::uint16_t CalcPacketCrc(const std::uint8_t* buffer, std::uint32_t first, std::uint32_t last)
{
    if (first > kMaxCheckPos || last > kMaxCheckPos || last < first) return 0;
    std::uint16_t value = 0;
    for (std::uint32_t i = first; i <= last; ++i) {
        const std::uint16_t b = buffer[i];
        if (value & 1u)
            value = static_cast<std::uint16_t>((value >> 1) ^ b ^ kCrcPoly);
        else
            value = static_cast<std::uint16_t>((value >> 1) ^ b);
    }
    return value;
}

std::uint32_t AccCheckSum16(const std::uint8_t* buffer, std::uint32_t first, std::uint32_t last)
{
    if (first > kMaxCheckPos || last > kMaxCheckPos) return 0;
    std::uint16_t sum = 0;
    for (std::uint32_t i = first; i <= last && last >= first; ++i)
        sum = static_cast<std::uint16_t>(sum + buffer[i]);
    return kSum16Base - sum;
}

std::uint8_t CheckReplyPacket(const std::uint8_t* pktBuf, std::uint16_t length)
{
    if (length < kMinPacketLen || length > kPktBufSize) return kResultBadPacket;
    const std::uint16_t value = CalcPacketCrc(pktBuf, 0, static_cast<std::uint32_t>(length - 3));
    const std::uint16_t stored = static_cast<std::uint16_t>(pktBuf[length - 2] | (pktBuf[length - 1] << 8));
    if (value != stored) return kResultBadCheck;
    const std::uint16_t lenField =
        static_cast<std::uint16_t>(pktBuf[kLenFieldOffset] | (pktBuf[kLenFieldOffset + 1] << 8));
    if (lenField == kStatusReplyLenField) {
        if (length < kStatusReplyLen) return kResultBadPacket;
        return pktBuf[kStatusOffset];
    }
    return kResultOk;
}

std::int32_t CheckDeviceId(const std::uint8_t* packet, std::uint16_t packetLen, char* expected,
                           std::uint8_t nameOffset)
{
    if (packetLen <= kIdNameLenOffset || std::memcmp(packet, kIdMagic, sizeof kIdMagic) != 0)
        return kResultBadIdReply;
    const std::size_t n = packet[kIdNameLenOffset];
    if (n == 0) return kResultBadIdReply;

    char received[kDeviceNameBufSize];
    std::size_t len = 0;
    for (std::size_t i = nameOffset; i <= nameOffset + n && i < packetLen && len < kMaxNameChars; ++i) {
        const std::uint8_t b = packet[i];
        if (b < kNameCharMin || b > kNameCharMax) break;
        received[len++] = static_cast<char>(b);
    }
    received[len] = '\0';

    const std::size_t k = strnlen(expected, kMaxNameChars);
    for (std::size_t i = 0; i < k; ++i) {
        const int diff = static_cast<unsigned char>(received[i]) - static_cast<unsigned char>(expected[i]);
        if (diff != 0) return diff;  // also ends the loop at the end of a shorter name
    }
    std::memcpy(expected, received, len + 1);
    return 0;
}
