// fuzz_project_file: the project-file reader, from the file's bytes to the
// shared state it takes over when the file checks out.
#include "FuzzSupport.h"
#include "app/HdlPrjRdWtRT.h"

namespace {
struct TQuietMessages : TPrjMessages {
    void PlainMessage(const std::string& text) override { chars += text.size(); }
    void ErrorMessage(const std::string& text) override { chars += text.size(); }
    std::size_t chars = 0;
};
}  // namespace

// Input: the file's bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static TFuzzLink link;
    link.Bind();
    const std::string path = WriteScratchFile(data, size, ".PTV");
    TQuietMessages messages;
    if (LoadProjectFile(path, messages) == kPrjOk) UnpackConfigBlock();
    ReleaseSharedState();
    return 0;
}
