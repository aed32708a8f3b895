// A small Intel HEX generator for tests and benchmarks: record lines and whole
// files from address sections, 16 data bytes per record.
#pragma once

#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <string>
#include <vector>

namespace hextest {

inline std::string Hex2(unsigned v)
{
    char s[3];
    std::snprintf(s, sizeof s, "%02X", v & 0xFFu);
    return s;
}

// A record line whose count field says count, with the data and then the
// checksum that makes the 8-bit sum of all its bytes 0.
inline std::string RecWithCount(unsigned count, std::uint8_t type, std::uint16_t addr,
                                const std::vector<std::uint8_t>& data)
{
    unsigned sum = count + (addr >> 8) + (addr & 0xFF) + type;
    std::string s = ":" + Hex2(count) + Hex2(addr >> 8) + Hex2(addr) + Hex2(type);
    for (auto b : data) {
        s += Hex2(b);
        sum += b;
    }
    return s + Hex2(0x100 - (sum & 0xFF));
}

// A well-formed record line (checksum right after the data).
inline std::string Rec(std::uint8_t type, std::uint16_t addr, const std::vector<std::uint8_t>& data)
{
    return RecWithCount(static_cast<unsigned>(data.size()), type, addr, data);
}

// Extended linear address record for the upper 16 bits of ext.
inline std::string ExtLinear(std::uint32_t ext)
{
    return Rec(4, 0, {static_cast<std::uint8_t>(ext >> 24), static_cast<std::uint8_t>(ext >> 16)});
}

struct THexSection {
    std::uint32_t address;
    std::vector<std::uint8_t> bytes;
};

constexpr std::size_t kGenRecordBytes = 16;

// The records of the sections in order: a type-4 record wherever the upper 16
// address bits change, data records that never cross a 64 KiB boundary, and
// an end-of-file record. Lines end in lineEnd.
inline std::string HexFile(const std::vector<THexSection>& sections, const std::string& lineEnd = "\n")
{
    std::string out;
    bool haveExt = false;
    std::uint32_t ext = 0;
    for (const auto& s : sections) {
        std::size_t i = 0;
        while (i < s.bytes.size()) {
            const std::uint32_t a = s.address + static_cast<std::uint32_t>(i);
            if (!haveExt || (a & 0xFFFF0000u) != ext) {
                ext = a & 0xFFFF0000u;
                haveExt = true;
                out += ExtLinear(ext) + lineEnd;
            }
            std::size_t n = std::min(kGenRecordBytes, s.bytes.size() - i);
            n = std::min<std::size_t>(n, 0x10000u - (a & 0xFFFFu));
            out += Rec(0, static_cast<std::uint16_t>(a & 0xFFFF),
                       std::vector<std::uint8_t>(s.bytes.begin() + static_cast<long>(i),
                                                 s.bytes.begin() + static_cast<long>(i + n))) + lineEnd;
            i += n;
        }
    }
    return out + ":00000001FF" + lineEnd;
}

}  // namespace hextest
