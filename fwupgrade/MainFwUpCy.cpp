// MainFwUpCy: the upgrade tool's main window: device choice, the identify
// probe, upgrade and verification through the transfer dialog, and the log.
#include "fwupgrade/MainFwUpCy.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>

#include "fwupgrade/AboutFwUpCy.h"
#include "fwupgrade/DefinFwUgCy.h"
#include "fwupgrade/ProgFwUpCy.h"

namespace {

constexpr std::uint16_t kExpCheckSum1 = 0x15F5;
constexpr std::uint16_t kExpCheckSum2 = 0x8D81;
constexpr std::uint16_t kUpdStartAddr = 0x2000;
constexpr std::uint16_t kUpdEndAddr = 0x5FFF;

// Identify reply of the boot loader.
constexpr std::size_t kReplyNameLenAt = 3;
constexpr std::size_t kReplyInfoAt = 5;
constexpr std::size_t kReplyNameAt = 25;
constexpr std::size_t kInfoMatchAt = 5; // "Cy" at DevInfo 5 and 6 (reply bytes 10 and 11)

const char kCaptionAtCreation[] = "Telvic200Cy Firmware Upgrade Wizard - RV0";
const char kCaptionShown[] = "Telvic200Cy Firmware V3 Upgrade Wizard";
const char kNoDeviceFound[] = "未发现设备!，请检查连接！";
const char kDeviceMismatch[] = "设备不匹配，请检查并确认";
const char kPortError[] = "串口错误!";

struct TResultText {
    std::uint8_t Code;
    const char* Text;
};

const TResultText kResultTexts[] = {
    {0, "操作成功！"},
    {3, "串口同通讯错误！"},
    {5, "不能打开或使用串口！"},
    {7, "初始化串口错误！"},
    {9, "清串口缓冲错误串口！"},
    {11, "读取串口状态出错！"},
    {13, "串口接收错误！"},
    {15, "串口接收超时！"},
    {35, "数据包校验和不正确！"},
    {37, "数据包长度与其指示不一致！"},
    {39, "数据包格式不对！"},
    {41, "命令错误或不认识！"},
    {43, "数据包的数据与其长度值不一致！"},
    {64, "擦除芯片失败！"},
    {67, "芯片不为空"},
    {69, "命令执行超时"},
    {71, "命令不正确或不认识"},
    {73, "编程过程出错，数据无法写入！"},
    {75, "编程时内部校验不对！"},
    {77, "总数据校验和不一致！"},
    {79, "写Security Byte出错！"},
    {96, "Flash损坏或出错!"},
    {kResultNoFirmware, "本程序未内置固件映像，不能下载更新！(No firmware image is built in.)"},
};
const char kOtherResult[] = "操作失败！";

// "%0.4x": at least four upper-case hexadecimal digits.
QString Hex4(std::uint16_t value)
{
    return QString::number(value, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

} // namespace

QString ResultText(std::uint8_t code)
{
    for (const auto& entry : kResultTexts)
        if (entry.Code == code) return QString::fromUtf8(entry.Text);
    return QString::fromUtf8(kOtherResult);
}

TFirmWareUG::TFirmWareUG(const TFwUpServices& services, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                              | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
                              | Qt::MSWindowsFixedSizeDialogHint),
      link_(services.Driver), comm_(link_, services.Sleep), image_(services.Image),
      messages_(services.Messages)
{
    setObjectName("FirmWareUG");
    setWindowTitle(QString::fromUtf8(kCaptionAtCreation));
    BuildWidgets();
    BuildMenus();
    timer1_ = services.Timers.Create(QStringLiteral("Timer1"), this);
    timer1_->SetInterval(kProbeIntervalMs);
    timer1_->OnTimer = [this] { Timer1Timer(); };
    progressForm_ = std::make_unique<TProgressForm>(comm_, services.Timers, this);
    progressForm_->SetImage(image_);
    aboutForm_ = std::make_unique<TAboutForm>(this);
}

TFirmWareUG::~TFirmWareUG()
{
    link_.ClosePort();
}

void TFirmWareUG::BuildWidgets()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* buttons = new QHBoxLayout;
    auto makeButton = [&](const char* name, const char* text) {
        auto* b = new QPushButton(QString::fromUtf8(text), central);
        b->setObjectName(name);
        buttons->addWidget(b);
        return b;
    };
    spdBtnDownLoad_ = makeButton("SpdBtnDownLoad", "下载更新");
    spdBtnVerify_ = makeButton("SpdBtnVerify", "校验");
    buttons->addStretch();
    spdBtnExit_ = makeButton("SpdBtnExit", "退出");
    spdBtnDownLoad_->setEnabled(false);
    spdBtnVerify_->setEnabled(false);
    layout->addLayout(buttons);

    devLabel_ = new QLabel(QString::fromUtf8("设备......"), central);
    devLabel_->setObjectName("DevLabel");
    devLabel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    devLabel_->setAlignment(Qt::AlignCenter);
    layout->addWidget(devLabel_);

    auto* group = new QGroupBox(QString::fromUtf8("选择通讯设备"), central);
    auto* groupLayout = new QHBoxLayout(group);
    groupLayout->addWidget(new QLabel(QString::fromUtf8("选择通讯设备："), group));
    comboBoxCOM_ = new QComboBox(group);
    comboBoxCOM_->setObjectName("ComboBoxCOM");
    comboBoxCOM_->setEditable(true);
    comboBoxCOM_->setInsertPolicy(QComboBox::NoInsert);
    comboBoxCOM_->setMinimumWidth(180);
    comboBoxCOM_->setEditText(QString::fromUtf8("请选择通讯口......"));
    groupLayout->addWidget(comboBoxCOM_, 1);
    bitBtnFind_ = new QPushButton(QString::fromUtf8("查找设备"), group);
    bitBtnFind_->setObjectName("BitBtnFind");
    groupLayout->addWidget(bitBtnFind_);
    bitBtnFresh_ = new QPushButton(QString::fromUtf8("刷新列表"), group);
    bitBtnFresh_->setObjectName("BitBtnFresh");
    groupLayout->addWidget(bitBtnFresh_);
    layout->addWidget(group);

    infoMemo_ = new QPlainTextEdit(central);
    infoMemo_->setObjectName("InfoMemo");
    infoMemo_->setReadOnly(true);
    infoMemo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    infoMemo_->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* clearInfo = new QAction(QStringLiteral("Clear Info"), infoMemo_);
    clearInfo->setObjectName("ClearInfo1");
    infoMemo_->addAction(clearInfo);
    layout->addWidget(infoMemo_, 1);
    setCentralWidget(central);
    setFixedSize(520, 420); // single border: not resizable

    connect(spdBtnExit_, &QPushButton::clicked, this, [this] { SpdBtnExitClick(); });
    connect(spdBtnDownLoad_, &QPushButton::clicked, this, [this] { SpdBtnDownLoadClick(); });
    connect(spdBtnVerify_, &QPushButton::clicked, this, [this] { SpdBtnVerifyClick(); });
    connect(bitBtnFind_, &QPushButton::clicked, this, [this] { BitBtnFindClick(); });
    connect(bitBtnFresh_, &QPushButton::clicked, this, [this] { BitBtnFreshClick(); });
    connect(comboBoxCOM_, QOverload<int>::of(&QComboBox::activated), this, [this] { ComboBoxCOMChange(); });
    connect(comboBoxCOM_->lineEdit(), &QLineEdit::textEdited, this, [this] { ComboBoxCOMChange(); });
    connect(clearInfo, &QAction::triggered, this, [this] { ClearInfo1Click(); });
}

void TFirmWareUG::BuildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    connect(file->addAction(QStringLiteral("E&xit")), &QAction::triggered, this, [this] { SpdBtnExitClick(); });
    executeMenu_ = menuBar()->addMenu(QStringLiteral("&Execute"));
    executeMenu_->setObjectName("Execute1");
    connect(executeMenu_->addAction(QStringLiteral("&Upgrade")), &QAction::triggered, this,
            [this] { SpdBtnDownLoadClick(); });
    connect(executeMenu_->addAction(QStringLiteral("&Verification")), &QAction::triggered, this,
            [this] { SpdBtnVerifyClick(); });
    executeMenu_->setEnabled(false);
    executeMenu_->menuAction()->setEnabled(false);
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    connect(help->addAction(QStringLiteral("About")), &QAction::triggered, this, [this] { About1Click(); });
}

