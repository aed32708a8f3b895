// LinkStates: puts a channel into a state the program can reach (idle or
// waiting for a given reply, connected or not) from a few input bytes.
#pragma once

#include "FormatHosts.h"
#include "link/TelvicComm.h"

constexpr std::uint8_t kFuzzOpCodes[] = {
    kOpCodeConfig,      kOpCodeFlashDownload, kOpCodeEccDownload,  kOpCodeWFlashDownload, kOpCodeSFlashDownload,
    kOpCodeErase,       kOpCodeBlank,         kOpCodeProgram,      kOpCodeVerify,         kOpCodeSecurity,
    kOpCodeReadFlash,   kOpCodeChipId,        kOpCodeReadEep,      kOpCodeReadWFlash,     kOpCodeReadSecurity,
    kOpCodeEepProgram,  kOpCodeWFlashProgram,
};

// Chip, options and the state of every channel, from the input's first bytes.
// Returns the channel the rest of the input goes to.
inline int PickLinkState(TFuzzInput& in)
{
    PickChip(in);
    const std::uint8_t opts = in.Byte();
    CtrlSettings.WriteEep = opts & 1;
    CtrlSettings.WriteWFlash = (opts >> 1) & 1;
    CtrlSettings.WriteSFlash = (opts >> 2) & 1;
    CtrlSettings.AutoDetect = (opts >> 3) & 1;
    SNSettings.SNMode = (opts >> 4) & 1;
    SNSettings.SNSize = 4;
    ImageInfo.ProgSizeKB = static_cast<std::uint16_t>(CurChip.FlashSizeKB ? in.Word() % (CurChip.FlashSizeKB + 1) : 0);
    ImageInfo.TargetEndAddr = CurChip.FlashSizeKB ? CurChip.FlashSizeKB * 1024u - 1 : 0;
    const int channel = in.Byte() % kChannelCount;
    for (int c = 0; c < kChannelCount; ++c) {
        TChannelState& ch = Channels[c];
        const std::uint8_t s = in.Byte();
        ch.Connected = (s & 1) ? 0 : 1;  // mostly connected
        ch.OpCode = kOpIdle;
        if (ch.Connected && (s & 2)) {
            TelvicComm[c].BeginChannelOp(static_cast<std::uint16_t>(in.Word() % 2000));
            ch.OpCode = in.Pick(kFuzzOpCodes);
            ch.AutoSequence = (s >> 2) & 1;
            ch.TimerProgress = (s >> 3) & 1;
            if (ch.BlockTotal) ch.BlockIndex = static_cast<std::uint16_t>(in.Word() % (ch.BlockTotal + 1));
        }
    }
    return channel;
}
