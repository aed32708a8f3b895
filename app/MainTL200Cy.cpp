// MainTL200Cy: construction and layout of the main window, the log memo,
// start-up and shut-down, and the window side of the chip-dependent set-up.
#include "app/MainTL200Cy.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/AboutForm.h"
#include "app/GaugeBar.h"
#include "app/MainTL200CyFiles.h"
#include "app/NumberBox.h"
#include "link/CyIniComRT.h"
#include "link/DefinCyX4.h"
#include "link/VcpPortLister.h"
#include "serial/SerialComm.h"

namespace {

constexpr int kStartWidth = 866;
constexpr int kStartHeight = 638;
constexpr int kTimerIntervalMs = 15;
constexpr int kGridColumns = 18;
constexpr int kAddrColumnWidth = 70;
constexpr int kTextColumnWidth = 130;
constexpr int kBytesPerGridRow = 16;
// The log keeps the width it has in the classic 866-pixel window.
constexpr int kLogMinWidth = 340;
constexpr int kMoreThanLinesToSave = 6;
constexpr int kSnEditMaxLen = 10;
constexpr int kGainEditMaxLen = 4;
constexpr int kStatusPanels = 3;
const char* const kLogFolder = "Log";
const char* const kNoDeviceName = "Device = ??????";

} // namespace

// ---------------------------------------------------------------------------
// Construction

TTelvic200CyPrg::TTelvic200CyPrg(TBuildLang lang, QWidget* parent)
    : QMainWindow(parent), lang_(lang)
{
    setObjectName("Telvic200CyPrg");
    setWindowTitle(QStringLiteral("Telvic200Cy Programmer Wizard"));
    // System menu and minimize box, no maximize box.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);

    BuildMenus();
    auto* central = new QWidget(this);
    central->setObjectName("CentralPanel");
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(4, 2, 4, 2);
    column->setSpacing(3);
    BuildButtonPanel(central);
    column->addWidget(PanelBtns);

    auto* body = new QHBoxLayout;
    BuildPages();
    body->addWidget(ViewPageCtrl, 3);
    auto* right = new QWidget(central);
    right->setObjectName("PanelLog");
    BuildLogAndGauges(right);
    body->addWidget(right, 2);
    column->addLayout(body, 1);

    LabelFile = new QLabel(central);
    LabelFile->setObjectName("LabelFile");
    LabelFile->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    column->addWidget(LabelFile);
    setCentralWidget(central);
    BuildStatusBar();
    // Like the form it replaces, the window may be made narrower than its
    // controls (the Chinese build only down to its minimum width).
    layout()->setSizeConstraint(QLayout::SetNoConstraint);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kTimerIntervalMs);
    connect(Timer1, &QTimer::timeout, this, [this] { RunGuarded([this] { Timer1Timer(); }); });

    CreatePorts();

    portList_.OnChanged = [this] { SyncPortCombo(); };
    for (std::size_t i = 0; i < gauges_.size(); ++i) Gauges[i]->Bind(&gauges_[i]);

    BindCommands();
    BindOptionHandlers();
    files_ = std::make_unique<TMainFiles>(*this);
    for (QTableView* grid : {HexViewer, SecuDataView, ECCDataView, EepDataView}) SizeGridColumns(grid);
    // The classic size, or wider where this desktop's font needs more room
    // for the button row (with the whole port list) and the hex views.
    resize(std::max(kStartWidth, minimumSizeHint().width()), kStartHeight);
    // Space and Enter start the automatic sequence from any control of this
    // window; the filter sees key presses before the controls do.
    qApp->installEventFilter(this);

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    Timer1->start();
}

TTelvic200CyPrg::~TTelvic200CyPrg()
{
    qApp->removeEventFilter(this);
    portList_.OnChanged = nullptr;
    if (::LinkHost.Log == this) ::LinkHost = TLinkHost{};
    // The channel records must not keep pointing at this window's parts.
    for (auto& ch : Channels) {
        for (auto& g : gauges_)
            if (ch.Gauge == &g) ch.Gauge = nullptr;
        for (auto& port : CommPorts)
            if (ch.Port == port.get()) ch.Port = nullptr;
    }
}

namespace {

QAction* NewAction(QObject* parent, const char* name, const QString& text, const QKeySequence& keys = {})
{
    auto* a = new QAction(text, parent);
    a->setObjectName(QLatin1String(name));
    if (!keys.isEmpty()) a->setShortcut(keys);
    return a;
}

QToolButton* NewSpeedButton(QWidget* parent, const char* name, const QString& text, const QString& hint = {})
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(text);
    b->setToolTip(hint);
    b->setAutoRaise(true);
    // Space must not also click a focused button.
    b->setFocusPolicy(Qt::NoFocus);
    b->setMinimumHeight(34);
    return b;
}

QCheckBox* NewCheck(QWidget* parent, const char* name, const QString& text)
{
    auto* c = new QCheckBox(text, parent);
    c->setObjectName(QLatin1String(name));
    return c;
}

QLabel* NewLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

QSpinBox* NewSpin(QWidget* parent, const char* name, int min, int max, int step, int value)
{
    auto* s = new QSpinBox(parent);
    s->setObjectName(QLatin1String(name));
    s->setRange(min, max);
    s->setSingleStep(step);
    s->setValue(value);
    // Text that is no number, or one below the range, becomes the minimum when
    // the focus leaves, as the options read it; the default would show the
    // previous value instead of the one the units get.
    s->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    return s;
}

// A hex grid hints at the width that shows every column beside the vertical
// scroll bar: the start width counts it, and the layout keeps it wherever the
// window has room. A narrower window narrows the grid within its page and the
// grid scrolls sideways; a minimum width of the grid itself would stick out of
// the page instead, its last columns out of reach.
class THexGrid : public QTableView {
public:
    using QTableView::QTableView;
    QSize minimumSizeHint() const override
    {
        return {horizontalHeader()->length() + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) +
                    2 * frameWidth(),
                QTableView::minimumSizeHint().height()};
    }
};

