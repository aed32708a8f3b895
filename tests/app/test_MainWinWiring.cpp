// The window's wiring against four emulated units: every item of the main
// menu and of the log's pop-up menu, every shortcut and every button runs its
// own command; what a spin box shows after a command is what the units
// received; Program EEP after an automatic sequence sends only the EEP data.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/MainTL200CyFiles.h"
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

// ---------------------------------------------------------------------------
// Every command control, triggered as the operator does: the menu item
// clicked in its open menu, the button clicked, the shortcut or key typed
// into a focused control, the log's item chosen from its pop-up menu. What
// each command sends (every unit's requests in order), or, for the commands
// that send nothing, which dialog comes up and what its handler does.

enum class TFocus { PanelBtns, Stays, Any };  // where the keyboard focus is afterwards
enum class TPage { First, Stays, Any };       // the page of the view control afterwards

// What one run of a command left behind, for the checks of the commands that
// send nothing.
struct TRun {
    explicit TRun(FourChannels& r) : rig(r) {}
    FourChannels& rig;
    QString openPath;   // what the open dialogs answer (an existing binary file)
    QString savePath;   // what the save dialogs answer
    std::vector<std::pair<bool, int>> dialogs;  // (save?, filter index) of each file dialog
    QString modal;      // class of the modal window that came up
    int chipDialogs = 0;
    int linesBefore = 0;
    TTelvic200CyPrg& W() { return *rig.f.win; }
    QStringList Added() const { return rig.f.LinesFrom(linesBefore); }
    bool Logged(const QString& line) const { return Added().contains(line); }
};

using TCheck = std::function<void(TRun&)>;
using TDialogs = std::vector<std::pair<bool, int>>;
using TWire = std::vector<std::string>;

struct TCommandEffect {
    const char* name;
    TChip chip;
    TWire wire[2];           // Chinese, English: every unit's requests ("53:*": any seed)
    bool channel1Only;
    TFocus focus[2];
    TPage page[2];
    TCheck check;            // more to see, for the commands that send nothing
};

const TWire kNothing;
// The 32 KB of work flash of the PSoC 6 chip, 4 KB a request.
const TWire kReadWFlash{"9A:0", "9A:4", "9A:8", "9A:12", "9A:16", "9A:20", "9A:24", "9A:28"};
const TWire kProgramWFlash{"98:0", "98:4", "98:8", "98:12", "98:16", "98:20", "98:24", "98:28"};
const TWire kProgramBlocks{"95:0", "95:4", "95:8", "95:12"};
// The closing short command carries "RE" of "RESTX" where the others have their argument.
const TWire kDownload{"53:*", "55:0", "55:4", "55:8", "55:12", "8A:17746"};
const TWire kAuto{"93:3", "95:0", "95:4", "95:8", "95:12", "93:83", "93:53"};

long long FileSize(const QString& path)
{
    return QFileInfo::exists(path) ? QFileInfo(path).size() : -1;
}

