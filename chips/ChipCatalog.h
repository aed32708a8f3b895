// ChipCatalog: the chip catalogue, one row per entry of the chip-selection menu in menu order,
// with the values each chip item writes into CurChip. Plain data; the dialog builds its menu from it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/DefinCyX4.h"
#include "link/LangBuild.h"

// How an item's handler finds its values. The table holds the values the handler ends up writing;
// the kind and routine record where a derived value comes from.
enum class TChipKind : std::uint8_t {
    Separator,
    Direct,      // constants of its own
    TagDecoder,  // Tag -> item of the submenu -> sizes from the caption's 8th character
    Position,    // fixed position -> item of the submenu
    Preset,      // shared set of constants (one preset takes a size code)
    Caption,     // caption's first 8 characters compared with part numbers
    Inert,       // does nothing
};

enum class TChipRoutine : std::uint8_t {
    None,
    OwnTag,  // a direct item whose ChipIndex is its own Tag
    SelCY8CMBR,
    SelCCGxA, SelCCGxB, SelCYPD3xxx, SelCYPD4or5,
    SelCY8C32xxx, SelCY8C34xxx, SelCY8C36xxx, SelCY8C38xxx,
    SelCY8C52xxx, SelCY8C53xxx, SelCY8C54xxx, SelCY8C55xxx, SelCY8C56xxx, SelCY8C58xxx,
    SelCY8C40xx4, SelCY8C40xxS, SelCY8C41xx4, SelCY8C41xxS, SelCY8C42xx4, SelCY8C41xxS4, SelCY8C4xx7BLE,
    PresetPSoC4M, PresetCY8C42xxL, PresetCYBL10x6, PresetCYBL10x7, PresetCYTT,
    SelCY8C61xxx, SelCY8C62or63, SelCY8C62xA8,
};

// The CurChip fields a row can write, in table column order.
enum class TChipField : std::uint8_t {
    FamilyCode, BankNum, BlockSize, BlockNum, ModeByte, FlagByte, ChipIndex, ChipID1, ChipID2,
    EepSize, EccSize, SecuSize, Opt0, Opt1, Opt2, Opt3,
};
constexpr std::size_t kChipFieldCount = 16;

// A row value meaning "the item leaves this field as it was".
constexpr std::int32_t kKeep = -1;

constexpr std::uint8_t kEntryHidden = 0x01;      // never shown (the entry or its submenu)
constexpr std::uint8_t kEntryDisabled = 0x02;    // shown greyed, cannot be chosen
constexpr std::uint8_t kEntryNotEnglish = 0x04;  // absent from the English build

struct TChipRow {
    const char* Group;    // "" for a separator between groups
    const char* Submenu;  // "" for an entry directly in its group
    const char* Caption;  // "" for a separator
    std::uint8_t Flags;
    TChipKind Kind;
    TChipRoutine Routine;
    std::int32_t Arg;  // the Tag, position or size code the handler passes
    std::int32_t Value[kChipFieldCount];

    bool IsSeparator() const { return Kind == TChipKind::Separator; }
    bool InBuild(TBuildLang lang) const {
        return lang == TBuildLang::Chinese || (Flags & kEntryNotEnglish) == 0;
    }
    // An item the operator can reach and choose in this build.
    bool Selectable(TBuildLang lang) const {
        return InBuild(lang) && !IsSeparator() && Kind != TChipKind::Inert &&
               (Flags & (kEntryHidden | kEntryDisabled)) == 0;
    }
    std::int32_t Get(TChipField f) const { return Value[static_cast<std::size_t>(f)]; }
    bool Writes(TChipField f) const { return Get(f) != kKeep; }
};

// The whole table, both builds; TChipRow::InBuild tells the English build's entries.
const TChipRow* ChipCatalogRows();
std::size_t ChipCatalogSize();

const char* ChipFieldName(TChipField f);

// Reads and writes one field of the chip record by table column.
std::int32_t ChipFieldValue(const TChipParam& chip, TChipField f);
void SetChipField(TChipParam& chip, TChipField f, std::int32_t value);

// Writes every value of the row that is not kKeep into chip.
void ApplyChipRow(const TChipRow& row, TChipParam& chip);