QTableView* NewGrid(QWidget* page, const char* name)
{
    auto* v = new THexGrid(page);
    v->setObjectName(QLatin1String(name));
    // An empty model of the grid's shape until the hex-view models attach.
    auto* model = new QStandardItemModel(0, kGridColumns, v);
    v->setModel(model);
    v->verticalHeader()->setVisible(false);
    v->verticalHeader()->setDefaultSectionSize(18);
    // Cells in a fixed-pitch font: bytes and characters line up, and sixteen
    // characters of any kind fit the text column. The header keeps the
    // window's font.
    v->horizontalHeader()->setFont(v->font());
    v->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(v);
    return v;
}

} // namespace

void TTelvic200CyPrg::SizeGridColumns(QTableView* grid)
{
    // At least the classic widths, and wide enough for an eight-digit address,
    // two hex digits (and their header) and sixteen characters in the fonts
    // this desktop uses.
    const QFontMetrics metrics = grid->fontMetrics();
    const int padding = 2 * metrics.averageCharWidth();
    QHeaderView* header = grid->horizontalHeader();
    const int byteWidth = std::max(metrics.horizontalAdvance(QStringLiteral("FF")),
                                   header->fontMetrics().horizontalAdvance(QStringLiteral("  F"))) +
                          metrics.averageCharWidth();
    header->setMinimumSectionSize(std::min(header->minimumSectionSize(), byteWidth));
    grid->setColumnWidth(0, std::max(kAddrColumnWidth, metrics.horizontalAdvance(QStringLiteral("0x00000000")) + padding));
    for (int c = 1; c <= kBytesPerGridRow; ++c) grid->setColumnWidth(c, byteWidth);
    grid->setColumnWidth(kGridColumns - 1,
                         std::max(kTextColumnWidth, metrics.horizontalAdvance(QString(kBytesPerGridRow, QLatin1Char('W'))) + padding));
    grid->updateGeometry();  // its minimum size hint follows the columns
}

