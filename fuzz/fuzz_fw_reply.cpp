// fuzz_fw_reply: the upgrade tool's reply decoding: the frame decoder and the
// checks of the boot loader's identify, program-block and verify replies.
#include <algorithm>
#include <cstring>

#include "FuzzSupport.h"
#include "fwupgrade/CommFwUpCy.h"
#include "fwupgrade/DefinFwUgCy.h"

namespace {
// A device that hands out the input's bytes in reads of the sizes it is told.
class TInputDriver final : public TFtdiDriver {
public:
    explicit TInputDriver(TFuzzInput& in) : in_(in) {}
    bool ListDevices(std::vector<TFtdiDeviceInfo>&) override { return true; }
    bool Open(const TFtdiDeviceInfo&, int) override { return true; }
    bool SetupBuffers() override { return true; }
    bool SetTimeouts() override { return true; }
    bool ReadLineState() override { return true; }
    bool SetLineSettings(int) override { return true; }
    bool PurgeAll() override { return true; }
    bool PurgeInput() override { return true; }
    int Write(const std::uint8_t*, int length) override { return length; }
    int Read(std::uint8_t* buffer, int maxBytes) override
    {
        const std::size_t want = std::min<std::size_t>(static_cast<std::size_t>(maxBytes), in_.Byte() * 8u);
        const std::uint8_t* bytes = nullptr;
        const std::size_t n = in_.Take(want, bytes);
        std::memcpy(buffer, bytes, n);
        return static_cast<int>(n);
    }
    void ClearRtsDtr() override {}
    void Close() override {}

private:
    TFuzzInput& in_;
};
}  // namespace

// Input: a check byte, the expected sums, then the device's reads, each a
// size byte (8 bytes per unit) and its bytes; the same stream serves up to
// eight checks in a row.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TFuzzInput in(data, size);
    ResetFwUpStateForTest();
    FwUp.FtHandle = 1;
    TInputDriver driver(in);
    TFtdiLink link(driver);
    TFwComm comm(link, [](int) {});
    for (int round = 0; round < 8 && !in.Empty(); ++round) {
        const std::uint8_t check = in.Byte();
        const std::uint16_t sum1 = in.Word(), sum2 = in.Word();
        switch (check % 6) {
        case 0: comm.IdentifyLoader(); break;
        case 1: comm.CheckBlockReply(); break;
        case 2: comm.CheckVerifyReply(static_cast<std::uint16_t>(in.Byte())); break;
        case 3: comm.ReceiveReply(in.Byte()); break;
        case 4: {
            const std::uint8_t* bytes = nullptr;
            const std::size_t n = in.Take(in.Word() % (kFwReplyBufSize + 1), bytes);
            std::uint16_t length = 0;
            DecodeFrame(bytes, length, static_cast<int>(n));
            break;
        }
        default: break;
        }
        VerifySumsMatch(sum1, sum2);
    }
    return 0;
}
