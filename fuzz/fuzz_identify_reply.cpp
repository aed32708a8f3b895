// fuzz_identify_reply: the identify reply of port discovery: the name check,
// the handler of a not yet connected channel and the unit's settings lines.
#include <cstring>

#include "FuzzSupport.h"
#include "link/Comm200Cy.h"
#include "link/TelvicCmdChkCy.h"

// Input: a mode byte (channel, whether the bytes are sent as a frame, name
// offset), an expected name (length byte and text), then the reply.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static TFuzzLink link;
    TFuzzInput in(data, size);
    link.Bind();
    const std::uint8_t mode = in.Byte();
    const int channel = mode % kChannelCount;
    const bool raw = (mode & 4) != 0;
    const std::uint8_t nameOffset = in.Byte();
    char expected[kDeviceNameBufSize] = {};
    const std::uint8_t* name = nullptr;
    const std::size_t nameLen = in.Take(in.Byte(), name);
    std::memcpy(expected, name, nameLen < kDeviceNameBufSize - 1 ? nameLen : kDeviceNameBufSize - 1);

    const std::uint8_t* reply = nullptr;
    const std::size_t replyLen = in.Take(kPktBufSize, reply);
    CheckDeviceId(reply, static_cast<std::uint16_t>(replyLen), expected, nameOffset);

    TTelvicCmdChk& cmd = TelvicCmdChk[channel];
    cmd.ShowDeviceSettings(reply, static_cast<std::uint16_t>(replyLen));

    // The reply as the receive path hands it on: a frame in RxFrameBuf.
    TChannelState& ch = Channels[channel];
    std::uint16_t frameLen = 0;
    if (raw) {
        frameLen = static_cast<std::uint16_t>(replyLen < kRxFrameBufSize ? replyLen : kRxFrameBufSize);
        std::memcpy(ch.RxFrameBuf, reply, frameLen);
    } else {
        const std::uint8_t* body = reply;
        std::uint16_t bodyLen = static_cast<std::uint16_t>(replyLen);
        // Only what a frame in RxFrameBuf can carry.
        while (MaxEncodedFrameLen(bodyLen) > kRxFrameBufSize) bodyLen = static_cast<std::uint16_t>(bodyLen / 2);
        frameLen = static_cast<std::uint16_t>(EncodeFrame(body, ch.RxFrameBuf, bodyLen) - kFrameTrailerCount);
    }
    ch.Connected = 0;
    cmd.HandleIdReply(frameLen);
    ReleaseSharedState();
    return 0;
}
