// LinkRig: the link as the main window runs it (real TComm ports, real link
// code, shared state) wired to emulated programmer units on pseudo-terminals.
#include "link/LinkRig.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <thread>

#include "link/CyIniComRT.h"
#include "link/HdlRxInfoPkt.h"
#include "link/TelvicCmdChkCy.h"
#include "link/TelvicComm.h"
#include "support/EventLoopWait.h"

namespace {
constexpr std::uint32_t kLinkBaud = 1000000;
constexpr std::uint32_t kReadIntervalMs = 5;
}  // namespace

bool TRigLog::SaveToFile(const std::string& path)
{
    SavedPaths.push_back(path);
    std::ofstream out(path, std::ios::binary);
    if (!out) return false;
    for (const TRigLine& l : Lines) out << l.Text << "\n";
    return static_cast<bool>(out);
}

std::vector<std::string> TRigLog::With(const std::string& prefix) const
{
    std::vector<std::string> out;
    for (const TRigLine& l : Lines)
        if (l.Text.compare(0, prefix.size(), prefix) == 0) out.push_back(l.Text);
    return out;
}

bool TRigLog::Has(const std::string& text) const
{
    return std::any_of(Lines.begin(), Lines.end(), [&](const TRigLine& l) { return l.Text == text; });
}

std::vector<std::uint8_t> Pattern(std::size_t len, std::uint32_t seed)
{
    std::vector<std::uint8_t> out(len);
    std::uint32_t x = seed * 2654435761u + 12345u;
    for (auto& b : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x);
    }
    return out;
}

void LoadImage(std::uint16_t kb, std::uint32_t seed)
{
    const auto data = Pattern(static_cast<std::size_t>(kb) * 1024u, seed);
    std::memcpy(ImageBufs.MainFlashBuf, data.data(), data.size());
    ImageInfo.ProgSizeKB = kb;
    CurChip.FlashSizeKB = kb;
    ImageInfo.TargetStartAddr = 0;
    ImageInfo.TargetEndAddr = kb * 1024u - 1;
}

TLinkRig::TLinkRig(const std::vector<emu::TEmulatorConfig>& units)
{
    ResetSharedStateForTest();
    InitCommonVars();
    ResultLogClock = {};
    for (const auto& cfg : units) units_.push_back(std::make_unique<emu::TProgrammerEmulator>(cfg));
    std::vector<std::string> paths;
    for (const auto& u : units_) paths.push_back(u->Path());
    Lister = std::make_unique<TFixedPortLister>(paths);
    LinkHost = TLinkHost{&Log, &Status, &Image, &PortList};
    for (int i = 0; i < kChannelCount; ++i) {
        auto port = std::make_unique<TComm>();
        port->SetBaudRate(kLinkBaud);
        port->SetStopBits(TStopBits::_2);
        port->SetDtrControl(TDtrControl::DtrDisable);
        port->SetRtsControl(TRtsControl::RtsDisable);
        port->SetTxContinueOnXoff(false);
        port->SetOutx_XonXoffFlow(false);
        port->SetInx_XonXoffFlow(false);
        port->SetReadIntervalTimeout(kReadIntervalMs);
        port->OnReceiveData = [i](TComm*, void* buf, std::uint16_t len) { ChannelReceiveData(i, buf, len); };
        port->OnRequestHangup = [i](TComm*) { ChannelRequestHangup(i); };
        Channels[i].Port = port.get();
        Channels[i].Gauge = &Gauges[i];
        Ports[i] = std::move(port);
    }
}

TLinkRig::~TLinkRig()
{
    for (auto& p : Ports) {
        p->OnReceiveData = nullptr;
        p->OnRequestHangup = nullptr;
        p->CloseComm();
    }
    for (TChannelState& ch : Channels) {
        ch.Port = nullptr;
        ch.Gauge = nullptr;
    }
    LinkHost = TLinkHost{};
    ResultLogClock = {};
    units_.clear();
}

TSearchResult TLinkRig::Search(const TSleepMs& sleep, int expectConnected)
{
    const TSearchResult r = SearchProgrammers(*Lister, TBuildLang::Chinese, sleep);
    if (expectConnected >= 0) {
        Pump([&] { return ProgrammerCount >= expectConnected; });
    }
    Settle();
    return r;
}

emu::TProgrammerEmulator* TLinkRig::UnitOf(int channel)
{
    for (auto& u : units_)
        if (u->Path() == Channels[channel].ComPortName) return u.get();
    return nullptr;
}

