// TelvicBin: raw binary image files, buffer filling and the two 16-bit
// checksums over the image buffers. Plain C stdio, no other dependency.
#include "telvicbin/TelvicBin.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr std::uint32_t kMaxCheckPosition = 0xFFFFFF;
constexpr std::uint16_t kCheckXor = 0x4A12;

// Last = First - 1 (modulo 2^32) is the empty range: the views pass 0 and
// 0xFFFFFFFF for a buffer of size 0.
bool EmptyRange(std::uint32_t First, std::uint32_t Last)
{
    return Last < First || static_cast<std::uint32_t>(Last + 1) == First;
}

struct TFileCloser {
    std::FILE* f;
    ~TFileCloser()
    {
        if (f) std::fclose(f);
    }
};

}  // namespace

void InitialDataBuffer(std::uint8_t* Buffer, std::uint32_t Last, std::uint8_t Fill)
{
    std::memset(Buffer, Fill, static_cast<std::size_t>(Last) + 1);
}

TBinFileResult DoOpenFile_BIN_Routine(const char* FileName, std::uint8_t* Buffer,
                                      std::uint32_t Capacity, std::uint32_t* EndAddr)
{
    TFileCloser file{std::fopen(FileName, "rb")};
    if (!file.f) return TBinFileResult::OpenFailed;

    std::size_t total = 0;
    while (total < Capacity) {
        const std::size_t got = std::fread(Buffer + total, 1, Capacity - total, file.f);
        if (got == 0) break;
        total += got;
    }
    if (std::ferror(file.f)) return TBinFileResult::ReadFailed;

    bool cut = false;
    if (total == Capacity) {
        // One probe byte tells a file of exactly Capacity bytes from a larger one.
        std::uint8_t probe;
        cut = std::fread(&probe, 1, 1, file.f) == 1;
        if (std::ferror(file.f)) return TBinFileResult::ReadFailed;
    }
    if (total == 0) return cut ? TBinFileResult::Truncated : TBinFileResult::Empty;  // cut: capacity 0
    if (EndAddr) *EndAddr = static_cast<std::uint32_t>(total - 1);
    return cut ? TBinFileResult::Truncated : TBinFileResult::Ok;
}

TBinFileResult DoSaveToBinaryFile(const char* FileName, const std::uint8_t* Buffer,
                                  std::uint32_t First, std::uint32_t Last)
{
    TFileCloser file{std::fopen(FileName, "wb")};
    if (!file.f) return TBinFileResult::OpenFailed;
    if (Last >= First) {
        const std::size_t count = static_cast<std::size_t>(Last - First) + 1;
        if (std::fwrite(Buffer + First, 1, count, file.f) != count) return TBinFileResult::WriteFailed;
    }
    const bool closed = std::fclose(file.f) == 0;
    file.f = nullptr;
    return closed ? TBinFileResult::Ok : TBinFileResult::WriteFailed;
}

std::uint16_t GetBinaryCheckSum(const std::uint8_t* Buffer, std::uint32_t First, std::uint32_t Last)
{
    if (EmptyRange(First, Last)) return 0;
    std::uint32_t sum = 0;
    for (std::uint32_t i = First;; ++i) {
        sum += Buffer[i];
        if (i == Last) break;
    }
    return static_cast<std::uint16_t>(sum);
}

std::uint16_t GetOrvaneCheckSum(const std::uint8_t* Buffer, std::uint32_t First, std::uint32_t Last)
{
    if (First > kMaxCheckPosition || Last > kMaxCheckPosition || EmptyRange(First, Last))
        return 0;
    std::uint16_t value = 0;
    for (std::uint32_t i = First; i <= Last; ++i) {
        const bool carry = (value & 1u) != 0;
        value = static_cast<std::uint16_t>((value >> 1) ^ Buffer[i]);
        if (carry) value ^= kCheckXor;
    }
    return value;
}
