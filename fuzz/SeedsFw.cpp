// SeedsFw: seed inputs of the upgrade tool's reply fuzz target: boot-loader
// replies framed as the device sends them, in the target's read layout.
#include <functional>
#include <vector>

#include "fwupgrade/DefinFwUgCy.h"
#include "fwupgrade/FTDI2xxFwUpCy.h"

using TBytes = std::vector<std::uint8_t>;

namespace {

void PutLe16(TBytes& p, std::size_t at, std::uint16_t v)
{
    p[at] = static_cast<std::uint8_t>(v);
    p[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

TBytes Frame(const TBytes& packet)
{
    TBytes frame(2 * packet.size() + 8);
    frame.resize(EncodeFwFrame(packet.data(), packet.size(), frame.data(), frame.size()));
    return frame;
}

// A block reply: header with a length of 1, the status, the check value.
TBytes BlockReply(std::uint8_t status)
{
    TBytes p(11, 0);
    p[0] = 0xB7;
    PutLe16(p, 6, 1);
    p[8] = status;
    PutLe16(p, 9, CalcPacketCrc(p.data(), 9));
    return p;
}

// A verify reply carrying both sums twice.
TBytes VerifyReply(std::uint16_t sum1, std::uint16_t sum2, std::uint16_t length)
{
    TBytes p(32, 0);
    p[0] = 0xBA;
    PutLe16(p, 6, length);
    PutLe16(p, 8, sum2);
    PutLe16(p, 10, sum1);
    PutLe16(p, 24, sum1);
    PutLe16(p, 26, sum2);
    PutLe16(p, 30, CalcPacketCrc(p.data(), 30));
    return p;
}

// One check of the target: check byte, expected sums, an argument byte where
// the check takes one, then the reply in reads of 8-byte units.
void AddCheck(TBytes& seed, std::uint8_t check, std::uint16_t sum1, std::uint16_t sum2, int arg, const TBytes& reply)
{
    seed.push_back(check);
    seed.push_back(static_cast<std::uint8_t>(sum1));
    seed.push_back(static_cast<std::uint8_t>(sum1 >> 8));
    seed.push_back(static_cast<std::uint8_t>(sum2));
    seed.push_back(static_cast<std::uint8_t>(sum2 >> 8));
    if (arg >= 0) seed.push_back(static_cast<std::uint8_t>(arg));
    const std::size_t units = (reply.size() + 7) / 8;
    seed.push_back(static_cast<std::uint8_t>(units));
    seed.insert(seed.end(), reply.begin(), reply.end());
    seed.resize(seed.size() + units * 8 - reply.size(), 0xC0);
    seed.push_back(0);  // the read after it finds nothing
}

}  // namespace

void WriteFwSeeds(const std::function<void(const TBytes&)>& put)
{
    const TBytes ident = {0xA3, 0xA5, 0x35, 'T', 'L', '2', '0', '0', 'B', 'L'};
    {
        TBytes seed;
        AddCheck(seed, 0, 0, 0, -1, Frame(ident));
        AddCheck(seed, 1, 0, 0, -1, Frame(BlockReply(0)));
        AddCheck(seed, 1, 0, 0, -1, Frame(BlockReply(0x31)));
        AddCheck(seed, 2, 0x1234, 0xC0DB, 28, Frame(VerifyReply(0x1234, 0xC0DB, 24)));
        put(seed);
    }
    {
        TBytes seed;
        AddCheck(seed, 3, 0, 0, 5, Frame(VerifyReply(1, 2, 1)));
        AddCheck(seed, 2, 1, 2, 30, Frame(VerifyReply(1, 2, 1)));
        TBytes bad = Frame(BlockReply(0));
        bad[3] = 0xDB;  // an escape followed by a plain byte
        AddCheck(seed, 1, 0, 0, -1, bad);
        put(seed);
    }
    {
        // The raw decoder over a frame and a stream without a closing delimiter.
        TBytes seed = {4, 0, 0, 0, 0};
        const TBytes f = Frame(VerifyReply(0xDBDB, 0xC0C0, 24));
        seed.push_back(static_cast<std::uint8_t>(f.size()));
        seed.push_back(0);
        seed.insert(seed.end(), f.begin(), f.end());
        seed.insert(seed.end(), {4, 0, 0, 0, 0, 6, 0, 0x11, 0xC0, 0x01, 0xDB, 0xDC, 0x02});
        put(seed);
    }
}
