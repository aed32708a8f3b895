// Serial numbers: insertion in both modes, orders and areas, refused
// positions, the advance, the number boxes and the fixed-content dialog.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <cstring>
#include <map>

#include "ProjectsTestSinks.h"
#include "app/ConfigSN.h"
#include "app/NumberBox.h"
#include "link/DefinCyX4.h"

namespace {

class TFakeSNHost : public TSNHost {
public:
    TFakeSNHost() : views(TBuildLang::Chinese, &log, &status, &pages) {}
    bool SNBoxChecked(TSNBox box) const override
    {
        auto it = boxes.find(box);
        return it != boxes.end() && it->second;
    }
    void SetSNBoxChecked(TSNBox box, bool checked) override
    {
        if (box == TSNBox::ChkBoxStrSN && checked && RaiseOnStrSN) throw EConvertError("'x' is not a valid integer value");
        boxes[box] = checked;
        changes.push_back(static_cast<int>(box) * 2 + (checked ? 1 : 0));
    }
    QString SNEditText() const override { return snEdit; }
    void SetSNEditText(const QString& t) override { snEdit = t; }
    void SetAddrEditText(const QString& t) override { addrEdit = t; }
    TChecksumViews& Views() override { return views; }
    TLogSink* Log() override { return &log; }
    TMessageBoxes& Boxes() override { return msg; }
    QWidget* BoxParent() override { return nullptr; }

    std::map<TSNBox, bool> boxes;
    std::vector<int> changes;
    bool RaiseOnStrSN = false;
    QString snEdit = QStringLiteral("0x00000000");
    QString addrEdit = QStringLiteral("0x00000000");
    TRecordingLog log;
    TRecordingStatus status;
    TRecordingPages pages;
    TTextBoxes msg;
    TChecksumViews views;
};

class ConfigSNTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSharedStateForTest();
        CurChip.FamilyCode = 0xC0;
        CurChip.EepSize = 512;
        ImageInfo.TargetEndAddr = 0x7FFF;
        host.boxes[TSNBox::CheckBoxSN] = true;
        host.boxes[TSNBox::ChkBoxPCSN] = true;
    }
    TFakeSNHost host;
    TConfigSNForm form{host};
};

struct TInsertCase {
    const char* name;
    bool str, bigEndian, eep;
    std::uint32_t value, addr, position;
    const char* bytes;
    int n;
};

TEST_F(ConfigSNTest, InsertWritesTheNumberInEachModeOrderAndArea)
{
    const TInsertCase cases[] = {
        {"binary little-endian", false, false, false, 0x12345678, 0x100, 0x100, "\x78\x56\x34\x12", 4},
        {"binary big-endian", false, true, false, 0x12345678, 0x100, 0x100, "\x12\x34\x56\x78", 4},
        {"string big-endian", true, true, false, 123, 0x200, 0x200, "000123", 6},
        {"string little-endian", true, false, false, 123, 0x200, 0x200, "321000", 6},
        {"string keeps six digits", true, true, false, 1234567, 0x200, 0x200, "234567", 6},
        {"PSoC 6 address beyond the first MiB", false, false, false, 0xA1B2C3D4, 0x10123450, 0x123450,
         "\xD4\xC3\xB2\xA1", 4},
        {"last bytes of the 4 MiB image", false, true, false, 0x01020304, 0x3FFFFC, 0x3FFFFC, "\x01\x02\x03\x04", 4},
        {"EEP area", false, false, true, 0x0A0B0C0D, 0x10, 0x10, "\x0D\x0C\x0B\x0A", 4},
        {"last bytes of the EEP image", true, true, true, 42, 0xFFFA, 0xFFFA, "000042", 6},
    };
    for (const TInsertCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::memset(ImageBufs.MainFlashBuf, 0, kMainFlashBufSize);
        std::memset(ImageBufs.EepSFlashBuf, 0, kEepSFlashBufSize);
        host.boxes[TSNBox::ChkBoxStrSN] = c.str;
        host.boxes[TSNBox::SNOrderChk] = c.bigEndian;
        host.boxes[TSNBox::ChkBoxSNEep] = c.eep;
        SNSettings.SNValue = c.value;
        SNSettings.SNAddr = c.addr;
        ASSERT_TRUE(form.InsertSerialNumber());
        const std::uint8_t* area = c.eep ? ImageBufs.EepSFlashBuf : ImageBufs.MainFlashBuf;
        const std::uint8_t* other = c.eep ? ImageBufs.MainFlashBuf : ImageBufs.EepSFlashBuf;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(area + c.position), c.n), std::string(c.bytes, c.n));
        EXPECT_EQ(area[c.position - 1], 0);
        if (c.position < kEepSFlashBufSize) {
            EXPECT_EQ(other[c.position], 0) << "the other area stays unchanged";
        }
    }
    EXPECT_TRUE(host.msg.Shown.empty());
}

