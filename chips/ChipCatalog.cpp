// ChipCatalog: the chip catalogue table and the routines that write a row into the chip record.
// The rows themselves live in ChipTable.inc.
#include "chips/ChipCatalog.h"

#include <iterator>

namespace {

constexpr std::int32_t K = kKeep;
constexpr std::uint8_t HID = kEntryHidden;
constexpr std::uint8_t DIS = kEntryDisabled;
constexpr std::uint8_t NOEN = kEntryNotEnglish;

#define CHIP(group, sub, caption, flags, kind, routine, arg, ...) \
    {group, sub, caption, flags, TChipKind::kind, TChipRoutine::routine, arg, {__VA_ARGS__}},
#define SEP(group, sub, flags) \
    {group, sub, "", flags, TChipKind::Separator, TChipRoutine::None, 0, \
     {K, K, K, K, K, K, K, K, K, K, K, K, K, K, K, K}},

const TChipRow kRows[] = {
#include "chips/ChipTable.inc"
};

#undef CHIP
#undef SEP

const char* const kFieldNames[kChipFieldCount] = {
    "FamilyCode", "BankNum", "BlockSize", "BlockNum", "ModeByte", "FlagByte", "ChipIndex", "ChipID1",
    "ChipID2", "EepSize", "EccSize", "SecuSize", "Opt0", "Opt1", "Opt2", "Opt3",
};

}  // namespace

const TChipRow* ChipCatalogRows() { return kRows; }
std::size_t ChipCatalogSize() { return std::size(kRows); }

const char* ChipFieldName(TChipField f) { return kFieldNames[static_cast<std::size_t>(f)]; }

std::int32_t ChipFieldValue(const TChipParam& chip, TChipField f)
{
    switch (f) {
    case TChipField::FamilyCode: return chip.FamilyCode;
    case TChipField::BankNum: return chip.BankNum;
    case TChipField::BlockSize: return chip.BlockSize;
    case TChipField::BlockNum: return chip.BlockNum;
    case TChipField::ModeByte: return chip.ModeByte;
    case TChipField::FlagByte: return chip.FlagByte;
    case TChipField::ChipIndex: return chip.ChipIndex;
    case TChipField::ChipID1: return chip.ChipID1;
    case TChipField::ChipID2: return chip.ChipID2;
    case TChipField::EepSize: return chip.EepSize;
    case TChipField::EccSize: return chip.EccSize;
    case TChipField::SecuSize: return chip.SecuSize;
    case TChipField::Opt0: return chip.Opt0;
    case TChipField::Opt1: return chip.Opt1;
    case TChipField::Opt2: return chip.Opt2;
    case TChipField::Opt3: return chip.Opt3;
    }
    return 0;
}

void SetChipField(TChipParam& chip, TChipField f, std::int32_t value)
{
    const auto u8 = static_cast<std::uint8_t>(value);
    const auto u16 = static_cast<std::uint16_t>(value);
    switch (f) {
    case TChipField::FamilyCode: chip.FamilyCode = u8; break;
    case TChipField::BankNum: chip.BankNum = u8; break;
    case TChipField::BlockSize: chip.BlockSize = u16; break;
    case TChipField::BlockNum: chip.BlockNum = u16; break;
    case TChipField::ModeByte: chip.ModeByte = u8; break;
    case TChipField::FlagByte: chip.FlagByte = u8; break;
    case TChipField::ChipIndex: chip.ChipIndex = u8; break;
    case TChipField::ChipID1: chip.ChipID1 = u16; break;
    case TChipField::ChipID2: chip.ChipID2 = u16; break;
    case TChipField::EepSize: chip.EepSize = u16; break;
    case TChipField::EccSize: chip.EccSize = u16; break;
    case TChipField::SecuSize: chip.SecuSize = u16; break;
    case TChipField::Opt0: chip.Opt0 = u8; break;
    case TChipField::Opt1: chip.Opt1 = u8; break;
    case TChipField::Opt2: chip.Opt2 = u8; break;
    case TChipField::Opt3: chip.Opt3 = u8; break;
    }
}

void ApplyChipRow(const TChipRow& row, TChipParam& chip)
{
    for (std::size_t i = 0; i < kChipFieldCount; ++i) {
        if (row.Value[i] != kKeep)
            SetChipField(chip, static_cast<TChipField>(i), row.Value[i]);
    }
}