void TFirmWareUG::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    FormShow();
}

void TFirmWareUG::closeEvent(QCloseEvent* event)
{
    FormClose();
    QMainWindow::closeEvent(event);
}

void TFirmWareUG::AddLog(const QString& line)
{
    infoMemo_->appendPlainText(line);
}

void TFirmWareUG::ShowDeviceBox()
{
    const QSignalBlocker block(comboBoxCOM_);
    comboBoxCOM_->clear();
    for (const auto& item : deviceBox_.Items)
        comboBoxCOM_->addItem(QString::fromStdString(item));
    const auto it = std::find(deviceBox_.Items.begin(), deviceBox_.Items.end(), deviceBox_.Text);
    if (it != deviceBox_.Items.end()) {
        comboBoxCOM_->setCurrentIndex(static_cast<int>(it - deviceBox_.Items.begin()));
    } else {
        comboBoxCOM_->setCurrentIndex(-1);
        comboBoxCOM_->setEditText(QString::fromStdString(deviceBox_.Text));
    }
}

void TFirmWareUG::StartProbe()
{
    probeTicks_ = 0;
    timer1_->SetEnabled(true);
}

void TFirmWareUG::FormShow()
{
    FwUp.DevReady = 0;
    FwUp.FtHandle = 0;
    FwUp.DevSerial.clear();
    const std::uint8_t r = link_.RefreshDeviceList(deviceBox_);
    ShowDeviceBox();
    if (r == kResultOk) StartProbe();

    AddLog(QStringLiteral(" *-------------------------------------------------*"));
    AddLog(QStringLiteral(" *    Telvic200Cy Firmware Upgrade, 2024-03-05     *"));
    AddLog(QStringLiteral(" *    Add Orvane General Command Contorl Function  *"));
    AddLog(QStringLiteral(" *                                                 *"));
    AddLog(QString::fromUtf8(" *           更新区 CheckSum 1 = 0x%1            *").arg(Hex4(kExpCheckSum1)));
    AddLog(QString::fromUtf8(" *           更新区 CheckSum 2 = 0x%1            *").arg(Hex4(kExpCheckSum2)));
    AddLog(QStringLiteral(" *-------------------------------------------------*"));
    setWindowTitle(QString::fromUtf8(kCaptionShown));
    AddLog(QString());

    FwUp.ExpCheckSum2 = kExpCheckSum2;
    FwUp.ExpCheckSum1 = kExpCheckSum1;
    FwUp.UpdStartAddr = kUpdStartAddr;
    FwUp.UpdEndAddr = kUpdEndAddr;
}

