// TelvicComm: the reply state machine of one programmer channel (dispatch,
// step handlers, stage starters, read-back) and the 15 ms timer step.
#pragma once

#include <cstdint>

#include "link/DefinCyX4.h"
#include "link/LangBuild.h"

class TTelvicCmdChk;

// Operation codes: the reply a channel waits for.
enum : std::uint8_t {
    kOpCodeConfig = 3,
    kOpCodeFlashDownload = 5,
    kOpCodeEccDownload = 7,
    kOpCodeWFlashDownload = 9,
    kOpCodeSFlashDownload = 11,
    kOpCodeChipLevel = 16,  // codes below are programmer-level stages
    kOpCodeErase = 19,
    kOpCodeBlank = 21,
    kOpCodeProgram = 23,
    kOpCodeVerify = 25,
    kOpCodeSecurity = 27,
    kOpCodeReadFlash = 32,
    kOpCodeChipId = 35,
    kOpCodeReadEep = 37,
    kOpCodeReadWFlash = 39,
    kOpCodeReadSecurity = 43,
    kOpCodeEepProgram = 48,
    kOpCodeWFlashProgram = 51,
};

// Time-outs in 15 ms ticks.
constexpr std::uint16_t kStartTimeoutFirstChannel = 1000;
constexpr std::uint16_t kStartTimeoutOtherChannels = 600;
constexpr std::uint16_t kReplyTimeout = 1000;  // also set by every received chunk

// The reply state machine of one channel, bound to Channels[channel], its
// senders TelvicCmdChk[channel] and the program's LinkHost.
class TTelvicComm {
public:
    explicit TTelvicComm(int channel);
    int Channel() const { return channel_; }

    // Handles one extracted frame of frameLen bytes in the channel's RxFrameBuf.
    void DispatchReply(std::uint16_t frameLen);
    void BeginChannelOp(std::uint16_t gaugeMax);
    void EndChannelOp(bool failed);

    void StartEepProgram();
    void StartWFlashProgram();
    void StartVerify();

    void HandleConfigReply(std::uint8_t status);
    void HandleFlashDownloaded(std::uint8_t status);
    void HandleEccDownloaded(std::uint8_t status);
    void HandleWFlashDownloaded(std::uint8_t status);
    void HandleSFlashDownloaded(std::uint8_t status);
    void HandleEraseReply(std::uint8_t status);
    void HandleBlankReply(std::uint8_t status);
    void HandleProgramReply(std::uint8_t status);
    void HandleVerifyReply(std::uint8_t status);
    void HandleSecurityReply(std::uint8_t status);
    void HandleChipIdReply(std::uint8_t status);
    void HandleEepProgramReply(std::uint8_t status);
    void HandleWFlashProgramReply(std::uint8_t status);

    // Chip read-back, dispatched on channel 1 only. A data reply too short for
    // what the handler copies fails the read with code 42 and stores nothing.
    void HandleReadFlashReply(std::uint8_t status);
    void HandleReadEepReply(std::uint8_t status);
    void HandleReadWFlashReply(std::uint8_t status);
    void HandleReadSecurityReply(std::uint8_t status);

    // This channel's part of Timer1Timer.
    void TimerStep(TBuildLang lang);

private:
    TChannelState& St() const { return Channels[channel_]; }
    TTelvicCmdChk& Cmd() const;
    bool FailOnStatus(std::uint8_t status);
    bool FailIfShort(std::size_t dataBytes);
    bool AdvanceBlock(std::uint16_t end, int progressOffset);
    void StoreReadBlock(std::uint8_t* buf, std::size_t size);
    void SetGaugeProgress(int progress);
    void FinishDownload();
    void EnterSFlashDownload();
    void LogChip(const char* text) const;
    void LogProgrammer(const char* text) const;
    void AddChipLine(const char* text) const;

    int channel_;
    std::uint16_t packetLen_ = 0;  // length of the reply being handled
};

extern TTelvicComm TelvicComm[kChannelCount];

// The main window's 15 ms timer: counts down the time-out of every busy
// channel, 1 to 4, and ends an operation whose time ran out.
void Timer1Timer(TBuildLang lang = TBuildLang::Chinese);