TEST_F(ConfigSNTest, InsertLogsAndRefreshesItsArea)
{
    host.snEdit = QStringLiteral("0x00000005");
    SNSettings.SNValue = 5;
    SNSettings.SNAddr = 0x1008;
    host.views.ShowMainFlash(0, 0x7FFF);
    Checksums.ChipAccSum = 0x1234;
    host.log.Lines.clear();
    ASSERT_TRUE(form.InsertSerialNumber());
    ASSERT_GE(host.log.Lines.size(), 4u);
    EXPECT_EQ(host.log.Lines.front(), "L:Serial No. is in Main Flash Area!");
    EXPECT_EQ(Checksums.ChipAccSum, 0xFFFB) << "the main checksums are recomputed";
    EXPECT_EQ(host.views.MainView().CellText(0x100, 9).toStdString(), "05");
    const std::vector<std::string> tail(host.log.Lines.end() - 2, host.log.Lines.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"L:Serial No. function is used : ", "L:Current S/N is : 0x00000005"}));

    host.log.Lines.clear();
    host.boxes[TSNBox::ChkBoxSNEep] = true;
    SNSettings.SNAddr = 0x18;
    Checksums.ChipAccSum = 0x1234;
    ASSERT_TRUE(form.InsertSerialNumber());
    EXPECT_EQ(host.log.Lines.front(), "L:Serial No. is in EEP Data Area!");
    EXPECT_EQ(host.log.Lines[1], "L:芯片 EEP Data CRC CheckSum = 0x" + HexDigits(Checksums.EepCrcSum, 4));
    EXPECT_EQ(Checksums.ChipAccSum, 0x1234) << "the main checksums stay";
    EXPECT_EQ(host.views.EepView().CellText(1, 9).toStdString(), "05");
}

TEST_F(ConfigSNTest, InsertDoesNothingUnlessBothBoxesAreChecked)
{
    SNSettings.SNValue = 0x11111111;
    for (TSNBox off : {TSNBox::CheckBoxSN, TSNBox::ChkBoxPCSN}) {
        host.boxes[TSNBox::CheckBoxSN] = host.boxes[TSNBox::ChkBoxPCSN] = true;
        host.boxes[off] = false;
        EXPECT_TRUE(form.InsertSerialNumber());
    }
    EXPECT_EQ(ImageBufs.MainFlashBuf[0], 0);
    EXPECT_TRUE(host.log.Lines.empty());
}

TEST_F(ConfigSNTest, NumbersEndingBeyondTheirAreaAreRefused)
{
    struct {
        bool str, eep;
        std::uint32_t addr;
    } const cases[] = {
        {false, false, 0x3FFFFD}, {true, false, 0x3FFFFB}, {false, false, 0x10FFFFF0}, {false, true, 0xFFFD},
        {true, true, 0xFFFB},     {false, true, 0xFFFFFFFF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.addr);
        host.boxes[TSNBox::ChkBoxStrSN] = c.str;
        host.boxes[TSNBox::ChkBoxSNEep] = c.eep;
        SNSettings.SNAddr = c.addr;
        SNSettings.SNValue = 0xFFFFFFFF;
        host.msg.Shown.clear();
        EXPECT_FALSE(form.InsertSerialNumber());
        EXPECT_EQ(host.msg.Shown, std::vector<std::string>{std::string("P:") + kSNOutOfAreaText});
    }
    EXPECT_TRUE(host.log.Lines.empty());
    for (std::uint8_t b : ImageBufs.EepSFlashBuf) ASSERT_EQ(b, 0);
    for (std::size_t i = 0x3F0000; i < kMainFlashBufSize; ++i) ASSERT_EQ(ImageBufs.MainFlashBuf[i], 0);
}