const TCommandEffect kEffects[] = {
    {"Download", TChip::PSoC1, {kDownload, kDownload}, false, {TFocus::PanelBtns, TFocus::PanelBtns}, {TPage::Stays, TPage::Stays}, {}},
    {"Auto", TChip::PSoC1, {kAuto, kAuto}, false, {TFocus::PanelBtns, TFocus::PanelBtns}, {TPage::First, TPage::Stays}, {}},
    {"BlankCheck", TChip::PSoC1, {{"93:5"}, {"93:5"}}, false, {TFocus::Stays, TFocus::Stays}, {TPage::Stays, TPage::Stays}, {}},
    {"Erase", TChip::PSoC1, {{"93:3"}, {"93:3"}}, false, {TFocus::Stays, TFocus::Stays}, {TPage::Stays, TPage::Stays}, {}},
    {"Program", TChip::PSoC1, {kProgramBlocks, kProgramBlocks}, false, {TFocus::Stays, TFocus::Stays}, {TPage::Stays, TPage::Stays}, {}},
    {"Verify", TChip::PSoC1, {{"93:83"}, {"93:83"}}, false, {TFocus::PanelBtns, TFocus::PanelBtns}, {TPage::Stays, TPage::Stays}, {}},
    {"Security", TChip::PSoC1, {{"93:53"}, {"93:53"}}, false, {TFocus::Stays, TFocus::Stays}, {TPage::Stays, TPage::Stays}, {}},
    {"ReadChipId", TChip::PSoC1, {{"93:55"}, {"93:55"}}, false, {TFocus::Stays, TFocus::Stays}, {TPage::Stays, TPage::Stays}, {}},
    {"ReadMemory", TChip::PSoC1, {{"9B:0", "9B:4", "9B:8", "9B:12"}, {"9B:0", "9B:4", "9B:8", "9B:12"}}, true, {TFocus::PanelBtns, TFocus::PanelBtns}, {TPage::Stays, TPage::Stays}, {}},
    {"ReadEep", TChip::PSoC3, {{"9D:0"}, {"9D:0"}}, true, {TFocus::PanelBtns, TFocus::PanelBtns}, {TPage::Stays, TPage::Stays}, {}},
    {"ReadWFlash", TChip::PSoC6, {kReadWFlash, kReadWFlash}, true, {TFocus::PanelBtns, TFocus::PanelBtns}, {TPage::Stays, TPage::Stays}, {}},
    // The English build has the item without the command.
    {"ReadSecurity", TChip::PSoC1, {{"93:51"}, kNothing}, true, {TFocus::PanelBtns, TFocus::Stays}, {TPage::Stays, TPage::Stays}, {}},
    {"ProgramEep", TChip::PSoC3, {{"99:0"}, {"99:0"}}, false, {TFocus::Stays, TFocus::Stays}, {TPage::Stays, TPage::Stays}, {}},
    {"ProgramWFlash", TChip::PSoC6, {kProgramWFlash, kProgramWFlash}, false, {TFocus::Stays, TFocus::Stays}, {TPage::Stays, TPage::Stays}, {}},
    {"Search", TChip::PSoC1, {{"A3"}, {"A3"}}, false, {TFocus::Any, TFocus::Any}, {TPage::Any, TPage::Any}, {}},
    // The commands that send nothing.
    {"LoadObjectFile", TChip::PSoC1, {kNothing, kNothing}, false, {TFocus::Any, TFocus::Any}, {TPage::Any, TPage::Any},
     [](TRun& r) {
         EXPECT_EQ(r.dialogs, (TDialogs{{false, 3}}));
         EXPECT_TRUE(r.Logged(QStringLiteral("Load object file of \"%1\" at 14:05:09").arg(r.openPath)));
         EXPECT_EQ(r.W().LabelFile->text(), r.openPath);
     }},
    {"LoadMore", TChip::PSoC1, {kNothing, kNothing}, false, {TFocus::Any, TFocus::Any}, {TPage::Any, TPage::Any},
     [](TRun& r) {
         EXPECT_EQ(r.dialogs, (TDialogs{{false, 3}}));
         EXPECT_TRUE(r.Added().filter(QStringLiteral("Load object file")).isEmpty()) << "adds to the image, loads no file";
     }},
    {"SaveMainFlash", TChip::PSoC1, {kNothing, kNothing}, false, {TFocus::Any, TFocus::Any}, {TPage::Any, TPage::Any},
     [](TRun& r) {
         EXPECT_EQ(r.dialogs, (TDialogs{{true, 1}}));
         EXPECT_EQ(FileSize(r.savePath), 16 * 1024) << "the chip's 16 KB";
     }},
    {"LoadSecurity", TChip::PSoC1, {kNothing, kNothing}, false, {TFocus::Any, TFocus::Any}, {TPage::Any, TPage::Any},
     [](TRun& r) {
         EXPECT_EQ(r.dialogs, (TDialogs{{false, 2}}));
         EXPECT_TRUE(r.Logged(QStringLiteral("> 14:05:09 Load Security Data file of \"%1\".").arg(r.openPath)));
     }},
    {"SaveSecurity", TChip::PSoC1, {kNothing, kNothing}, false, {TFocus::Any, TFocus::Any}, {TPage::Any, TPage::Any},
     [](TRun& r) {
         EXPECT_EQ(r.dialogs, (TDialogs{{true, 1}}));
         EXPECT_EQ(FileSize(r.savePath), 1024);
     }},
    {"LoadProject", TChip::PSoC1, {kNothing, kNothing}, false, {TFocus::Any, TFocus::Any}, {TPage::Any, TPage::Any},
     [](TRun& r) {
         EXPECT_EQ(r.dialogs, (TDialogs{{false, 1}}));
         EXPECT_TRUE(r.Logged(QStringLiteral("> 14:05:09 Load Orvane Project file of \"%1\" at ").arg(r.openPath)));
         EXPECT_EQ(r.rig.f.boxes.Shown, (std::vector<TShownBox>{{'P', QStringLiteral("Not Valid Orvane Project File")}}));
     }},
    {"SaveProject", TChip::PSoC1, {kNothing, kNothing}, false, {TFocus::PanelBtns, TFocus::PanelBtns}, {TPage::Any, TPage::Any},
     [](TRun& r) {
         EXPECT_EQ(r.dialogs, (TDialogs{{true, 1}}));
         EXPECT_EQ(r.rig.f.boxes.Shown,
                   (std::vector<TShownBox>{{'P', QStringLiteral("Created Project File : %1").arg(r.savePath)}}));
         EXPECT_GT(FileSize(r.savePath), 16 * 1024);
     }},
    // The English build has the item without the dialog.
    {"FixedSerialNumber", TChip::PSoC1, {kNothing, kNothing}, false, {TFocus::Any, TFocus::Any}, {TPage::Any, TPage::Any},
     [](TRun& r) { EXPECT_EQ(r.modal, r.W().English() ? QString() : QStringLiteral("TConfigSNForm")); }},
    {"Exit", TChip::PSoC1, {kNothing, kNothing}, false, {TFocus::Any, TFocus::Any}, {TPage::Any, TPage::Any},
     [](TRun& r) {
         EXPECT_FALSE(r.W().isVisible());
         EXPECT_TRUE(QFile::exists(QString::fromStdString(r.rig.f.appDir) + QStringLiteral("Log/CY_2024_10_28_14_05_09.log")));
     }},
    {"About", TChip::PSoC1, {kNothing, kNothing}, false, {TFocus::Any, TFocus::Any}, {TPage::Any, TPage::Any},
     [](TRun& r) { EXPECT_EQ(r.modal, QStringLiteral("TAboutForm")); }},
    {"ClearInformation", TChip::PSoC1, {kNothing, kNothing}, false, {TFocus::Any, TFocus::Any}, {TPage::Any, TPage::Any},
     [](TRun& r) { EXPECT_EQ(r.W().LogLineCount(), 0); }},
    {"ChipDialog", TChip::PSoC1, {kNothing, kNothing}, false, {TFocus::Any, TFocus::Any}, {TPage::Any, TPage::Any},
     [](TRun& r) { EXPECT_EQ(r.chipDialogs, 1); }},
};

