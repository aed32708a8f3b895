#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "telvicbin/TelvicBin.h"

namespace {

std::string TempPath(const std::string& name)
{
    return ::testing::TempDir() + "telvicbin_" + std::to_string(::getpid()) + "_" + name;
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(TelvicBinChecks, CheckValueMatchesTheFrameCheckExamples)
{
    struct Case {
        std::vector<std::uint8_t> bytes;
        std::uint16_t crc;
    };
    const Case cases[] = {
        {{0x00}, 0x0000},
        {{0x01, 0x00}, 0x4A12},
        {{'a', 'b', 'c'}, 0x2543},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetOrvaneCheckSum(c.bytes.data(), 0, static_cast<std::uint32_t>(c.bytes.size() - 1)), c.crc);
}

TEST(TelvicBinChecks, SumsAndEmptyRangesReadNothing)
{
    std::vector<std::uint8_t> bytes(0x200, 0);
    bytes[0x10] = 0x23;
    bytes[0x11] = 0x01;
    bytes[0x12] = 0xFF;
    bytes[0x13] = 0x01;
    EXPECT_EQ(GetBinaryCheckSum(bytes.data(), 0x10, 0x13), 0x0124);
    EXPECT_EQ(static_cast<std::uint16_t>(0x10000 - GetBinaryCheckSum(bytes.data(), 0x10, 0x13)), 0xFEDC);
    EXPECT_EQ(GetBinaryCheckSum(bytes.data(), 0x20, 0x1FF), 0);

    // A 16-bit sum wraps.
    std::vector<std::uint8_t> ff(0x101, 0xFF);
    EXPECT_EQ(GetBinaryCheckSum(ff.data(), 0, 0x100), static_cast<std::uint16_t>(0x101 * 0xFF));

    // Last = First - 1 (also 0 and 0xFFFFFFFF): a null buffer proves no byte is read.
    EXPECT_EQ(GetBinaryCheckSum(nullptr, 0, 0xFFFFFFFFu), 0);
    EXPECT_EQ(GetOrvaneCheckSum(nullptr, 0, 0xFFFFFFFFu), 0);
    EXPECT_EQ(GetBinaryCheckSum(nullptr, 5, 4), 0);
    EXPECT_EQ(GetOrvaneCheckSum(nullptr, 5, 4), 0);
}

TEST(TelvicBinFiles, FillNamesTheLastIndex)
{
    std::vector<std::uint8_t> buf(8, 0x11);
    InitialDataBuffer(buf.data(), 5, 0);
    EXPECT_EQ(buf, (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0x11, 0x11}));
}

TEST(TelvicBinFiles, LoadReportsEndCutEmptyAndMissing)
{
    struct Case {
        const char* name;
        std::size_t fileSize;
        std::uint32_t capacity;
        TBinFileResult result;
        std::uint32_t endAddr;  // 0xDEAD: untouched
        std::size_t copied;
    };
    const Case cases[] = {
        {"smaller", 5000, 8192, TBinFileResult::Ok, 4999, 5000},
        {"exact", 8192, 8192, TBinFileResult::Ok, 8191, 8192},
        {"larger", 8193, 8192, TBinFileResult::Truncated, 8191, 8192},
        {"empty", 0, 8192, TBinFileResult::Empty, 0xDEAD, 0},
        {"no room", 10, 0, TBinFileResult::Truncated, 0xDEAD, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> file(c.fileSize);
        for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(i * 7 + 1);
        const std::string path = TempPath(c.name);
        WriteFile(path, file);
        std::vector<std::uint8_t> buf(c.capacity + 16, 0xEE);  // guard bytes after the capacity
        std::uint32_t end = 0xDEAD;
        EXPECT_EQ(DoOpenFile_BIN_Routine(path.c_str(), buf.data(), c.capacity, &end), c.result);
        EXPECT_EQ(end, c.endAddr);
        EXPECT_TRUE(std::equal(file.begin(), file.begin() + static_cast<long>(c.copied), buf.begin()));
        for (std::size_t i = c.copied; i < buf.size(); ++i) ASSERT_EQ(buf[i], 0xEE) << i;
        std::remove(path.c_str());
    }
    std::uint32_t end = 0xDEAD;
    std::uint8_t one = 0;
    EXPECT_EQ(DoOpenFile_BIN_Routine(TempPath("does_not_exist").c_str(), &one, 1, &end),
              TBinFileResult::OpenFailed);
    EXPECT_EQ(end, 0xDEADu);
}

TEST(TelvicBinFiles, SaveWritesBothEndsAndReplaces)
{
    const std::vector<std::uint8_t> buf = {10, 11, 12, 13, 14, 15};
    const std::string path = TempPath("save");
    WriteFile(path, std::vector<std::uint8_t>(100, 0x55));
    ASSERT_EQ(DoSaveToBinaryFile(path.c_str(), buf.data(), 1, 4), TBinFileResult::Ok);
    EXPECT_EQ(ReadFile(path), (std::vector<std::uint8_t>{11, 12, 13, 14}));
    ASSERT_EQ(DoSaveToBinaryFile(path.c_str(), buf.data(), 3, 2), TBinFileResult::Ok);
    EXPECT_TRUE(ReadFile(path).empty());
    std::remove(path.c_str());
    EXPECT_EQ(DoSaveToBinaryFile((TempPath("no_dir") + "/x/y.bin").c_str(), buf.data(), 0, 1),
              TBinFileResult::OpenFailed);
}

}  // namespace
