// fuzz_info_packet: the programmers' stand-alone stage and result reports,
// many in a row on any channel, with the totals and the 1000th-result save.
#include <cstring>

#include "FuzzSupport.h"
#include "link/HdlRxInfoPkt.h"

namespace {
constexpr std::size_t kReportLen = 8;
constexpr std::uint8_t kFixSumFlag = 0x80;  // make the eight bytes sum to 0
}

// Input: records of a channel byte (bit 7: fix the sum, bit 6: the log save
// fails) and eight report bytes. The result counters start from input words,
// so the thousandth result comes within reach.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static TFuzzLink link;
    TFuzzInput in(data, size);
    link.Bind();
    AppDir = "/nonexistent-telvic-fuzz/";
    ResultLogClock = [] { return TDateTimeText{"2026/12/10", "10:42:07"}; };
    ResultsSinceLogSave = in.Word() % (kResultsPerLogSave + 1);
    TotalOkCount = in.Word();
    TotalNgCount = in.Word();
    while (!in.Empty()) {
        const std::uint8_t head = in.Byte();
        const int channel = head % kChannelCount;
        link.log.saveResult = (head & 0x40) == 0;
        std::uint8_t* pkt = Channels[channel].PktBuf;
        const std::uint8_t* bytes = nullptr;
        const std::size_t n = in.Take(kReportLen, bytes);
        std::memset(pkt, 0, kReportLen);
        std::memcpy(pkt, bytes, n);
        if (head & kFixSumFlag) {
            std::uint8_t sum = 0;
            for (std::size_t i = 0; i + 1 < kReportLen; ++i) sum = static_cast<std::uint8_t>(sum + pkt[i]);
            pkt[kReportLen - 1] = static_cast<std::uint8_t>(0x100 - sum);
        }
        HandleInfoPacket(channel);
    }
    ResultLogClock = {};
    ReleaseSharedState();
    return 0;
}