void TTelvic200CyPrg::BuildMenus()
{
    const bool en = English();
    File1 = menuBar()->addMenu(QStringLiteral("&File"));
    File1->setObjectName("File1");
    Execute1 = NewAction(this, "Execute1", QStringLiteral("&Load Object File"), QKeySequence(Qt::CTRL | Qt::Key_L));
    SaveFile1 = NewAction(this, "SaveFile1", QStringLiteral("&Save Main Flash to File"), QKeySequence(Qt::CTRL | Qt::Key_S));
    LoadSecurity1 = NewAction(this, "LoadSecurity1", QStringLiteral("Load Security Data"));
    SaveSecurity1 = NewAction(this, "SaveSecurity1", QStringLiteral("Save Security Buffer to File"));
    SavetoProjectFile1 = NewAction(this, "SavetoProjectFile1", QStringLiteral("Save to Project File"));
    LoadfromProjectFile1 = NewAction(this, "LoadfromProjectFile1", QStringLiteral("Load from Project File"));
    N5 = NewAction(this, "N5", QStringLiteral("配置固定内容序列号"));
    Exit1 = NewAction(this, "Exit1", QStringLiteral("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_X));
    File1->addAction(Execute1);
    File1->addAction(SaveFile1);
    File1->addSeparator();
    File1->addAction(LoadSecurity1);
    File1->addAction(SaveSecurity1);
    File1->addSeparator();
    File1->addAction(LoadfromProjectFile1);
    File1->addAction(SavetoProjectFile1);
    File1->addAction(N5);
    File1->addSeparator();
    File1->addAction(Exit1);

    Operation1 = menuBar()->addMenu(QStringLiteral("&Operation"));
    Operation1->setObjectName("Operation1");
    Download1 = NewAction(this, "Download1", QStringLiteral("&Download"), QKeySequence(Qt::CTRL | Qt::Key_D));
    AutoProgram1 = NewAction(this, "AutoProgram1", QStringLiteral("&Auto Program"), QKeySequence(Qt::CTRL | Qt::Key_A));
    BlankCheck1 = NewAction(this, "BlankCheck1", QStringLiteral("&Blank Check"), QKeySequence(Qt::CTRL | Qt::Key_B));
    EraseChip1 = NewAction(this, "EraseChip1", QStringLiteral("&Erase Chip"), QKeySequence(Qt::CTRL | Qt::Key_E));
    Programming1 = NewAction(this, "Programming1", QStringLiteral("&Programming"), QKeySequence(Qt::CTRL | Qt::Key_P));
    VeriufyDownload1 = NewAction(this, "VeriufyDownload1", QStringLiteral("&Verification"), QKeySequence(Qt::CTRL | Qt::Key_V));
    ReadChipID1 = NewAction(this, "ReadChipID1", QStringLiteral("Read Chip ID"));
    ReadChipMemory1 = NewAction(this, "ReadChipMemory1", QStringLiteral("Read Chip Memory"));
    ReadEEP1 = NewAction(this, "ReadEEP1", QStringLiteral("Read Chip EEP Data"));
    ReadWFlashData1 = NewAction(this, "ReadWFlashData1", QStringLiteral("Read Chip WFlash Data"));
    ReadSecurity1 = NewAction(this, "ReadSecurity1", QStringLiteral("Read Security"));
    ProgramEEP1 = NewAction(this, "ProgramEEP1", QStringLiteral("Program EEP Data"));
    ProgramWFlashData1 = NewAction(this, "ProgramWFlashData1", QStringLiteral("Program WFlash Data"));
    for (QAction* a : {Download1, AutoProgram1, BlankCheck1, EraseChip1, Programming1, VeriufyDownload1})
        Operation1->addAction(a);
    Operation1->addSeparator();
    for (QAction* a : {ReadChipID1, ReadChipMemory1, ReadEEP1, ReadWFlashData1, ReadSecurity1})
        Operation1->addAction(a);
    Operation1->addSeparator();
    Operation1->addAction(ProgramEEP1);
    Operation1->addAction(ProgramWFlashData1);
    // Shown by the chip set-up for chips that have these areas.
    for (QAction* a : {ReadEEP1, ProgramEEP1, ReadWFlashData1, ProgramWFlashData1}) a->setVisible(false);

    Help1 = menuBar()->addMenu(QStringLiteral("&Help"));
    Help1->setObjectName("Help1");
    About1 = NewAction(this, "About1", QStringLiteral("About"));
    Help1->addAction(About1);

    ClearInformation1 = NewAction(this, "ClearInformation1", QStringLiteral("Clear Information"));
    LoadSecurity = NewAction(this, "LoadSecurity", QStringLiteral("Load  Security "));
    SavSecurity = NewAction(this, "SavSecurity", QStringLiteral("Sav Security"));
    MenuItemLoadWF = NewAction(this, "MenuItemLoadWF", en ? QStringLiteral("Load  WFlash Data") : QStringLiteral("Load  ECC/WFlash Data"));
    MenuItemSavWF = NewAction(this, "MenuItemSavWF", en ? QStringLiteral("Save WFlash Data") : QStringLiteral("Save ECC/ WFlash Data"));
    MenuItemLoadSF = NewAction(this, "MenuItemLoadSF", en ? QStringLiteral("Load  SFlash Data") : QStringLiteral("Load  EEP/SFlash Data"));
    MenuItemSavSF = NewAction(this, "MenuItemSavSF", en ? QStringLiteral("Save SFlash Data") : QStringLiteral("Save EEP/SFlash Data"));
}

void TTelvic200CyPrg::BuildButtonPanel(QWidget* host)
{
    const bool en = English();
    PanelBtns = new QWidget(host);
    PanelBtns->setObjectName("PanelBtns");
    // Auto and Download take the focus here so no edit box keeps it.
    PanelBtns->setFocusPolicy(Qt::StrongFocus);
    auto* row = new QHBoxLayout(PanelBtns);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    SpdBtnOpen = NewSpeedButton(PanelBtns, "SpdBtnOpen", en ? QStringLiteral("&Load") : QStringLiteral("&加载"),
                                QStringLiteral("Load Object File"));
    SpdBtnLodMore = NewSpeedButton(PanelBtns, "SpdBtnLodMore", en ? QStringLiteral("Load Mores") : QStringLiteral("加载更多"),
                                   QStringLiteral("Load Object File"));
    SpdBtnDownLoad = NewSpeedButton(PanelBtns, "SpdBtnDownLoad", en ? QStringLiteral("&Download") : QStringLiteral("下载"));
    AutoSpdBtn = NewSpeedButton(PanelBtns, "AutoSpdBtn", en ? QStringLiteral("&Auto") : QStringLiteral("自动"));
    SpdBtnBlankChk = NewSpeedButton(PanelBtns, "SpdBtnBlankChk", en ? QStringLiteral("&Blank") : QStringLiteral("查空"));
    SpdBtnErase = NewSpeedButton(PanelBtns, "SpdBtnErase", en ? QStringLiteral("&Erase") : QStringLiteral("擦除"));
    SpdBtnProg = NewSpeedButton(PanelBtns, "SpdBtnProg", en ? QStringLiteral("&Program") : QStringLiteral("编程"));
    SpdBtnVerify = NewSpeedButton(PanelBtns, "SpdBtnVerify", en ? QStringLiteral("&Verify") : QStringLiteral("校验"));
    SpdBtnSecu = NewSpeedButton(PanelBtns, "SpdBtnSecu", en ? QStringLiteral("Write Security") : QStringLiteral("写Secu Data"));
    SpdBtnExit = NewSpeedButton(PanelBtns, "SpdBtnExit", en ? QStringLiteral("E&xit") : QStringLiteral("退出"));
    for (QToolButton* b : {SpdBtnOpen, SpdBtnLodMore, SpdBtnDownLoad, AutoSpdBtn, SpdBtnBlankChk, SpdBtnErase, SpdBtnProg,
                           SpdBtnVerify, SpdBtnSecu, SpdBtnExit})
        row->addWidget(b);
    row->addSpacing(8);

    BitBtn1 = new QPushButton(en ? QStringLiteral("Find and Connect") : QStringLiteral("查找并连接设备"), PanelBtns);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setFocusPolicy(Qt::NoFocus);
    row->addWidget(BitBtn1);
    FreshBtn = NewSpeedButton(PanelBtns, "FreshBtn", en ? QStringLiteral("Fresh") : QStringLiteral("刷新列表"));
    FreshBtn->setVisible(false);
    BitBtnFindDev = NewSpeedButton(PanelBtns, "BitBtnFindDev", en ? QStringLiteral("Connect") : QStringLiteral("连接设备"));
    BitBtnFindDev->setVisible(false);
    row->addWidget(FreshBtn);
    row->addWidget(BitBtnFindDev);
    ComboBoxCOM = new QComboBox(PanelBtns);
    ComboBoxCOM->setObjectName("ComboBoxCOM");
    ComboBoxCOM->setEditable(true);
    ComboBoxCOM->setInsertPolicy(QComboBox::NoInsert);
    ComboBoxCOM->setMinimumWidth(170);
    ComboBoxCOM->setEditText(en ? QStringLiteral("Please select device......") : QStringLiteral("请选择通讯口......"));
    portList_.SetText(ComboBoxCOM->currentText().toStdString());
    row->addWidget(ComboBoxCOM);
    if (!en) {
        Button1 = new QPushButton(QStringLiteral("Button1"), PanelBtns);
        Button1->setObjectName("Button1");
        Button1->setVisible(false);
        row->addWidget(Button1);
    }
    row->addStretch(1);
}

void TTelvic200CyPrg::BuildPages()
{
    ViewPageCtrl = new QTabWidget(this);
    ViewPageCtrl->setObjectName("ViewPageCtrl");
    TabSheetSet = new QWidget;
    TabSheetSet->setObjectName("TabSheetSet");
    TabSheetMain = new QWidget;
    TabSheetMain->setObjectName("TabSheetMain");
    TabSheetSecu = new QWidget;
    TabSheetSecu->setObjectName("TabSheetSecu");
    TabSheetECC = new QWidget;
    TabSheetECC->setObjectName("TabSheetECC");
    TabSheetEEP = new QWidget;
    TabSheetEEP->setObjectName("TabSheetEEP");
    ViewPageCtrl->addTab(TabSheetSet, QStringLiteral("Chip Setting"));
    ViewPageCtrl->addTab(TabSheetMain, QStringLiteral("Main Flash"));
    ViewPageCtrl->addTab(TabSheetSecu, QStringLiteral("Security Data"));
    ViewPageCtrl->addTab(TabSheetECC, QStringLiteral("ECC Data"));
    ViewPageCtrl->addTab(TabSheetEEP, QStringLiteral("EEP Data "));

    auto* set = new QHBoxLayout(TabSheetSet);
    set->setContentsMargins(3, 3, 3, 3);
    BuildChipGroup(TabSheetSet);
    BuildCtrlGroup(TabSheetSet);
    set->addWidget(GroupBoxChip, 1);
    set->addWidget(GroupBoxCtrl, 1);

    HexViewer = NewGrid(TabSheetMain, "HexViewer");
    SecuDataView = NewGrid(TabSheetSecu, "SecuDataView");
    ECCDataView = NewGrid(TabSheetECC, "ECCDataView");
    EepDataView = NewGrid(TabSheetEEP, "EepDataView");
    SecuDataView->setContextMenuPolicy(Qt::ActionsContextMenu);
    SecuDataView->addAction(LoadSecurity);
    SecuDataView->addAction(SavSecurity);
    ECCDataView->setContextMenuPolicy(Qt::ActionsContextMenu);
    ECCDataView->addAction(MenuItemLoadWF);
    ECCDataView->addAction(MenuItemSavWF);
    EepDataView->setContextMenuPolicy(Qt::ActionsContextMenu);
    EepDataView->addAction(MenuItemLoadSF);
    EepDataView->addAction(MenuItemSavSF);
}

void TTelvic200CyPrg::BuildChipGroup(QWidget* page)
{
    const bool en = English();
    GroupBoxChip = new QGroupBox(en ? QStringLiteral("Chip Setting") : QStringLiteral("芯片设置"), page);
    GroupBoxChip->setObjectName("GroupBoxChip");
    auto* g = new QGridLayout(GroupBoxChip);
    g->setVerticalSpacing(3);
    int r = 0;
    DevButton = new QPushButton(en ? QStringLiteral("Select Chip") : QStringLiteral("选择芯片"), GroupBoxChip);
    DevButton->setObjectName("DevButton");
    DevButton->setFocusPolicy(Qt::NoFocus);  // Space starts Auto, it must not also open the chip menu
    MCUNameEdit = new QLineEdit(GroupBoxChip);
    MCUNameEdit->setObjectName("MCUNameEdit");
    // Read-only for the operator: only a chip choice or a project load sets it,
    // and names of any length are kept whole.
    MCUNameEdit->setReadOnly(true);
    g->addWidget(DevButton, r, 0);
    g->addWidget(MCUNameEdit, r++, 1);

    const struct {
        const char* caption;
        const char* name;
        QLabel** value;
    } rows[] = {
        {"Flash Size:", "LabelFlashSize", &lbFlashSize}, {"Bank Num.:", "LabelBanks", &lbBanks},
        {"Block Num.: ", "LabelBlocks", &LblBlocks},     {"Block Size:  ", "LabelBlkSZ", &LblBlkSZ},
        {"Chip ID 1:  ", "LabelID1", &LblID1},           {"Chip ID 2:  ", "LabelID2", &LblID2},
    };
    const char* valueNames[] = {"lbFlashSize", "lbBanks", "LblBlocks", "LblBlkSZ", "LblID1", "LblID2"};
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        g->addWidget(NewLabel(GroupBoxChip, rows[i].name, QLatin1String(rows[i].caption)), r, 0);
        *rows[i].value = NewLabel(GroupBoxChip, valueNames[i], QStringLiteral("---"));
        g->addWidget(*rows[i].value, r++, 1);
    }

    PanelPSoC6 = new QWidget(GroupBoxChip);
    PanelPSoC6->setObjectName("PanelPSoC6");
    auto* p6 = new QVBoxLayout(PanelPSoC6);
    p6->setContentsMargins(0, 0, 0, 0);
    p6->setSpacing(1);
    LabelFlashSZ = NewLabel(PanelPSoC6, "LabelFlashSZ", QStringLiteral("Flash Size:"));
    LabelBlockNM = NewLabel(PanelPSoC6, "LabelBlockNM", QStringLiteral("Block Num.: "));
    LabelP6IDx = NewLabel(PanelPSoC6, "LabelP6IDx", QStringLiteral("Chip ID: "));
    ChkBoxNAR = NewCheck(PanelPSoC6, "ChkBoxNAR", en ? QStringLiteral("Write NAR") : QStringLiteral("写NAR"));
    ChkBoxPubKey = NewCheck(PanelPSoC6, "ChkBoxPubKey", en ? QStringLiteral("Write Public Key") : QStringLiteral("写Public Key"));
    ChkBoxTOCx = NewCheck(PanelPSoC6, "ChkBoxTOCx", en ? QStringLiteral("Write TOC2/RTOC2") : QStringLiteral("写TOC2/RTOC2"));
    for (QWidget* w : std::initializer_list<QWidget*>{LabelFlashSZ, LabelBlockNM, LabelP6IDx, ChkBoxNAR, ChkBoxPubKey, ChkBoxTOCx})
        p6->addWidget(w);
    PanelPSoC6->setVisible(false);
    g->addWidget(PanelPSoC6, r++, 0, 1, 2);

    RadioGpVolt = new QGroupBox(en ? QStringLiteral("Interface ") : QStringLiteral(" 接口电平 "), GroupBoxChip);
    RadioGpVolt->setObjectName("RadioGpVolt");
    RadioGpVoltItems = new QButtonGroup(RadioGpVolt);
    RadioGpVoltItems->setObjectName("RadioGpVoltItems");
    auto* volt = new QHBoxLayout(RadioGpVolt);
    volt->setContentsMargins(4, 2, 4, 2);
    const char* items[] = {"1.8V", "3.3V", "5.0V"};
    for (int i = 0; i < 3; ++i) {
        auto* rb = new QRadioButton(QLatin1String(items[i]), RadioGpVolt);
        rb->setObjectName(QStringLiteral("RadioGpVoltItem%1").arg(i));
        RadioGpVoltItems->addButton(rb, i);
        volt->addWidget(rb);
    }
    RadioGpVoltItems->button(1)->setChecked(true);
    g->addWidget(RadioGpVolt, r++, 0, 1, 2);

    ChkBoxEnID = NewCheck(GroupBoxChip, "ChkBoxEnID", en ? QStringLiteral("Ignore ID Match") : QStringLiteral("忽略芯片的ID匹配"));
    EnWrtEep = NewCheck(GroupBoxChip, "EnWrtEep", en ? QStringLiteral("Write EEP") : QStringLiteral("写EEP数据"));
    ChkBoxXres = NewCheck(GroupBoxChip, "ChkBoxXres", QStringLiteral("Use XRES"));
    ChkBox48MHZ = NewCheck(GroupBoxChip, "ChkBox48MHZ", QStringLiteral("Set 48MHz Clock for Flash Programming."));
    ChkBoxEPWF = NewCheck(GroupBoxChip, "ChkBoxEPWF", en ? QStringLiteral("Write Work Flash") : QStringLiteral("写Work Flash数据"));
    ChkBoxEpEFuse = NewCheck(GroupBoxChip, "ChkBoxEpEFuse", en ? QStringLiteral("Write eFuse") : QStringLiteral("写eFuse数据"));
    for (QCheckBox* c : {ChkBoxEnID, EnWrtEep, ChkBoxXres, ChkBox48MHZ, ChkBoxEPWF, ChkBoxEpEFuse})
        g->addWidget(c, r++, 0, 1, 2);
    for (QCheckBox* c : {EnWrtEep, ChkBox48MHZ, ChkBoxEPWF, ChkBoxEpEFuse}) c->setVisible(false);
    g->setRowStretch(r, 1);
}

void TTelvic200CyPrg::BuildCtrlGroup(QWidget* page)
{
    const bool en = English();
    GroupBoxCtrl = new QGroupBox(en ? QStringLiteral("Programing Control") : QStringLiteral("烧写功能配置"), page);
    GroupBoxCtrl->setObjectName("GroupBoxCtrl");
    auto* g = new QGridLayout(GroupBoxCtrl);
    g->setVerticalSpacing(2);
    int r = 0;
    CheckBoxSN = NewCheck(GroupBoxCtrl, "CheckBoxSN", en ? QStringLiteral("Enable S/N Function") : QStringLiteral("添加序列号功能"));
    CheckBoxSN->setToolTip(QStringLiteral("序列号只存储于Flash区域！"));
    g->addWidget(CheckBoxSN, r++, 0, 1, 2);

    const auto addEdit = [&](QLineEdit*& edit, const char* name, const char* labelName, const QString& caption,
                             const QString& text, int maxLen) {
        edit = new QLineEdit(text, GroupBoxCtrl);
        edit->setObjectName(QLatin1String(name));
        LimitTyping(edit, maxLen);
        edit->setEnabled(false);
        g->addWidget(NewLabel(GroupBoxCtrl, labelName, caption), r, 0);
        g->addWidget(edit, r++, 1);
    };
    addEdit(SNEdit, "SNEdit", "LabelSN", en ? QStringLiteral("S/N Initial:  ") : QStringLiteral("序列号初值："),
            QStringLiteral("0x00000000"), kSnEditMaxLen);
    addEdit(GainEdit, "GainEdit", "LabelGain", en ? QStringLiteral("S/N Gain:  ") : QStringLiteral("序列号增量："),
            QStringLiteral("0x01"), kGainEditMaxLen);
    addEdit(AddrEdit, "AddrEdit", "LabelAddr", en ? QStringLiteral("S/N Address:") : QStringLiteral("序列号地址："),
            en ? QStringLiteral("0x0FF0") : QStringLiteral("0x00000000"), kSnEditMaxLen);

    ChkBoxPCSN = NewCheck(GroupBoxCtrl, "ChkBoxPCSN", en ? QStringLiteral("Enable PC S/N.") : QStringLiteral("允许联机序列号"));
    ChkBoxSNDP = NewCheck(GroupBoxCtrl, "ChkBoxSNDP", en ? QStringLiteral("S/N Decimal Display") : QStringLiteral("序列号十进制显示"));
    ChkBoxStrSN = NewCheck(GroupBoxCtrl, "ChkBoxStrSN", en ? QStringLiteral("Use String/Digital S/N") : QStringLiteral("使用数字字符序列号"));
    ChkBoxSNEep = NewCheck(GroupBoxCtrl, "ChkBoxSNEep", en ? QStringLiteral("S/N is in EEP Data Area") : QStringLiteral("序列号写入EEP数据区"));
    SNOrderChk = NewCheck(GroupBoxCtrl, "SNOrderChk", en ? QStringLiteral("S/N Big Endian Storage") : QStringLiteral("序列号大端模式"));
    for (QCheckBox* c : {ChkBoxPCSN, ChkBoxSNDP, ChkBoxStrSN, ChkBoxSNEep, SNOrderChk}) {
        c->setEnabled(false);
        g->addWidget(c, r++, 0, 1, 2);
    }
    if (en) {
        ChkBoxSNDP->setEnabled(true);
        ChkBoxPCSN->setVisible(false);
    }

    CheckBoxCtrl = NewCheck(GroupBoxCtrl, "CheckBoxCtrl", en ? QStringLiteral("Enable Number Limited ") : QStringLiteral("限制烧写总数: "));
    SpinEditNum = NewSpin(GroupBoxCtrl, "SpinEditNum", 0, 999999999, 100, 0);
    SpinEditNum->setEnabled(false);
    g->addWidget(CheckBoxCtrl, r, 0);
    g->addWidget(SpinEditNum, r++, 1);

    ChkBoxBlkEr = NewCheck(GroupBoxCtrl, "ChkBoxBlkEr", en ? QStringLiteral("Error not Blank") : QStringLiteral("芯片非空报错"));
    ChkBoxVfy = NewCheck(GroupBoxCtrl, "ChkBoxVfy", en ? QStringLiteral("Only Verify") : QStringLiteral("只脱机校验"));
    ChkBoxROP = NewCheck(GroupBoxCtrl, "ChkBoxROP", en ? QStringLiteral("Enable ROP") : QStringLiteral("启用读保护"));
    ChkBoxSumVfy = NewCheck(GroupBoxCtrl, "ChkBoxSumVfy", en ? QStringLiteral("Use Check Sum to Verify") : QStringLiteral("使用校验和校验"));
    ChkBoxAutoDet = NewCheck(GroupBoxCtrl, "ChkBoxAutoDet", en ? QStringLiteral("Enabel Auto chip Detection") : QStringLiteral("自动检测芯片"));
    for (QCheckBox* c : {ChkBoxBlkEr, ChkBoxVfy, ChkBoxROP, ChkBoxSumVfy, ChkBoxAutoDet}) g->addWidget(c, r++, 0, 1, 2);
    ChkBoxSumVfy->setVisible(false);
    if (en) {
        ChkBoxROP->setVisible(false);
        ChkBoxVfy->setVisible(false);
    }

    SpinEditIn = NewSpin(GroupBoxCtrl, "SpinEditIn", 300, 1500, en ? 10 : 30, en ? 500 : 510);
    SpinEditOut = NewSpin(GroupBoxCtrl, "SpinEditOut", 300, 2000, 10, en ? 500 : 510);
    SpinEditPow = NewSpin(GroupBoxCtrl, "SpinEditPow", 10, 2000, 10, 100);
    LabelPowTim = NewLabel(GroupBoxCtrl, "LabelPowTim", en ? QStringLiteral("Power On Time(ms): ") : QStringLiteral("上电稳定时间(ms)：  "));
    g->addWidget(NewLabel(GroupBoxCtrl, "LabelStartDelay", en ? QStringLiteral("Chip in Time(ms)： ") : QStringLiteral("启动延时(ms)： ")), r, 0);
    g->addWidget(SpinEditIn, r++, 1);
    g->addWidget(NewLabel(GroupBoxCtrl, "LabelRemoveDelay", en ? QStringLiteral("Take Off Time(ms)：  ") : QStringLiteral("拿开芯片延时(ms)：  ")), r, 0);
    g->addWidget(SpinEditOut, r++, 1);
    g->addWidget(LabelPowTim, r, 0);
    g->addWidget(SpinEditPow, r++, 1);
    for (QWidget* w : std::initializer_list<QWidget*>{SpinEditIn, SpinEditOut, SpinEditPow, LabelPowTim}) w->setEnabled(false);
    g->setRowStretch(r, 1);
}

void TTelvic200CyPrg::BuildLogAndGauges(QWidget* host)
{
    auto* col = new QVBoxLayout(host);
    col->setContentsMargins(0, 0, 0, 0);
    // The log's minimum width, as a hint the layout keeps wherever the window
    // has room. In a narrower window (the Chinese build down to its minimum,
    // the English one to any width) the pages and the log share what there
    // is, and the log's scroll bar stays on screen; a minimum width of the
    // panel itself would push it out of the window instead.
    col->addStrut(kLogMinWidth);
    InfoMemo = new QPlainTextEdit(host);
    InfoMemo->setObjectName("InfoMemo");
    InfoMemo->setReadOnly(true);
    InfoMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Long lines wrap at the memo's edge; each stays one line of the saved log.
    InfoMemo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    InfoMemo->setStyleSheet(QStringLiteral("QPlainTextEdit { color: blue; }"));
    InfoMemo->setContextMenuPolicy(Qt::ActionsContextMenu);
    InfoMemo->addAction(ClearInformation1);
    col->addWidget(InfoMemo, 1);

    auto* gauges = new QGridLayout;
    for (int i = 0; i < 4; ++i) {
        auto* label = NewLabel(host, QStringLiteral("LabelGauge%1").arg(i + 1).toLatin1().constData(),
                               QString::number(i + 1));
        auto* bar = new TGaugeBar(host);
        bar->setObjectName(QStringLiteral("Gauge%1").arg(i + 1));
        Gauges[static_cast<std::size_t>(i)] = bar;
        gauges->addWidget(label, i, 0);
        gauges->addWidget(bar, i, 1);
    }
    col->addLayout(gauges);
}

void TTelvic200CyPrg::BuildStatusBar()
{
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    for (int i = 0; i < kStatusPanels; ++i) {
        auto* panel = new QLabel(StatusBar1);
        panel->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i));
        statusPanels_[static_cast<std::size_t>(i)] = panel;
        StatusBar1->addWidget(panel, i == 2 ? 1 : 0);
    }
    InfoPanel = NewLabel(StatusBar1, "InfoPanel", QLatin1String(kNoDeviceName));
    InfoPanel->setStyleSheet(QStringLiteral("QLabel { color: red; font-weight: bold; }"));
    StatusBar1->addPermanentWidget(InfoPanel);
    setStatusBar(StatusBar1);
}

