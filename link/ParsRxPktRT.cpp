// ParsRxPktRT: frame extraction from a channel's receive stream, bounded by
// the channel's RxRawBuf and RxFrameBuf.
#include "link/ParsRxPktRT.h"

#include <algorithm>
#include <cstring>

#include "link/Comm200Cy.h"

namespace {
std::uint16_t BoundedRxLen(const TChannelState& ch)
{
    return static_cast<std::uint16_t>(std::min<std::size_t>(ch.RxLen, kRxRawBufSize));
}
} // namespace

bool ExtractFrame(TChannelState& ch, std::uint16_t& pos, std::uint16_t& frameLen)
{
    const std::uint16_t rxLen = BoundedRxLen(ch);
    const std::uint8_t* raw = ch.RxRawBuf;
    frameLen = 0;
    for (;;) {
        bool opened = false;
        while (pos < rxLen) {
            if (raw[pos] != kFrameDelim) {
                ++pos;
                continue;
            }
            ch.RxFrameBuf[0] = kFrameDelim;
            frameLen = 1;
            ++pos;
            if (pos < rxLen && raw[pos] == kFrameDelim) {
                frameLen = 0;  // the next delimiter becomes the candidate opening
                continue;
            }
            opened = true;
            break;
        }
        if (!opened) return false;

        bool oversized = false;
        while (pos < rxLen) {
            const std::uint8_t b = raw[pos];
            if (b != kFrameDelim && frameLen >= kRxMaxPartialFrame) {
                oversized = true;  // cannot be a frame: resynchronise at the next delimiter
                frameLen = 0;
                break;
            }
            ch.RxFrameBuf[frameLen++] = b;
            ++pos;
            if (b == kFrameDelim) return true;
        }
        if (!oversized) return false;
    }
}

void KeepRxTail(TChannelState& ch, std::uint16_t from)
{
    const std::uint16_t rxLen = BoundedRxLen(ch);
    std::uint16_t start = rxLen;
    // The tail holds no complete frame, so bytes before its last delimiter
    // are noise or an oversized frame.
    while (start > from && ch.RxRawBuf[start - 1] != kFrameDelim)
        --start;
    if (start <= from) {
        ch.RxLen = 0;
        return;
    }
    --start;
    const std::size_t count = static_cast<std::size_t>(rxLen - start);
    if (count > kRxMaxPartialFrame) {  // can no longer close inside RxFrameBuf
        ch.RxLen = 0;
        return;
    }
    std::memmove(ch.RxRawBuf, ch.RxRawBuf + start, count);
    ch.RxLen = static_cast<std::uint16_t>(count);
}

std::size_t AppendRxBytes(TChannelState& ch, const std::uint8_t* data, std::size_t len)
{
    const std::uint16_t rxLen = BoundedRxLen(ch);
    const std::size_t take = std::min(len, kRxRawBufSize - rxLen);
    std::memcpy(ch.RxRawBuf + rxLen, data, take);
    ch.RxLen = static_cast<std::uint16_t>(rxLen + take);
    return take;
}

void ReceiveRxChunk(TChannelState& ch, const std::uint8_t* data, std::size_t len, const TRxFrameHandler& onFrame)
{
    std::size_t done = 0;
    do {
        done += AppendRxBytes(ch, data + done, len - done);
        std::uint16_t pos = 0;
        std::uint16_t start = 0;
        std::uint16_t frameLen = 0;
        for (;;) {
            start = pos;
            if (!ExtractFrame(ch, pos, frameLen)) break;
            if (onFrame) onFrame(frameLen);
        }
        KeepRxTail(ch, start);
    } while (done < len);
}