const TCommandEffect& Effect(const char* name)
{
    for (const TCommandEffect& e : kEffects)
        if (std::string(e.name) == name) return e;
    throw std::invalid_argument(name);
}

enum class TVia { Menu, Button, Keys, LogPopup };

struct TControlRow {
    TVia via;
    const char* control;  // the action or button; for keys a name for the row
    const char* effect;
    int key = 0;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
};

void PrintTo(const TControlRow& r, std::ostream* os)
{
    *os << r.control;
}

const TControlRow kControls[] = {
    // File menu
    {TVia::Menu, "Execute1", "LoadObjectFile"},
    {TVia::Menu, "SaveFile1", "SaveMainFlash"},
    {TVia::Menu, "LoadSecurity1", "LoadSecurity"},
    {TVia::Menu, "SaveSecurity1", "SaveSecurity"},
    {TVia::Menu, "LoadfromProjectFile1", "LoadProject"},
    {TVia::Menu, "SavetoProjectFile1", "SaveProject"},
    {TVia::Menu, "N5", "FixedSerialNumber"},
    {TVia::Menu, "Exit1", "Exit"},
    // Operation menu
    {TVia::Menu, "Download1", "Download"},
    {TVia::Menu, "AutoProgram1", "Auto"},
    {TVia::Menu, "BlankCheck1", "BlankCheck"},
    {TVia::Menu, "EraseChip1", "Erase"},
    {TVia::Menu, "Programming1", "Program"},
    {TVia::Menu, "VeriufyDownload1", "Verify"},
    {TVia::Menu, "ReadChipID1", "ReadChipId"},
    {TVia::Menu, "ReadChipMemory1", "ReadMemory"},
    {TVia::Menu, "ReadEEP1", "ReadEep"},
    {TVia::Menu, "ReadWFlashData1", "ReadWFlash"},
    {TVia::Menu, "ReadSecurity1", "ReadSecurity"},
    {TVia::Menu, "ProgramEEP1", "ProgramEep"},
    {TVia::Menu, "ProgramWFlashData1", "ProgramWFlash"},
    // Help menu
    {TVia::Menu, "About1", "About"},
    // The log's pop-up menu
    {TVia::LogPopup, "ClearInformation1", "ClearInformation"},
    // Buttons
    {TVia::Button, "SpdBtnOpen", "LoadObjectFile"},
    {TVia::Button, "SpdBtnLodMore", "LoadMore"},
    {TVia::Button, "SpdBtnDownLoad", "Download"},
    {TVia::Button, "AutoSpdBtn", "Auto"},
    {TVia::Button, "SpdBtnBlankChk", "BlankCheck"},
    {TVia::Button, "SpdBtnErase", "Erase"},
    {TVia::Button, "SpdBtnProg", "Program"},
    {TVia::Button, "SpdBtnVerify", "Verify"},
    {TVia::Button, "SpdBtnSecu", "Security"},
    {TVia::Button, "SpdBtnExit", "Exit"},
    {TVia::Button, "BitBtn1", "Search"},
    {TVia::Button, "DevButton", "ChipDialog"},
    // Shortcuts and keys
    {TVia::Keys, "CtrlL", "LoadObjectFile", Qt::Key_L, Qt::ControlModifier},
    {TVia::Keys, "CtrlS", "SaveMainFlash", Qt::Key_S, Qt::ControlModifier},
    {TVia::Keys, "CtrlX", "Exit", Qt::Key_X, Qt::ControlModifier},
    {TVia::Keys, "CtrlD", "Download", Qt::Key_D, Qt::ControlModifier},
    {TVia::Keys, "CtrlA", "Auto", Qt::Key_A, Qt::ControlModifier},
    {TVia::Keys, "CtrlB", "BlankCheck", Qt::Key_B, Qt::ControlModifier},
    {TVia::Keys, "CtrlE", "Erase", Qt::Key_E, Qt::ControlModifier},
    {TVia::Keys, "CtrlP", "Program", Qt::Key_P, Qt::ControlModifier},
    {TVia::Keys, "CtrlV", "Verify", Qt::Key_V, Qt::ControlModifier},
    {TVia::Keys, "Space", "Auto", Qt::Key_Space},
    {TVia::Keys, "Enter", "Auto", Qt::Key_Return},
};