// ---------------------------------------------------------------------------
// Command binding

void TTelvic200CyPrg::RunGuarded(const std::function<void()>& command)
{
    try {
        command();
    } catch (const std::exception& e) {
        Msg().Error(this, QString::fromStdString(e.what()));
    }
}

void TTelvic200CyPrg::BindCommands()
{
    const auto bind = [this](auto* sender, auto signal, void (TTelvic200CyPrg::*handler)()) {
        connect(sender, signal, this, [this, handler] { RunGuarded([this, handler] { (this->*handler)(); }); });
    };
    const auto act = [&](QAction* a, void (TTelvic200CyPrg::*handler)()) { bind(a, &QAction::triggered, handler); };
    const auto btn = [&](QAbstractButton* b, void (TTelvic200CyPrg::*handler)()) { bind(b, &QAbstractButton::clicked, handler); };

    act(Download1, &TTelvic200CyPrg::SpdBtnDownLoadClick);
    btn(SpdBtnDownLoad, &TTelvic200CyPrg::SpdBtnDownLoadClick);
    act(AutoProgram1, &TTelvic200CyPrg::AutoSpdBtnClick);
    btn(AutoSpdBtn, &TTelvic200CyPrg::AutoSpdBtnClick);
    act(BlankCheck1, &TTelvic200CyPrg::SpdBtnBlankChkClick);
    btn(SpdBtnBlankChk, &TTelvic200CyPrg::SpdBtnBlankChkClick);
    act(EraseChip1, &TTelvic200CyPrg::SpdBtnEraseClick);
    btn(SpdBtnErase, &TTelvic200CyPrg::SpdBtnEraseClick);
    act(Programming1, &TTelvic200CyPrg::SpdBtnProgClick);
    btn(SpdBtnProg, &TTelvic200CyPrg::SpdBtnProgClick);
    act(VeriufyDownload1, &TTelvic200CyPrg::SpdBtnVerifyClick);
    btn(SpdBtnVerify, &TTelvic200CyPrg::SpdBtnVerifyClick);
    btn(SpdBtnSecu, &TTelvic200CyPrg::SpdBtnSecuClick);
    act(ReadChipID1, &TTelvic200CyPrg::ReadChipID1Click);
    act(ReadChipMemory1, &TTelvic200CyPrg::ReadChipMemory1Click);
    act(ReadEEP1, &TTelvic200CyPrg::ReadEEP1Click);
    act(ReadWFlashData1, &TTelvic200CyPrg::ReadWFlashData1Click);
    if (!English()) act(ReadSecurity1, &TTelvic200CyPrg::ReadSecurity1Click);
    act(ProgramEEP1, &TTelvic200CyPrg::ProgramEEP1Click);
    act(ProgramWFlashData1, &TTelvic200CyPrg::ProgramWFlashData1Click);
    act(ClearInformation1, &TTelvic200CyPrg::ClearInformation1Click);
    act(Exit1, &TTelvic200CyPrg::SpdBtnExitClick);
    btn(SpdBtnExit, &TTelvic200CyPrg::SpdBtnExitClick);
    act(About1, &TTelvic200CyPrg::About1Click);
    btn(BitBtn1, &TTelvic200CyPrg::BitBtn1Click);
    btn(FreshBtn, &TTelvic200CyPrg::FreshBtnClick);
    btn(BitBtnFindDev, &TTelvic200CyPrg::BitBtnFindDevClick);
    btn(DevButton, &TTelvic200CyPrg::DevButtonClick);

    connect(ComboBoxCOM, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { RunGuarded([this, index] { ComboBoxCOMChange(index); }); });
    // Typing into the edit field leaves no entry selected.
    connect(ComboBoxCOM->lineEdit(), &QLineEdit::textEdited, this, [this] { RunGuarded([this] { ComboBoxCOMChange(-1); }); });
    connect(MCUNameEdit, &QLineEdit::textChanged, this, [this] { RunGuarded([this] { MCUNameEditChange(); }); });
}

