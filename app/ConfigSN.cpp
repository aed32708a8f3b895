#include "app/ConfigSN.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QValidator>
#include <QVBoxLayout>

#include "app/ChkSumViews.h"
#include "app/MsgBoxes.h"
#include "app/NumberBox.h"
#include "link/DefinCyX4.h"
#include "link/LinkSinks.h"

const char* const kSNOutOfAreaText = "序列号超出数据区范围！";
const char* const kFixedSNOutOfAreaText = "固定内容超出数据区范围！";

namespace {

constexpr int kBinarySNBytes = 4;
constexpr int kStringSNDigits = 6;
constexpr int kTailChars = 6;
constexpr std::uint32_t kMainPositionMask = 0x00FFFFFF;
constexpr std::uint32_t kRowAlignMask = ~0xFu;
constexpr int kAddrEditMaxLen = 10;
constexpr int kDataEditMaxLen = 255;
constexpr std::int64_t kSNBoxMax = 4294967295LL;

QString Hex8(std::uint32_t v)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(v, 8, 16, QLatin1Char('0')).toUpper();
}

// Typed text becomes upper case.
class TUpperCase : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

}  // namespace

std::uint32_t SNBoxValue(const QString& text)
{
    // Hex within 32 bits and signed decimals read as any 32-bit box does; only
    // decimals from 2^31 on need the wider reading (wider hex reads back
    // outside 0 .. 2^32 - 1 there and is refused).
    try {
        return static_cast<std::uint32_t>(StrToInt(text));
    } catch (const EConvertError&) {
    }
    const std::int64_t v = StrToInt64(text);
    if (v < 0 || v > kSNBoxMax)
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString());
    return static_cast<std::uint32_t>(v);
}

bool SNAreaPosition(TSNArea area, std::uint32_t addr, std::uint32_t len, std::uint32_t& position)
{
    const std::uint32_t start = area == TSNArea::MainFlash ? (addr & kMainPositionMask) : addr;
    const std::uint64_t size = area == TSNArea::MainFlash ? kMainFlashBufSize : kEepSFlashBufSize;
    if (std::uint64_t(start) + len > size) return false;
    position = start;
    return true;
}

void AdvanceSerialNumber(TSNHost& host)
{
    if (!host.SNBoxChecked(TSNBox::ChkBoxPCSN) || !host.SNBoxChecked(TSNBox::CheckBoxSN)) return;
    SNSettings.SNValue += SNSettings.SNRoundStep;
    host.SetSNEditText(host.SNBoxChecked(TSNBox::ChkBoxSNDP) ? QString::number(SNSettings.SNValue)
                                                            : Hex8(SNSettings.SNValue));
}

TConfigSNForm::TConfigSNForm(TSNHost& host, QWidget* parent) : QDialog(parent), host_(host)
{
    setObjectName("ConfigSNForm");
    setWindowTitle("Config S/N Constant");
    Label6 = new QLabel(this);
    Label6->setObjectName("Label6");
    AddrEditSN = new QLineEdit(QStringLiteral("0x00000000"), this);
    AddrEditSN->setObjectName("AddrEditSN");
    AddrEditSN->setMaxLength(kAddrEditMaxLen);
    EditDataSN = new QLineEdit(this);
    EditDataSN->setObjectName("EditDataSN");
    EditDataSN->setMaxLength(kDataEditMaxLen);
    EditDataSN->setValidator(new TUpperCase(EditDataSN));
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    BitBtnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtnCancel->setObjectName("BitBtnCancel");
    BitBtnOK = new QPushButton(QStringLiteral("OK"), this);
    BitBtnOK->setObjectName("BitBtnOK");
    RadioGrpSN = new QGroupBox(this);
    RadioGrpSN->setObjectName("RadioGrpSN");
    RadioMain = new QRadioButton(RadioGrpSN);
    RadioEep = new QRadioButton(RadioGrpSN);
    auto* radios = new QGridLayout(RadioGrpSN);
    radios->addWidget(RadioMain, 0, 0);
    radios->addWidget(RadioEep, 0, 1);
    RadioEep->setChecked(true);
    ChkBoxSNEndin = new QCheckBox(QStringLiteral("数据保存为大端模式"), this);
    ChkBoxSNEndin->setObjectName("ChkBoxSNEndin");
    ChkBoxSNEndin->setVisible(false);

    auto* grid = new QGridLayout;
    grid->addWidget(Label6, 0, 0);
    grid->addWidget(AddrEditSN, 0, 1);
    grid->addWidget(Label1, 1, 0);
    grid->addWidget(EditDataSN, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtnOK);
    buttons->addWidget(BitBtnCancel);
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addWidget(RadioGrpSN);
    top->addWidget(ChkBoxSNEndin);
    top->addLayout(buttons);

    connect(BitBtnOK, &QPushButton::clicked, this, [this] { BitBtnOKClick(); });
    connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    FormShow();
}

void TConfigSNForm::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TConfigSNForm::FormShow()
{
    Label6->setText(QStringLiteral("数据存储首地址：   "));
    Label1->setText(QStringLiteral("数据内容：   "));
    RadioGrpSN->setTitle(QStringLiteral(" SN地址区域 "));
    RadioMain->setText(QStringLiteral("主数据地址区"));
    RadioEep->setText(QStringLiteral("EEP数据地址区"));
}

int TConfigSNForm::SelectedArea() const
{
    return RadioMain->isChecked() ? kMainArea : kEepArea;
}

