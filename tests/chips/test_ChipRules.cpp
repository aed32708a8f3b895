// Chip catalogue: the rows whose values a shared routine derives are recomputed here from the
// routines' rules (Tag -> item of the submenu -> caption -> sizes) and compared with the table.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ChipTestUtil.h"
#include "chips/ChipCatalog.h"

namespace {

using chiptest::MenuRows;
using chiptest::Row;
using F = TChipField;
constexpr std::int32_t K = kKeep;

// What a routine writes, over the state a choice starts from: cleared fields 0, the rest kept.
struct TWrite {
    std::array<std::int32_t, kChipFieldCount> V;
    TWrite()
    {
        V.fill(K);
        for (F f : {F::ModeByte, F::FlagByte, F::EepSize, F::EccSize, F::SecuSize, F::Opt0, F::Opt1,
                    F::Opt2, F::Opt3})
            Set(f, 0);
    }
    void Set(F f, std::int32_t v) { V[static_cast<std::size_t>(f)] = v; }
    std::int32_t Get(F f) const { return V[static_cast<std::size_t>(f)]; }
    void Base(int fam, int bank, int bsize, int mode, int flag)
    {
        Set(F::FamilyCode, fam);
        Set(F::BankNum, bank);
        Set(F::BlockSize, bsize);
        Set(F::ModeByte, mode);
        Set(F::FlagByte, flag);
    }
};

// Where a Tag-keyed or position routine looks up its item: (group, submenu, tag offset).
struct TLookup {
    const char* Group;
    const char* Submenu;
    int Offset;
};

TLookup LookupFor(TChipRoutine r, int arg)
{
    switch (r) {
    case TChipRoutine::SelCY8CMBR: return {"CY8CMBR2xxx/3xxx", "", 0};
    case TChipRoutine::SelCCGxA:
    case TChipRoutine::SelCCGxB: return {"CYPD1xxx/2xxx", "", 0};
    case TChipRoutine::SelCYPD3xxx: return {"CYPD3xxx", "", 0};
    case TChipRoutine::SelCYPD4or5:
        return arg >= 160 ? TLookup{"CYPD5xxx/CP89xx", "", 160} : TLookup{"CYPD4xxx", "", 0};
    case TChipRoutine::SelCY8C32xxx: return {"PSoC3 CY8C3xxxx", "CY8C32xxx", 0};
    case TChipRoutine::SelCY8C34xxx: return {"PSoC3 CY8C3xxxx", "CY8C34xxx", 0};
    case TChipRoutine::SelCY8C36xxx: return {"PSoC3 CY8C3xxxx", "CY8C36xxx", 0};
    case TChipRoutine::SelCY8C38xxx: return {"PSoC3 CY8C3xxxx", "CY8C38xxx", 0};
    case TChipRoutine::SelCY8C52xxx: return {"PSoC5 CY8C5xxxx", "CY8C52xxx", 0};
    case TChipRoutine::SelCY8C53xxx: return {"PSoC5 CY8C5xxxx", "CY8C53xxx", 0};
    case TChipRoutine::SelCY8C54xxx: return {"PSoC5 CY8C5xxxx", "CY8C54xxx", 0};
    case TChipRoutine::SelCY8C55xxx: return {"PSoC5 CY8C5xxxx", "CY8C55xxx", 0};
    case TChipRoutine::SelCY8C56xxx: return {"PSoC5 CY8C5xxxx", "CY8C56xxx", 0};
    case TChipRoutine::SelCY8C58xxx: return {"PSoC5 CY8C5xxxx", "CY8C58xxx", 0};
    case TChipRoutine::SelCY8C40xx4: return {"PSoC4 CY8C4xxxx", "CY8C40xx-4xxx", 0};
    case TChipRoutine::SelCY8C40xxS: return {"PSoC4 CY8C4xxxx", "CY8C40xx-Sxxx", 0};
    case TChipRoutine::SelCY8C41xx4: return {"PSoC4 CY8C4xxxx", "CY8C41xx-4xxx", 0};
    case TChipRoutine::SelCY8C41xxS: return {"PSoC4 CY8C4xxxx", "CY8C41xx-Sxxx", 0};
    case TChipRoutine::SelCY8C42xx4: return {"PSoC4 CY8C4xxxx", "CY8C42xx-4xxx", 0};
    case TChipRoutine::SelCY8C41xxS4:
        if (arg < 32) return {"PSoC4 CY8C4xxxx", "CY8C41x6xx-S4xx", 0};
        if (arg < 64) return {"PSoC4 CY8C4xxxx", "CY8C41x7xx-S4xx", 32};
        return {"PSoC4 CY8C4xxxx", "CY8C41x8xx-S4xx", 64};
    case TChipRoutine::SelCY8C4xx7BLE: return {"PSoC4 CY8C4xxxx", "CY8C4xx7 BLE", 0};
    default: return {nullptr, nullptr, 0};
    }
}

void PresetPSoC4M(TWrite& w, int code)
{
    w.Base(0xC0, 1, 128, 0x15, 0x10);
    const std::map<int, int> blocks{{4, 128}, {5, 256}, {6, 512}, {7, 512}};
    w.Set(F::BlockNum, blocks.count(code) ? blocks.at(code) : 256);
    if (code == 7)
        w.Set(F::BankNum, 2);
    if (w.Get(F::BlockNum) == 512)
        w.Set(F::ModeByte, w.Get(F::ModeByte) | 0x20);
}

// BlockNum by the caption's 8th character; '?' stands for any other character.
void BlocksByChar(TWrite& w, char c, const std::map<char, int>& table)
{
    w.Set(F::BlockNum, table.count(c) ? table.at(c) : table.at('?'));
}

void PSoC3(TWrite& w, TChipRoutine r, int tag, char c)
{
    w.Set(F::FlagByte, 0);
    w.Set(F::BankNum, 1);
    w.Set(F::BlockSize, 256);
    w.Set(F::FamilyCode, 0x80);
    if (r != TChipRoutine::SelCY8C38xxx)
        w.Set(F::ChipIndex, tag);
    const int eep = c == '4' ? 512 : c == '5' ? 1024 : 2048;
    w.Set(F::EepSize, eep);
    w.Set(F::BlockNum, c == '4' ? 64 : c == '5' ? 128 : 256);
    if (r == TChipRoutine::SelCY8C36xxx)
        w.Set(F::EccSize, static_cast<std::uint16_t>(static_cast<std::uint16_t>(w.Get(F::BankNum) * w.Get(F::BlockNum)) * 8));
}

void PSoC5(TWrite& w, TChipRoutine r, char c)
{
    w.Set(F::FlagByte, 0);
    w.Set(F::BlockSize, 256);
    w.Set(F::FamilyCode, 0xD0);
    if (r == TChipRoutine::SelCY8C54xxx)
        w.Set(F::BankNum, 1);
    const bool bigEep = r == TChipRoutine::SelCY8C56xxx || r == TChipRoutine::SelCY8C58xxx;
    switch (c) {
    case '5': w.Set(F::EepSize, bigEep ? 2048 : 1024); w.Set(F::BlockNum, 128); w.Set(F::BankNum, 1); break;
    case '6': w.Set(F::EepSize, 2048); w.Set(F::BlockNum, 256); w.Set(F::BankNum, 1); break;
    case '7': w.Set(F::EepSize, 2048); w.Set(F::BlockNum, 256); w.Set(F::BankNum, 2); break;
    case '8': w.Set(F::EepSize, 2048); w.Set(F::BlockNum, 256); w.Set(F::BankNum, 4); break;
    default: break;
    }
}

void Compare(TWrite& w, TChipRoutine r, const std::string& caption)
{
    w.Set(F::ModeByte, 0);
    w.Set(F::FlagByte, 0x30);
    w.Set(F::BankNum, 1);
    w.Set(F::BlockSize, 512);
    w.Set(F::EccSize, 32768);
    w.Set(F::EepSize, 2048);
    w.Set(F::SecuSize, 4096);
    std::vector<std::pair<const char*, int>> parts;
    int dflt = 1024;
    if (r == TChipRoutine::SelCY8C61xxx) {
        w.Set(F::FamilyCode, 0xD8);
        w.Set(F::ChipID1, 0x0001);
        w.Set(F::ChipID2, 0x00E2);
        parts = {{"CY8C6036", 1024}, {"CY8C6016", 1024}, {"CY8C6116", 1024}, {"CY8C6136", 1024},
                 {"CY8C6117", 2048}, {"CY8C6137", 2048}};
        dflt = 2048;
    } else if (r == TChipRoutine::SelCY8C62or63) {
        w.Set(F::FamilyCode, 0xD8);
        parts = {{"CY8C6347", 2048}, {"CY8C6337", 2048}, {"CY8C6336", 1024}, {"CY8C6246", 1024}, {"CY8C6247", 2048}};
    } else {
        w.Set(F::FamilyCode, 0xD9);
        w.Set(F::ChipID1, 0x0E01);
        w.Set(F::ChipID2, 0x00EA);
        parts = {{"CY8C6245", 1024}, {"CY8C6248", 2048}, {"CY8C624A", 4096}};
    }
    w.Set(F::BlockNum, dflt);
    for (const auto& [part, blocks] : parts) {
        if (caption.size() >= 8 && caption.compare(0, 8, part) == 0) {
            w.Set(F::BlockNum, blocks);
            break;
        }
    }
}

// The values the row's routine writes, given the caption it reads.
TWrite Derive(const TChipRow& row, const std::string& caption)
{
    TWrite w;
    const int t = row.Arg & 0xFF;
    const char c = caption.size() >= 8 ? caption[7] : '\0';
    using R = TChipRoutine;
    switch (row.Routine) {
    case R::SelCY8CMBR:
        w.Set(F::FamilyCode, 0x00); w.Set(F::BankNum, 1); w.Set(F::BlockSize, 256); w.Set(F::BlockNum, 16);
        break;
    case R::SelCCGxA: w.Base(0xC0, 1, 128, 0x05, 0x11); w.Set(F::BlockNum, 256); w.Set(F::ChipIndex, t); break;
    case R::SelCCGxB: w.Base(0xC0, 1, 128, 0x15, 0x14); w.Set(F::BlockNum, 256); w.Set(F::ChipIndex, t); break;
    case R::SelCYPD3xxx: w.Base(0xC8, 2, 128, 0x35, 0x14); w.Set(F::BlockNum, 512); break;
    case R::SelCYPD4or5: w.Base(0xC0, 1, 256, 0x35, 0x14); w.Set(F::BlockNum, 512); w.Set(F::ChipIndex, 0); break;
    case R::SelCY8C32xxx: case R::SelCY8C34xxx: case R::SelCY8C36xxx: case R::SelCY8C38xxx:
        PSoC3(w, row.Routine, t, c);
        break;
    case R::SelCY8C52xxx: case R::SelCY8C53xxx: case R::SelCY8C54xxx: case R::SelCY8C55xxx:
    case R::SelCY8C56xxx: case R::SelCY8C58xxx:
        PSoC5(w, row.Routine, c);
        break;
    case R::SelCY8C40xx4:
        w.Base(0xC0, 1, 64, 0x05, 0x14); w.Set(F::ChipIndex, t); BlocksByChar(w, c, {{'3', 128}, {'?', 256}});
        break;
    case R::SelCY8C40xxS:
        w.Base(0xC0, 1, 128, 0x15, 0x14); w.Set(F::ChipIndex, t);
        BlocksByChar(w, c, {{'3', 64}, {'4', 128}, {'5', 256}, {'6', 512}, {'?', 256}});
        break;
    case R::SelCY8C41xx4:
        w.Base(0xC0, 1, 128, 0x15, 0x11); BlocksByChar(w, c, {{'4', 128}, {'5', 256}, {'6', 512}, {'?', 256}});
        break;
    case R::SelCY8C41xxS:
        w.Base(0xC0, 1, 128, 0x15, 0x14);
        BlocksByChar(w, c, {{'4', 128}, {'5', 256}, {'6', 512}, {'7', 512}, {'?', 256}});
        if (c == '7')
            w.Set(F::BlockSize, 256);
        break;
    case R::SelCY8C42xx4:
        w.Base(0xC0, 1, 128, 0x15, 0x11); BlocksByChar(w, c, {{'4', 128}, {'?', 256}});
        break;
    case R::SelCY8C41xxS4:
        w.Base(0xC0, 1, 256, 0x15, 0x14);
        if (c == '5') w.Set(F::BlockNum, 128);
        else if (c == '6') w.Set(F::BlockNum, 256);
        else if (c == '7') w.Set(F::BlockNum, 512);
        else { w.Set(F::BankNum, 2); w.Set(F::BlockNum, 512); }
        break;
    case R::SelCY8C4xx7BLE: w.Base(0xC8, 2, 128, 0x35, 0x14); w.Set(F::BlockNum, 512); break;
    case R::PresetPSoC4M:
        PresetPSoC4M(w, row.Arg);
        if (std::string(row.Group).rfind("CYPD", 0) == 0)  // the CCG items add the 48 MHz clock bit
            w.Set(F::FlagByte, w.Get(F::FlagByte) | 0x04);
        break;
    case R::PresetCY8C42xxL: case R::PresetCYBL10x7:
        w.Base(0xC8, 2, 256, 0x37, 0x10); w.Set(F::BlockNum, 512);
        break;
    case R::PresetCYBL10x6: w.Base(0xC8, 2, 128, 0x37, 0x14); w.Set(F::BlockNum, 512); break;
    case R::PresetCYTT:
        w.Set(F::FlagByte, 0x14); w.Set(F::BankNum, 1); w.Set(F::BlockSize, 128); w.Set(F::BlockNum, 512);
        w.Set(F::FamilyCode, 0xB8);
        break;
    case R::SelCY8C61xxx: case R::SelCY8C62or63: case R::SelCY8C62xA8: Compare(w, row.Routine, caption); break;
    default: ADD_FAILURE() << "no rule for " << row.Caption;
    }
    return w;
}

bool ItemWritesOwnIds(const TChipRow& row)
{
    // The CYPD1/2 items and the underscore/ID items of two PSoC 4 submenus store IDs before the call.
    return row.Routine == TChipRoutine::SelCCGxA || row.Routine == TChipRoutine::SelCCGxB ||
           ((row.Routine == TChipRoutine::SelCY8C41xx4 || row.Routine == TChipRoutine::SelCY8C42xx4) &&
            row.Writes(F::ChipID1));
}

TEST(ChipRules, DerivedRowsMatchTheirRoutines)
{
    int checked = 0;
    for (std::size_t i = 0; i < ChipCatalogSize(); ++i) {
        const TChipRow& row = Row(i);
        if (row.Kind != TChipKind::TagDecoder && row.Kind != TChipKind::Position &&
            row.Kind != TChipKind::Preset && row.Kind != TChipKind::Caption)
            continue;
        SCOPED_TRACE(row.Caption);
        std::string caption = row.Caption;
        const TLookup look = LookupFor(row.Routine, row.Arg & 0xFF);
        if (look.Group != nullptr) {
            // The routine finds the item at this position of its submenu, separators counted, in
            // both builds; it must be the clicked item itself.
            for (TBuildLang lang : {TBuildLang::Chinese, TBuildLang::English}) {
                if (!row.InBuild(lang))
                    continue;
                const std::vector<std::size_t> menu = MenuRows(look.Group, look.Submenu, lang);
                const int pos = (row.Arg & 0xFF) - look.Offset;
                ASSERT_GE(pos, 0);
                ASSERT_LT(static_cast<std::size_t>(pos), menu.size());
                EXPECT_EQ(menu[pos], i);
            }
            caption = Row(MenuRows(look.Group, look.Submenu)[(row.Arg & 0xFF) - look.Offset]).Caption;
        }
        TWrite want = Derive(row, caption);
        if (ItemWritesOwnIds(row)) {
            EXPECT_TRUE(row.Writes(F::ChipID1) && row.Writes(F::ChipID2));
            want.Set(F::ChipID1, row.Get(F::ChipID1));
            want.Set(F::ChipID2, row.Get(F::ChipID2));
        }
        for (std::size_t f = 0; f < kChipFieldCount; ++f)
            EXPECT_EQ(row.Value[f], want.V[f]) << ChipFieldName(static_cast<F>(f));
        ++checked;
    }
    EXPECT_EQ(checked, 378 + 20 + 135 + 55);
}

TEST(ChipRules, DirectItemsTakeChipIndexFromTheirTag)
{
    for (std::size_t i = 0; i < ChipCatalogSize(); ++i) {
        const TChipRow& row = Row(i);
        if (row.Routine != TChipRoutine::OwnTag || (row.Flags & kEntryDisabled))
            continue;
        EXPECT_EQ(row.Get(F::ChipIndex), row.Arg & 0xFF) << row.Caption;
    }
}

}  // namespace