// ---------------------------------------------------------------------------
// Log memo

QString TTelvic200CyPrg::DateText() const
{
    return Now().toString(QLatin1String(kDateFormat));
}

QString TTelvic200CyPrg::TimeText() const
{
    return Now().toString(QLatin1String(kTimeFormat));
}

void TTelvic200CyPrg::LogLine(const std::string& text)
{
    AddLine("> " + TimeText().toStdString() + " " + text);
}

void TTelvic200CyPrg::AddLine(const std::string& line)
{
    InfoMemo->appendPlainText(QString::fromStdString(line));
}

int TTelvic200CyPrg::LogLineCount() const
{
    // An empty QPlainTextEdit still holds one (empty) block.
    return InfoMemo->document()->isEmpty() ? 0 : InfoMemo->document()->blockCount();
}

QString TTelvic200CyPrg::LogText() const
{
    return InfoMemo->toPlainText();
}

bool TTelvic200CyPrg::SaveToFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    QByteArray bytes;
    if (LogLineCount() > 0) {
        for (QTextBlock b = InfoMemo->document()->begin(); b.isValid(); b = b.next()) {
            bytes += b.text().toUtf8();
            bytes += '\n';
        }
    }
    return file.write(bytes) == bytes.size() && file.flush();
}

void TTelvic200CyPrg::ClearInformation1Click()
{
    InfoMemo->clear();
}