struct TAdvanceCase {
    const char* name;
    bool pcsn, sn, decimal;  // ChkBoxPCSN, CheckBoxSN, ChkBoxSNDP
    std::uint32_t value;
    std::uint32_t after;  // SNValue afterwards
    const char* shown;    // SNEdit afterwards
};

// The number advances by the round step only while the PC inserts numbers
// and the serial-number function is on; otherwise neither the value nor the
// box changes.
TEST_F(ConfigSNTest, AdvanceAddsTheRoundStepAndShowsIt)
{
    const TAdvanceCase cases[] = {
        {"hex, 32 bits wrapping", true, true, false, 0xFFFFFFF8, 4, "0x00000004"},
        {"decimal, unsigned", true, true, true, 2147483640, 2147483652u, "2147483652"},
        {"PC S/N unchecked (the English build hides it)", false, true, false, 0x100, 0x100, "0x00000100"},
        {"function off, PC S/N left checked", true, false, true, 0x100, 0x100, "0x00000100"},
    };
    for (const TAdvanceCase& c : cases) {
        SCOPED_TRACE(c.name);
        host.boxes[TSNBox::ChkBoxPCSN] = c.pcsn;
        host.boxes[TSNBox::CheckBoxSN] = c.sn;
        host.boxes[TSNBox::ChkBoxSNDP] = c.decimal;
        SNSettings.SNRoundStep = 12;
        SNSettings.SNValue = c.value;
        host.snEdit = QStringLiteral("0x00000100");
        AdvanceSerialNumber(host);
        EXPECT_EQ(SNSettings.SNValue, c.after);
        EXPECT_EQ(host.snEdit.toStdString(), c.shown);
        EXPECT_EQ(SNBoxValue(host.snEdit), c.after) << "the shown number reads back";
    }
}

TEST_F(ConfigSNTest, SerialNumberBoxesTakeSignedAndUnsigned32BitDecimals)
{
    struct {
        const char* text;
        std::uint32_t value;
    } const good[] = {{"4294967295", 0xFFFFFFFF}, {"2147483648", 0x80000000}, {"-2147483648", 0x80000000},
                      {"-1", 0xFFFFFFFF},         {"0x1000", 0x1000},         {"$FFFFFFFF", 0xFFFFFFFF},
                      {" 15", 15}};
    for (const auto& c : good) EXPECT_EQ(SNBoxValue(QString::fromLatin1(c.text)), c.value) << c.text;
    for (const char* bad : {"4294967296", "-2147483649", "0x100000000", "0xFFFFFFFFFFFFFFFF", "0xFFFFFFFF80000000",
                            "12z", ""}) {
        try {
            SNBoxValue(QString::fromLatin1(bad));
            ADD_FAILURE() << bad;
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
}

TEST_F(ConfigSNTest, FixedContentDialogWritesTextAndSetsTheBoxes)
{
    EXPECT_EQ(form.windowTitle().toStdString(), "Config S/N Constant");
    EXPECT_EQ(form.SelectedArea(), TConfigSNForm::kEepArea) << "item 1 at start";
    EXPECT_FALSE(form.ChkBoxSNEndin->isVisibleTo(&form));
    EXPECT_EQ(form.Label6->text().toStdString(), "数据存储首地址：   ");
    EXPECT_EQ(form.Label1->text().toStdString(), "数据内容：   ");
    EXPECT_EQ(form.RadioGrpSN->title().toStdString(), " SN地址区域 ");
    EXPECT_EQ(form.RadioMain->text().toStdString(), "主数据地址区");
    EXPECT_EQ(form.RadioEep->text().toStdString(), "EEP数据地址区");
    EXPECT_EQ(form.ChkBoxSNEndin->text().toStdString(), "数据保存为大端模式");
    form.SetSelectedArea(TConfigSNForm::kMainArea);
    form.AddrEditSN->setText(QStringLiteral("0x100"));
    form.EditDataSN->setText(QStringLiteral("ABC000123"));
    form.BitBtnOKClick();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(ImageBufs.MainFlashBuf + 0x100), 9), "ABC000123");
    EXPECT_EQ(ObjFileLoaded, 1) << "the main view was redrawn";
    AfterConfigSNDialog(form, host);
    EXPECT_EQ(host.snEdit.toStdString(), "000123");
    EXPECT_EQ(host.addrEdit.toStdString(), "0x00000103");
    EXPECT_TRUE(host.SNBoxChecked(TSNBox::ChkBoxStrSN));
    EXPECT_TRUE(host.SNBoxChecked(TSNBox::SNOrderChk));
    EXPECT_FALSE(host.SNBoxChecked(TSNBox::ChkBoxSNEep));
    EXPECT_EQ(host.changes, (std::vector<int>{int(TSNBox::ChkBoxStrSN) * 2 + 1, int(TSNBox::SNOrderChk) * 2 + 1,
                                              int(TSNBox::ChkBoxSNEep) * 2}));

    // EEP area, five characters: the EEP image gets them, SNEdit becomes empty.
    form.SetSelectedArea(TConfigSNForm::kEepArea);
    form.AddrEditSN->setText(QStringLiteral("0x20"));
    form.EditDataSN->setText(QStringLiteral("HELLO"));
    ASSERT_TRUE(form.WriteFixedSNData());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(ImageBufs.EepSFlashBuf + 0x20), 5), "HELLO");
    AfterConfigSNDialog(form, host);
    EXPECT_EQ(host.snEdit.toStdString(), "");
    EXPECT_EQ(host.addrEdit.toStdString(), "0x0000001F");
    EXPECT_TRUE(host.SNBoxChecked(TSNBox::ChkBoxSNEep));
    EXPECT_TRUE(host.msg.Shown.empty());
}

