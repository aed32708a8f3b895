// Test helpers for object files: record lines, generated files and a scripted
// error-box host that records every box text.
#pragma once

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "app/ParseCyHex.h"
#include "tests/app/HexGen.h"

namespace hextest {

inline std::string Data(std::uint16_t addr, const std::vector<std::uint8_t>& data) { return Rec(0, addr, data); }

// The same line with its last checksum digit changed.
inline std::string BadSum(std::string line)
{
    line.back() = line.back() == '0' ? '1' : '0';
    return line;
}

inline std::vector<std::uint8_t> Ramp(std::size_t n, std::uint8_t start = 1)
{
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(start + i);
    return v;
}

// Each test case runs in a process of its own, several at once: the process
// id keeps their files apart.
inline std::string TempPath(const std::string& name)
{
    return ::testing::TempDir() + "objfiles_" + std::to_string(::getpid()) + "_" + name;
}

inline void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

inline std::string Join(const std::vector<std::string>& lines, const std::string& end = "\n")
{
    std::string s;
    for (const auto& l : lines) s += l + end;
    return s;
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Answers every box with Answer and keeps the texts.
struct TScriptedBoxes : TErrorBoxHost {
    TBoxAnswer Answer = TBoxAnswer::Ok;
    std::vector<std::string> Texts;
    TBoxAnswer ShowRecordError(const std::string& text) override
    {
        Texts.push_back(text);
        return Answer;
    }
};

}  // namespace hextest
