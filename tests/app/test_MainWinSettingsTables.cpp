// Main window settings, one table per concern and every row in both builds:
// each option control in both states as the programmers receive it (the
// parameter block, the configuration packet or the shared record), each
// control saved into a project and restored into a window that showed the
// other state, and a run of chips from different families on one window.
#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>

#include <functional>
#include <string>
#include <vector>

#include "app/MainTL200CyFiles.h"
#include "link/TelvicCmdChkCy.h"
#include "tests/app/MainWinFixture.h"
#include "tests/chips/ChipTestUtil.h"

// Texts in failure messages.
static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

using W = TTelvic200CyPrg;
using TBoxMember = QCheckBox* W::*;

class Builds : public ::testing::TestWithParam<TBuildLang> {};

std::string BuildName(const ::testing::TestParamInfo<TBuildLang>& info)
{
    return LangName(info.param);
}

// Chooses a chip as the chip dialog does: the catalogue row, then its caption
// into the chip-name box, which runs the set-up.
void Choose(W& w, const char* caption)
{
    const std::size_t row = chiptest::FindRow(caption);
    ASSERT_LT(row, ChipCatalogSize()) << caption;
    ASSERT_TRUE(ChooseChip(chiptest::Row(row), w)) << caption;
}

// The chips the rows use (values as the catalogue gives them):
const char* const kPsoc1 = "CY8C21434";         // 0x20, 8 KB, FlagByte 0x05
const char* const kPsoc3 = "CY8C3866AXI-039";   // 0x80, 64 KB, EEP 2048 bytes
const char* const kPsoc4 = "CY8C4245AXI-483x";  // 0xC0, 32 KB, FlagByte 0x11
const char* const kPsoc6 = "CY8C6036BZI-F04";   // 0xD8, 512 KB, FlagByte 0x30

// ---------------------------------------------------------------------------
// The option controls, each with the two states the tables put it in.

struct TControl {
    const char* name;
    std::function<void(W&, bool)> set;
    std::function<QString(const W&)> read;
};

// A check box; `first` (the serial-number or count-limit box) is checked
// beforehand where the operator must check it to reach this one.
TControl Box(const char* name, TBoxMember box, TBoxMember first = nullptr)
{
    return {name,
            [box, first](W& w, bool on) {
                if (first) (w.*first)->setChecked(true);
                (w.*box)->setChecked(on);
            },
            [box](const W& w) { return QString::number((w.*box)->isChecked()); }};
}

TControl Spin(const char* name, QSpinBox* W::*spin, int off, int on, TBoxMember enabler)
{
    return {name,
            [=](W& w, bool state) {
                (w.*enabler)->setChecked(true);
                (w.*spin)->setValue(state ? on : off);
            },
            [spin](const W& w) { return QString::number((w.*spin)->value()); }};
}

TControl Edit(const char* name, QLineEdit* W::*edit, const char* off, const char* on, TBoxMember enabler)
{
    return {name,
            [=](W& w, bool state) {
                if (enabler) (w.*enabler)->setChecked(true);
                (w.*edit)->setText(QString::fromLatin1(state ? on : off));
            },
            [edit](const W& w) { return (w.*edit)->text(); }};
}

// The interface voltage: 3.3 V, or the given item.
TControl Volt(const char* name, int item)
{
    return {name, [item](W& w, bool state) { w.SetVoltageItem(state ? item : 1); },
            [](const W& w) { return QString::number(w.VoltageIndex()); }};
}

const TControl kVolt18 = Volt("RadioGpVolt 1.8V", 0);
const TControl kVolt50 = Volt("RadioGpVolt 5.0V", 2);
const TControl kEnID = Box("ChkBoxEnID", &W::ChkBoxEnID);
const TControl kEnWrtEep = Box("EnWrtEep", &W::EnWrtEep);
const TControl kXres = Box("ChkBoxXres", &W::ChkBoxXres);
const TControl k48MHz = Box("ChkBox48MHZ", &W::ChkBox48MHZ);
const TControl kEPWF = Box("ChkBoxEPWF", &W::ChkBoxEPWF);
const TControl kNAR = Box("ChkBoxNAR", &W::ChkBoxNAR);
const TControl kPubKey = Box("ChkBoxPubKey", &W::ChkBoxPubKey);
const TControl kTOCx = Box("ChkBoxTOCx", &W::ChkBoxTOCx);
const TControl kSN = Box("CheckBoxSN", &W::CheckBoxSN);
const TControl kSNWithNumber = {"CheckBoxSN, 0x1234 at 0x200",
                                [](W& w, bool on) {
                                    w.SNEdit->setText(QStringLiteral("0x00001234"));
                                    w.AddrEdit->setText(QStringLiteral("0x00000200"));
                                    w.CheckBoxSN->setChecked(on);
                                },
                                [](const W& w) { return w.AddrEdit->text(); }};