bool TLinkRig::Pump(const std::function<bool()>& pred, int timeoutMs)
{
    return SpinUntil(pred, std::chrono::milliseconds(timeoutMs));
}

bool TLinkRig::WaitIdle(int channel, int timeoutMs)
{
    return Pump([channel] { return Channels[channel].Busy == 0; }, timeoutMs);
}

bool TLinkRig::WaitAllIdle(int timeoutMs)
{
    return Pump([] { return std::all_of(std::begin(Channels), std::end(Channels), [](const TChannelState& c) { return c.Busy == 0; }); },
                timeoutMs);
}

void TLinkRig::Settle(int ms)
{
    Pump([] { return false; }, ms);
}

void TLinkRig::Tick(int n, TBuildLang lang)
{
    for (int i = 0; i < n; ++i) Timer1Timer(lang);
}

void TLinkRig::Start(int channel, TRigOp op)
{
    TChannelState& ch = Channels[channel];
    TTelvicComm& comm = TelvicComm[channel];
    TTelvicCmdChk& cmd = TelvicCmdChk[channel];
    auto open = [&](std::uint8_t opCode, std::uint8_t timerProgress, int autoSeq, std::uint16_t gaugeMax) {
        ch.TimerProgress = timerProgress;
        ch.RxLen = 0;
        ch.OpCode = opCode;
        if (autoSeq >= 0) ch.AutoSequence = static_cast<std::uint8_t>(autoSeq);
        comm.BeginChannelOp(gaugeMax);
    };
    const std::uint16_t flashKB = CurChip.FlashSizeKB;
    const std::uint16_t eccKB = static_cast<std::uint16_t>(CurChip.EccSize >> 10);
    switch (op) {
    case TRigOp::Download:
        open(kOpCodeConfig, 0, -1, static_cast<std::uint16_t>(flashKB + eccKB + 1));
        cmd.SendConfigBlock(kCmdConfig, static_cast<std::uint16_t>(0x1234 + channel));
        return;
    case TRigOp::Auto:
        if (CurChip.FamilyCode == 0) {
            open(kOpCodeErase, 1, 1, 4);
            cmd.SendMainFlashBlock();
        } else {
            open(kOpCodeErase, 1, 1, 500);
            cmd.SendOpCommand(kCmdOperation, kOpErase);
        }
        return;
    case TRigOp::Blank: open(kOpCodeBlank, 1, 0, 1200); cmd.SendOpCommand(kCmdOperation, kOpBlankCheck); return;
    case TRigOp::Erase: open(kOpCodeErase, 1, 0, 1200); cmd.SendOpCommand(kCmdOperation, kOpErase); return;
    case TRigOp::Program: open(kOpCodeProgram, 0, 0, flashKB); cmd.SendMainFlashBlock(); return;
    case TRigOp::Verify: open(kOpCodeVerify, 1, 0, 1000); cmd.SendOpCommand(kCmdOperation, kOpVerify); return;
    case TRigOp::Security: open(kOpCodeSecurity, 1, 0, 500); cmd.SendSecurityData(); return;
    case TRigOp::ChipId: open(kOpCodeChipId, 1, -1, 500); cmd.SendOpCommand(kCmdOperation, kOpReadChipId); return;
    case TRigOp::ReadFlash: open(kOpCodeReadFlash, 0, 0, flashKB); cmd.SendOpCommand(kCmdReadFlashBlock, ch.BlockIndex); return;
    case TRigOp::ReadEep: open(kOpCodeReadEep, 0, 0, 6); cmd.SendOpCommand(kCmdReadEepBlock, ch.BlockIndex); return;
    case TRigOp::ReadWFlash: open(kOpCodeReadWFlash, 0, 0, eccKB); cmd.SendOpCommand(kCmdReadWFlashBlock, ch.BlockIndex); return;
    case TRigOp::ReadSecurity: open(kOpCodeReadSecurity, 0, 0, flashKB); cmd.SendOpCommand(kCmdOperation, kOpReadSecurity); return;
    case TRigOp::ProgramEep: ch.TimerProgress = 0; ch.AutoSequence = 0; comm.StartEepProgram(); return;
    case TRigOp::ProgramWFlash: ch.TimerProgress = 0; ch.AutoSequence = 0; comm.StartWFlashProgram(); return;
    }
}
