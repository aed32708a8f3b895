// CyxChipSetRT: the chip-dependent set-up of the main window: completes the
// current-chip record and reconfigures labels, pages, commands and options.
#pragma once

#include <cstdint>
#include <string>

#include "link/LangBuild.h"

// What the set-up needs of the main window. Controls are named as the window
// names them (objectName): labels, check boxes, buttons, menu commands and
// data pages alike.
class TChipSetupView {
public:
    virtual ~TChipSetupView() = default;
    virtual TBuildLang Lang() const = 0;
    // The text of the chip-name box MCUNameEdit.
    virtual std::string ChipNameText() const = 0;
    // Label text, check-box or command caption, or data-page title.
    virtual void SetControlText(const char* name, const std::string& text) = 0;
    // A hidden data page keeps its place but loses its tab.
    virtual void SetControlVisible(const char* name, bool visible) = 0;
    virtual void SetControlEnabled(const char* name, bool enabled) = 0;
    virtual void SetControlChecked(const char* name, bool checked) = 0;
    // Item of the interface-voltage group: 0 1.8 V, 1 3.3 V, 2 5.0 V.
    virtual void SetVoltageIndex(int index) = 0;
    // "yyyy/MM/dd,HH:mm:ss" of now.
    virtual std::string NowDateTimeText() const = 0;
    virtual void LogSetupLine(const std::string& text) = 0;
    virtual void CalcMainChecksums(std::uint32_t first, std::uint32_t last) = 0;
    virtual void ShowMainFlash(std::uint32_t first, std::uint32_t last) = 0;
    virtual void WarningBox(const std::string& text) = 0;
};

// The change handler of MCUNameEdit: runs the whole set-up for CurChip.
void MCUNameEditChange(TChipSetupView& view);

// The family set-ups and their parts, called by MCUNameEditChange.
void ChipSetupMBR(TChipSetupView& view);
void ChipSetupTT7xx(TChipSetupView& view);
void ChipSetup(TChipSetupView& view);
void ShowChipInfo(TChipSetupView& view);
void CheckFileFitsChip(TChipSetupView& view);