const TControl kSNEdit = Edit("SNEdit", &W::SNEdit, "0x00000042", "0x00001234", &W::CheckBoxSN);
const TControl kSNDecimal = {"SNEdit decimal",
                             [](W& w, bool on) {
                                 w.CheckBoxSN->setChecked(true);
                                 w.ChkBoxSNDP->setChecked(true);
                                 w.SNEdit->setText(QString::fromLatin1(on ? "4660" : "66"));
                             },
                             [](const W& w) { return w.SNEdit->text(); }};
const TControl kGain = Edit("GainEdit", &W::GainEdit, "0x01", "0x05", &W::CheckBoxSN);
const TControl kAddr = Edit("AddrEdit", &W::AddrEdit, "0x00000200", "0x00007F00", &W::CheckBoxSN);
const TControl kPCSN = Box("ChkBoxPCSN", &W::ChkBoxPCSN, &W::CheckBoxSN);
const TControl kSNDP = Box("ChkBoxSNDP", &W::ChkBoxSNDP, &W::CheckBoxSN);
const TControl kStrSN = Box("ChkBoxStrSN", &W::ChkBoxStrSN, &W::CheckBoxSN);
const TControl kSNEep = Box("ChkBoxSNEep", &W::ChkBoxSNEep, &W::CheckBoxSN);
const TControl kSNOrder = Box("SNOrderChk", &W::SNOrderChk, &W::CheckBoxSN);
const TControl kCtrl = Box("CheckBoxCtrl", &W::CheckBoxCtrl);
const TControl kCountLimit = Spin("SpinEditNum", &W::SpinEditNum, 100, 999999900, &W::CheckBoxCtrl);
const TControl kBlkEr = Box("ChkBoxBlkEr", &W::ChkBoxBlkEr);
const TControl kVfy = Box("ChkBoxVfy", &W::ChkBoxVfy);
const TControl kROP = {"ChkBoxROP",
                       [](W& w, bool on) {
                           w.SetReadProtectVisible(true);  // as an object file with a protection setting shows it
                           w.ChkBoxROP->setChecked(on);
                       },
                       [](const W& w) { return QString::number(w.ChkBoxROP->isChecked()); }};
const TControl kSumVfy = Box("ChkBoxSumVfy", &W::ChkBoxSumVfy);
const TControl kAutoDet = Box("ChkBoxAutoDet", &W::ChkBoxAutoDet);
// 1490 ms and 2000 ms are no whole number of 30 ms units.
const TControl kStartDelay = Spin("SpinEditIn", &W::SpinEditIn, 300, 1490, &W::ChkBoxAutoDet);
const TControl kRemoveDelay = Spin("SpinEditOut", &W::SpinEditOut, 310, 2000, &W::ChkBoxAutoDet);
const TControl kPowerUp = Spin("SpinEditPow", &W::SpinEditPow, 10, 2000, &W::ChkBoxXres);

// ---------------------------------------------------------------------------
// Options: what a command sends after gathering the controls.

// What the programmers receive for the gathered options: the parameter block
// of every command (packet bytes 8 to 71) and the configuration packet.
struct TWire {
    std::vector<std::uint8_t> packet;  // a command packet with its parameter block, by packet offset
    std::vector<std::uint8_t> config;  // the first configuration block, unscrambled, by block offset
    std::uint16_t configPayload = 0;   // N of the configuration packet
};

