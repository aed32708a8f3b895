// MakeSeedCorpus: writes the seed inputs of every fuzz target: HEX files of
// each layout, binary and side files, project files, and replies captured
// from emulated programmer units, all in the input layouts the targets read.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "FormatHosts.h"
#include "LinkStates.h"
#include "app/HdlPrjRdWtRT.h"
#include "emulator/ProgrammerEmulator.h"
#include "link/Comm200Cy.h"
#include "link/TelvicCmdChkCy.h"

using TBytes = std::vector<std::uint8_t>;

// Defined in SeedsFw.cpp (its headers clash with the link's).
void WriteFwSeeds(const std::function<void(const TBytes&)>& put);

namespace {

constexpr int kQuietMs = 150;  // a reply is complete after this long without a byte

std::string gOutDir;

void PutSeed(const std::string& target, const TBytes& bytes)
{
    static std::vector<std::pair<std::string, int>> counts;
    int n = 0;
    bool found = false;
    for (auto& c : counts)
        if (c.first == target) {
            n = ++c.second;
            found = true;
        }
    if (!found) counts.push_back({target, n});
    const std::string dir = gOutDir + "/" + target;
    ::mkdir(dir.c_str(), 0755);
    char name[32];
    std::snprintf(name, sizeof name, "/seed-%03d", n);
    std::FILE* f = std::fopen((dir + name).c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        std::perror((dir + name).c_str());
        std::exit(1);
    }
    std::fclose(f);
}

void Append(TBytes& out, const std::string& s) { out.insert(out.end(), s.begin(), s.end()); }
void Append(TBytes& out, const TBytes& b) { out.insert(out.end(), b.begin(), b.end()); }

template <class T, std::size_t N>
std::uint8_t IndexOf(const T (&table)[N], T value)
{
    for (std::size_t i = 0; i < N; ++i)
        if (table[i] == value) return static_cast<std::uint8_t>(i);
    std::fprintf(stderr, "value not in table\n");
    std::exit(1);
}

// ---- Intel HEX -------------------------------------------------------------

std::string Record(std::uint8_t type, std::uint16_t addr, const TBytes& data)
{
    char buf[8];
    std::string line = ":";
    std::uint8_t sum = static_cast<std::uint8_t>(data.size() + (addr >> 8) + addr + type);
    std::snprintf(buf, sizeof buf, "%02X%04X%02X", static_cast<unsigned>(data.size()), addr, type);
    line += buf;
    for (std::uint8_t b : data) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        line += buf;
        sum = static_cast<std::uint8_t>(sum + b);
    }
    std::snprintf(buf, sizeof buf, "%02X", static_cast<std::uint8_t>(0x100 - sum));
    return line + buf + "\r\n";
}

std::string Linear(std::uint16_t upper) { return Record(4, 0, {static_cast<std::uint8_t>(upper >> 8), static_cast<std::uint8_t>(upper)}); }

TBytes Counting(std::size_t n, std::uint8_t from)
{
    TBytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(from + i * 7);
    return b;
}

// Every region a reader knows, with records of the sizes it expects there.
std::string RegionsHex(std::uint16_t mainUpper)
{
    std::string s = Linear(mainUpper);
    for (std::uint16_t a = 0; a < 0x80; a += 0x20) s += Record(0, a, Counting(32, static_cast<std::uint8_t>(a)));
    s += Record(2, 0, {0x10, 0x00}) + Record(0, 0, Counting(16, 1)) + Record(2, 0, {0, 0});
    s += Linear(0x0010) + Record(0, 0, Counting(64, 3));   // security of the older parts
    s += Linear(0x0020) + Record(0, 0, {0x12, 0x34});      // file checksum
    s += Linear(0x8000) + Record(0, 0, Counting(32, 5));   // ECC
    s += Linear(0x9000) + Record(0, 0, {1, 2, 3, 4});       // NV latches
    s += Linear(0x9010) + Record(0, 0, {5, 6, 7, 8});       // write-once latches
    s += Linear(0x9020) + Record(0, 0, Counting(32, 9));   // EEP
    s += Linear(0x9030) + Record(0, 0, {0xAB, 0xCD});      // checksum
    s += Linear(0x9040) + Record(0, 0, Counting(64, 11));  // security
    s += Linear(0x9050) + Record(0, 0, Counting(12, 13));  // metadata
    s += Linear(0x9060) + Record(0, 0, {0x01});             // chip protection
    s += Linear(0x9070) + Record(0, 0, Counting(16, 15));  // eFuse
    s += Record(5, 0, {0, 0, 0, 0}) + Record(3, 0, {0, 0, 0, 0});
    return s + Record(1, 0, {});
}