void TFirmWareUG::Timer1Timer()
{
    if (probeTicks_ % 2 == 0)
        comm_.SendIdentify();
    else if (comm_.ReceiveReply(kProbeListenMs) == kResultOk)
        HandleProbeReply();
    ++probeTicks_;
    if (probeTicks_ > kProbeLastTick) {
        AddLog(QString::fromUtf8(kNoDeviceFound));
        timer1_->SetEnabled(false);
        FwUp.DevReady = 0;
    }
}

void TFirmWareUG::HandleProbeReply()
{
    const std::uint8_t* reply = FwUp.FwPktBuf;
    const std::size_t len = FwUp.FwPktLen;
    if (len <= kReplyNameLenAt || std::memcmp(reply, kIdentifyBytes, sizeof kIdentifyBytes) != 0) return;
    const std::size_t n = reply[kReplyNameLenAt];
    if (n == 0) {
        probeTicks_ = kProbeGiveUpTick;
        return;
    }
    // Both copies stay inside the decoded reply and inside their buffers.
    const std::size_t infoLen = len > kReplyInfoAt ? std::min({n + 1, kDevInfoSize, len - kReplyInfoAt}) : 0;
    std::memset(FwUp.DevInfo, 0, kDevInfoSize);
    std::memcpy(FwUp.DevInfo, reply + kReplyInfoAt, infoLen);
    QString name;
    for (std::size_t i = kReplyNameAt; i < len && i <= kReplyNameAt + n && reply[i] != 0; ++i)
        name += QChar(static_cast<char16_t>(reply[i]));
    timer1_->SetEnabled(false);
    const bool match = infoLen > kInfoMatchAt + 1 && FwUp.DevInfo[kInfoMatchAt] == 'C'
        && FwUp.DevInfo[kInfoMatchAt + 1] == 'y';
    if (match) {
        devLabel_->setText(name);
        spdBtnDownLoad_->setEnabled(true);
        spdBtnVerify_->setEnabled(true);
        FwUp.DevReady = 1;
    } else {
        devLabel_->setText(QString::fromUtf8(kDeviceMismatch));
        FwUp.DevReady = 0;
    }
}

