// DefinFwUgCy: the upgrade tool's shared state: expected sums, update area,
// the chosen device, the last result and the request, frame and reply buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr std::size_t kFwPktBufSize = 4004;
// Worst case of the largest request: a 2,058-byte program packet whose every
// byte is escaped, plus the two delimiters and the four trailer bytes.
constexpr std::size_t kFwProgramPacketSize = 2058;
constexpr std::size_t kFwFrameBufSize = 2 * kFwProgramPacketSize + 2 + 4;
constexpr std::size_t kFwReplyBufSize = 4004;
constexpr std::size_t kDevInfoSize = 52;

// Result codes of the tool's commands, one number space (OpResult).
constexpr std::uint8_t kResultOk = 0;
constexpr std::uint8_t kResultCommError = 3;       // preset before a transfer
constexpr std::uint8_t kResultCannotOpen = 5;
constexpr std::uint8_t kResultSetupFailed = 7;     // also: no ready device
constexpr std::uint8_t kResultPurgeFailed = 9;
constexpr std::uint8_t kResultLineState = 11;
constexpr std::uint8_t kResultNoReply = 13;
constexpr std::uint8_t kResultTimeout = 15;        // fewer bytes waiting than a reply needs
constexpr std::uint8_t kResultBadCheck = 35;
constexpr std::uint8_t kResultNoFrame = 37;        // no opening delimiter, or packet too short
constexpr std::uint8_t kResultBadEscape = 39;
constexpr std::uint8_t kResultBadLength = 43;
constexpr std::uint8_t kResultSumMismatch = 77;
constexpr std::uint8_t kResultNoFirmware = 98;     // this build carries no firmware image

constexpr char kOpModeUpgrade = '%';
constexpr char kOpModeVerify = '\'';

struct TFwUpState {
    std::uint16_t ExpCheckSum2 = 0;
    std::uint16_t ExpCheckSum1 = 0;
    std::uint16_t UpdStartAddr = 0;
    std::uint16_t UpdEndAddr = 0;
    std::uint8_t OpResult = 0;
    char OpMode = 0;
    std::uint32_t FtHandle = 0; // nonzero while a device is open
    std::uint8_t DevReady = 0;
    std::string DevSerial;
    std::uint8_t DevInfo[kDevInfoSize] = {};
    std::uint8_t FwPktBuf[kFwPktBufSize] = {};
    std::uint16_t FwPktLen = 0; // bytes of the last decoded packet in FwPktBuf
    std::uint8_t FwFrameBuf[kFwFrameBufSize] = {};
    std::uint8_t FwReplyBuf[kFwReplyBufSize] = {};
};

extern TFwUpState FwUp;

void ResetFwUpStateForTest();
