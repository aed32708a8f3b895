// LinkRig: the link as the main window runs it (real TComm ports, real link
// code, shared state) wired to emulated programmer units on pseudo-terminals.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "emulator/ProgrammerEmulator.h"
#include "link/DefinCyX4.h"
#include "link/LinkPortEvents.h"
#include "link/LinkSinks.h"
#include "link/VcpPortLister.h"
#include "serial/SerialComm.h"

struct TRigLine {
    bool Timed;  // through LogLine (the window adds the time)
    std::string Text;
};

class TRigLog : public TLogSink {
public:
    void LogLine(const std::string& text) override { Lines.push_back({true, text}); }
    void AddLine(const std::string& line) override { Lines.push_back({false, line}); }
    // Writes every line as the memo shows it (time stamps left out).
    bool SaveToFile(const std::string& path) override;
    // Texts starting with prefix, in order.
    std::vector<std::string> With(const std::string& prefix) const;
    bool Has(const std::string& text) const;
    std::vector<TRigLine> Lines;
    std::vector<std::string> SavedPaths;
};

class TRigStatus : public TStatusPanel {
public:
    void ShowProgrammerName(const std::string& text) override { Name = text; }
    std::string Name;
};

class TRigImage : public TImageHost {
public:
    void AdvanceSerialNumber() override { ++Advances; }
    void RefreshAfterReadBack(int area) override { Refreshes.push_back(area); }
    int Advances = 0;
    std::vector<int> Refreshes;
};

// Operations started on a channel the way the main window's commands do.
enum class TRigOp { Download, Auto, Blank, Erase, Program, Verify, Security, ChipId, ReadFlash, ReadEep, ReadWFlash, ReadSecurity, ProgramEep, ProgramWFlash };

class TLinkRig {
public:
    // One emulated unit per config; the shared state starts from power-on.
    explicit TLinkRig(const std::vector<emu::TEmulatorConfig>& units);
    ~TLinkRig();

    // The search, then the identify replies handled. Returns the search result.
    TSearchResult Search(const TSleepMs& sleep = {}, int expectConnected = -1);
    // The unit a channel was given by the search (list order), or null.
    emu::TProgrammerEmulator* UnitOf(int channel);
    emu::TProgrammerEmulator& Unit(int index) { return *units_.at(static_cast<std::size_t>(index)); }
    int UnitCount() const { return static_cast<int>(units_.size()); }

    // Runs the GUI thread's event loop until pred() or the time-out.
    bool Pump(const std::function<bool()>& pred, int timeoutMs = 10000);
    bool WaitIdle(int channel, int timeoutMs = 20000);
    bool WaitAllIdle(int timeoutMs = 30000);
    // Lets the serial threads deliver everything that is on its way.
    void Settle(int ms = 30);

    void Start(int channel, TRigOp op);
    // Timer1Timer n times.
    void Tick(int n, TBuildLang lang = TBuildLang::Chinese);

    TRigLog Log;
    TRigStatus Status;
    TRigImage Image;
    TPortListBox PortList;
    TGauge Gauges[kChannelCount];
    std::unique_ptr<TComm> Ports[kChannelCount];
    std::unique_ptr<TFixedPortLister> Lister;

private:
    std::vector<std::unique_ptr<emu::TProgrammerEmulator>> units_;
};

// A repeatable byte pattern for images and chip contents.
std::vector<std::uint8_t> Pattern(std::size_t len, std::uint32_t seed);
// Fills MainFlashBuf[0..kb KiB) with Pattern(seed) and sets ProgSizeKB.
void LoadImage(std::uint16_t kb, std::uint32_t seed);
