// CommFwUpCy: the requests to the programmer's boot loader (identify, program
// block, verify) and the checks of its replies.
#include "fwupgrade/CommFwUpCy.h"

#include "fwupgrade/DefinFwUgCy.h"

namespace {

constexpr std::size_t kRowBytes = 16;
constexpr std::uint8_t kProgramFlags = 0x0F;
constexpr std::size_t kStatusOffset = 8;
constexpr std::size_t kBlockReplyMinLength = 11;
constexpr std::size_t kBlockReplyCheckedBytes = 9; // header and status
constexpr std::size_t kVerifySum2A = 8;
constexpr std::size_t kVerifySum1A = 10;
constexpr std::size_t kVerifySum1B = 24;
constexpr std::size_t kVerifySum2B = 26;

void PutLe16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

std::uint16_t GetLe16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

} // namespace

void BuildCommandPacket(std::uint8_t code, std::uint16_t address, std::uint8_t* packet)
{
    for (std::size_t i = 0; i < kCommandPacketSize; ++i)
        packet[i] = 0;
    packet[0] = code;
    PutLe16(packet + 1, address);
    PutLe16(packet + kPacketHeaderSize, CalcPacketCrc(packet, kPacketHeaderSize));
}

void ScrambleBlock(const TFirmwareImage& image, unsigned block, std::uint8_t* out)
{
    const TBlockKeys keys = image.DeriveKeys(block & ~1u);
    const std::uint8_t even = static_cast<std::uint8_t>(keys.Even ^ image.EvenMask());
    const std::uint8_t odd = static_cast<std::uint8_t>(keys.Odd ^ image.OddMask());
    const std::uint8_t* data = image.Image() + block * kBlockBytes;
    for (std::size_t i = 0; i < kBlockBytes; ++i)
        out[i] = static_cast<std::uint8_t>(data[i] ^ ((i % kRowBytes) % 2 == 0 ? even : odd));
}

void BuildProgramPacket(const TFirmwareImage& image, std::uint8_t code, std::uint16_t address,
                        std::uint8_t blockCount, std::uint8_t* packet)
{
    const unsigned block = static_cast<unsigned>(address - kFirstBlockAddr) / kBlockAddrStep;
    packet[0] = code;
    PutLe16(packet + 1, address);
    packet[3] = static_cast<std::uint8_t>(block);
    packet[4] = blockCount;
    packet[5] = kProgramFlags;
    PutLe16(packet + 6, static_cast<std::uint16_t>(kBlockBytes));
    ScrambleBlock(image, block, packet + kPacketHeaderSize);
    const std::size_t crcAt = kPacketHeaderSize + kBlockBytes;
    packet[crcAt] = static_cast<std::uint8_t>(CalcPacketCrc(packet, crcAt) >> 8);
    packet[crcAt + 1] = 0;
}

bool VerifySumsMatch(std::uint16_t expSum1, std::uint16_t expSum2)
{
    if (FwUp.FwPktLen < kVerifyReplyWaiting) return false;
    const std::uint8_t* p = FwUp.FwPktBuf;
    const std::uint16_t sum2 = GetLe16(p + kVerifySum2B);
    const std::uint16_t sum1 = GetLe16(p + kVerifySum1B);
    return sum2 == expSum2 && sum1 == expSum1 && GetLe16(p + kVerifySum2A) == sum2
        && GetLe16(p + kVerifySum1A) == sum1;
}

void TFwComm::SendIdentify()
{
    link_.SendFrame(kIdentifyBytes, sizeof kIdentifyBytes);
}

void TFwComm::SendCommand(std::uint8_t code, std::uint16_t address)
{
    BuildCommandPacket(code, address, FwUp.FwPktBuf);
    link_.SendFrame(FwUp.FwPktBuf, kCommandPacketSize);
}

void TFwComm::SendProgramBlock(const TFirmwareImage& image, std::uint8_t code, std::uint16_t address,
                               std::uint8_t blockCount)
{
    BuildProgramPacket(image, code, address, blockCount, FwUp.FwPktBuf);
    link_.SendFrame(FwUp.FwPktBuf, kFwProgramPacketSize);
}

std::uint8_t TFwComm::ReadAndDecode(std::uint16_t waiting, std::uint8_t noneResult)
{
    std::uint16_t count = waiting;
    link_.ReadReply(count, FwUp.FwReplyBuf, kFwReplyBufSize);
    if (count == 0) {
        FwUp.FwPktLen = 0;
        return noneResult;
    }
    std::uint16_t length = 0;
    return DecodeFrame(FwUp.FwReplyBuf, length, count);
}

std::uint8_t TFwComm::CheckBlockReply()
{
    const std::uint8_t r = ReadAndDecode(kBlockReplyWaiting, kResultTimeout);
    if (r != kResultOk) return r;
    const std::uint8_t* p = FwUp.FwPktBuf;
    const std::size_t len = FwUp.FwPktLen;
    if (len < kBlockReplyMinLength) return kResultNoFrame;
    if (GetLe16(p + 6) < 1) return kResultBadLength;
    if (CalcPacketCrc(p, kBlockReplyCheckedBytes) != GetLe16(p + len - 2)) return kResultBadCheck;
    return p[kStatusOffset];
}

std::uint8_t TFwComm::CheckVerifyReply(std::uint16_t minLength)
{
    const std::uint8_t r = ReadAndDecode(minLength, kResultTimeout);
    if (r != kResultOk) return r;
    if (FwUp.FwPktLen < minLength || FwUp.FwPktLen < kVerifyReplyWaiting) return kResultNoFrame;
    return GetLe16(FwUp.FwPktBuf + 6) == 1 ? FwUp.FwPktBuf[kStatusOffset] : kResultOk;
}

std::uint8_t TFwComm::IdentifyLoader()
{
    SendIdentify();
    return ReadAndDecode(1, kResultNoReply);
}

std::uint8_t TFwComm::ReceiveReply(std::uint8_t milliseconds)
{
    sleep_(milliseconds);
    return ReadAndDecode(kProbeReplyWaiting, kResultNoReply);
}