// With the seed 0x6DBB both scrambling masks are 0x80: (0xBB ^ 0x3B) | 0x80
// and (0x6D ^ 0x6D) | 0x80.
constexpr std::uint16_t kSeedMask80 = 0x6DBB;

TWire Gather(W& w)
{
    w.CollectSettings();
    TTelvicCmdChk& sender = TelvicCmdChk[0];
    const std::uint8_t* p = Channels[0].PktBuf;
    TWire wire;
    sender.FillParamBlock();
    wire.packet.assign(p, p + 72);
    const TFrameSendHook before = sender.SendHook;
    sender.SendHook = [](int, const std::uint8_t*, std::uint16_t) {};
    EXPECT_TRUE(sender.SendConfigBlock(0x53, kSeedMask80));
    sender.SendHook = before;
    wire.configPayload = static_cast<std::uint16_t>(p[6] | p[7] << 8);
    for (int i = 0; i < 512; ++i) wire.config.push_back(static_cast<std::uint8_t>(p[8 + i] ^ 0x80));
    return wire;
}

struct TProbe {
    const char* field;
    std::function<std::uint32_t(const TWire&)> read;
};

std::uint32_t LittleEndian(const std::vector<std::uint8_t>& bytes, int at, int width)
{
    std::uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = v << 8 | bytes[static_cast<std::size_t>(at + i)];
    return v;
}

// A field of the parameter block, by packet offset.
TProbe Param(const char* field, int at, int width = 1)
{
    return {field, [=](const TWire& wire) { return LittleEndian(wire.packet, at, width); }};
}

// A field of the configuration block, by block offset.
TProbe Config(const char* field, int at, int width = 1)
{
    return {field, [=](const TWire& wire) { return LittleEndian(wire.config, at, width); }};
}

const TProbe kOptionBits3 = Param("OptionBits3", 8);
const TProbe kOptionBits2 = Param("OptionBits2", 9);
const TProbe kPowerUpTime = Param("PowerUpTime", 10);
const TProbe kOptionBits1 = Param("OptionBits1", 41);
const TProbe kChipProtect = Param("ChipProtect", 48);
const TProbe kFlagByte = Param("FlagByte", 50);
// Both delays stay below 255 units, so the base-255 split reads as a 16-bit value.
const TProbe kStartDelayUnits = Param("StartDelay", 52, 2);
const TProbe kRemoveDelayUnits = Param("RemoveDelay", 54, 2);
const TProbe kAutoDetect = Config("AutoDetect", 11);
const TProbe kSNMode = Config("SNMode", 68);
const TProbe kSNRoundStep = Config("SNRoundStep", 70, 2);
const TProbe kSNAddr = Config("SNAddr", 72, 4);
const TProbe kFirstSerial = Config("first serial number", 76, 4);
const TProbe kCountLimitOn = Config("CountLimitOn", 84);
const TProbe kCountLimitValue = Config("CountLimit", 86, 4);
const TProbe kConfigPayload = {"configuration payload", [](const TWire& wire) { return std::uint32_t{wire.configPayload}; }};
const TProbe kWriteWFlash = {"WriteWFlash", [](const TWire&) { return std::uint32_t{CtrlSettings.WriteWFlash}; }};
const TProbe kWriteSFlash = {"WriteSFlash", [](const TWire&) { return std::uint32_t{CtrlSettings.WriteSFlash}; }};

// The data areas of a PSoC 6 object file that make the units write the
// supervisory flash; they come from the file, not from a control.
TControl FileFlag(const char* name, std::uint8_t TImageInfo::*flag)
{
    return {name, [flag](W&, bool on) { ImageInfo.*flag = on ? 1 : 0; }, {}};
}
const TControl kNarInFile = FileFlag("NAR data in the file", &TImageInfo::NarPresent);
const TControl kUserRowsInFile = FileFlag("user rows in the file", &TImageInfo::UserRowsPresent);

