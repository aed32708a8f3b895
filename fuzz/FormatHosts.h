// FormatHosts: window stand-ins for the file-format fuzz targets: dialogs
// never asked, boxes answered from the input, and the real checksum views.
#pragma once

#include <string>

#include "FuzzSupport.h"
#include "app/ChkSumViews.h"
#include "app/ObjFileLoadRT.h"
#include "app/ParseCyHex.h"

struct TFuzzFileHost : TObjFileHost {
    bool AskOpenFileName(int, std::string&) override { return false; }
    bool AskSaveFileName(std::string&) override { return false; }
    void ShowInformation(const std::string& text) override { chars += text.size(); }
    void ShowFileError(const std::string& text) override { chars += text.size(); }
    void SetLabelFile(const std::string& path) override { chars += path.size(); }
    void SetFileNamePanel(const std::string& path) override { chars += path.size(); }
    void SetChipIdLabels(const std::string& id1, const std::string& id2) override { chars += id1.size() + id2.size(); }
    void SetP6IdLabel(const std::string& text) override { chars += text.size(); }
    void SetCheckBox(TLoadCheckBox, bool) override {}
    void SetRopVisible(bool) override {}
    std::string TimeOfDay() override { return "10:42:07"; }
    std::size_t chars = 0;
};

// Answers the record error boxes: Abort at the given error (0: never).
struct TFuzzBoxes : TErrorBoxHost {
    explicit TFuzzBoxes(unsigned abortAt) : abortAt_(abortAt) {}
    TBoxAnswer ShowRecordError(const std::string&) override
    {
        return ++shown_ == abortAt_ ? TBoxAnswer::Abort : TBoxAnswer::Ok;
    }

private:
    unsigned abortAt_;
    unsigned shown_ = 0;
};

// Family codes of the catalogue, one or more per reader layout and set-up branch.
constexpr std::uint8_t kFuzzFamilies[] = {0x00, 0x08, 0x10, 0x20, 0x27, 0x2E, 0x40, 0x50, 0x60, 0x68,
                                          0x80, 0xA0, 0xB8, 0xC0, 0xC8, 0xD0, 0xD8, 0xD9};
// Flash sizes in KiB, EEP/SFlash and ECC/WFlash sizes in bytes, as catalogue rows give them.
constexpr std::uint16_t kFuzzFlashKB[] = {0, 1, 4, 8, 16, 32, 64, 256, 512, 1024, 2048};
constexpr std::uint16_t kFuzzEepSizes[] = {0, 256, 512, 2048, 32768};
constexpr std::uint16_t kFuzzEccSizes[] = {0, 2048, 8192, 32768};

// A chosen chip, as the chip dialog leaves it.
inline void PickChip(TFuzzInput& in)
{
    CurChip.FamilyCode = in.Pick(kFuzzFamilies);
    CurChip.FlashSizeKB = in.Pick(kFuzzFlashKB);
    CurChip.EepSize = in.Pick(kFuzzEepSizes);
    CurChip.EccSize = in.Pick(kFuzzEccSizes);
    CurChip.ChipName = "FUZZ";
    ChipSelected = 1;
}
