// TelvicBin: the binary-file library of the programmer application: raw binary
// image files, buffer filling and the two 16-bit checksums (ACC base and CRC).
#pragma once

#include <cstdint>

// What a file function did. Only Ok and Truncated leave data in the buffer.
enum class TBinFileResult {
    Ok,          // the whole file was copied / written
    Truncated,   // the file was larger than the buffer: only the buffer's capacity was copied
    Empty,       // the file holds no byte: nothing copied, EndAddr untouched
    OpenFailed,  // the file could not be opened (or created, for a save)
    ReadFailed,  // reading failed part-way: the buffer may hold part of the file
    WriteFailed  // writing failed part-way: the file may be incomplete
};

// Fills Buffer[0..Last] with Fill (Last names the last index, so 0x3FFFF fills 256 KiB).
void InitialDataBuffer(std::uint8_t* Buffer, std::uint32_t Last, std::uint8_t Fill);

// Copies the file into Buffer from index 0, at most Capacity bytes, and stores the
// index of the last byte copied in *EndAddr (file size - 1, or Capacity - 1 when cut;
// untouched when nothing was copied).
TBinFileResult DoOpenFile_BIN_Routine(const char* FileName, std::uint8_t* Buffer,
                                      std::uint32_t Capacity, std::uint32_t* EndAddr);

// Creates or replaces the file with Buffer[First..Last], both ends included.
// Last < First writes an empty file.
TBinFileResult DoSaveToBinaryFile(const char* FileName, const std::uint8_t* Buffer,
                                  std::uint32_t First, std::uint32_t Last);

// The 16-bit byte sum of Buffer[First..Last]; 0 when Last < First or Last = First - 1
// modulo 2^32 (the empty range 0..0xFFFFFFFF): nothing is read then.
std::uint16_t GetBinaryCheckSum(const std::uint8_t* Buffer, std::uint32_t First, std::uint32_t Last);

// The 16-bit check value the programmer units use for their packets, over
// Buffer[First..Last]: shift right, xor the byte, xor 0x4A12 when a one fell out.
// 0 for an empty range (as above) or a position above 0xFFFFFF: nothing is read then.
std::uint16_t GetOrvaneCheckSum(const std::uint8_t* Buffer, std::uint32_t First, std::uint32_t Last);