TEST_P(Builds, EachOptionControlInBothStatesAsTheUnitsReceiveIt)
{
    const struct {
        const TControl& control;
        const char* chip;
        TProbe probe;
        std::uint32_t value[2];  // control off (or its first value), on (or its second)
        bool chineseOnly = false;
    } rows[] = {
        {kVolt18, kPsoc4, kOptionBits1, {0x00, 0x08}},
        {kVolt50, kPsoc4, kOptionBits1, {0x00, 0x01}},
        {kSNEep, kPsoc3, kOptionBits1, {0x00, 0x22}},  // the EEP-write box comes with it
        {kSNOrder, kPsoc4, kOptionBits1, {0x00, 0x04}},
        {kEnWrtEep, kPsoc3, kOptionBits1, {0x00, 0x20}},
        {kEnWrtEep, kPsoc3, kConfigPayload, {1024, 1024 + 2048}},
        {kEnID, kPsoc4, kOptionBits1, {0x00, 0x40}},
        {kXres, kPsoc4, kOptionBits1, {0x00, 0x80}},
        {kBlkEr, kPsoc4, kOptionBits2, {0x00, 0x01}},
        {kSumVfy, kPsoc6, kOptionBits2, {0x00, 0x02}},
        {kEPWF, kPsoc6, kOptionBits2, {0x00, 0x08}},
        {kEPWF, kPsoc6, kWriteWFlash, {0, 1}},
        {kNAR, kPsoc6, kOptionBits2, {0x00, 0x10}},
        {kPubKey, kPsoc6, kOptionBits2, {0x00, 0x20}},
        {kTOCx, kPsoc6, kOptionBits2, {0x00, 0x40}},
        {kNAR, kPsoc4, kOptionBits2, {0x00, 0x00}},  // below PSoC 6 the panel counts for nothing
        {kVfy, kPsoc4, kOptionBits3, {0x00, 0x10}, true},
        {k48MHz, kPsoc4, kFlagByte, {0x11, 0x15}},
        {k48MHz, kPsoc1, kFlagByte, {0x05, 0x05}},  // below 0xC0 the row's FlagByte stays
        {kROP, kPsoc4, kChipProtect, {1, 2}},
        {kAutoDet, kPsoc4, kAutoDetect, {0, 15}},
        {kPowerUp, kPsoc4, kPowerUpTime, {1, 200}},
        {kStartDelay, kPsoc4, kStartDelayUnits, {10, 49}},
        {kRemoveDelay, kPsoc4, kRemoveDelayUnits, {10, 66}},
        {kSNWithNumber, kPsoc4, kSNMode, {0x00, 0x0F}},
        {kSNWithNumber, kPsoc4, kSNAddr, {0xFFFFFFFFu, 0x200}},
        {kSNWithNumber, kPsoc4, kFirstSerial, {0, 0x1234}},
        {kSNDP, kPsoc4, kSNMode, {0x0F, 0xA3}},
        {kStrSN, kPsoc4, kSNMode, {0x0F, 0xA5}},
        {kSNEdit, kPsoc4, kFirstSerial, {0x42, 0x1234}},
        {kAddr, kPsoc4, kSNAddr, {0x200, 0x7F00}},
        {kGain, kPsoc4, kSNRoundStep, {4, 20}},  // four programmers found
        {kCtrl, kPsoc4, kCountLimitOn, {0, 15}},
        {kCtrl, kPsoc4, kCountLimitValue, {0xFFFFFFFFu, 0}},
        {kCountLimit, kPsoc4, kCountLimitValue, {100, 999999900}},
        {kNarInFile, kPsoc6, kWriteSFlash, {0, 1}},
        {kUserRowsInFile, kPsoc6, kWriteSFlash, {0, 1}},
        {kNarInFile, kPsoc4, kWriteSFlash, {0, 0}},
    };
    const TBuildLang lang = GetParam();
    for (const auto& row : rows) {
        if (row.chineseOnly && lang == TBuildLang::English) continue;  // the box is hidden there
        SCOPED_TRACE(std::string(row.control.name) + " on " + row.chip + ": " + row.probe.field);
        MainWinFixture f(lang);
        f.Show();
        W& w = *f.win;
        Choose(w, row.chip);
        w.ChkBoxBlkEr->setChecked(false);  // the builds' set-ups leave it differently
        ProgrammerCount = 4;
        for (const bool on : {false, true}) {
            row.control.set(w, on);
            EXPECT_EQ(row.probe.read(Gather(w)), row.value[on]) << (on ? "on" : "off");
        }
        EXPECT_TRUE(f.boxes.Shown.empty());
    }
}

