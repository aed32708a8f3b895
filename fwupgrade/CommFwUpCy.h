// CommFwUpCy: the requests to the programmer's boot loader (identify, program
// block, verify) and the checks of its replies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>

#include "fwupgrade/FTDI2xxFwUpCy.h"
#include "fwupgrade/TelvicCY_FmWrV3_RV27.h"

// The short waits of the exchange (the same type as FwUpHost's).
using TFwSleep = std::function<void(int ms)>;

constexpr std::uint8_t kCmdProgramBlock = 0xB7;
constexpr std::uint8_t kCmdVerify = 0xBA;
constexpr std::uint16_t kVerifyAddress = 0x5FFF;
constexpr std::uint16_t kFirstBlockAddr = 0x2000;
constexpr std::uint16_t kBlockAddrStep = 0x400; // device addresses count 16-bit words
constexpr std::size_t kBlockBytes = 2048;
constexpr std::size_t kCommandPacketSize = 10;
constexpr std::size_t kPacketHeaderSize = 8;
constexpr std::uint16_t kBlockReplyWaiting = 10;
constexpr std::uint16_t kVerifyReplyWaiting = 28;
constexpr std::uint16_t kProbeReplyWaiting = 30;
constexpr std::uint8_t kIdentifyBytes[3] = {0xA3, 0xA5, 0x35};

// Command packet: code, address, five zero bytes, check value (low byte first).
void BuildCommandPacket(std::uint8_t code, std::uint16_t address, std::uint8_t* packet);

// The block's 2,048 image bytes as they travel: each byte XOR its column's key
// byte and mask (even or odd column of a 16-byte row).
void ScrambleBlock(const TFirmwareImage& image, unsigned block, std::uint8_t* out);

// Program packet of kFwProgramPacketSize bytes for the block at Address; its
// tail is the check value's high byte, then a zero byte.
void BuildProgramPacket(const TFirmwareImage& image, std::uint8_t code, std::uint16_t address,
                        std::uint8_t blockCount, std::uint8_t* packet);

// A final verify reply in FwUp.FwPktBuf carries the expected sums twice.
bool VerifySumsMatch(std::uint16_t expSum1, std::uint16_t expSum2);

class TFwComm {
public:
    TFwComm(TFtdiLink& link, TFwSleep sleep) : link_(link), sleep_(std::move(sleep)) {}

    void SendIdentify();
    void SendCommand(std::uint8_t code, std::uint16_t address);
    void SendProgramBlock(const TFirmwareImage& image, std::uint8_t code, std::uint16_t address,
                          std::uint8_t blockCount);
    std::uint8_t CheckBlockReply();
    std::uint8_t CheckVerifyReply(std::uint16_t minLength);
    std::uint8_t IdentifyLoader();
    // Waits, then decodes a reply of at least 30 waiting bytes (none: 13).
    std::uint8_t ReceiveReply(std::uint8_t milliseconds);

    TFtdiLink& Link() { return link_; }
    void Sleep(int ms) { sleep_(ms); }

private:
    // Reads at least Waiting bytes and decodes them; 0 or a result code.
    std::uint8_t ReadAndDecode(std::uint16_t waiting, std::uint8_t noneResult);

    TFtdiLink& link_;
    TFwSleep sleep_;
};
