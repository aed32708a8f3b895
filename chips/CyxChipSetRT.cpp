// CyxChipSetRT: the chip-dependent set-up of the main window, per family group
// (CY8CMBR, TT700 and every other family).
#include "chips/CyxChipSetRT.h"

#include <cstdarg>
#include <cstdio>

#include "link/DefinCyX4.h"
#include "link/StrFormat.h"

namespace {

constexpr std::uint8_t kFamilyMBR = 0x00;
constexpr std::uint8_t kFamilyTT7xx = 0x08;
constexpr std::uint8_t kFamilyNoID = 0xA0;      // from here on no chip IDs are shown
constexpr std::uint8_t kFamilyTMA4 = 0xA0;
constexpr std::uint8_t kFamilyTMA4B = 0xB0;
constexpr std::uint8_t kFamilyCYTT = 0xB8;
constexpr std::uint8_t kFamilyPSoC4 = 0xC0;
constexpr std::uint8_t kFamilyPSoC6 = 0xD8;
constexpr std::uint8_t kFamilyHiVolt = 0x50;    // OptionBits1 cleared from here on
constexpr std::uint8_t kFamilyCY7C63 = 0x68;
constexpr std::uint8_t kChipIndex5V = 16;       // CY7C63 items below this run at 5.0 V
constexpr std::uint8_t kFlagBytesForm = 0x80;   // FlagByte: main flash given in bytes
constexpr std::uint8_t kFlag48MHz = 0x04;       // FlagByte: 48 MHz programming clock
constexpr std::uint8_t kOptByteCY7C63 = 0x80;
constexpr std::uint16_t kMBRFlashKB = 4;
constexpr std::uint16_t kTT7xxFlashKB = 128;
constexpr std::uint8_t kTT7xxBanks = 6;
constexpr int kVolt3V3 = 1;
constexpr int kVolt5V0 = 2;
const char* const kNoId = "--------";
const char* const kNoValue = "---";
const char* const kFitWarning = "文件地址空间与芯片不匹配，请确认芯片型号是否正确！";

// The security, blank-check and erase commands, which families 0x00 and 0x08 lack.
void ShowChipLevelCommands(TChipSetupView& view, bool shown)
{
    view.SetControlVisible("SpdBtnSecu", shown);
    view.SetControlVisible("SpdBtnBlankChk", shown);
    view.SetControlVisible("SpdBtnErase", shown);
    view.SetControlEnabled("BlankCheck1", shown);
    view.SetControlEnabled("EraseChip1", shown);
    view.SetControlVisible("ReadSecurity1", shown);
    if (!shown) view.SetControlVisible("TabSheetSecu", false);
}

void ShowNoSizes(TChipSetupView& view, const char* flashSize)
{
    view.SetControlText("lbFlashSize", flashSize);
    view.SetControlText("lbBanks", kNoValue);
    view.SetControlText("LblBlocks", kNoValue);
    view.SetControlText("LblBlkSZ", kNoValue);
}

} // namespace

void MCUNameEditChange(TChipSetupView& view)
{
    CtrlSettings.OptionBits3 = 0;
    ChipSelected = 1;
    CurChip.ChipName = view.ChipNameText();

    view.SetControlVisible("ChkBoxROP", false);
    view.SetControlChecked("EnWrtEep", false);
    view.SetControlChecked("ChkBoxEPWF", false);
    view.SetControlVisible("PanelPSoC6", CurChip.FamilyCode >= kFamilyPSoC6);
    const bool eep = CurChip.EepSize > 0;
    view.SetControlVisible("ProgramEEP1", eep);
    view.SetControlVisible("ReadEEP1", eep);
    const bool wflash = CurChip.EccSize > 0 && CurChip.FamilyCode >= kFamilyPSoC6;
    view.SetControlVisible("ProgramWFlashData1", wflash);
    view.SetControlVisible("ReadWFlashData1", wflash);

    if (CurChip.FamilyCode == kFamilyMBR)
        ChipSetupMBR(view);
    else if (CurChip.FamilyCode == kFamilyTT7xx)
        ChipSetupTT7xx(view);
    else
        ChipSetup(view);

    ImageInfo.ProgSizeKB = CurChip.FlashSizeKB;
    view.SetControlChecked("ChkBoxBlkEr", view.Lang() != TBuildLang::English);
}

