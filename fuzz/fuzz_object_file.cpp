// fuzz_object_file: a fresh load and a load-more of an object file (Intel HEX
// of every layout, or a raw binary image) through the whole load path.
#include "FormatHosts.h"

namespace {
const char* const kExtensions[] = {".HEX", ".hex", ".BIN", ".bin", ".dat"};
}

// Input: chip (four bytes), extension, the error box that aborts, whether the
// file is loaded once more, then the file's bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static TFuzzLink link;
    TFuzzInput in(data, size);
    link.Bind();
    PickChip(in);
    const std::string ext = in.Pick(kExtensions);
    const unsigned abortAt = in.Byte() % 8;
    const bool loadMore = (in.Byte() & 1) != 0;
    const TBuildLang lang = loadMore ? TBuildLang::English : TBuildLang::Chinese;
    const std::string path = WriteScratchFile(in.Rest(), in.Left(), ext);

    TFuzzFileHost host;
    TChecksumViews views(lang, &link.log, nullptr, nullptr);
    TImageRefreshOf<TChecksumViews> refresh(views);
    TFuzzBoxes boxes(abortAt);
    TObjFileLoader loader(lang, host, refresh, link.log, boxes);
    loader.OpenObjectFile(path);
    if (loadMore) loader.LoadMoreFile(path);
    ReleaseSharedState();
    return 0;
}
