// ParsRxPktRT: cuts complete frames out of a channel's receive stream and
// keeps what may still become a frame, within the channel's fixed buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "link/DefinCyX4.h"

// The longest partial frame (opening delimiter and content, no closing one)
// that can still complete inside RxFrameBuf.
constexpr std::size_t kRxMaxPartialFrame = kRxFrameBufSize - 1;

// Searches ch.RxRawBuf[pos .. ch.RxLen) for the next complete frame. True: the
// frame (opening to closing delimiter) stands in ch.RxFrameBuf, frameLen bytes,
// and pos points just past it. False: no complete frame follows; pos is RxLen.
// A run of delimiters counts as one opening. A frame that would outgrow
// RxFrameBuf is dropped and the search resumes at the next delimiter.
bool ExtractFrame(TChannelState& ch, std::uint16_t& pos, std::uint16_t& frameLen);

// Keeps for the next chunk what follows `from`, the position where the last,
// unsuccessful ExtractFrame call started: only the partial frame from the
// last delimiter on, and nothing when that cannot complete any more.
void KeepRxTail(TChannelState& ch, std::uint16_t from);

// Appends as many of `len` bytes as fit behind ch.RxLen; returns the count taken.
std::size_t AppendRxBytes(TChannelState& ch, const std::uint8_t* data, std::size_t len);

// The receive path of one chunk: append, hand every complete frame to
// onFrame(frameLen) with the frame in ch.RxFrameBuf, keep the tail. A chunk
// larger than the room left is taken in several rounds, so no byte is lost
// from a frame that fits and nothing is written beyond a buffer.
using TRxFrameHandler = std::function<void(std::uint16_t frameLen)>;
void ReceiveRxChunk(TChannelState& ch, const std::uint8_t* data, std::size_t len, const TRxFrameHandler& onFrame);