// ---------------------------------------------------------------------------
// Project restore: saved with one state, loaded into a window showing the other.

TEST_P(Builds, EachControlRestoredFromAProjectIntoAWindowShowingTheOtherState)
{
    const struct {
        const TControl& control;
        const char* chip;
        const char* shown[2];  // after loading a project saved with the control off (first value), on
    } rows[] = {
        {kCtrl, kPsoc4, {"0", "1"}},
        {kCountLimit, kPsoc4, {"100", "999999900"}},
        {kGain, kPsoc4, {"1", "5"}},
        {kSN, kPsoc4, {"0", "1"}},
        {kStrSN, kPsoc4, {"0", "1"}},
        {kSNDP, kPsoc4, {"0", "1"}},
        {kAddr, kPsoc4, {"0x00000200", "0x00007F00"}},
        {kSNWithNumber, kPsoc4, {"0xFFFFFFFF", "0x00000200"}},  // no serial numbers: no address
        {kSNEdit, kPsoc4, {"0x00000042", "0x00001234"}},
        {kSNDecimal, kPsoc4, {"66", "4660"}},
        {kPowerUp, kPsoc4, {"10", "2000"}},
        {kAutoDet, kPsoc4, {"0", "1"}},
        {kStartDelay, kPsoc4, {"300", "1470"}},  // kept in whole 30 ms units
        {kRemoveDelay, kPsoc4, {"300", "1980"}},
        {kVolt18, kPsoc4, {"1", "0"}},
        {kVolt50, kPsoc4, {"1", "2"}},
        {kSNEep, kPsoc3, {"0", "1"}},
        {kSNOrder, kPsoc4, {"0", "1"}},
        {kEnID, kPsoc4, {"0", "1"}},
        {kXres, kPsoc4, {"0", "1"}},
        {kEnWrtEep, kPsoc3, {"0", "1"}},
        {kEPWF, kPsoc6, {"0", "1"}},
        {k48MHz, kPsoc4, {"0", "1"}},
        {kROP, kPsoc4, {"0", "1"}},
        {kBlkEr, kPsoc4, {"0", "1"}},
        {kSumVfy, kPsoc6, {"0", "1"}},
        {kNAR, kPsoc6, {"0", "1"}},
        {kPubKey, kPsoc6, {"0", "1"}},
        {kTOCx, kPsoc6, {"0", "1"}},
        // Not kept in a project: the loading window keeps its own state.
        {kVfy, kPsoc4, {"1", "0"}},
        {kPCSN, kPsoc4, {"1", "0"}},
    };
    const TBuildLang lang = GetParam();
    QTemporaryDir keep;
    const std::string project = keep.path().toStdString() + "/settings.PTV";
    const auto answer = [&project](MainWinFixture& f) {
        f.win->Files().FileDialogHook = [&project](bool, int, std::string& path) { return (path = project), true; };
    };
    for (const auto& row : rows) {
        for (const bool on : {false, true}) {
            SCOPED_TRACE(std::string(row.control.name) + (on ? " on" : " off") + " on " + row.chip);
            {
                MainWinFixture saver(lang);
                saver.Show();
                Choose(*saver.win, row.chip);
                ObjFileLoaded = 1;
                row.control.set(*saver.win, on);
                answer(saver);
                saver.win->SavetoProjectFile1->trigger();
                ASSERT_FALSE(saver.boxes.Shown.empty());
                ASSERT_EQ(saver.boxes.Shown.back().Kind, 'P') << saver.boxes.Shown.back().Text.toStdString();
            }
            MainWinFixture loader(lang);
            loader.Show();
            row.control.set(*loader.win, !on);
            answer(loader);
            loader.win->LoadfromProjectFile1->trigger();
            ASSERT_EQ(loader.boxes.Shown, (std::vector<TShownBox>{{'P', QStringLiteral("Project File Open Success!")}}));
            ASSERT_EQ(loader.win->MCUNameEdit->text(), QString::fromLatin1(row.chip));
            EXPECT_EQ(row.control.read(*loader.win), QString::fromLatin1(row.shown[on]));
        }
    }
}