std::string P6Hex()
{
    std::string s = Linear(0x1000) + Record(0, 0, Counting(32, 1)) + Record(0, 0x0200, Counting(16, 2));
    s += Linear(0x1400) + Record(0, 0, Counting(32, 3));
    s += Linear(0x1600) + Record(0, 0x0800, Counting(16, 4)) + Record(0, 0x1A00, Counting(16, 5)) +
         Record(0, 0x5A00, Counting(16, 6)) + Record(0, 0x7C00, Counting(16, 7));
    s += Linear(0x9030) + Record(0, 0, {0xAB, 0xCD}) + Linear(0x9050) + Record(0, 0, Counting(12, 8));
    s += Linear(0x9040) + Record(0, 0, Counting(4, 9)) + Linear(0x9070) + Record(0, 0, Counting(16, 10));
    return s + Record(1, 0, {});
}

// Broken records: bad sum, bad type, short line, no colon, lower-case digits.
std::string BrokenHex()
{
    std::string s = Linear(0) + ":10000000000102030405060708090A0B0C0D0E0F00\r\n";
    s += ":0400000600000000F6\n:0300\n1000000000\n:02000004ffff\n:10FFF000";
    s += Record(0, 0xFFF0, Counting(16, 1)) + Linear(0x9050) + Record(0, 0, Counting(3, 1));
    return s;
}

void WriteHexSeeds()
{
    const THexLayout layouts[] = {THexLayout::P1, THexLayout::P4, THexLayout::P35, THexLayout::F0, THexLayout::P6};
    for (std::uint8_t i = 0; i < 5; ++i) {
        for (const std::string& text : {RegionsHex(0), layouts[i] == THexLayout::P6 ? P6Hex() : RegionsHex(1), BrokenHex()}) {
            TBytes seed = {i};
            Append(seed, text);
            PutSeed("fuzz_hex_records", seed);
        }
    }
    // One chip per reader layout, plus the family-0x08 binary set-up.
    const std::uint8_t families[] = {0x20, 0xC0, 0x80, 0x00, 0xD8, 0x08, 0x50};
    for (std::uint8_t fam : families) {
        const THexLayout layout = HexLayoutForFamily(fam);
        const std::uint8_t chip[] = {IndexOf(kFuzzFamilies, fam), IndexOf(kFuzzFlashKB, std::uint16_t(16)),
                                     IndexOf(kFuzzEepSizes, std::uint16_t(512)), IndexOf(kFuzzEccSizes, std::uint16_t(2048))};
        for (int variant = 0; variant < 3; ++variant) {
            TBytes seed(chip, chip + 4);
            seed.push_back(variant == 2 ? 2 : 0);           // ".BIN" for the binary variant, else ".HEX"
            seed.push_back(variant == 1 ? 2 : 0);           // abort at the second error box
            seed.push_back(static_cast<std::uint8_t>(variant == 0));  // load more
            if (variant == 2)
                Append(seed, Counting(3000, fam));
            else
                Append(seed, variant == 1 ? BrokenHex() : (layout == THexLayout::P6 ? P6Hex() : RegionsHex(0)));
            PutSeed("fuzz_object_file", seed);
        }
    }
}

// ---- side files ------------------------------------------------------------

void WriteSideSeeds()
{
    const std::size_t sizes[] = {0, 1, 255, 2048, 9000};
    std::uint8_t buffer = 0;
    for (std::uint8_t fam : {std::uint8_t(0x20), std::uint8_t(0xD8), std::uint8_t(0x80)}) {
        for (std::size_t n : sizes) {
            TBytes seed = {IndexOf(kFuzzFamilies, fam), 4, 2, 1, static_cast<std::uint8_t>(buffer++ % 3),
                           static_cast<std::uint8_t>(n % 5)};
            Append(seed, Counting(n, static_cast<std::uint8_t>(n)));
            PutSeed("fuzz_side_files", seed);
        }
    }
}

// ---- project files ---------------------------------------------------------