TEST_F(ConfigSNTest, FixedContentDialogRefusalsKeepItOpen)
{
    form.open();
    form.EditDataSN->setText(QString());
    form.BitBtnOKClick();
    form.SetSelectedArea(TConfigSNForm::kEepArea);
    form.AddrEditSN->setText(QStringLiteral("0xFFFC"));
    form.EditDataSN->setText(QStringLiteral("NINECHARS"));
    form.BitBtnOKClick();
    form.SetSelectedArea(TConfigSNForm::kMainArea);
    form.AddrEditSN->setText(QStringLiteral("0x103FFFF8"));
    form.BitBtnOKClick();
    form.AddrEditSN->setText(QStringLiteral("zz"));
    form.BitBtnOKClick();
    EXPECT_EQ(host.msg.Shown, (std::vector<std::string>{"P:请输入有效的序列号数据!", std::string("P:") + kFixedSNOutOfAreaText,
                                                        std::string("P:") + kFixedSNOutOfAreaText,
                                                        "E:'zz' is not a valid integer value"}));
    EXPECT_TRUE(form.isVisible());
    EXPECT_NE(form.result(), QDialog::Accepted);
    for (std::uint8_t b : ImageBufs.EepSFlashBuf) ASSERT_EQ(b, 0);
    form.AddrEditSN->setText(QStringLiteral("0x103FFFF7"));
    form.BitBtnOKClick();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(ImageBufs.MainFlashBuf[0x3FFFFF], 'S') << "the low 24 bits place a PSoC 6 address";
}

TEST_F(ConfigSNTest, AfterTheDialogOnlyWithSerialNumbersOnAndStopsOnConversionError)
{
    form.EditDataSN->setText(QStringLiteral("XY123456"));
    host.boxes[TSNBox::CheckBoxSN] = false;
    AfterConfigSNDialog(form, host);
    EXPECT_TRUE(host.changes.empty());
    EXPECT_EQ(host.snEdit.toStdString(), "0x00000000");

    // Cancelled with serial numbers on: nothing written, the boxes still set.
    host.boxes[TSNBox::CheckBoxSN] = true;
    form.reject();
    AfterConfigSNDialog(form, host);
    EXPECT_EQ(host.snEdit.toStdString(), "123456");
    EXPECT_EQ(ImageBufs.EepSFlashBuf[0], 0);

    host.RaiseOnStrSN = true;
    host.snEdit = QStringLiteral("bad");
    AfterConfigSNDialog(form, host);
    EXPECT_EQ(host.snEdit.toStdString(), "bad") << "the conversion error ends it before SNEdit is set";
    EXPECT_EQ(host.msg.Shown, std::vector<std::string>{"E:'x' is not a valid integer value"});
}

TEST_F(ConfigSNTest, TypedDataBecomesUpperCase)
{
    form.EditDataSN->insert(QStringLiteral("ab1"));
    EXPECT_EQ(form.EditDataSN->text().toStdString(), "AB1");
    EXPECT_EQ(form.AddrEditSN->maxLength(), 10);
    EXPECT_EQ(form.EditDataSN->maxLength(), 255);
}

}  // namespace