void ChipSetupMBR(TChipSetupView& view)
{
    ShowNoSizes(view, "128Bytes");
    ShowChipLevelCommands(view, false);
    CurChip.FlashSizeKB = kMBRFlashKB;
}

void ChipSetupTT7xx(TChipSetupView& view)
{
    CurChip.BankNum = kTT7xxBanks;
    ShowNoSizes(view, "128KB");
    view.SetControlEnabled("ChkBoxEnID", false);
    view.SetControlEnabled("ChkBoxXres", false);
    ShowChipLevelCommands(view, false);
    CurChip.FlashSizeKB = kTT7xxFlashKB;
}

void ChipSetup(TChipSetupView& view)
{
    const std::uint8_t family = CurChip.FamilyCode;
    view.SetControlEnabled("ChkBoxXres", true);
    view.SetControlEnabled("ChkBoxEnID", true);
    ShowChipLevelCommands(view, true);

    view.SetControlVisible("TabSheetECC", CurChip.EccSize > 0);
    const bool eep = CurChip.EepSize > 0;
    view.SetControlVisible("TabSheetEEP", eep);
    view.SetControlVisible("ProgramEEP1", eep);
    view.SetControlVisible("ReadEEP1", eep);
    view.SetControlVisible("EnWrtEep", eep);
    view.SetControlChecked("EnWrtEep", false);
    view.SetControlVisible("ReadSecurity1", true);

    view.LogSetupLine("Chip \"" + view.ChipNameText() + "\" is selectd at " + view.NowDateTimeText());

    const std::uint32_t flashBytes = static_cast<std::uint32_t>(CurChip.BankNum) * CurChip.BlockSize * CurChip.BlockNum;
    CurChip.FlashSizeKB = static_cast<std::uint16_t>(flashBytes >> 10);
    if (CurChip.FlagByte & kFlagBytesForm)
        view.LogSetupLine(StrPrintf("Chip Main Flash is %uB.", flashBytes));
    else
        view.LogSetupLine(StrPrintf("Chip Main Flash is %dKB.", CurChip.FlashSizeKB));

    if (CurChip.EepSize > 0) {
        if (family < kFamilyPSoC6)
            view.LogSetupLine(StrPrintf("Chip EEP Data Size is %dBytes.", CurChip.EepSize));
        else
            view.LogSetupLine(StrPrintf("Chip SFlash User Data Size is %dBytes.", CurChip.EepSize));
    } else {
        view.LogSetupLine("This Chip no EEP Data Area.");
    }

    int volt = kVolt3V3;
    if (family == kFamilyCY7C63) {
        volt = CurChip.ChipIndex < kChipIndex5V ? kVolt5V0 : kVolt3V3;
    } else if (family >= kFamilyHiVolt) {
        CtrlSettings.OptionBits1 = 0;
        volt = family == kFamilyTMA4B ? kVolt5V0 : kVolt3V3;
    }
    view.SetVoltageIndex(volt);

    if (family == kFamilyTMA4) CurChip.ModeByte = 0;
    else if (family == kFamilyTMA4B) CurChip.ModeByte = 3;
    else if (family == kFamilyCYTT) CurChip.ModeByte = 5;

    ShowChipInfo(view);

    CurChip.OptByte = static_cast<std::uint8_t>(CurChip.Opt0 + (CurChip.Opt1 << 2) + (CurChip.Opt2 << 4) + (CurChip.Opt3 << 6));
    if (family == kFamilyCY7C63) CurChip.OptByte |= kOptByteCY7C63;
}

