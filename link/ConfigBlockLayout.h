// ConfigBlockLayout: byte positions of the parameter block that every command
// carries and of the 512-byte configuration block, for its builder and for the
// project files that keep two copies of it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ConfigBlockLayout {

// Parameter-block fields, relative to the block (packet byte 8).
constexpr std::size_t kPbOptionBits3 = 0;
constexpr std::size_t kPbOptionBits2 = 1;
constexpr std::size_t kPbPowerUpTime = 2;
constexpr std::size_t kPbMarker = 3;
constexpr std::size_t kPbFamily = 4;
constexpr std::size_t kPbChipIndex = 5;
constexpr std::size_t kPbProgAddr1 = 8;
constexpr std::size_t kPbProgAddr2 = 9;
constexpr std::size_t kPbWoLatch = 16;
constexpr std::size_t kPbProgSizeKB = 20;
constexpr std::size_t kPbBlockNum = 22;
constexpr std::size_t kPbBlockSize = 24;
constexpr std::size_t kPbProgAddr2Again = 26;
constexpr std::size_t kPbProgAddr1Again = 27;
constexpr std::size_t kPbNvLatch = 28;
constexpr std::size_t kPbModeByte = 32;
constexpr std::size_t kPbOptionBits1 = 33;
constexpr std::size_t kPbBankNum = 34;
constexpr std::size_t kPbChipID1 = 36;
constexpr std::size_t kPbChipID2 = 38;
constexpr std::size_t kPbChipProtect = 40;
constexpr std::size_t kPbOptByte = 41;
constexpr std::size_t kPbFlagByte = 42;
constexpr std::size_t kPbStartDelay = 44;
constexpr std::size_t kPbRemoveDelay = 46;
constexpr std::size_t kPbChipCrcSum = 48;
constexpr std::size_t kPbChipAccSum = 50;
constexpr std::size_t kPbEepCrcSum = 52;
constexpr std::size_t kPbEepAccSum = 54;
constexpr std::size_t kPbSecuCrcSum = 56;
constexpr std::size_t kPbSecuAccSum = 58;
constexpr std::size_t kPbEccAccSum = 60;
constexpr std::size_t kPbEepSize = 62;

// Configuration-block fields. Bytes 4..67 carry the parameter block, with
// block bytes 10, 11 and 14..19 replaced.
constexpr char kConfigMagic[] = "yCTV";
constexpr std::size_t kCbParamBlock = 4;
constexpr std::size_t kCbRandom1 = 10;
constexpr std::size_t kCbAutoDetect = 11;
constexpr std::uint8_t kAutoDetectOn = 15;
constexpr std::size_t kCbRandom16 = 14;
constexpr std::size_t kCbRandom4 = 16;
constexpr std::size_t kCbRandom4Len = 4;
constexpr std::size_t kCbSNMode = 68;
constexpr std::size_t kCbSNSize = 69;
constexpr std::size_t kCbSNRoundStep = 70;
constexpr std::size_t kCbSNAddr = 72;
constexpr std::size_t kCbFirstSerial = 76;
constexpr std::size_t kCbChipAccSum = 80;
constexpr std::size_t kCbFileCheckSum = 82;
constexpr std::size_t kCbCountLimitOn = 84;
constexpr std::size_t kCbCountLimit = 86;
constexpr std::size_t kCbSecurity = 112;
constexpr std::size_t kCbSecurityLen = 128;
constexpr std::size_t kCbChipName = 240;
constexpr std::uint16_t kCbChipNameWidth = 16;
constexpr std::size_t kCbObjName = 256;
constexpr std::uint16_t kCbObjNameWidth = 48;
constexpr std::size_t kCbObjNameLen = 304;
constexpr std::size_t kCbObjNameLong = 305;
constexpr std::uint16_t kCbObjNameLongWidth = 160;
constexpr std::size_t kCbRandomTail = 304;   // filled before the long name is written over it
constexpr std::size_t kCbCheck = 508;
constexpr std::size_t kCbSum = 510;

}  // namespace ConfigBlockLayout
