// TelvicCmdChkCy: the per-channel request senders (command, block and download
// packets, the configuration block and the short command) of the programmer link.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "link/DefinCyX4.h"

struct TLinkHost;

// Command codes.
constexpr std::uint8_t kCmdOperation = 0x93;
constexpr std::uint8_t kCmdReadFlashBlock = 0x9B;
constexpr std::uint8_t kCmdReadEepBlock = 0x9D;
constexpr std::uint8_t kCmdReadWFlashBlock = 0x9A;
constexpr std::uint8_t kCmdProgramFlash = 0x95;
constexpr std::uint8_t kCmdProgramEep = 0x99;
constexpr std::uint8_t kCmdProgramWFlash = 0x98;
constexpr std::uint8_t kCmdDownloadFlash = 0x55;
constexpr std::uint8_t kCmdDownloadEcc = 0xD7;     // ECC (PSoC 3/5) and SFlash parts (PSoC 6)
constexpr std::uint8_t kCmdDownloadWFlash = 0x5A;
constexpr std::uint8_t kCmdConfig = 0x53;
constexpr std::uint8_t kCmdShort = 0x8A;

// Sub-operations of kCmdOperation.
constexpr std::uint16_t kOpErase = 0x03;
constexpr std::uint16_t kOpBlankCheck = 0x05;
constexpr std::uint16_t kOpReadChipId = 0x37;
constexpr std::uint16_t kOpVerify = 0x53;
constexpr std::uint16_t kOpReadSecurity = 0x33;
constexpr std::uint16_t kOpWriteSecurity = 0x35;

// Packet layout.
constexpr std::size_t kParamBlockOffset = 8;
constexpr std::size_t kParamBlockLen = 64;
constexpr std::size_t kBlockDataLen = 4096;
constexpr std::size_t kEccTailLen = 512;
constexpr std::size_t kSecurityDataLen = 256;
constexpr std::uint16_t kSecurityPayloadLen = 0x180;  // parameter block and 320 bytes, 256 of them data
constexpr std::size_t kShortPacketLen = 12;

// The configuration block and its packet.
constexpr std::size_t kConfigBlockLen = 512;
constexpr std::size_t kConfigCopiesLen = 2 * kConfigBlockLen;
constexpr std::size_t kConfigBlockOffset = 8;  // first copy in PktBuf; the second follows it
// Largest EEP data the configuration packet can carry inside PktBuf.
constexpr std::size_t kMaxConfigEepSize = kPktBufSize - 8 - kConfigCopiesLen - 2;

// Time-out of a program-block reply, in 15 ms ticks.
constexpr std::uint16_t kProgBlockTimeoutFirstChannel = 500;
constexpr std::uint16_t kProgBlockTimeoutOtherChannels = 300;

// Random source: returns a value from 0 to range - 1 (range 255 for filler
// bytes, 65535 for seeds). Injected so that tests are deterministic.
using TRandomFn = std::function<std::uint32_t(std::uint32_t range)>;
TRandomFn DefaultRandomSource();

// Where a finished frame goes. By default the channel's Port; tests capture it.
using TFrameSendHook = std::function<void(int channel, const std::uint8_t* frame, std::uint16_t length)>;

// The senders of one channel, bound to Channels[channel]: every request is
// built in the channel's PktBuf, framed into its TxFrameBuf and handed to its Port.
class TTelvicCmdChk {
public:
    explicit TTelvicCmdChk(int channel);

    int Channel() const { return channel_; }
    TChannelState& State() const { return Channels[channel_]; }

    // 0x93 sub-operations and the reads 0x9B, 0x9D, 0x9A: header and parameter block.
    void SendOpCommand(std::uint8_t code, std::uint16_t arg);
    // Sets the program-block time-out and sends 0x95 for BlockIndex.
    void SendMainFlashBlock();
    void SendFlashBlock(std::uint8_t code, std::uint16_t pos, std::uint32_t startAddr);
    void SendFlashEccBlock(std::uint8_t code, std::uint16_t pos, std::uint32_t startAddr);
    void SendSecurityData();
    void SendEepBlock(std::uint8_t code, std::uint16_t pos);
    void SendEccBlock(std::uint8_t code, std::uint16_t pos);
    void DownloadFlashBlock(std::uint8_t code, std::uint16_t pos, std::uint32_t startAddr);
    void DownloadEccBlock(std::uint8_t code, std::uint16_t pos);
    void DownloadEepBlock(std::uint8_t code, std::uint16_t pos);
    void DownloadSFlashBlock(std::uint8_t code, std::uint16_t pos);
    void SendShortCommand(std::uint8_t code);

    // Builds the two copies of the configuration block at PktBuf 8..1031,
    // with this channel's first serial number.
    void BuildConfigBlock();
    // Builds and sends the configuration packet. With WriteEep set, an EepSize
    // that is odd or above kMaxConfigEepSize is refused: a log line, nothing
    // sent, result false.
    bool SendConfigBlock(std::uint8_t code, std::uint16_t seed);
    // A seed for SendConfigBlock, 0 to 65534, from the random source.
    std::uint16_t DrawConfigSeed();

    // Port discovery: the identify request, its reply while the channel is not
    // connected, and (channels 2 to 4) the unit's serial-number and count-limit
    // settings, logged only when the reply holds the whole record.
    void SendIdentify();
    void HandleIdReply(std::uint16_t frameLen);
    void ShowDeviceSettings(const std::uint8_t* reply, std::uint16_t length);

    void FillParamBlock();
    // Writes a name (UTF-8, up to its first zero character) into a zero-filled
    // field as GBK bytes, cut at a character boundary; an empty name is the
    // single character '?'. Returns the count of the name's bytes written.
    std::size_t PutPacketString(const std::string& s, std::uint16_t offset, std::uint16_t width);

    // Length of the last frame handed on (it stands in TxFrameBuf).
    std::uint16_t LastFrameLen() const { return lastFrameLen_; }

    TRandomFn Random = DefaultRandomSource();
    TFrameSendHook SendHook;        // when set, frames go here instead of the Port
    TLinkHost* Host = nullptr;      // null: the program's LinkHost

private:
    void WriteHeader(std::uint8_t code, std::uint16_t arg, std::uint16_t payloadLen);
    void FinishAndSend(std::uint16_t payloadLen);
    void SendFrame(std::uint16_t packetLen);
    // Hands the frame standing in TxFrameBuf to the hook or the channel's Port.
    void HandOnFrame(std::uint16_t frameLen);
    std::uint8_t RandomByte();
    void FillParamBlockAt(std::uint8_t* dst) const;
    void CopyMainFlash(std::uint8_t* dst, std::uint16_t pos, std::uint32_t startAddr) const;
    void CopyEccWFlash(std::uint8_t* dst, std::uint16_t pos) const;
    void CopyEepSFlash(std::uint8_t* dst, std::uint16_t pos) const;
    void CopySFlashSecondPart(std::uint8_t* dst) const;
    void LogLine(const std::string& text) const;

    int channel_;
    std::uint16_t lastFrameLen_ = 0;
};

// The four channels' senders, bound to Channels[0] to Channels[3].
extern TTelvicCmdChk TelvicCmdChk[kChannelCount];
