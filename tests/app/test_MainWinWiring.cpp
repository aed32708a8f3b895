// The window's wiring against four emulated units: what a spin box shows
// after a command is what the units received, and Program EEP after an
// automatic sequence sends only the EEP data.
#include <QApplication>
#include <QCheckBox>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include "tests/app/EmulatedUnits.h"

namespace {

using TChip = FourChannels::TChip;

// Sets the window active so focus changes send their events, as they do for
// the operator.
bool Activate(TTelvic200CyPrg& w)
{
    w.activateWindow();
    return QTest::qWaitForWindowActive(&w);
}

// Little-endian fields of a decoded packet or configuration block.
int Byte(const emu::Bytes& b, std::size_t at)
{
    return at < b.size() ? b[at] : -1;
}

long long DWord(const emu::Bytes& b, std::size_t at)
{
    return at + 3 < b.size() ? static_cast<long long>(b[at]) | b[at + 1] << 8 | b[at + 2] << 16 |
                                   static_cast<long long>(b[at + 3]) << 24
                             : -1;
}

// A delay sent as two base-255 digits in 30 ms units, back in milliseconds.
int Delay30(const emu::Bytes& b, std::size_t at)
{
    return (Byte(b, at) + 255 * Byte(b, at + 1)) * 30;
}

// ---------------------------------------------------------------------------
// Every spin box, typed as the operator types, then a command: the box shows,
// once the focus has left it, the value the units received (in the
// milliseconds or chips of the box). A click on the Download button puts the
// focus on the button panel before the options are read; the blank check's
// shortcut reads them with the focus still in the box.

enum class TSpinCommand { DownloadButton, BlankCheckShortcut };

void PrintTo(TSpinCommand c, std::ostream* os)
{
    *os << (c == TSpinCommand::DownloadButton ? "Download button" : "Ctrl+B");
}

struct TTyped {
    const char* keys;  // typed over the selected text; "" empties the box
    int shown;         // the box and the wire afterwards
};

struct TSpinCase {
    const char* box;
    TTyped typed[4];  // empty, below the minimum, above the maximum, valid
    // The value as the configuration block and the parameter block carry it
    // (no parameter-block field: nullptr).
    int (*fromConfig)(const emu::Bytes& block);
    int (*fromParam)(const emu::Bytes& packet);
};

void PrintTo(const TSpinCase& c, std::ostream* os)
{
    *os << c.box;
}

// What the operator can type ends where the box's validator refuses a key:
// "-" into a box without negative values, a digit that would pass the maximum.
const TSpinCase kSpinCases[] = {
    {"SpinEditNum",
     {{"", 0}, {"-7", 7}, {"1000000000", 100000000}, {"12345", 12345}},
     [](const emu::Bytes& b) { return static_cast<int>(DWord(b, 86)); },
     nullptr},
    {"SpinEditIn",
     {{"", 300}, {"200", 300}, {"1600", 300}, {"1000", 990}},
     [](const emu::Bytes& b) { return Delay30(b, 48); },
     [](const emu::Bytes& p) { return Delay30(p, 52); }},
    {"SpinEditOut",
     {{"", 300}, {"250", 300}, {"2100", 300}, {"1000", 990}},
     [](const emu::Bytes& b) { return Delay30(b, 50); },
     [](const emu::Bytes& p) { return Delay30(p, 54); }},
    {"SpinEditPow",
     {{"", 10}, {"5", 10}, {"2500", 250}, {"1234", 1230}},
     [](const emu::Bytes& b) { return Byte(b, 6) * 10; },
     [](const emu::Bytes& p) { return Byte(p, 10) * 10; }},
};

using TSpinParam = std::tuple<TSpinCase, TSpinCommand, TBuildLang>;

// The count limit travels in the configuration block only.
std::vector<TSpinParam> SpinParams()
{
    std::vector<TSpinParam> params;
    for (const TSpinCase& c : kSpinCases)
        for (TSpinCommand command : {TSpinCommand::DownloadButton, TSpinCommand::BlankCheckShortcut})
            for (TBuildLang lang : {TBuildLang::Chinese, TBuildLang::English})
                if (command == TSpinCommand::DownloadButton || c.fromParam) params.emplace_back(c, command, lang);
    return params;
}

class SpinBoxOnTheWire : public ::testing::TestWithParam<TSpinParam> {};

TEST_P(SpinBoxOnTheWire, ShowsTheValueTheUnitsReceived)
{
    const auto& [c, command, lang] = GetParam();
    FourChannels rig(lang);
    ASSERT_TRUE(rig.ok);
    TTelvic200CyPrg& w = *rig.f.win;
    rig.ChoosePSoC1Chip();
    // The boxes are enabled by their check boxes.
    w.CheckBoxCtrl->setChecked(true);
    w.ChkBoxAutoDet->setChecked(true);
    w.ChkBoxXres->setChecked(true);
    w.SpinEditNum->setValue(500);
    ASSERT_TRUE(Activate(w));
    auto* box = w.findChild<QSpinBox*>(QLatin1String(c.box));
    ASSERT_NE(box, nullptr);
    for (const TTyped& t : c.typed) {
        SCOPED_TRACE(std::string("typed \"") + t.keys + "\"");
        box->setFocus();
        box->selectAll();
        if (*t.keys) QTest::keyClicks(box, QLatin1String(t.keys));
        else QTest::keyClick(box, Qt::Key_Backspace);
        rig.ClearRequests();
        if (command == TSpinCommand::DownloadButton) QTest::mouseClick(w.SpdBtnDownLoad, Qt::LeftButton);
        else QTest::keyClick(box, Qt::Key_B, Qt::ControlModifier);
        ASSERT_TRUE(rig.WaitForIdle());
        w.ChkBoxEnID->setFocus();  // the focus leaves the box
        QApplication::processEvents();
        EXPECT_EQ(box->text().toStdString(), std::to_string(t.shown));
        for (int ch = 0; ch < kUnits; ++ch) {
            SCOPED_TRACE("channel " + std::to_string(ch + 1));
            emu::TProgrammerEmulator& unit = rig.UnitOf(ch);
            const std::vector<emu::TRequest> requests = unit.Requests();
            ASSERT_FALSE(requests.empty());
            if (command == TSpinCommand::DownloadButton) {
                EXPECT_EQ(requests.front().code, emu::kCmdConfig);
                EXPECT_EQ(c.fromConfig(unit.ConfigBlock()), t.shown);
            } else {
                EXPECT_EQ(unit.RequestSummary().front(), "93:5");
                EXPECT_EQ(c.fromParam(requests.front().packet), t.shown);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Boxes, SpinBoxOnTheWire, ::testing::ValuesIn(SpinParams()), [](const auto& info) {
    return std::string(std::get<0>(info.param).box) +
           (std::get<1>(info.param) == TSpinCommand::DownloadButton ? "_DownloadButton_" : "_BlankCheckShortcut_") +
           LangName(std::get<2>(info.param));
});

// ---------------------------------------------------------------------------
// Program EEP right after an automatic sequence programs the EEP data and
// nothing else: no verify, no security write the operator did not ask for.

class ProgramEepAfterAuto : public ::testing::TestWithParam<TBuildLang> {};

TEST_P(ProgramEepAfterAuto, SendsOnlyTheEepRequests)
{
    FourChannels rig(GetParam());
    ASSERT_TRUE(rig.ok);
    rig.ChooseChip(TChip::PSoC3);
    rig.f.win->AutoSpdBtnClick();
    ASSERT_TRUE(rig.WaitForIdle());
    for (int ch = 0; ch < kUnits; ++ch) ASSERT_EQ(rig.UnitOf(ch).RequestSummary().back(), "93:53") << "a whole sequence";
    rig.ClearRequests();
    const int before = rig.f.Lines().size();
    rig.f.win->ProgramEEP1Click();
    ASSERT_TRUE(rig.WaitForIdle());
    for (int ch = 0; ch < kUnits; ++ch) {
        SCOPED_TRACE("channel " + std::to_string(ch + 1));
        EXPECT_EQ(rig.UnitOf(ch).RequestSummary(), std::vector<std::string>{"99:0"});
        EXPECT_EQ(Channels[ch].AutoSequence, 0);
    }
    const QStringList added = rig.f.LinesFrom(before);
    EXPECT_EQ(added.filter(QStringLiteral("写EEP Data操作成功！")).size(), kUnits);
    EXPECT_TRUE(added.filter(QStringLiteral("芯片烧写成功！")).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Builds, ProgramEepAfterAuto, ::testing::Values(TBuildLang::Chinese, TBuildLang::English),
                         [](const auto& info) { return std::string(LangName(info.param)); });

}  // namespace
