// DefinCyX4: the shared programming state of the programmer application:
// the selected chip, options, serial-number settings, checksums, image buffers
// and the four channel records. Plain data, touched on the GUI thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class TComm;
class TGauge;

// Buffer sizes. The receive and transmit buffers are larger than the packet
// buffer so that the worst-case escaped frame of the largest legal packet fits
// (each payload byte can double, plus the frame bytes and trailer).
constexpr std::size_t kMainFlashBufSize = 4u * 1024u * 1024u;
constexpr std::size_t kEccWFlashBufSize = 65536;
constexpr std::size_t kEepSFlashBufSize = 65536;
constexpr std::size_t kSecurityBufSize = 8192;
constexpr std::size_t kPrjConfigBlockSize = 2048;
constexpr std::size_t kPktBufSize = 8204;
constexpr std::size_t kMaxFrameLen = 8214;                 // fully escaped 4 KB read-back reply
constexpr std::size_t kTxFrameBufSize = 2 * kPktBufSize + 7; // worst case of the largest packet
constexpr std::size_t kRxRawBufSize = kMaxFrameLen + 2048;   // one partial frame plus one chunk
constexpr std::size_t kRxFrameBufSize = kMaxFrameLen;
constexpr int kChannelCount = 4;
constexpr std::uint8_t kOpIdle = 240;

struct TChipParam {
    std::uint8_t FamilyCode = 0;
    std::uint8_t ChipIndex = 0;
    std::uint8_t BankNum = 0;
    std::uint8_t ModeByte = 0;
    std::uint8_t OptByte = 0;
    std::uint8_t FlagByte = 0;
    std::uint16_t FlashSizeKB = 0;
    std::uint16_t EepSize = 0;
    std::uint16_t EccSize = 0;
    std::uint16_t BlockSize = 0;
    std::uint16_t BlockNum = 0;
    std::uint16_t ChipID1 = 0;
    std::uint16_t ChipID2 = 0;
    std::uint16_t SecuSize = 0;
    std::uint8_t Opt0 = 0;
    std::uint8_t Opt1 = 0;
    std::uint8_t Opt2 = 0;
    std::uint8_t Opt3 = 0;
    std::string ChipName;
};

struct TControlSettings {
    std::uint8_t OptionBits1 = 0;
    std::uint8_t OptionBits2 = 0;
    std::uint8_t OptionBits3 = 0;
    std::uint8_t ChipProtect = 0;
    std::uint8_t PowerUpTime = 0;
    std::uint16_t StartDelay = 0;
    std::uint16_t RemoveDelay = 0;
    std::uint8_t ProgAddr1 = 0;
    std::uint8_t ProgAddr2 = 0;
    std::uint8_t NvLatch[4] = {};
    std::uint8_t WoLatch[4] = {};
    std::uint8_t WriteSFlash = 0;
    std::uint8_t WriteEep = 0;
    std::uint8_t AutoDetect = 0;
    std::uint8_t WriteWFlash = 0;
};

struct TSNSettings {
    std::uint8_t CountLimitOn = 0;
    std::uint32_t CountLimit = 0;
    std::uint8_t SNMode = 0;
    std::uint8_t SNSize = 0;
    std::uint16_t SNStep = 0;
    std::uint16_t SNRoundStep = 0;
    std::uint32_t SNValue = 0;
    std::uint32_t SNAddr = 0;
};

// The English build does not report ChipAcc32Sum; the field exists in both.
struct TChecksumSet {
    std::uint16_t ChipAccSum = 0;
    std::uint16_t ChipCrcSum = 0;
    std::uint16_t SecuAccSum = 0;
    std::uint16_t SecuCrcSum = 0;
    std::uint16_t EepAccSum = 0;
    std::uint16_t EepCrcSum = 0;
    std::uint16_t EccAccSum = 0;
    std::uint16_t EccCrcSum = 0;
    std::uint16_t FileCheckSum = 0;
    std::uint32_t ChipAcc32Sum = 0;
};

struct TImageInfo {
    std::uint16_t ProgSizeKB = 0;
    std::uint16_t HexFileVersion = 0;
    std::uint16_t PubKeyLen = 0;
    std::uint8_t FromObjectFile = 0;
    std::uint8_t EccInFile = 0;
    std::uint8_t HexInfoPresent = 0;
    std::uint8_t EepPresent = 0;
    std::uint8_t EccPresent = 0;
    std::uint8_t NarPresent = 0;
    std::uint8_t PubKeyPresent = 0;
    std::uint8_t Toc2Present = 0;
    std::uint8_t WFlashPresent = 0;
    std::uint8_t UserRowsPresent = 0;
    std::string ObjFileName;
    std::uint32_t FileMinAddr = 0;
    std::uint32_t FileMaxAddr = 0;
    std::uint32_t TargetStartAddr = 0;
    std::uint32_t TargetEndAddr = 0;
};

struct TImageBuffers {
    std::uint8_t MainFlashBuf[kMainFlashBufSize];
    std::uint8_t EccWFlashBuf[kEccWFlashBufSize];
    std::uint8_t EepSFlashBuf[kEepSFlashBufSize];
    std::uint8_t SecurityBuf[kSecurityBufSize];
    std::uint8_t PrjConfigBlock[kPrjConfigBlockSize];
};

struct TChannelState {
    std::uint16_t RxLen = 0;
    std::uint16_t OpTimeout = 0;
    std::string ComPortName;
    std::uint8_t OpCode = 0;
    std::uint16_t BlockTotal = 0;
    std::uint16_t BlockIndex = 0;
    TGauge* Gauge = nullptr;  // owned by the main window
    TComm* Port = nullptr;    // owned by the main window
    std::uint8_t Connected = 0;
    std::uint8_t AutoSequence = 0;
    std::uint8_t Busy = 0;
    std::uint8_t TimerProgress = 0;
    std::uint32_t NgCount = 0;
    std::uint32_t OkCount = 0;
    std::uint8_t PktBuf[kPktBufSize] = {};
    std::uint8_t TxFrameBuf[kTxFrameBufSize] = {};
    std::uint8_t RxRawBuf[kRxRawBufSize] = {};
    std::uint8_t RxFrameBuf[kRxFrameBufSize] = {};
};

extern TChipParam CurChip;
extern TControlSettings CtrlSettings;
extern TSNSettings SNSettings;
extern TChecksumSet Checksums;
extern TImageInfo ImageInfo;
extern TImageBuffers ImageBufs;   // zero at program start (static storage)
extern TChannelState Channels[kChannelCount];

extern std::uint8_t ProgrammerCount;
extern std::uint8_t ChipSelected;
extern std::uint8_t ObjFileLoaded;
extern std::uint32_t TotalOkCount;
extern std::uint32_t TotalNgCount;
extern std::uint32_t ResultsSinceLogSave;
extern std::uint8_t PrjFlagsA;
extern std::uint8_t PrjFlagsB;
extern std::uint8_t ReservedFlag6;
extern std::uint8_t ReservedFlag7;

// The application directory with a final separator, set at the main window's
// first showing.
extern std::string AppDir;

// Puts every record back to its program-start value (all zero, empty or
// unbound, buffers included). The program never calls it: it exists so each
// test starts from a clean state. InitCommonVars then gives the power-on values.
void ResetSharedStateForTest();
