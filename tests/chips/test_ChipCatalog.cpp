// Chip catalogue: the menu's totals and structure in both builds, the handler kinds, and the
// values that chosen rows leave in CurChip.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ChipTestUtil.h"
#include "chips/ChipCatalog.h"
#include "chips/ChipSelCY.h"
#include "link/DefinCyX4.h"

namespace {

using chiptest::FindRow;
using chiptest::Row;
using chiptest::TRecordingBox;
constexpr auto ZH = TBuildLang::Chinese;
constexpr auto EN = TBuildLang::English;

struct TTally {
    int Items = 0;
    int Selectable = 0;
    int Separators = 0;
};

template <class Pred>
TTally Tally(TBuildLang lang, Pred pred)
{
    TTally t;
    for (std::size_t i = 0; i < ChipCatalogSize(); ++i) {
        const TChipRow& r = Row(i);
        if (!r.InBuild(lang) || !pred(r))
            continue;
        if (r.IsSeparator())
            ++t.Separators;
        else
            ++t.Items;
        if (r.Selectable(lang))
            ++t.Selectable;
    }
    return t;
}

TEST(ChipCatalog, TotalsInBothBuilds)
{
    const TTally zh = Tally(ZH, [](const TChipRow&) { return true; });
    EXPECT_EQ(zh.Items, 1040);
    EXPECT_EQ(zh.Selectable, 1004);
    EXPECT_EQ(zh.Separators, 70);
    const TTally en = Tally(EN, [](const TChipRow&) { return true; });
    EXPECT_EQ(en.Items, 1026);
    EXPECT_EQ(en.Selectable, 990);
    EXPECT_EQ(en.Separators, 68);
}

// The top level: 22 groups with 6 separators between them.
TEST(ChipCatalog, GroupsInOrderWithTheirCounts)
{
    struct G { const char* Name; int Items, ItemsEn; bool SeparatorAfter; };
    const G groups[] = {
        {"CY7C6xxxx", 36, 36, false},          {"CY8C20xxxxx", 81, 81, false},
        {"Cy8C21xxxx-29xxxx", 63, 63, true},   {"CY8CTMGxx/TMAxxx", 201, 201, false},
        {"CY8CTSTxxx", 24, 24, false},         {"CY8CMBR2xxx/3xxx", 20, 20, true},
        {"CGxxxxxx", 4, 4, false},             {"CYPD1xxx/2xxx", 18, 18, false},
        {"CYPD3xxx", 27, 27, false},           {"CYPD4xxx", 17, 17, false},
        {"CYPD5xxx/CP89xx", 13, 13, false},    {"CYPD6xxx", 16, 12, false},
        {"CYPD7xx/8xxx", 12, 8, true},         {"CYBL10x6xx", 10, 10, false},
        {"CYBL10x7xx/1xx7xx", 14, 14, true},   {"PSoC3 CY8C3xxxx", 58, 58, false},
        {"PSoC4 CY8C4xxxx", 244, 239, false},  {"PSoC5 CY8C5xxxx", 90, 90, false},
        {"PSoC6 CY8C6xxxx", 55, 55, true},     {"CYTTxxxx Series", 24, 24, false},
        {"TTxxxx", 1, 1, true},                {"Other Chips", 12, 11, false},
    };
    // The top-level sequence as the table gives it: group names in first-seen order and "|" for a
    // separator between groups.
    std::vector<std::string> seen;
    for (std::size_t i = 0; i < ChipCatalogSize(); ++i) {
        const std::string g = Row(i).Group;
        if (g.empty())
            seen.push_back("|");
        else if (seen.empty() || seen.back() != g)
            seen.push_back(g);
    }
    std::vector<std::string> expected;
    for (const G& g : groups) {
        expected.push_back(g.Name);
        if (g.SeparatorAfter)
            expected.push_back("|");
    }
    EXPECT_EQ(seen, expected);
    for (const G& g : groups) {
        auto inGroup = [&](const TChipRow& r) { return std::string(r.Group) == g.Name; };
        EXPECT_EQ(Tally(ZH, inGroup).Items, g.Items) << g.Name;
        EXPECT_EQ(Tally(EN, inGroup).Items, g.ItemsEn) << g.Name;
    }
}

// Every submenu (and every group's own entries, submenu ""), in menu order.
TEST(ChipCatalog, SubmenusInOrderWithItemsAndSeparators)
{
    struct S { const char* Group; const char* Sub; int Items, Seps, ItemsEn, SepsEn, Selectable; };
    const S subs[] = {
        {"CY7C6xxxx", "CY7C64xxxx", 10, 0, 10, 0, 10},
        {"CY7C6xxxx", "CY7C63xxxx", 9, 0, 9, 0, 9},
        {"CY7C6xxxx", "CY7C60xxxx", 12, 2, 12, 2, 12},
        {"CY7C6xxxx", "CY7C6521xxx", 5, 0, 5, 0, 5},
        {"CY8C20xxxxx", "CY8C20xx4", 10, 0, 10, 0, 10},
        {"CY8C20xxxxx", "CY8C200xx/2x6/3x6", 18, 2, 18, 2, 18},
        {"CY8C20xxxxx", "CY8C204x6/5x6", 16, 2, 16, 2, 16},
        {"CY8C20xxxxx", "CY8C206x6/7x6", 14, 1, 14, 1, 14},
        {"CY8C20xxxxx", "CY8C20xx7xx", 23, 2, 23, 2, 23},
        {"Cy8C21xxxx-29xxxx", "CY8C21xxx", 14, 3, 14, 3, 14},
        {"Cy8C21xxxx-29xxxx", "CY8C22xxx", 7, 1, 7, 1, 7},
        {"Cy8C21xxxx-29xxxx", "CY8C23xxx", 3, 0, 3, 0, 3},
        {"Cy8C21xxxx-29xxxx", "CY8C24xxx", 13, 3, 13, 3, 11},
        {"Cy8C21xxxx-29xxxx", "CY8C25xxx", 1, 0, 1, 0, 1},
        {"Cy8C21xxxx-29xxxx", "CY8C26xxx", 3, 0, 3, 0, 3},
        {"Cy8C21xxxx-29xxxx", "CY8C27xxx", 6, 0, 6, 0, 6},
        {"Cy8C21xxxx-29xxxx", "CY8C28xxx", 12, 0, 12, 0, 12},
        {"Cy8C21xxxx-29xxxx", "CY8C29xxx", 4, 0, 4, 0, 4},
        {"CY8CTMGxx/TMAxxx", "CY8CTMGxxx", 20, 3, 20, 3, 20},
        {"CY8CTMGxx/TMAxxx", "CY8CTMA1xxx", 23, 2, 23, 2, 23},
        {"CY8CTMGxx/TMAxxx", "CY8CTMA30xx", 5, 0, 5, 0, 5},
        {"CY8CTMGxx/TMAxxx", "CY8CTMA340xxx", 21, 0, 21, 0, 21},
        {"CY8CTMGxx/TMAxxx", "CY8CTMA350xxx", 9, 0, 9, 0, 9},
        {"CY8CTMGxx/TMAxxx", "CY8CTMA37xxx", 1, 0, 1, 0, 1},
        {"CY8CTMGxx/TMAxxx", "CY8CTMA4xxxx", 23, 4, 23, 4, 23},
        {"CY8CTMGxx/TMAxxx", "CY8CTMA46xxx", 24, 1, 24, 1, 24},
        {"CY8CTMGxx/TMAxxx", "CY8CTMA5xxxx", 41, 2, 41, 2, 41},
        {"CY8CTMGxx/TMAxxx", "CY8CTMA6xxxx", 10, 0, 10, 0, 0},
        {"CY8CTMGxx/TMAxxx", "CY8CTMA7xxxx", 13, 0, 13, 0, 0},
        {"CY8CTMGxx/TMAxxx", "CY8CTMA88xxx", 11, 0, 11, 0, 0},
        {"CY8CTSTxxx", "", 24, 6, 24, 6, 24},
        {"CY8CMBR2xxx/3xxx", "", 20, 1, 20, 1, 20},
        {"CGxxxxxx", "", 4, 0, 4, 0, 4},
        {"CYPD1xxx/2xxx", "", 18, 1, 18, 1, 18},
        {"CYPD3xxx", "", 27, 1, 27, 1, 27},
        {"CYPD4xxx", "", 17, 0, 17, 0, 17},
        {"CYPD5xxx/CP89xx", "", 13, 0, 13, 0, 13},
        {"CYPD6xxx", "", 16, 0, 12, 0, 16},
        {"CYPD7xx/8xxx", "", 12, 0, 8, 0, 12},
        {"CYBL10x6xx", "", 10, 0, 10, 0, 10},
        {"CYBL10x7xx/1xx7xx", "", 14, 0, 14, 0, 14},
        {"PSoC3 CY8C3xxxx", "CY8C32xxx", 19, 0, 19, 0, 19},
        {"PSoC3 CY8C3xxxx", "CY8C34xxx", 18, 0, 18, 0, 18},
        {"PSoC3 CY8C3xxxx", "CY8C36xxx", 12, 0, 12, 0, 12},
        {"PSoC3 CY8C3xxxx", "CY8C38xxx", 9, 0, 9, 0, 9},
        {"PSoC4 CY8C4xxxx", "CY8C4xx00/23", 8, 0, 8, 0, 8},
        {"PSoC4 CY8C4xxxx", "CY8C40xx-4xxx", 19, 1, 19, 1, 19},
        {"PSoC4 CY8C4xxxx", "CY8C40xx-Sxxx", 19, 3, 17, 2, 19},
        {"PSoC4 CY8C4xxxx", "CY8C41xx-4xxx", 20, 2, 20, 2, 20},
        {"PSoC4 CY8C4xxxx", "CY8C41xx-Sxxx", 34, 4, 34, 4, 34},
        {"PSoC4 CY8C4xxxx", "CY8C41x6xx-S4xx", 15, 1, 15, 1, 15},
        {"PSoC4 CY8C4xxxx", "CY8C41x7xx-S4xx", 21, 2, 18, 1, 21},
        {"PSoC4 CY8C4xxxx", "CY8C41x8xx-S4xx", 13, 0, 13, 0, 13},
        {"PSoC4 CY8C4xxxx", "CY8C41xx-Mxxx", 17, 2, 17, 2, 17},
        {"PSoC4 CY8C4xxxx", "CY8C42xx-4xxx", 17, 1, 17, 1, 17},
        {"PSoC4 CY8C4xxxx", "CY8C42xx-Mxxx", 18, 2, 18, 2, 18},
        {"PSoC4 CY8C4xxxx", "CY8C42xx-Lxxx", 21, 1, 21, 1, 21},
        {"PSoC4 CY8C4xxxx", "CY8C4xx7 BLE", 13, 1, 13, 1, 13},
        {"PSoC4 CY8C4xxxx", "CY8C4xx8 BLE", 6, 0, 6, 0, 6},
        {"PSoC4 CY8C4xxxx", "", 3, 0, 3, 0, 3},
        {"PSoC5 CY8C5xxxx", "CY8C52xxx", 20, 1, 20, 1, 20},
        {"PSoC5 CY8C5xxxx", "CY8C53xxx", 8, 0, 8, 0, 8},
        {"PSoC5 CY8C5xxxx", "CY8C54xxx", 20, 1, 20, 1, 20},
        {"PSoC5 CY8C5xxxx", "CY8C55xxx", 6, 0, 6, 0, 6},
        {"PSoC5 CY8C5xxxx", "CY8C56xxx", 17, 0, 17, 0, 17},
        {"PSoC5 CY8C5xxxx", "CY8C58xxx", 19, 0, 19, 0, 19},
        {"PSoC6 CY8C6xxxx", "CY8C61xxx", 13, 0, 13, 0, 13},
        {"PSoC6 CY8C6xxxx", "CY8C62xxx", 20, 1, 20, 1, 20},
        {"PSoC6 CY8C6xxxx", "CY8C62xA/8", 10, 0, 10, 0, 10},
        {"PSoC6 CY8C6xxxx", "CY8C63xxx", 12, 0, 12, 0, 12},
        {"CYTTxxxx Series", "CYTT2xxx", 17, 0, 17, 0, 17},
        {"CYTTxxxx Series", "CYTT3xxx", 3, 0, 3, 0, 3},
        {"CYTTxxxx Series", "CYTT4xxx", 4, 0, 4, 0, 4},
        {"CYTTxxxx Series", "", 0, 1, 0, 1, 0},
        {"TTxxxx", "", 1, 0, 1, 0, 1},
        {"Other Chips", "", 12, 3, 11, 3, 12},
    };
    std::vector<std::pair<std::string, std::string>> seen;
    for (std::size_t i = 0; i < ChipCatalogSize(); ++i) {
        std::pair<std::string, std::string> key{Row(i).Group, Row(i).Submenu};
        if (!key.first.empty() && std::find(seen.begin(), seen.end(), key) == seen.end())
            seen.push_back(key);
    }
    std::vector<std::pair<std::string, std::string>> expected;
    for (const S& s : subs)
        expected.emplace_back(s.Group, s.Sub);
    EXPECT_EQ(seen, expected);
    for (const S& s : subs) {
        auto in = [&](const TChipRow& r) {
            return std::string(r.Group) == s.Group && std::string(r.Submenu) == s.Sub;
        };
        const TTally zh = Tally(ZH, in), en = Tally(EN, in);
        EXPECT_EQ(zh.Items, s.Items) << s.Sub;
        EXPECT_EQ(zh.Separators, s.Seps) << s.Sub;
        EXPECT_EQ(zh.Selectable, s.Selectable) << s.Sub;
        EXPECT_EQ(en.Items, s.ItemsEn) << s.Sub;
        EXPECT_EQ(en.Separators, s.SepsEn) << s.Sub;
    }
}

// The entries flagged hidden, disabled or absent from the English build, by name.
TEST(ChipCatalog, FlaggedEntries)
{
    std::vector<std::string> disabled, notEnglish;
    int hiddenItems = 0, hiddenSeparators = 0;
    for (std::size_t i = 0; i < ChipCatalogSize(); ++i) {
        const TChipRow& r = Row(i);
        if (r.Flags & kEntryDisabled)
            disabled.push_back(r.Caption);
        if (r.Flags & kEntryNotEnglish)
            notEnglish.push_back(r.IsSeparator() ? std::string("|") + r.Submenu : std::string(r.Caption));
        if (r.Flags & kEntryHidden)
            (r.IsSeparator() ? hiddenSeparators : hiddenItems)++;
    }
    EXPECT_EQ(disabled, (std::vector<std::string>{"CY8C240001A", "CY8C24033A"}));
    EXPECT_EQ(notEnglish, (std::vector<std::string>{
                              "CYPD6129-52LQXI", "CYPD6129-52LQXIT", "CYPD6229-52LQXI", "CYPD6229-52LQXIT",
                              "CYPD8129-52LQXI", "CYPD8129-52LQXIT", "CYPD8229-52LQXI", "CYPD8229-52LQXIT",
                              "CY8C4045xxx-S4xx", "|CY8C40xx-Sxxx", "CY8C4046xxx", "CY8C4147LQS-S453",
                              "|CY8C41x7xx-S4xx", "CY8C4147xxx-S4xx", "CY8C4127xxx-S4xx", "CYPM311-48LDXIT"}));
    EXPECT_EQ(hiddenItems, 34);
    EXPECT_EQ(hiddenSeparators, 1);
}

TEST(ChipCatalog, HandlerKindsAndWhatTheRowsWrite)
{
    std::map<TChipKind, int> kinds;
    int ownTag = 0, constantIndex = 0, noIndex = 0, writesIndex = 0, writesIds = 0;
    int longCaptions = 0;
    std::size_t longest = 0;
    for (std::size_t i = 0; i < ChipCatalogSize(); ++i) {
        const TChipRow& r = Row(i);
        if (r.IsSeparator())
            continue;
        ++kinds[r.Kind];
        if (r.Kind == TChipKind::Direct) {
            if (r.Routine == TChipRoutine::OwnTag)
                ++ownTag;
            else if (r.Writes(TChipField::ChipIndex))
                ++constantIndex;
            else
                ++noIndex;
        }
        if (r.Selectable(ZH)) {
            writesIndex += r.Writes(TChipField::ChipIndex);
            writesIds += r.Writes(TChipField::ChipID1) && r.Writes(TChipField::ChipID2);
            EXPECT_EQ(r.Writes(TChipField::ChipID1), r.Writes(TChipField::ChipID2)) << r.Caption;
        }
        const std::size_t len = std::string(r.Caption).size();
        longCaptions += len > 16;
        longest = std::max(longest, len);
    }
    EXPECT_EQ(kinds[TChipKind::Direct], 431);
    EXPECT_EQ(kinds[TChipKind::TagDecoder], 378);
    EXPECT_EQ(kinds[TChipKind::Position], 20);
    EXPECT_EQ(kinds[TChipKind::Preset], 135);
    EXPECT_EQ(kinds[TChipKind::Caption], 55);
    EXPECT_EQ(kinds[TChipKind::Inert], 21);
    EXPECT_EQ(ownTag, 395);
    EXPECT_EQ(constantIndex, 22);
    EXPECT_EQ(noIndex, 14);
    EXPECT_EQ(writesIndex, 537);
    EXPECT_EQ(writesIds, 349);
    EXPECT_EQ(longCaptions, 406);
    EXPECT_EQ(longest, 22u);
}

// ---- Rows after a click, from a previous chip whose every field differs from any row value ----

constexpr std::int32_t K = kKeep;

TChipParam PreviousChip()
{
    TChipParam p;
    p.FamilyCode = 0xEE;
    p.BankNum = 0x77;
    p.BlockSize = 0x7777;
    p.BlockNum = 0x7777;
    p.ModeByte = 0xEE;
    p.FlagByte = 0xEE;
    p.ChipIndex = 0x5A;
    p.ChipID1 = 0xBEEF;
    p.ChipID2 = 0xCAFE;
    p.EepSize = 0x7777;
    p.EccSize = 0x7777;
    p.SecuSize = 0x7777;
    p.Opt0 = p.Opt1 = p.Opt2 = p.Opt3 = 1;
    return p;
}

struct TRowCase {
    const char* Caption;
    int Occurrence;
    // FamilyCode, BankNum, BlockSize, BlockNum, ModeByte, FlagByte, ChipIndex, ChipID1, ChipID2,
    // EepSize, EccSize, SecuSize, Opt0, Opt1, Opt2, Opt3; K: the previous chip's value stays.
    std::array<std::int32_t, kChipFieldCount> After;
};

const TRowCase kRowCases[] = {
    // One per FamilyCode value.
    {"CY8C20110-LDX2I", 0, {0x00, 1, 256, 16, 0, 0, K, K, K, 0, 0, 0, 0, 0, 0, 0}},
    {"TT700xxxx", 0, {0x08, K, 256, 512, 0, 0, 0, K, K, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8C26443", 0, {0x10, 1, 128, 128, 0, 0, 1, 0x0F00, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8C20424-12LQXI ", 0, {0x20, 1, 64, 128, 0, 0, 0, 0x6A08, 0, 0, 0, 0, 1, 0, 0, 1}},
    {"CY8C22345H-24xxXA", 0, {0x23, 2, 64, 128, 0x03, 0x05, 0, 0xD10C, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8C23433A", 0, {0x25, 1, 64, 127, 0, 0, 0, 0xB008, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"CG6897xxx", 0, {0x27, 2, 64, 128, 0x03, 0x05, 0, 0x1F00, 0xA921, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8C270021", 0, {0x2C, 1, 64, 256, 0, 0, 0, 0x1600, 0, 0, 0, 0, 0, 1, 1, 0}},
    {"CY8CTST120-56xxxx", 0, {0x2E, 2, 64, 128, 0x03, 0x05, 150, 0x1F06, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8C29866", 0, {0x30, 4, 64, 128, 0x03, 0x05, 3, 0x2D00, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8C42423", 0, {0x40, 1, 64, 64, 0, 0x03, 0, 0x6300, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8CTMA340-48LQI-13", 0, {0x50, 1, 128, 256, 0x05, 0, 0, 0x8B05, 0x1270, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8CTMA340-48LQI-13", 1, {0x50, 1, 128, 256, 0x05, 0, 0, 0x8E05, 0x1270, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8CTMA350-FNI-01", 0, {0x60, 1, 128, 256, 0x05, 0, 0, 0x9C05, 0x1270, 0, 0, 0, 0, 0, 0, 0}},
    {"CY7C60123PVXC", 0, {0x68, 1, 64, 128, 0x08, 0, 19, 0x4C00, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8C3665PVI-008", 0, {0x80, 1, 256, 128, 0, 0, 0, K, K, 1024, 1024, 0, 0, 0, 0, 0}},
    {"CY8CTMA400-60BUI", 0, {0xA0, 2, 128, 256, 0, 0, 4, K, K, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8CTMA443-49FNIXX", 0, {0xB0, 1, 256, 256, 0, 0, 0, K, K, 0, 0, 0, 0, 0, 0, 0}},
    {"CYTMA44xA-xxxx", 0, {0xB8, 1, 128, 512, 0, 0x14, K, K, K, 0, 0, 0, 0, 0, 0, 0}},
    {"CYPD5225-96BZXI", 0, {0xC0, 1, 256, 512, 0x35, 0x14, 0, K, K, 0, 0, 0, 0, 0, 0, 0}},
    {"Cy8C4246AZI-L423x", 0, {0xC8, 2, 256, 512, 0x37, 0x10, K, K, K, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8C5165LTI-LP050", 0, {0xD0, 1, 256, 128, 0, 0, K, K, K, 1024, 0, 0, 0, 0, 0, 0}},
    {"CY8C6316xxx-BLF03", 0, {0xD8, 1, 512, 1024, 0, 0x30, K, K, K, 2048, 32768, 4096, 0, 0, 0, 0}},
    {"CY8C624ABZI-S2D04", 0, {0xD9, 1, 512, 4096, 0, 0x30, K, 0x0E01, 0x00EA, 2048, 32768, 4096, 0, 0, 0, 0}},
    // Captions that are easy to get wrong, and rows with unusual values.
    {"CY8c20424x", 0, {0x20, 1, 64, 128, 0, 0, 0, 0x6A06, 0, 0, 0, 0, 1, 0, 0, 1}},
    {"CY8CTST200-16LGX1", 0, {0x60, 1, 128, 256, 0x05, 0, 96, 0x6C06, 0x2152, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8C20466L-24LQXI", 0, {0x60, 1, 128, 128, 0x05, 0, 0, 0xBD00, 0x2152, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8CTMG200x-00LGXI", 0, {0x60, 1, 128, 256, 0x05, 0, 0, 0x9A07, 0x2152, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8CTMG200x-00LTX1", 0, {0x60, 1, 128, 256, 0x05, 0, 64, 0x9A07, 0x2152, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8CTST110-32LTXI", 0, {0x20, 1, 64, 128, 0, 0x05, 128, 0x3806, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8CLED08--48LFXI", 0, {0x20, 1, 64, 256, 0, 0, 0, 0x0D08, 0, 0, 0, 0, 0, 1, 0, 0}},
    {"CY8C4124AXI_443x", 0, {0xC0, 1, 128, 128, 0x15, 0x11, K, 0x1A04, 0x9310, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8C425FNI-483x", 0, {0xC0, 1, 128, 256, 0x15, 0x11, K, K, K, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8C4244AXI-443", 0, {0xC0, 1, 128, 128, 0x15, 0x11, K, 0xFA04, 0x9310, 0, 0, 0, 0, 0, 0, 0}},
    {"CP8900AT ", 0, {0xC0, 1, 256, 512, 0x35, 0x14, 0, K, K, 0, 0, 0, 0, 0, 0, 0}},
    {"CYPDC1186-30FNXIT ", 0, {0xC0, 1, 128, 512, 0x35, 0x14, K, K, K, 0, 0, 0, 0, 0, 0, 0}},
    {"CYPD4126-40LQXI ", 0, {0xC0, 1, 256, 512, 0x35, 0x14, 0, K, K, 0, 0, 0, 0, 0, 0, 0}},
    {"CYPD1132-16SXQ", 0, {0xC0, 1, 128, 256, 0x05, 0x11, 6, 0x0498, 0x1093, 0, 0, 0, 0, 0, 0, 0}},
    {"CYPD2134-24LQXIT", 0, {0xC0, 1, 128, 256, 0x15, 0x14, 18, 0x041A, 0xA410, 0, 0, 0, 0, 0, 0, 0}},
    {"CYPD6129-52LQXIT", 0, {0xC0, 2, 128, 512, 0x35, 0x14, K, K, K, 0, 0, 0, 0, 0, 0, 0}},
    {"CYPD8225xx-256KB", 0, {0xC0, 2, 256, 512, 0x35, 0x14, 0, K, K, 0, 0, 0, 0, 0, 0, 0}},
    {"CY7C65210xx", 0, {0xC0, 1, 128, 256, 0x05, 0x91, K, K, K, 0, 0, 0, 0, 0, 0, 0}},
    {"CY7C65219xx", 0, {0xC8, 2, 128, 512, 0x35, 0x14, K, K, K, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8C4147LQE-S443", 0, {0xC0, 1, 256, 512, 0x15, 0x14, K, K, K, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8C4146LQE-S423", 0, {0xC0, 1, 128, 512, 0x15, 0x14, K, K, K, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8C4127AZI-M475x", 1, {0xC0, 2, 128, 512, 0x35, 0x10, K, K, K, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8C4xxx-BLE(128KB)", 0, {0xC8, 2, 128, 512, 0x35, 0x14, K, K, K, 0, 0, 0, 0, 0, 0, 0}},
    {"CYAT81xxx-64K", 0, {0xB8, 1, 128, 512, 0, 0x14, K, K, K, 0, 0, 0, 0, 0, 0, 0}},
    {"CYPAS111-24LQXQT", 0, {0xC0, 1, 128, 512, 0x15, 0x14, 18, 0x012B, 0xBB12, 0, 0, 0, 0, 0, 0, 0}},
    {"CY7C63310", 0, {0x68, 1, 64, 48, 0x08, 0, 0, 0x4400, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"CY8C3866AXI-039", 0, {0x80, 1, 256, 256, 0, 0, K, K, K, 2048, 0, 0, 0, 0, 0, 0}},
    {"CY8C5268LTI-LP030", 0, {0xD0, 4, 256, 256, 0, 0, K, K, K, 2048, 0, 0, 0, 0, 0, 0}},
    {"CY8C6117FDI-F02", 0, {0xD8, 1, 512, 2048, 0, 0x30, K, 0x0001, 0x00E2, 2048, 32768, 4096, 0, 0, 0, 0}},
    {"CY8CTMA768BUI-13(T)", 0, {0xA0, 2, 128, 256, 0, 0, 18, K, K, 0, 0, 0, 0, 0, 0, 0}},
};

TEST(ChipCatalog, RowsAfterTheClick)
{
    for (const TRowCase& c : kRowCases) {
        SCOPED_TRACE(std::string("\"") + c.Caption + "\" #" + std::to_string(c.Occurrence));
        const std::size_t i = FindRow(c.Caption, c.Occurrence);
        ASSERT_LT(i, ChipCatalogSize());
        const TChipParam before = PreviousChip();
        CurChip = before;
        TRecordingBox box;
        ASSERT_TRUE(ChooseChip(Row(i), box));
        ASSERT_EQ(box.Captions, std::vector<std::string>{c.Caption});
        for (std::size_t f = 0; f < kChipFieldCount; ++f) {
            const auto field = static_cast<TChipField>(f);
            const std::int32_t want = c.After[f] == K ? ChipFieldValue(before, field) : c.After[f];
            EXPECT_EQ(ChipFieldValue(CurChip, field), want) << ChipFieldName(field);
        }
    }
}

// For every chosen row: a field the row writes holds its value; of the others, those every choice
// clears read 0 and the rest keep what the previous chip left.
TEST(ChipCatalog, FieldClassesForEveryRow)
{
    const TChipField cleared[] = {TChipField::ModeByte, TChipField::FlagByte, TChipField::EepSize,
                                  TChipField::EccSize, TChipField::SecuSize, TChipField::Opt0,
                                  TChipField::Opt1, TChipField::Opt2, TChipField::Opt3};
    auto isCleared = [&](TChipField f) { return std::find(std::begin(cleared), std::end(cleared), f) != std::end(cleared); };
    int chosen = 0;
    for (std::size_t i = 0; i < ChipCatalogSize(); ++i) {
        const TChipRow& r = Row(i);
        const TChipParam before = PreviousChip();
        CurChip = before;
        TRecordingBox box;
        const bool ok = ChooseChip(r, box);
        if (!ok) {
            EXPECT_TRUE(r.IsSeparator() || r.Kind == TChipKind::Inert || (r.Flags & kEntryDisabled)) << i;
            EXPECT_EQ(CurChip.ChipID1, before.ChipID1);
            EXPECT_EQ(CurChip.ModeByte, before.ModeByte);
            EXPECT_TRUE(box.Captions.empty());
            continue;
        }
        ++chosen;
        for (std::size_t f = 0; f < kChipFieldCount; ++f) {
            const auto field = static_cast<TChipField>(f);
            const std::int32_t got = ChipFieldValue(CurChip, field);
            if (r.Writes(field))
                EXPECT_EQ(got, r.Get(field)) << r.Caption << " " << ChipFieldName(field);
            else if (isCleared(field))
                EXPECT_EQ(got, 0) << r.Caption << " " << ChipFieldName(field);
            else
                EXPECT_EQ(got, ChipFieldValue(before, field)) << r.Caption << " " << ChipFieldName(field);
        }
        // Every selectable item writes these (TT700xxxx leaves BankNum to the set-up).
        EXPECT_TRUE(r.Writes(TChipField::FamilyCode) && r.Writes(TChipField::BlockSize) &&
                    r.Writes(TChipField::BlockNum)) << r.Caption;
        EXPECT_TRUE(r.Writes(TChipField::BankNum) || std::string(r.Caption) == "TT700xxxx") << r.Caption;
        for (TChipField f : cleared)
            EXPECT_TRUE(r.Writes(f)) << r.Caption << ": cleared fields hold a value, 0 when not written";
    }
    EXPECT_EQ(chosen, 1040 - 21 - 2);  // every item but the inert and the disabled ones
}

// Choosing A then B: what B does not write of ChipIndex, ChipID1, ChipID2 stays A's; what every
// choice clears reads 0 unless B writes it.
TEST(ChipCatalog, SecondChoiceKeepsOrClearsByFieldClass)
{
    TRecordingBox box;
    CurChip = PreviousChip();
    ASSERT_TRUE(ChooseChip(Row(FindRow("CY8CTST110-32LTXI")), box));  // ChipIndex 128, FlagByte 0x05
    ASSERT_TRUE(ChooseChip(Row(FindRow("CY8C6316xxx-BLF03")), box));  // writes no index or IDs
    EXPECT_EQ(CurChip.ChipIndex, 128);
    EXPECT_EQ(CurChip.ChipID1, 0x3806);
    EXPECT_EQ(CurChip.ChipID2, 0x0000);
    EXPECT_EQ(CurChip.FlagByte, 0x30);
    EXPECT_EQ(CurChip.EccSize, 32768);
    ASSERT_TRUE(ChooseChip(Row(FindRow("CYTT31xxxxx")), box));
    EXPECT_EQ(CurChip.ChipIndex, 128);
    EXPECT_EQ(CurChip.ChipID1, 0x3806);
    EXPECT_EQ(CurChip.FlagByte, 0x14);
    EXPECT_EQ(CurChip.ModeByte, 0);
    EXPECT_EQ(CurChip.EepSize, 0);
    EXPECT_EQ(CurChip.EccSize, 0);
    EXPECT_EQ(CurChip.SecuSize, 0);
    ASSERT_TRUE(ChooseChip(Row(FindRow("CY8CTMG100-32LKXI")), box));  // Opt0 and Opt3 1
    ASSERT_TRUE(ChooseChip(Row(FindRow("CY8C27143")), box));          // Opt1 and Opt2 1
    EXPECT_EQ(CurChip.Opt0, 0);
    EXPECT_EQ(CurChip.Opt1, 1);
    EXPECT_EQ(CurChip.Opt2, 1);
    EXPECT_EQ(CurChip.Opt3, 0);
    EXPECT_EQ(box.Unchecks, 5);
}

TEST(ChipCatalog, ChoiceClearsTheObjectFileFlagsAndSpareFlags)
{
    ImageInfo.EccInFile = ImageInfo.HexInfoPresent = ImageInfo.EepPresent = ImageInfo.EccPresent = 1;
    ImageInfo.NarPresent = ImageInfo.PubKeyPresent = ImageInfo.Toc2Present = 1;
    ImageInfo.WFlashPresent = ImageInfo.UserRowsPresent = 1;
    CtrlSettings.WriteWFlash = 1;
    ReservedFlag6 = ReservedFlag7 = 1;
    TRecordingBox box;
    // An inert item clears nothing.
    EXPECT_FALSE(ChooseChip(Row(FindRow("CY8CTMA616AA-12")), box));
    EXPECT_EQ(ImageInfo.EepPresent, 1);
    EXPECT_EQ(CtrlSettings.WriteWFlash, 1);
    EXPECT_EQ(box.Unchecks, 0);
    ASSERT_TRUE(ChooseChip(Row(FindRow("CY8C6245AZI-S3D72")), box));
    const std::uint8_t flags[] = {ImageInfo.EccInFile, ImageInfo.HexInfoPresent, ImageInfo.EepPresent,
                                  ImageInfo.EccPresent, ImageInfo.NarPresent, ImageInfo.PubKeyPresent,
                                  ImageInfo.Toc2Present, ImageInfo.WFlashPresent, ImageInfo.UserRowsPresent,
                                  CtrlSettings.WriteWFlash, ReservedFlag6, ReservedFlag7};
    for (std::uint8_t f : flags)
        EXPECT_EQ(f, 0);
    EXPECT_EQ(box.Unchecks, 1);
}

}  // namespace
