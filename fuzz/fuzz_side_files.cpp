// fuzz_side_files: the side-buffer loaders (security, ECC/work flash,
// EEP/supervisory flash) and the binary-file library's reader behind them.
#include <vector>

#include "FormatHosts.h"
#include "app/SideDataFiles.h"
#include "telvicbin/TelvicBin.h"

namespace {
constexpr TSideBuffer kBuffers[] = {TSideBuffer::Security, TSideBuffer::WorkFlash, TSideBuffer::SupervisoryFlash};
constexpr std::uint32_t kCapacities[] = {0, 1, 16, 256, 4096};
}

// Input: chip (four bytes), buffer, a capacity for the library's reader, then
// the file's bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static TFuzzLink link;
    TFuzzInput in(data, size);
    link.Bind();
    PickChip(in);
    const TSideBuffer buffer = in.Pick(kBuffers);
    const std::uint32_t capacity = in.Pick(kCapacities);
    const std::string path = WriteScratchFile(in.Rest(), in.Left(), ".bin");

    TFuzzFileHost host;
    TChecksumViews views(TBuildLang::Chinese, &link.log, nullptr, nullptr);
    TImageRefreshOf<TChecksumViews> refresh(views);
    TSideDataFiles files(TBuildLang::Chinese, host, refresh, link.log);
    files.LoadSideFile(buffer, path);

    // The reader on its own, into a buffer of exactly its capacity.
    std::vector<std::uint8_t> exact(capacity);
    std::uint32_t endAddr = 0xA5A5A5A5u;
    DoOpenFile_BIN_Routine(path.c_str(), exact.data(), capacity, &endAddr);
    ReleaseSharedState();
    return 0;
}