void TConfigSNForm::SetSelectedArea(int area)
{
    (area == kMainArea ? RadioMain : RadioEep)->setChecked(true);
}

void TConfigSNForm::BitBtnOKClick()
{
    if (EditDataSN->text().isEmpty()) {
        host_.Boxes().Plain(this, QStringLiteral("请输入有效的序列号数据!"));
        EditDataSN->setFocus();
        return;
    }
    try {
        if (!WriteFixedSNData()) return;
    } catch (const EConvertError& e) {
        host_.Boxes().Error(this, QString::fromStdString(e.what()));
        return;
    }
    accept();
}

bool TConfigSNForm::WriteFixedSNData()
{
    const std::uint32_t addr = static_cast<std::uint32_t>(StrToInt(AddrEditSN->text()));
    const QByteArray text = EditDataSN->text().toLatin1();
    const bool main = SelectedArea() == kMainArea;
    std::uint32_t pos = 0;
    if (!SNAreaPosition(main ? TSNArea::MainFlash : TSNArea::Eep, addr, std::uint32_t(text.size()), pos)) {
        host_.Boxes().Plain(this, QString::fromUtf8(kFixedSNOutOfAreaText));
        return false;
    }
    std::uint8_t* area = main ? ImageBufs.MainFlashBuf : ImageBufs.EepSFlashBuf;
    for (int k = 0; k < text.size(); ++k) area[pos + std::uint32_t(k)] = static_cast<std::uint8_t>(text[k]);
    if (main)
        host_.Views().ShowMainFlash(ImageInfo.TargetStartAddr, ImageInfo.TargetEndAddr);
    else
        host_.Views().ShowEepSFlash();
    return true;
}

QString TConfigSNForm::GetFixedSNTail() const
{
    const QString text = EditDataSN->text();
    return text.size() < kTailChars ? QString() : text.right(kTailChars);
}

std::uint32_t TConfigSNForm::GetFixedSNTailAddr() const
{
    return static_cast<std::uint32_t>(StrToInt(AddrEditSN->text())) +
           static_cast<std::uint32_t>(EditDataSN->text().size()) - kTailChars;
}

bool TConfigSNForm::InsertSerialNumber()
{
    if (!host_.SNBoxChecked(TSNBox::ChkBoxPCSN) || !host_.SNBoxChecked(TSNBox::CheckBoxSN)) return true;
    const std::uint32_t v = SNSettings.SNValue;
    std::uint8_t bytes[kStringSNDigits];
    int n = kBinarySNBytes;
    if (host_.SNBoxChecked(TSNBox::ChkBoxStrSN)) {
        n = kStringSNDigits;
        std::uint32_t rest = v;
        for (int k = 0; k < n; ++k, rest /= 10) bytes[k] = static_cast<std::uint8_t>('0' + rest % 10);
    } else {
        for (int k = 0; k < n; ++k) bytes[k] = static_cast<std::uint8_t>(v >> (8 * k));
    }
    const bool eep = host_.SNBoxChecked(TSNBox::ChkBoxSNEep);
    const bool bigEndian = host_.SNBoxChecked(TSNBox::SNOrderChk);
    std::uint32_t pos = 0;
    if (!SNAreaPosition(eep ? TSNArea::Eep : TSNArea::MainFlash, SNSettings.SNAddr, std::uint32_t(n), pos)) {
        host_.Boxes().Plain(host_.BoxParent(), QString::fromUtf8(kSNOutOfAreaText));
        return false;
    }
    std::uint8_t* area = eep ? ImageBufs.EepSFlashBuf : ImageBufs.MainFlashBuf;
    for (int i = 0; i < n; ++i) area[pos + std::uint32_t(i)] = bigEndian ? bytes[n - 1 - i] : bytes[i];

    TLogSink* log = host_.Log();
    TChecksumViews& views = host_.Views();
    const std::uint32_t rowAddr = SNSettings.SNAddr & kRowAlignMask;
    if (eep) {
        if (log) log->LogLine("Serial No. is in EEP Data Area!");
        views.ShowEepSFlash();
        views.RefreshEepRows(rowAddr);
    } else {
        if (log) log->LogLine("Serial No. is in Main Flash Area!");
        views.CalcMainChecksums(ImageInfo.TargetStartAddr, ImageInfo.TargetEndAddr);
        views.RefreshMainRows(rowAddr);
    }
    if (log) {
        log->LogLine("Serial No. function is used : ");
        log->LogLine("Current S/N is : " + host_.SNEditText().toStdString());
    }
    return true;
}

void AfterConfigSNDialog(TConfigSNForm& form, TSNHost& host)
{
    if (!host.SNBoxChecked(TSNBox::CheckBoxSN)) return;
    try {
        host.SetSNBoxChecked(TSNBox::ChkBoxStrSN, true);
        host.SetSNBoxChecked(TSNBox::SNOrderChk, true);
        host.SetSNBoxChecked(TSNBox::ChkBoxSNEep, form.SelectedArea() == TConfigSNForm::kEepArea);
        host.SetSNEditText(form.GetFixedSNTail());
        host.SetAddrEditText(Hex8(form.GetFixedSNTailAddr()));
    } catch (const EConvertError& e) {
        host.Boxes().Error(host.BoxParent(), QString::fromStdString(e.what()));
    }
}

void N5Click(TConfigSNForm& form, TSNHost& host)
{
    form.exec();
    AfterConfigSNDialog(form, host);
}
