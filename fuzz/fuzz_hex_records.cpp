// fuzz_hex_records: the Intel HEX record parsers of the five address layouts,
// line by line with the reader's extended address carried between records.
#include <string_view>

#include "FuzzSupport.h"
#include "app/ParseCyHex.h"

namespace {
constexpr THexLayout kLayouts[] = {THexLayout::P1, THexLayout::P4, THexLayout::P35, THexLayout::F0, THexLayout::P6};
}

// Input: one byte choosing the layout, then the records, one per line.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TFuzzInput in(data, size);
    const THexLayout layout = in.Pick(kLayouts);
    ResetSharedStateForTest();
    std::uint32_t extAddr = 0;
    std::string_view text(reinterpret_cast<const char*>(in.Rest()), in.Left());
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        ParseHexLine(layout, line, extAddr);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    ReleaseSharedState();
    return 0;
}