void ShowChipInfo(TChipSetupView& view)
{
    const std::uint8_t family = CurChip.FamilyCode;
    view.SetControlText("lbFlashSize", StrPrintf("%d KB.", CurChip.FlashSizeKB));
    view.SetControlText("LblBlocks", StrPrintf("%d.", CurChip.BlockNum));
    view.SetControlText("LblBlkSZ", StrPrintf("%d.", CurChip.BlockSize));
    view.SetControlText("lbBanks", StrPrintf("%d.", CurChip.BankNum));

    view.SetControlText("EnWrtEep", "写EEP数据");
    view.SetControlText("TabSheetEEP", "EEP Data");
    view.SetControlText("ReadSecurity1", "Read Security");
    view.SetControlText("ProgramEEP1", "Program EEP Data");
    view.SetControlText("ReadEEP1", "Read Chip EEP Data");

    for (const char* box : {"ChkBoxEPWF", "ChkBoxEpEFuse", "ChkBox48MHZ", "ChkBoxSumVfy"}) {
        view.SetControlChecked(box, false);
        view.SetControlVisible(box, false);
    }

    const auto idText = [](std::uint16_t id) { return id == 0 ? std::string(kNoId) : StrPrintf("0x%04X.", id); };
    if (family < kFamilyNoID) {
        view.SetControlText("LblID1", StrPrintf("0x%04X.", CurChip.ChipID1));
        view.SetControlText("LblID2", idText(CurChip.ChipID2));
    } else if (family == kFamilyPSoC4) {
        view.SetControlVisible("ChkBox48MHZ", true);
        view.SetControlChecked("ChkBox48MHZ", (CurChip.FlagByte & kFlag48MHz) != 0);
        view.SetControlText("LblID1", idText(CurChip.ChipID1));
        view.SetControlText("LblID2", kNoId);
    } else if (family < kFamilyPSoC6) {
        view.SetControlVisible("ChkBox48MHZ", true);
        view.SetControlChecked("ChkBox48MHZ", (CurChip.FlagByte & kFlag48MHz) != 0);
        view.SetControlText("LblID1", kNoId);
        view.SetControlText("LblID2", kNoId);
    } else {
        view.SetControlVisible("ChkBoxEPWF", true);
        view.SetControlVisible("ChkBoxEpEFuse", true);
        view.SetControlText("TabSheetECC", "WFlash");
        view.SetControlText("TabSheetEEP", "SFlash");
        view.SetControlText("TabSheetSecu", "eFuse");
        view.SetControlText("ProgramEEP1", "Program SFlash Data");
        view.SetControlText("ReadEEP1", "Read SFlash Data");
        view.SetControlText("ReadSecurity1", "Read eFuse Data");
        view.SetControlText("EnWrtEep", "写SFlash-User");
        view.SetControlVisible("ChkBoxSumVfy", true);
        view.SetControlText("LabelFlashSZ", StrPrintf("Flash Size:%d KB.", CurChip.FlashSizeKB));
        view.SetControlText("LabelBlockNM", StrPrintf("Block Num.: %d.", CurChip.BlockNum));
    }

    ImageInfo.TargetStartAddr = 0;
    ImageInfo.TargetEndAddr = ImageInfo.TargetStartAddr + static_cast<std::uint32_t>(CurChip.FlashSizeKB) * 1024u - 1u;
    CheckFileFitsChip(view);
    if (ObjFileLoaded != 0) {
        view.CalcMainChecksums(ImageInfo.TargetStartAddr, ImageInfo.TargetEndAddr);
        view.ShowMainFlash(ImageInfo.TargetStartAddr, ImageInfo.TargetEndAddr);
    }
}

void CheckFileFitsChip(TChipSetupView& view)
{
    const std::uint32_t chipBytes = ImageInfo.TargetEndAddr - ImageInfo.TargetStartAddr + 1u;
    const std::uint32_t fileSpan = ImageInfo.FileMaxAddr - ImageInfo.FileMinAddr;
    if (chipBytes < fileSpan) view.WarningBox(kFitWarning);
}