// ---------------------------------------------------------------------------
// Chip changes on one window.

// The chip-dependent controls, in the order the expected lists name them.
const char* const kShowable[] = {
    "PanelPSoC6", "TabSheetSecu", "TabSheetECC", "TabSheetEEP", "SpdBtnSecu", "SpdBtnBlankChk", "SpdBtnErase",
    "ReadSecurity1", "ProgramEEP1", "ReadEEP1", "ProgramWFlashData1", "ReadWFlashData1", "EnWrtEep", "ChkBox48MHZ",
    "ChkBoxEPWF", "ChkBoxEpEFuse", "ChkBoxSumVfy", "ChkBoxROP"};
const char* const kDisablable[] = {"BlankCheck1", "EraseChip1", "ChkBoxEnID", "ChkBoxXres"};
// The chip option boxes the operator can check (and the read protection).
const char* const kChipBoxes[] = {"EnWrtEep", "ChkBox48MHZ", "ChkBoxEPWF", "ChkBoxEpEFuse", "ChkBoxSumVfy", "ChkBoxNAR",
                                  "ChkBoxPubKey", "ChkBoxTOCx", "ChkBoxEnID", "ChkBoxXres", "ChkBoxROP"};

bool Shown(W& w, const char* name)
{
    QObject* o = w.findChild<QObject*>(QLatin1String(name));
    if (auto* a = qobject_cast<QAction*>(o)) return a->isVisible();
    auto* widget = qobject_cast<QWidget*>(o);
    const int tab = w.ViewPageCtrl->indexOf(widget);
    return tab >= 0 ? w.ViewPageCtrl->isTabVisible(tab) : widget->isVisibleTo(&w);
}

bool Enabled(W& w, const char* name)
{
    QObject* o = w.findChild<QObject*>(QLatin1String(name));
    if (auto* a = qobject_cast<QAction*>(o)) return a->isEnabled();
    return qobject_cast<QWidget*>(o)->isEnabled();
}

QCheckBox* ChipBox(W& w, const char* name)
{
    return w.findChild<QCheckBox*>(QLatin1String(name));
}

template <std::size_t N, typename Pred>
QString NamesWhere(const char* const (&names)[N], Pred pred)
{
    QStringList out;
    for (const char* n : names)
        if (pred(n)) out << QLatin1String(n);
    return out.join(QLatin1Char(' '));
}

QString TabText(W& w, QWidget* page)
{
    return w.ViewPageCtrl->tabText(w.ViewPageCtrl->indexOf(page));
}

