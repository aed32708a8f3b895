// EmulatedUnits: the real main window against four emulated programmer units
// on pseudo-terminals, found by the window's own first search.
#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "emulator/ProgrammerEmulator.h"
#include "tests/app/MainWinFixture.h"
#include "tests/support/EventLoopWait.h"

constexpr int kUnits = 4;

inline std::vector<std::unique_ptr<emu::TProgrammerEmulator>> MakeUnits()
{
    std::vector<std::unique_ptr<emu::TProgrammerEmulator>> units;
    for (int i = 0; i < kUnits; ++i) units.push_back(std::make_unique<emu::TProgrammerEmulator>());
    return units;
}

inline std::vector<std::string> PathsOf(const std::vector<std::unique_ptr<emu::TProgrammerEmulator>>& units)
{
    std::vector<std::string> paths;
    for (const auto& u : units) paths.push_back(u->Path());
    return paths;
}

// Runs the event loop until pred holds or the time is up (a guard against a
// hang, not a measured time).
inline bool Pump(const std::function<bool()>& pred, int timeoutMs)
{
    return SpinUntil(pred, std::chrono::milliseconds(timeoutMs));
}

inline bool AllIdle()
{
    return std::all_of(std::begin(Channels), std::end(Channels), [](const TChannelState& c) { return c.Busy == 0; });
}

// Four units found by the window's first search, a chip chosen and a 16 KB
// image in the buffer. The 15 ms timer is left to the test.
class FourChannels {
public:
    explicit FourChannels(TBuildLang lang) : units(MakeUnits()), f(lang, PathsOf(units))
    {
        f.win->Timer1->stop();
        f.Show();
        ok = Pump([] { return ProgrammerCount == kUnits; }, 10000);
    }
    emu::TProgrammerEmulator& UnitOf(int ch)
    {
        for (auto& u : units)
            if (u->Path() == Channels[ch].ComPortName) return *u;
        throw std::runtime_error("no unit on channel");
    }
    enum class TChip { PSoC1, PSoC3, PSoC6 };
    // A chip as its catalogue row writes it, then a 16 KB image and, for the
    // chips that have them, EEP/SFlash and ECC/WFlash data.
    void ChooseChip(TChip chip)
    {
        const struct {
            std::uint8_t family;
            std::uint16_t blockSize, blockNum, eepSize, eccSize;
            const char* name;
        } rows[] = {
            {0x27, 64, 256, 0, 0, "CY8C24794-24LFXI"},
            {0x80, 256, 256, 2048, 0, "CY8C3866AXI-040"},
            {0xD8, 512, 256, 2048, 32768, "CY8C6247BZI-D54"},
        };
        const auto& r = rows[static_cast<int>(chip)];
        CurChip.FamilyCode = r.family;
        CurChip.BankNum = 1;
        CurChip.BlockSize = r.blockSize;
        CurChip.BlockNum = r.blockNum;
        CurChip.EepSize = r.eepSize;
        CurChip.EccSize = r.eccSize;
        CurChip.ChipID1 = 0x0D01;
        f.win->SelectChipName(QString::fromLatin1(r.name));
        for (std::size_t i = 0; i < 16 * 1024; ++i) ImageBufs.MainFlashBuf[i] = static_cast<std::uint8_t>(i * 7 + 1);
        for (std::size_t i = 0; i < kEepSFlashBufSize; ++i) ImageBufs.EepSFlashBuf[i] = static_cast<std::uint8_t>(i + 3);
        for (std::size_t i = 0; i < kEccWFlashBufSize; ++i) ImageBufs.EccWFlashBuf[i] = static_cast<std::uint8_t>(i + 5);
        ObjFileLoaded = 1;
    }
    void ChoosePSoC1Chip() { ChooseChip(TChip::PSoC1); }
    void ClearRequests()
    {
        for (auto& u : units) u->ClearRequests();
    }
    // Every channel idle and every request on its unit. A download's closing
    // short command goes out as its channel ends, so it may still be on its
    // way; a search leaves every channel idle at once while its last identify
    // request is still on its way, so it is over when every unit has answered.
    bool WaitForIdle()
    {
        const auto everyUnitFound = [] { return ProgrammerCount == kUnits; };
        const auto downloadClosed = [this] {
            return std::all_of(units.begin(), units.end(), [](const auto& u) {
                const std::vector<emu::TRequest> requests = u->Requests();
                const auto has = [&](std::uint8_t code) {
                    return std::any_of(requests.begin(), requests.end(), [&](const emu::TRequest& r) { return r.code == code; });
                };
                return !has(emu::kCmdConfig) || has(emu::kCmdRestx);
            });
        };
        return Pump(AllIdle, 30000) && Pump(everyUnitFound, 10000) && Pump(downloadClosed, 10000);
    }

    std::vector<std::unique_ptr<emu::TProgrammerEmulator>> units;
    MainWinFixture f;
    bool ok = false;
};
