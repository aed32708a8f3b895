// ChipCatalog: the chip catalogue table and the routines that write a row into the chip record.
// The rows themselves live in ChipTable.inc.
#include "chips/ChipCatalog.h"

#include <iterator>
#include <type_traits>

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

namespace {

// Calls fn with the record's field that the table column names.
template <class Chip, class Fn>
void WithField(Chip& chip, TChipField f, Fn&& fn)
{
    switch (f) {
    case TChipField::FamilyCode: fn(chip.FamilyCode); break;
    case TChipField::BankNum: fn(chip.BankNum); break;
    case TChipField::BlockSize: fn(chip.BlockSize); break;
    case TChipField::BlockNum: fn(chip.BlockNum); break;
    case TChipField::ModeByte: fn(chip.ModeByte); break;
    case TChipField::FlagByte: fn(chip.FlagByte); break;
    case TChipField::ChipIndex: fn(chip.ChipIndex); break;
    case TChipField::ChipID1: fn(chip.ChipID1); break;
    case TChipField::ChipID2: fn(chip.ChipID2); break;
    case TChipField::EepSize: fn(chip.EepSize); break;
    case TChipField::EccSize: fn(chip.EccSize); break;
    case TChipField::SecuSize: fn(chip.SecuSize); break;
    case TChipField::Opt0: fn(chip.Opt0); break;
    case TChipField::Opt1: fn(chip.Opt1); break;
    case TChipField::Opt2: fn(chip.Opt2); break;
    case TChipField::Opt3: fn(chip.Opt3); break;
    }
}

}  // namespace

std::int32_t ChipFieldValue(const TChipParam& chip, TChipField f)
{
    std::int32_t value = 0;
    WithField(chip, f, [&](const auto& field) { value = field; });
    return value;
}

void SetChipField(TChipParam& chip, TChipField f, std::int32_t value)
{
    // Stored modulo the field's width, as the record's plain integers hold it.
    WithField(chip, f, [&](auto& field) { field = static_cast<std::decay_t<decltype(field)>>(value); });
}

void ApplyChipRow(const TChipRow& row, TChipParam& chip)
{
    for (std::size_t i = 0; i < kChipFieldCount; ++i) {
        if (row.Value[i] != kKeep)
            SetChipField(chip, static_cast<TChipField>(i), row.Value[i]);
    }
}