TBytes ReadFile(const std::string& path)
{
    TBytes out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    std::uint8_t buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

void WriteProjectSeeds()
{
    struct TShape {
        std::uint8_t Family;
        std::uint16_t FlashKB, Eep, Ecc, Secu;
    };
    const TShape shapes[] = {{0x20, 0, 0, 0, 0}, {0x20, 1, 16, 0, 64}, {0x80, 2, 32, 64, 128}, {0xD8, 1, 0, 32, 256}};
    std::uint32_t x = 12345;
    const TPrjRandom random = [&x] {
        x = x * 1103515245u + 12345u;
        return static_cast<std::uint8_t>((x >> 16) % 255);
    };
    TFuzzLink link;
    for (const TShape& s : shapes) {
        link.Bind();
        TelvicCmdChk[0].Random = [&x](std::uint32_t range) { return (x = x * 69069u + 1u) % range; };
        CurChip.FamilyCode = s.Family;
        CurChip.FlashSizeKB = s.FlashKB;
        CurChip.EepSize = s.Eep;
        CurChip.EccSize = s.Ecc;
        CurChip.SecuSize = s.Secu;
        CurChip.ChipName = "CY8C21434";
        ImageInfo.ObjFileName = "fuzz.hex";
        const TBytes image = Counting(s.FlashKB * 1024u, 3);
        if (!image.empty()) std::memcpy(ImageBufs.MainFlashBuf, image.data(), image.size());
        const std::string path = gOutDir + "/project.tmp";
        if (!SaveProjectFile(path, kPrjModelCode, random)) std::exit(1);
        PutSeed("fuzz_project_file", ReadFile(path));
        std::remove(path.c_str());
    }
    TelvicCmdChk[0].Random = DefaultRandomSource();
}

// ---- replies of emulated units ----------------------------------------------

// One emulated unit and the PC's end of its line, in raw mode.
class TUnitLine {
public:
    explicit TUnitLine(const emu::TEmulatorConfig& cfg) : unit(cfg)
    {
        fd_ = ::open(unit.Path().c_str(), O_RDWR | O_NOCTTY);
        if (fd_ < 0) {
            std::perror(unit.Path().c_str());
            std::exit(1);
        }
        termios t{};
        tcgetattr(fd_, &t);
        cfmakeraw(&t);
        tcsetattr(fd_, TCSANOW, &t);
    }
    ~TUnitLine() { ::close(fd_); }

    // Sends what `send` frames on channel 1 and returns the whole reply.
    TBytes Exchange(const std::function<void(TTelvicCmdChk&)>& send)
    {
        TTelvicCmdChk& cmd = TelvicCmdChk[0];
        const int fd = fd_;
        cmd.SendHook = [fd](int, const std::uint8_t* frame, std::uint16_t n) {
            if (::write(fd, frame, n) != n) std::exit(1);
        };
        send(cmd);
        cmd.SendHook = nullptr;
        return ReadQuiet();
    }
    TBytes ReadQuiet()
    {
        TBytes out;
        pollfd p{fd_, POLLIN, 0};
        while (::poll(&p, 1, kQuietMs) > 0) {
            std::uint8_t buf[4096];
            const ssize_t n = ::read(fd_, buf, sizeof buf);
            if (n <= 0) break;
            out.insert(out.end(), buf, buf + n);
        }
        return out;
    }
    emu::TProgrammerEmulator unit;

private:
    int fd_ = -1;
};

// The link-stream input that puts channel `channel` into opCode (kOpIdle:
// idle; 0: not connected) and then delivers `stream` in chunks of `chunk` bytes.
TBytes StreamSeed(int channel, std::uint8_t opCode, const TBytes& stream, std::size_t chunk)
{
    const std::uint16_t kb = 16;
    TBytes s = {IndexOf(kFuzzFamilies, std::uint8_t(0x20)), IndexOf(kFuzzFlashKB, kb), IndexOf(kFuzzEepSizes, std::uint16_t(512)),
                IndexOf(kFuzzEccSizes, std::uint16_t(2048)), 0x01, static_cast<std::uint8_t>(kb), 0,
                static_cast<std::uint8_t>(channel)};
    for (int c = 0; c < kChannelCount; ++c) {
        if (c != channel || opCode == kOpIdle) {
            s.push_back(0);  // connected, idle
        } else if (opCode == 0) {
            s.push_back(1);  // not connected
        } else {
            s.push_back(2 | 4);  // connected, busy, automatic sequence
            s.push_back(100);
            s.push_back(0);
            s.push_back(IndexOf(kFuzzOpCodes, opCode));
            s.push_back(0);
            s.push_back(0);
        }
    }
    for (std::size_t off = 0; off < stream.size(); off += chunk) {
        const std::size_t n = std::min(chunk, stream.size() - off);
        s.push_back(static_cast<std::uint8_t>(n - 1));
        s.insert(s.end(), stream.begin() + off, stream.begin() + off + n);
    }
    s.push_back(0xFF);  // then a few timer steps
    s.push_back(3);
    return s;
}

void WriteIdentifySeed(const TBytes& frame, int channel)
{
    TChannelState& ch = Channels[0];
    std::uint16_t len = 0;
    std::memcpy(ch.RxFrameBuf, frame.data(), std::min(frame.size(), kRxFrameBufSize));
    if (UnpackFrame(ch.RxFrameBuf, ch.PktBuf, len, static_cast<std::uint16_t>(frame.size())) != kResultOk) return;
    const std::string name = "Telvic200Cy";
    TBytes seed = {static_cast<std::uint8_t>(channel), 25, static_cast<std::uint8_t>(name.size())};
    Append(seed, name);
    seed.insert(seed.end(), ch.PktBuf, ch.PktBuf + len);
    PutSeed("fuzz_identify_reply", seed);
}

void WriteLinkSeeds()
{
    TFuzzLink link;
    link.Bind();
    CurChip.FamilyCode = 0x20;
    CurChip.FlashSizeKB = 16;
    CurChip.EepSize = 512;
    CurChip.EccSize = 2048;
    CtrlSettings.WriteEep = 1;
    ImageInfo.ProgSizeKB = 16;
    TelvicCmdChk[0].Random = [](std::uint32_t range) { return 7u % range; };

    // Identify replies of units with different names and settings records.
    struct TIdUnit {
        const char* Name;
        std::uint8_t SNMode;
        std::uint8_t LimitOn;
        bool Outside;
    };
    const TIdUnit ids[] = {{"Telvic200Cy_GangUnit_V9.1", 1, 1, false}, {"Telvic200Cy V7.3", 2, 0, false},
                           {"Telvic200Cy V6.0", 0, 1, false},          {"Telvic200Cy_GangUnit_V9.1", 1, 1, true},
                           {"SomeOtherUnit", 0, 0, false}};
    for (const TIdUnit& id : ids) {
        emu::TEmulatorConfig cfg;
        cfg.name = id.Name;
        cfg.settings.SNMode = id.SNMode;
        cfg.settings.SNAddr = 0x1FF0;
        cfg.settings.SNInitial = 1000;
        cfg.settings.SNCurrent = 1234;
        cfg.settings.LimitOn = id.LimitOn;
        cfg.settings.Limit = 5000;
        cfg.settings.Programmed = 77;
        cfg.recordOutsidePacket = id.Outside;
        TUnitLine line(cfg);
        const TBytes reply = line.Exchange([](TTelvicCmdChk& c) { c.SendIdentify(); });
        PutSeed("fuzz_link_stream", StreamSeed(1, 0, reply, 64));
        WriteIdentifySeed(reply, 1);
    }

    // Replies to every request, normal and with a status code.
    struct TExchange {
        std::uint8_t OpCode;
        std::function<void(TTelvicCmdChk&)> Send;
        std::uint8_t Code;
        int Arg;
    };
    const TExchange exchanges[] = {
        {kOpCodeConfig, [](TTelvicCmdChk& c) { c.SendConfigBlock(kCmdConfig, 0x1234); }, kCmdConfig, -1},
        {kOpCodeFlashDownload, [](TTelvicCmdChk& c) { c.DownloadFlashBlock(kCmdDownloadFlash, 0, 0); }, kCmdDownloadFlash, -1},
        {kOpCodeEccDownload, [](TTelvicCmdChk& c) { c.DownloadEccBlock(kCmdDownloadEcc, 0); }, kCmdDownloadEcc, -1},
        {kOpCodeErase, [](TTelvicCmdChk& c) { c.SendOpCommand(kCmdOperation, kOpErase); }, kCmdOperation, kOpErase},
        {kOpCodeBlank, [](TTelvicCmdChk& c) { c.SendOpCommand(kCmdOperation, kOpBlankCheck); }, kCmdOperation, kOpBlankCheck},
        {kOpCodeProgram, [](TTelvicCmdChk& c) { c.SendMainFlashBlock(); }, kCmdProgramFlash, -1},
        {kOpCodeVerify, [](TTelvicCmdChk& c) { c.SendOpCommand(kCmdOperation, kOpVerify); }, kCmdOperation, kOpVerify},
        {kOpCodeSecurity, [](TTelvicCmdChk& c) { c.SendSecurityData(); }, kCmdOperation, kOpWriteSecurity},
        {kOpCodeChipId, [](TTelvicCmdChk& c) { c.SendOpCommand(kCmdOperation, kOpReadChipId); }, kCmdOperation, kOpReadChipId},
        {kOpCodeReadFlash, [](TTelvicCmdChk& c) { c.SendOpCommand(kCmdReadFlashBlock, 0); }, kCmdReadFlashBlock, -1},
        {kOpCodeReadEep, [](TTelvicCmdChk& c) { c.SendOpCommand(kCmdReadEepBlock, 0); }, kCmdReadEepBlock, -1},
        {kOpCodeReadWFlash, [](TTelvicCmdChk& c) { c.SendOpCommand(kCmdReadWFlashBlock, 0); }, kCmdReadWFlashBlock, -1},
        {kOpCodeReadSecurity, [](TTelvicCmdChk& c) { c.SendOpCommand(kCmdOperation, kOpReadSecurity); }, kCmdOperation, kOpReadSecurity},
        {kOpCodeEepProgram, [](TTelvicCmdChk& c) { c.SendEepBlock(kCmdProgramEep, 0); }, kCmdProgramEep, -1},
        {kOpCodeWFlashProgram, [](TTelvicCmdChk& c) { c.SendEccBlock(kCmdProgramWFlash, 0); }, kCmdProgramWFlash, -1},
    };
    TUnitLine line(emu::TEmulatorConfig{});
    line.unit.FillChip(0x5A);
    int n = 0;
    for (const TExchange& e : exchanges) {
        const TBytes normal = line.Exchange(e.Send);
        PutSeed("fuzz_link_stream", StreamSeed(0, e.OpCode, normal, n % 2 ? 64 : 1 + n));
        emu::TFaultRule rule;
        rule.code = e.Code;
        rule.arg = e.Arg;
        rule.fault.Code = 0x21 + n;
        line.unit.AddFault(rule);
        const TBytes status = line.Exchange(e.Send);
        PutSeed("fuzz_link_stream", StreamSeed(n % kChannelCount, e.OpCode, status, 64));
        ++n;
    }
    // Stand-alone reports on an idle channel, and a garbled stream.
    TBytes reports;
    const std::uint8_t stages[][2] = {{0x10, 0}, {0x20, 0}, {0x40, 0}, {0x50, 0}, {0x70, 0}, {0xF0, 6}, {0xF0, 3}};
    for (const auto& st : stages) {
        line.unit.SendReport(st[0], st[1], 40, 100);
        Append(reports, line.ReadQuiet());
    }
    PutSeed("fuzz_link_stream", StreamSeed(2, kOpIdle, reports, 13));
    TBytes garbled = {0x11, 0x22, 0xC0, 0xC0, 0xDB, 0x41, 0xC0, 0x01, 0x02, 0xC0};
    Append(garbled, reports);
    PutSeed("fuzz_link_stream", StreamSeed(0, kOpCodeErase, garbled, 7));
    TelvicCmdChk[0].Random = DefaultRandomSource();
}

// ---- stand-alone reports ----------------------------------------------------

void WriteInfoSeeds()
{
    const std::uint8_t stages[] = {0x10, 0x20, 0x30, 0x40, 0x50, 0x70, 0x80, 0xA0, 0xF0, 0x60};
    for (int seedNo = 0; seedNo < 4; ++seedNo) {
        TBytes seed = {0xE6, 0x03, 0x10, 0x00, 0x20, 0x00};  // 998 results since the last save
        for (int i = 0; i < 12; ++i) {
            const std::uint8_t stage = stages[(i + seedNo) % 10];
            const std::uint8_t result = (i % 3 == 0) ? 6 : static_cast<std::uint8_t>(i);
            const std::uint8_t ch = static_cast<std::uint8_t>((i + seedNo) % 4);
            TBytes pkt = {0xFD, stage, result, static_cast<std::uint8_t>(i * 10), 0, 100, 0};
            std::uint8_t sum = 0;
            for (std::uint8_t b : pkt) sum = static_cast<std::uint8_t>(sum + b);
            pkt.push_back(static_cast<std::uint8_t>(0x100 - sum + (seedNo == 3 && i == 5)));
            seed.push_back(static_cast<std::uint8_t>(ch | (seedNo == 2 ? 0x40 : 0)));
            Append(seed, pkt);
        }
        PutSeed("fuzz_info_packet", seed);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    gOutDir = argv[1];
    ::mkdir(gOutDir.c_str(), 0755);
    WriteHexSeeds();
    WriteSideSeeds();
    WriteProjectSeeds();
    WriteLinkSeeds();
    WriteInfoSeeds();
    WriteFwSeeds([](const TBytes& b) { PutSeed("fuzz_fw_reply", b); });
    return 0;
}