// The menu of the menu bar that holds the action.
QMenu* MenuOf(TTelvic200CyPrg& w, QAction* action)
{
    for (QAction* top : w.menuBar()->actions())
        if (top->menu() && top->menu()->actions().contains(action)) return top->menu();
    return nullptr;
}

// Opens the action's menu from the menu bar and clicks the item.
void ClickMenuItem(TTelvic200CyPrg& w, QAction* action)
{
    QMenu* menu = MenuOf(w, action);
    ASSERT_NE(menu, nullptr) << "not in the main menu";
    QTest::mouseClick(w.menuBar(), Qt::LeftButton, {}, w.menuBar()->actionGeometry(menu->menuAction()).center());
    ASSERT_TRUE(Pump([&] { return menu->isVisible(); }, 5000));
    const QRect item = menu->actionGeometry(action);
    ASSERT_TRUE(action->isVisible() && action->isEnabled() && item.isValid());
    QTest::mouseClick(menu, Qt::LeftButton, {}, item.center());
}

class ControlRunsItsCommand : public ::testing::TestWithParam<std::tuple<TControlRow, TBuildLang>> {};

TEST_P(ControlRunsItsCommand, AgainstFourUnits)
{
    const auto& [row, lang] = GetParam();
    const int en = lang == TBuildLang::English ? 1 : 0;
    const TCommandEffect& effect = Effect(row.effect);
    FourChannels rig(lang);
    ASSERT_TRUE(rig.ok);
    TTelvic200CyPrg& w = *rig.f.win;
    rig.ChooseChip(effect.chip);
    TRun run(rig);
    run.openPath = rig.f.dir.filePath(QStringLiteral("image.bin"));
    run.savePath = rig.f.dir.filePath(QStringLiteral("saved.bin"));
    {
        QFile image(run.openPath);
        ASSERT_TRUE(image.open(QIODevice::WriteOnly));
        image.write(QByteArray(1024, '\x5A'));
    }
    w.Files().FileDialogHook = [&run](bool save, int filterIndex, std::string& path) {
        run.dialogs.emplace_back(save, filterIndex);
        path = (save ? run.savePath : run.openPath).toStdString();
        return true;
    };
    w.OpenChipDialog = [&run](int, int) { ++run.chipDialogs; };
    // A modal window is noted and closed; the log's pop-up menu gets its click.
    QTimer watcher;
    watcher.setInterval(1);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            run.modal = QString::fromLatin1(modal->metaObject()->className());
            modal->close();
        } else if (auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                   popup && row.via == TVia::LogPopup && popup->actions().contains(w.ClearInformation1)) {
            QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(w.ClearInformation1).center());
        }
    });
    watcher.start();

    ASSERT_TRUE(Activate(w));
    // From the second page, with the focus in its hex view.
    w.ViewPageCtrl->setCurrentWidget(w.TabSheetMain);
    QWidget* focusFrom = w.HexViewer;
    focusFrom->setFocus();
    rig.ClearRequests();
    run.linesBefore = rig.f.Lines().size();
    switch (row.via) {
    case TVia::Menu: {
        auto* action = w.findChild<QAction*>(QLatin1String(row.control));
        ASSERT_NE(action, nullptr);
        ClickMenuItem(w, action);
        break;
    }
    case TVia::Button: {
        auto* button = w.findChild<QAbstractButton*>(QLatin1String(row.control));
        ASSERT_NE(button, nullptr);
        // The chip button sits on the first page.
        if (button == w.DevButton) w.ViewPageCtrl->setCurrentWidget(w.TabSheetSet);
        ASSERT_TRUE(button->isVisible() && button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        break;
    }
    case TVia::Keys:
        QTest::keyClick(focusFrom, static_cast<Qt::Key>(row.key), row.modifiers);
        break;
    case TVia::LogPopup: {
        // What the platform delivers for a right click into the log.
        QWidget* area = w.InfoMemo->viewport();
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(10, 10), area->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(area, &click);
        break;
    }
    }
    ASSERT_TRUE(rig.WaitForIdle());
    watcher.stop();

    for (int ch = 0; ch < kUnits; ++ch) {
        SCOPED_TRACE("channel " + std::to_string(ch + 1));
        const TWire& expected = effect.channel1Only && ch > 0 ? kNothing : effect.wire[en];
        TWire sent = rig.UnitOf(ch).RequestSummary();
        // The download's seed is drawn at random: only its code counts.
        for (std::string& r : sent)
            if (r.rfind("53:", 0) == 0) r = "53:*";
        EXPECT_EQ(sent, expected);
    }
    // A click on a button gives the focus to the button panel itself.
    if (effect.focus[en] != TFocus::Any && row.via != TVia::Button) {
        QWidget* expected = effect.focus[en] == TFocus::PanelBtns ? w.PanelBtns : focusFrom;
        EXPECT_EQ(QApplication::focusWidget(), expected)
            << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "no focus");
    }
    if (effect.page[en] != TPage::Any) {
        EXPECT_EQ(w.ViewPageCtrl->currentIndex(), effect.page[en] == TPage::First ? 0 : 1);
    }
    if (effect.check) {
        effect.check(run);
    } else {
        // A channel command asks nothing and shows nothing.
        EXPECT_TRUE(run.dialogs.empty());
        EXPECT_TRUE(run.modal.isEmpty());
        EXPECT_TRUE(rig.f.boxes.Shown.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Controls, ControlRunsItsCommand,
                         ::testing::Combine(::testing::ValuesIn(kControls),
                                            ::testing::Values(TBuildLang::Chinese, TBuildLang::English)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).control) + "_" + LangName(std::get<1>(info.param));
                         });

}  // namespace