void TFirmWareUG::BitBtnFindClick()
{
    FwUp.DevReady = 0; // a device is ready only after its own probe
    FwUp.DevSerial = comboBoxCOM_->currentText().toStdString();
    if (link_.OpenPort(FwUp.DevSerial) == kResultOk)
        StartProbe();
    else
        AddLog(QString::fromUtf8(kPortError));
}

void TFirmWareUG::BitBtnFreshClick()
{
    timer1_->SetEnabled(false);
    spdBtnDownLoad_->setEnabled(false);
    spdBtnVerify_->setEnabled(false);
    FwUp.DevReady = 0;
    link_.RefreshDeviceList(deviceBox_);
    ShowDeviceBox();
}

void TFirmWareUG::ComboBoxCOMChange()
{
    const int index = comboBoxCOM_->currentIndex();
    const bool selected = index >= 0 && comboBoxCOM_->itemText(index) == comboBoxCOM_->currentText();
    FwUp.DevSerial = selected ? comboBoxCOM_->itemText(index).toStdString() : std::string();
}

void TFirmWareUG::RunTransfer(char mode)
{
    if (FwUp.DevReady == 1) {
        timer1_->SetEnabled(false);
        FwUp.OpResult = kResultCommError;
        FwUp.OpMode = mode;
        progressForm_->exec();
    } else {
        FwUp.OpResult = kResultSetupFailed;
    }
    ShowResult(FwUp.OpResult);
}

void TFirmWareUG::SpdBtnDownLoadClick()
{
    if (!image_) {
        // Refused before any byte goes out: this build carries no firmware.
        FwUp.OpResult = kResultNoFirmware;
        ShowResult(FwUp.OpResult);
        return;
    }
    RunTransfer(kOpModeUpgrade);
}

void TFirmWareUG::SpdBtnVerifyClick()
{
    RunTransfer(kOpModeVerify);
}

void TFirmWareUG::SpdBtnExitClick()
{
    link_.ClosePort();
    close();
}

void TFirmWareUG::About1Click()
{
    aboutForm_->exec();
}

void TFirmWareUG::ClearInfo1Click()
{
    infoMemo_->clear();
}

void TFirmWareUG::FormClose()
{
    timer1_->SetEnabled(false);
    link_.ClosePort();
}

void TFirmWareUG::ShowResult(std::uint8_t code)
{
    const QString text = ResultText(code);
    if (code == kResultOk) {
        messages_.Beep();
        messages_.Information(text);
    } else {
        messages_.Error(text);
    }
    AddLog(text);
}