// After each chip the operator checks every chip option box that is shown and
// enabled, shows and checks the read protection (as an object file with a
// protection setting would) and picks 1.8 V, so that the next chip shows what
// it carries over, and that a box it hides is unchecked. The boxes of the
// PSoC 6 panel keep their state while the panel is hidden; the option
// gathering reads them only for PSoC 6.
TEST_P(Builds, ChipsOfEveryFamilyInTurnOnOneWindow)
{
    const struct {
        const char* chip;
        const char* labels;  // lbFlashSize lbBanks LblBlocks LblBlkSZ LblID1 LblID2, "|" between
        const char* captions;  // TabSheetEEP EnWrtEep ReadSecurity1 ProgramEEP1 ReadEEP1, "|" between
        // TabSheetECC TabSheetSecu: the set-up names them for PSoC 6 only, the
        // data views whenever they show their data (none is loaded here).
        const char* pages;
        const char* shown;
        const char* disabled;
        const char* checked;
        int volt;
        // Gathered right after the change: OptionBits1, OptionBits2 less bit 0, FlagByte, ChipProtect.
        std::uint8_t opt1, opt2, flag, protect;
    } steps[] = {
        {kPsoc6, "512 KB.|1.|1024.|512.|---|---", "SFlash|写SFlash-User|Read eFuse Data|Program SFlash Data|Read SFlash Data",
         "WFlash|eFuse",
         "PanelPSoC6 TabSheetSecu TabSheetECC TabSheetEEP SpdBtnSecu SpdBtnBlankChk SpdBtnErase ReadSecurity1 "
         "ProgramEEP1 ReadEEP1 ProgramWFlashData1 ReadWFlashData1 EnWrtEep ChkBoxEPWF ChkBoxEpEFuse ChkBoxSumVfy",
         "", "", 1, 0x00, 0x00, 0x30, 1},
        // A PSoC 4 chip after a PSoC 6 chip: the default captions come back.
        {kPsoc4, "32 KB.|1.|256.|128.|0xC804.|--------",
         "EEP Data|写EEP数据|Read Security|Program EEP Data|Read Chip EEP Data", nullptr,
         "TabSheetSecu SpdBtnSecu SpdBtnBlankChk SpdBtnErase ReadSecurity1 ChkBox48MHZ", "",
         "ChkBoxNAR ChkBoxPubKey ChkBoxTOCx ChkBoxEnID ChkBoxXres", 1, 0xC0, 0x00, 0x11, 1},
        {kPsoc1, "8 KB.|1.|128.|64.|0x3800.|--------",
         "EEP Data|写EEP数据|Read Security|Program EEP Data|Read Chip EEP Data", nullptr,
         "TabSheetSecu SpdBtnSecu SpdBtnBlankChk SpdBtnErase ReadSecurity1", "",
         "ChkBoxNAR ChkBoxPubKey ChkBoxTOCx ChkBoxEnID ChkBoxXres", 1, 0xC0, 0x00, 0x05, 1},
        // Family 0 keeps the ID labels, the voltage and the EEP caption of the chip before.
        {"CY8CMBR3108-LQXI", "128Bytes|---|---|---|0x3800.|--------",
         "EEP Data|写EEP数据|Read Security|Program EEP Data|Read Chip EEP Data", nullptr, "", "BlankCheck1 EraseChip1",
         "ChkBoxNAR ChkBoxPubKey ChkBoxTOCx ChkBoxEnID ChkBoxXres", 0, 0xC8, 0x00, 0x00, 1},
        // The security page comes back only when the main view is next filled.
        {"CY8C5868AXI-LP031", "256 KB.|4.|256.|256.|--------|--------",
         "EEP Data|写EEP数据|Read Security|Program EEP Data|Read Chip EEP Data", nullptr,
         "TabSheetEEP SpdBtnSecu SpdBtnBlankChk SpdBtnErase ReadSecurity1 ProgramEEP1 ReadEEP1 EnWrtEep ChkBox48MHZ", "",
         "ChkBoxNAR ChkBoxPubKey ChkBoxTOCx ChkBoxEnID ChkBoxXres", 1, 0xC0, 0x00, 0x00, 1},
        // TT700 leaves the EEP page and box and the 48 MHz box as they were; the
        // gathering ignores the 48 MHz box below 0xC0.
        {"TT700xxxx", "128KB|---|---|---|--------|--------",
         "EEP Data|写EEP数据|Read Security|Program EEP Data|Read Chip EEP Data", nullptr, "TabSheetEEP EnWrtEep ChkBox48MHZ",
         "BlankCheck1 EraseChip1 ChkBoxEnID ChkBoxXres",
         "ChkBox48MHZ ChkBoxNAR ChkBoxPubKey ChkBoxTOCx ChkBoxEnID ChkBoxXres", 0, 0xC8, 0x00, 0x00, 1},
        {"CYTT31xxxxx", "64 KB.|1.|512.|128.|--------|--------",
         "EEP Data|写EEP数据|Read Security|Program EEP Data|Read Chip EEP Data", nullptr,
         "SpdBtnSecu SpdBtnBlankChk SpdBtnErase ReadSecurity1 ChkBox48MHZ", "",
         "ChkBox48MHZ ChkBoxNAR ChkBoxPubKey ChkBoxTOCx ChkBoxEnID ChkBoxXres", 1, 0xC0, 0x00, 0x14, 1},
        // PSoC 6 again: the panel shows the boxes checked before, and they count again.
        {"CY8C6245AZI-S3D72", "512 KB.|1.|1024.|512.|--------|--------",
         "SFlash|写SFlash-User|Read eFuse Data|Program SFlash Data|Read SFlash Data", "WFlash|eFuse",
         "PanelPSoC6 TabSheetECC TabSheetEEP SpdBtnSecu SpdBtnBlankChk SpdBtnErase ReadSecurity1 ProgramEEP1 ReadEEP1 "
         "ProgramWFlashData1 ReadWFlashData1 EnWrtEep ChkBoxEPWF ChkBoxEpEFuse ChkBoxSumVfy",
         "", "ChkBoxNAR ChkBoxPubKey ChkBoxTOCx ChkBoxEnID ChkBoxXres", 1, 0xC0, 0x70, 0x30, 1},
        // TT700 right after PSoC 6: its own set-up leaves the PSoC 6 captions and
        // boxes; the change itself unchecks the EEP and work-flash boxes.
        {"TT700xxxx", "128KB|---|---|---|--------|--------",
         "SFlash|写SFlash-User|Read eFuse Data|Program SFlash Data|Read SFlash Data", nullptr,
         "TabSheetECC TabSheetEEP EnWrtEep ChkBoxEPWF ChkBoxEpEFuse ChkBoxSumVfy",
         "BlankCheck1 EraseChip1 ChkBoxEnID ChkBoxXres",
         "ChkBoxEpEFuse ChkBoxSumVfy ChkBoxNAR ChkBoxPubKey ChkBoxTOCx ChkBoxEnID ChkBoxXres", 0, 0xC8, 0x02, 0x00, 1},
    };
    const bool en = GetParam() == TBuildLang::English;
    MainWinFixture f(GetParam());
    f.Show();
    W& w = *f.win;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.chip);
        Choose(w, step.chip);
        const QStringList labels{w.lbFlashSize->text(), w.lbBanks->text(), w.LblBlocks->text(),
                                 w.LblBlkSZ->text(),    w.LblID1->text(),  w.LblID2->text()};
        EXPECT_EQ(labels.join(QLatin1Char('|')), QString::fromUtf8(step.labels));
        const QStringList captions{TabText(w, w.TabSheetEEP), w.EnWrtEep->text(), w.ReadSecurity1->text(),
                                   w.ProgramEEP1->text(), w.ReadEEP1->text()};
        EXPECT_EQ(captions.join(QLatin1Char('|')), QString::fromUtf8(step.captions));
        if (step.pages) {
            EXPECT_EQ(TabText(w, w.TabSheetECC) + "|" + TabText(w, w.TabSheetSecu), QLatin1String(step.pages));
        }
        EXPECT_EQ(NamesWhere(kShowable, [&](const char* n) { return Shown(w, n); }), QLatin1String(step.shown));
        EXPECT_EQ(NamesWhere(kDisablable, [&](const char* n) { return !Enabled(w, n); }), QLatin1String(step.disabled));
        EXPECT_EQ(NamesWhere(kChipBoxes, [&](const char* n) { return ChipBox(w, n)->isChecked(); }),
                  QLatin1String(step.checked));
        for (const char* n : kChipBoxes) {
            const bool inPanel = w.PanelPSoC6->isAncestorOf(ChipBox(w, n));
            if (!inPanel && !ChipBox(w, n)->isVisibleTo(&w)) {
                EXPECT_FALSE(ChipBox(w, n)->isChecked()) << n << " hidden";
            }
        }
        EXPECT_EQ(w.ChkBoxBlkEr->isChecked(), !en);
        EXPECT_EQ(w.VoltageIndex(), step.volt);
        const TWire wire = Gather(w);
        EXPECT_EQ(kOptionBits1.read(wire), step.opt1);
        EXPECT_EQ(kOptionBits2.read(wire) & 0xFEu, step.opt2);
        EXPECT_EQ(kFlagByte.read(wire), step.flag);
        EXPECT_EQ(kChipProtect.read(wire), step.protect);

        for (const char* n : kChipBoxes) {
            QCheckBox* box = ChipBox(w, n);
            if (box == w.ChkBoxROP) w.SetReadProtectVisible(true);
            if (box->isVisibleTo(&w) && box->isEnabled()) box->setChecked(true);
        }
        w.SetVoltageItem(0);
    }
    EXPECT_TRUE(f.boxes.Shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Builds, Builds, ::testing::Values(TBuildLang::Chinese, TBuildLang::English), BuildName);

} // namespace