// ---------------------------------------------------------------------------
// Status bar, image host

void TTelvic200CyPrg::ShowProgrammerName(const std::string& text)
{
    InfoPanel->setText(QString::fromStdString(text));
}

void TTelvic200CyPrg::SetStatusPanel(int panel, const QString& text)
{
    if (panel >= 0 && panel < kStatusPanels) statusPanels_[static_cast<std::size_t>(panel)]->setText(text);
}

QString TTelvic200CyPrg::StatusPanelText(int panel) const
{
    return panel >= 0 && panel < kStatusPanels ? statusPanels_[static_cast<std::size_t>(panel)]->text() : QString();
}

void TTelvic200CyPrg::AdvanceSerialNumber()
{
    if (AdvanceSerialNumberHook) AdvanceSerialNumberHook();
}

void TTelvic200CyPrg::RefreshAfterReadBack(int area)
{
    if (RefreshAfterReadBackHook) RefreshAfterReadBackHook(area);
}

bool TTelvic200CyPrg::InsertSerialNumber()
{
    return InsertSerialNumberHook ? InsertSerialNumberHook() : true;
}

void TTelvic200CyPrg::SumSFlashParts()
{
    if (SumSFlashPartsHook) SumSFlashPartsHook();
}

void TTelvic200CyPrg::CalcMainChecksums(std::uint32_t first, std::uint32_t last)
{
    if (CalcMainChecksumsHook) CalcMainChecksumsHook(first, last);
}

