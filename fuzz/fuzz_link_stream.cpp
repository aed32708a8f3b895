// fuzz_link_stream: an arbitrary byte stream into one channel's receive path:
// frame extraction, frame decoding, the identify handler or the reply
// dispatcher and the report handler, on busy and idle channels, with timer
// steps in between.
#include "LinkStates.h"
#include "link/LinkPortEvents.h"

namespace {
constexpr std::size_t kMaxChunk = 2048;  // the largest chunk a receive event carries
constexpr std::uint8_t kTickMark = 0xFF;  // a chunk header asking for timer steps instead
}

// Input: chip and channel states (see PickLinkState), then chunks, each a
// header byte and its bytes: header h gives (h % 64 + 1) * (h / 64 + 1)^3 bytes
// (1 to 4,096, at most 2,048 taken); header 0xFF runs the timer next-byte times.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static TFuzzLink link;
    TFuzzInput in(data, size);
    link.Bind();
    const int channel = PickLinkState(in);
    const TBuildLang lang = (Channels[channel].OpCode & 1) ? TBuildLang::English : TBuildLang::Chinese;
    while (!in.Empty()) {
        const std::uint8_t h = in.Byte();
        if (h == kTickMark) {
            for (int n = in.Byte(); n > 0; --n) Timer1Timer(lang);
            continue;
        }
        const std::size_t scale = h / 64 + 1;
        std::size_t want = (h % 64 + 1) * scale * scale * scale;
        if (want > kMaxChunk) want = kMaxChunk;
        const std::uint8_t* chunk = nullptr;
        const std::size_t got = in.Take(want, chunk);
        if (got == 0) break;
        ChannelReceiveData(channel, chunk, static_cast<std::uint16_t>(got));
    }
    ReleaseSharedState();
    return 0;
}
