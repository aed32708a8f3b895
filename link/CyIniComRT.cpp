// CyIniComRT: InitCommonVars, the power-on values of the shared programming
// state, set once when the main window is first shown.
#include "link/CyIniComRT.h"

#include <cstring>

#include "link/DefinCyX4.h"

namespace {
constexpr std::uint8_t kPowerUpTimeDefault = 10;   // 100 ms
constexpr std::uint16_t kFlashSizeKBDefault = 16;
constexpr std::uint16_t kBlockSizeDefault = 128;
constexpr std::uint16_t kBlockNumDefault = 64;
constexpr std::uint32_t kSNAddrDefault = 0x00FFFFFF;
} // namespace

void InitCommonVars()
{
    CtrlSettings.OptionBits1 = 0;
    CtrlSettings.PowerUpTime = kPowerUpTimeDefault;
    CtrlSettings.OptionBits3 = 0;
    ObjFileLoaded = 0;
    ChipSelected = 0;

    CurChip.FlashSizeKB = kFlashSizeKBDefault;
    CurChip.BlockSize = kBlockSizeDefault;
    CurChip.BlockNum = kBlockNumDefault;

    CurChip.FamilyCode = 0;
    CurChip.ChipIndex = 0;
    CurChip.ModeByte = 0;
    CurChip.OptByte = 0;
    CurChip.FlagByte = 0;
    CurChip.EccSize = 0;
    CurChip.EepSize = 0;
    ProgrammerCount = 0;
    CtrlSettings.WriteWFlash = 0;
    CtrlSettings.WriteEep = 0;
    CurChip.Opt1 = 0;
    CurChip.Opt0 = 0;
    CurChip.Opt2 = 0;
    CurChip.Opt3 = 0;
    ImageInfo.EepPresent = 0;
    ImageInfo.EccPresent = 0;
    ImageInfo.TargetStartAddr = 0;
    ImageInfo.TargetEndAddr = 0;

    SNSettings.SNAddr = kSNAddrDefault;

    std::memset(CtrlSettings.NvLatch, 0, sizeof CtrlSettings.NvLatch);
    std::memset(CtrlSettings.WoLatch, 0, sizeof CtrlSettings.WoLatch);

    for (auto& ch : Channels) {
        ch.ComPortName.clear();
        ch.Connected = 0;
        ch.AutoSequence = 0;
        ch.Busy = 0;
        ch.BlockTotal = 0;
        ch.BlockIndex = 0;
    }

    std::memset(ImageBufs.EepSFlashBuf, 0, sizeof ImageBufs.EepSFlashBuf);
    std::memset(ImageBufs.EccWFlashBuf, 0, sizeof ImageBufs.EccWFlashBuf);
    std::memset(ImageBufs.SecurityBuf, 0, sizeof ImageBufs.SecurityBuf);
}