void TTelvic200CyPrg::ShowMainFlash(std::uint32_t first, std::uint32_t last)
{
    if (ShowMainFlashHook) ShowMainFlashHook(first, last);
}

TLinkHost TTelvic200CyPrg::MakeLinkHost()
{
    TLinkHost host;
    host.Log = this;
    host.Status = this;
    host.Image = this;
    host.PortList = &portList_;
    return host;
}

// ---------------------------------------------------------------------------
// Port list box

void TTelvic200CyPrg::SyncPortCombo()
{
    const QSignalBlocker block(ComboBoxCOM);
    ComboBoxCOM->clear();
    for (const std::string& item : portList_.Items()) ComboBoxCOM->addItem(QString::fromStdString(item));
    const int index = portList_.IndexOf(portList_.Text());
    ComboBoxCOM->setCurrentIndex(index);
    ComboBoxCOM->setEditText(QString::fromStdString(portList_.Text()));
}

// ---------------------------------------------------------------------------
// Start-up and shut-down

void TTelvic200CyPrg::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Qt shows the window again after it is restored: the first-showing steps
    // and the first search run once.
    if (!firstShowingDone_) RunFirstShowing();
}

void TTelvic200CyPrg::RunFirstShowing()
{
    if (firstShowingDone_) return;
    firstShowingDone_ = true;
    RunGuarded([this] { FormShow(); });
}

void TTelvic200CyPrg::FormShow()
{
    AppDir = appDirOverride_.empty() ? QCoreApplication::applicationDirPath().toStdString() + "/" : appDirOverride_;
    ViewPageCtrl->setTabVisible(ViewPageCtrl->indexOf(TabSheetECC), false);
    ViewPageCtrl->setTabVisible(ViewPageCtrl->indexOf(TabSheetEEP), false);
    ViewPageCtrl->setCurrentIndex(0);
    QDir().mkpath(QString::fromStdString(AppDir) + QLatin1String(kLogFolder));  // a failure shows at exit
    InitCommonVars();
    for (int i = 0; i < kChannelCount; ++i) Channels[i].Gauge = &gauges_[static_cast<std::size_t>(i)];
    BindChannelPorts();
    LogLine("Hello Telvic200CY User!------" + DateText().toStdString() + "," + TimeText().toStdString());
    ListPorts();
    FreshBtnClick();
    BitBtn1Click();
}

void TTelvic200CyPrg::SpdBtnExitClick()
{
    CloseChannel1Port();
    close();
}

void TTelvic200CyPrg::closeEvent(QCloseEvent* event)
{
    if (!closing_) {
        closing_ = true;
        FormClose();
    }
    QMainWindow::closeEvent(event);
}

void TTelvic200CyPrg::FormClose()
{
    CloseChannel1Port();
    QString stamp = DateText() + QLatin1Char('_') + TimeText();
    for (QChar c : {QLatin1Char('-'), QLatin1Char(':'), QLatin1Char('/')}) stamp.replace(c, QLatin1Char('_'));
    const std::string path = AppDir + kLogFolder + "/CY_" + stamp.toStdString() + ".log";
    if (LogLineCount() > kMoreThanLinesToSave && !SaveToFile(path))
        Msg().Plain(this, QStringLiteral("Write Log File error!"));
}

void TTelvic200CyPrg::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (!English() && width() < kMinWidthAsked) resize(kMinWidthGiven, height());
}

TAboutForm& TTelvic200CyPrg::AboutBox()
{
    if (!AboutForm) AboutForm = new TAboutForm(lang_, this);
    return *AboutForm;
}

void TTelvic200CyPrg::About1Click()
{
    AboutBox().exec();
}

// Space and Enter typed anywhere in this window start the automatic sequence;
// the key still reaches the focused control, except a check box or radio
// button: the key that started the run must not also toggle an option (nor
// leave it drawn pressed). Key presses of other windows (a message box the
// command opened) are left alone.
bool TTelvic200CyPrg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this) return false;
    // Seen once per key press: at its first receiver, the focused control (or
    // the window when nothing has the focus), not again while it propagates.
    QWidget* focus = QApplication::focusWidget();
    if (focus ? widget != focus : widget != this) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    if (key->key() != Qt::Key_Space && key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
    if (event->type() == QEvent::KeyPress) RunGuarded([this] { AutoSpdBtnClick(); });
    return qobject_cast<QCheckBox*>(widget) || qobject_cast<QRadioButton*>(widget);
}

// ---------------------------------------------------------------------------
// The window side of the chip-dependent set-up

void TTelvic200CyPrg::MCUNameEditChange()
{
    ::MCUNameEditChange(*this);
}

void TTelvic200CyPrg::SelectChipName(const QString& name)
{
    if (MCUNameEdit->text() != name)
        MCUNameEdit->setText(name);  // textChanged runs the set-up
    else
        MCUNameEditChange();
}

void TTelvic200CyPrg::UncheckEepWrite()
{
    SetBoxChecked(EnWrtEep, false);
}

void TTelvic200CyPrg::ChipChosen(const std::string& caption)
{
    SelectChipName(QString::fromStdString(caption));
}

void TTelvic200CyPrg::DevButtonClick()
{
    // EepSize, EccSize and the EEP-write box are reset by the choice itself
    // (ChooseChip), so a menu left without a choice changes nothing.
    if (!OpenChipDialog) return;
    const QRect frame = frameGeometry();
    const QPoint pos = ChipPopupPos(frame.x(), frame.y(), DevButton->x(), DevButton->width(), ViewPageCtrl->y());
    OpenChipDialog(pos.x(), pos.y());
}

std::string TTelvic200CyPrg::ChipNameText() const
{
    return MCUNameEdit->text().toStdString();
}

QObject* TTelvic200CyPrg::FindControl(const char* name) const
{
    QObject* found = findChild<QObject*>(QLatin1String(name));
    if (!found) qWarning("TTelvic200CyPrg: no control named %s", name);
    return found;
}

void TTelvic200CyPrg::SetControlText(const char* name, const std::string& text)
{
    QObject* obj = FindControl(name);
    const QString t = QString::fromStdString(text);
    if (auto* a = qobject_cast<QAction*>(obj)) {
        a->setText(t);
    } else if (auto* w = qobject_cast<QWidget*>(obj)) {
        const int tab = ViewPageCtrl->indexOf(w);
        if (tab >= 0) ViewPageCtrl->setTabText(tab, t);
        else if (auto* l = qobject_cast<QLabel*>(w)) l->setText(t);
        else if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(t);
        else if (auto* g = qobject_cast<QGroupBox*>(w)) g->setTitle(t);
    }
}

void TTelvic200CyPrg::SetControlVisible(const char* name, bool visible)
{
    QObject* obj = FindControl(name);
    if (obj == ChkBoxROP) {
        SetReadProtectVisible(visible);
    } else if (auto* a = qobject_cast<QAction*>(obj)) {
        a->setVisible(visible);
    } else if (auto* w = qobject_cast<QWidget*>(obj)) {
        const int tab = ViewPageCtrl->indexOf(w);
        if (tab >= 0) ViewPageCtrl->setTabVisible(tab, visible);
        else w->setVisible(visible);
    }
}

void TTelvic200CyPrg::SetControlEnabled(const char* name, bool enabled)
{
    QObject* obj = FindControl(name);
    if (auto* a = qobject_cast<QAction*>(obj)) a->setEnabled(enabled);
    else if (auto* w = qobject_cast<QWidget*>(obj)) w->setEnabled(enabled);
}

void TTelvic200CyPrg::SetControlChecked(const char* name, bool checked)
{
    if (auto* b = qobject_cast<QAbstractButton*>(FindControl(name))) SetBoxChecked(b, checked);
}

void TTelvic200CyPrg::SetReadProtectVisible(bool visible)
{
    if (!visible) SetBoxChecked(ChkBoxROP, false);
    ChkBoxROP->setVisible(visible);
}

void TTelvic200CyPrg::SetVoltageIndex(int index)
{
    SetVoltageItem(index);
}

std::string TTelvic200CyPrg::NowDateTimeText() const
{
    return (DateText() + QLatin1Char(',') + TimeText()).toStdString();
}

void TTelvic200CyPrg::WarningBox(const std::string& text)
{
    Msg().Warning(this, QString::fromStdString(text));
}
