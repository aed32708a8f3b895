// The upgrade tool as the operator runs it, against the fake chip and the
// boot-loader emulator: probe, upgrade, verification, every result text.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "BootLoaderEmulator.h"
#include "FakeFtdiDriver.h"
#include "TestFirmwareImage.h"
#include "TestFwHost.h"
#include "fwupgrade/DefinFwUgCy.h"
#include "fwupgrade/MainFwUpCy.h"
#include "fwupgrade/ProgFwUpCy.h"

namespace {

using Answer = TBootLoaderEmulator::TAnswer;
constexpr char kSerial[] = "FTA1B2C3";

class FlowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetFwUpStateForTest();
        port.Devices = {{kSerial, "Telvic200Cy"}, {"FTZZ9999", "other"}};
    }

    void Start(const TFirmwareImage* withImage)
    {
        window.reset();
        window = std::make_unique<TFirmWareUG>(
            TFwUpServices{port, withImage, boxes, timers, [this](int ms) { sleptMs += ms; }});
        window->show();
    }

    // Runs the probe timer until it stops; returns its ticks.
    int Probe()
    {
        int ticks = 0;
        while (timers["Timer1"].Fire() && ticks < 100)
            ++ticks;
        return ticks;
    }

    void StartReady(const TFirmwareImage* withImage)
    {
        Start(withImage);
        Probe();
        ASSERT_EQ(FwUp.DevReady, 1);
    }

    // Clicks a transfer button and runs the dialog's timers inside its modal
    // loop, as the form timers would, until the dialog closes.
    void RunTransfer(QPushButton* button)
    {
        sawProbeRunning = false;
        txFires = rxFires = 0;
        QTimer::singleShot(0, [this] {
            TProgressForm& form = window->ProgressForm();
            sawProbeRunning = timers["Timer1"].Enabled();
            caption = form.windowTitle();
            label = form.findChild<QLabel*>("Label1")->text();
            progressMax = form.ProgressBar()->maximum();
            txIntervalMs = timers["TimerTx"].Interval();
            rxIntervalMs = timers["TimerRx"].Interval();
            form.reject(); // Esc
            form.close();  // the window's close
            stillOpenAfterCloseAttempts = form.isVisible();
            for (int guard = 0; form.isVisible() && guard < 10000; ++guard) {
                if (timers["TimerTx"].Fire())
                    ++txFires;
                else if (timers["TimerRx"].Fire())
                    ++rxFires;
                else
                    break;
            }
            if (form.isVisible()) {
                ADD_FAILURE() << "the transfer dialog did not close by itself";
                form.done(0);
            }
        });
        button->click();
    }

    QPushButton* Button(const char* name) { return window->findChild<QPushButton*>(name); }
    QString DevLabel() { return window->findChild<QLabel*>("DevLabel")->text(); }
    QStringList Log() { return window->findChild<QPlainTextEdit*>("InfoMemo")->toPlainText().split('\n'); }
    QString LastLog() { return Log().last(); }

    TFakeFtdiDriver port;
    TTestFirmwareImage image;
    TBootLoaderEmulator loader{port, &image};
    TManualTimers timers;
    TRecordedMessages boxes;
    int sleptMs = 0;
    std::unique_ptr<TFirmWareUG> window;

    bool sawProbeRunning = false;
    bool stillOpenAfterCloseAttempts = false;
    QString caption;
    QString label;
    int progressMax = 0;
    int txIntervalMs = 0;
    int rxIntervalMs = 0;
    int txFires = 0;
    int rxFires = 0;
};

TEST_F(FlowTest, StartListsOpensFirstDeviceAndWritesBanner)
{
    Start(&image);
    EXPECT_EQ(window->windowTitle(), "Telvic200Cy Firmware V3 Upgrade Wizard");
    auto* box = window->findChild<QComboBox*>("ComboBoxCOM");
    EXPECT_EQ(box->count(), 2);
    EXPECT_EQ(box->currentText(), kSerial);
    EXPECT_EQ(port.OpenSerial, kSerial);
    EXPECT_TRUE(timers["Timer1"].Enabled());
    EXPECT_EQ(timers["Timer1"].Interval(), 20);
    const QStringList log = Log();
    ASSERT_GE(log.size(), 8);
    EXPECT_EQ(log[4], QString::fromUtf8(" *           更新区 CheckSum 1 = 0x15F5            *"));
    EXPECT_EQ(log[5], QString::fromUtf8(" *           更新区 CheckSum 2 = 0x8D81            *"));
    EXPECT_EQ(FwUp.ExpCheckSum1, 0x15F5);
    EXPECT_EQ(FwUp.UpdEndAddr, 0x5FFF);
    EXPECT_FALSE(Button("SpdBtnDownLoad")->isEnabled());
}

TEST_F(FlowTest, NoDeviceAttachedProbesNothing)
{
    port.Devices.clear();
    Start(&image);
    EXPECT_EQ(window->findChild<QComboBox*>("ComboBoxCOM")->currentText(), QString::fromUtf8("无可用的USB设备"));
    EXPECT_FALSE(timers["Timer1"].Enabled());
    EXPECT_TRUE(port.Writes.empty());
}

TEST_F(FlowTest, HeldUnitIsNotListedAndTheNextIsProbedAtStart)
{
    // "FTA00000" sorts first, but the programmer application holds its port.
    port.Devices.insert(port.Devices.begin(), TFtdiDeviceInfo{"FTA00000", "held", {false}});
    Start(&image);
    auto* box = window->findChild<QComboBox*>("ComboBoxCOM");
    EXPECT_EQ(box->count(), 2);
    EXPECT_EQ(box->findText("FTA00000"), -1);
    EXPECT_EQ(box->currentText(), kSerial);
    EXPECT_EQ(port.OpenSerial, kSerial);
    EXPECT_EQ(Probe(), 2);
    EXPECT_EQ(FwUp.DevReady, 1);
}

TEST_F(FlowTest, EachPortOfATwoPortChipIsListedAndOpened)
{
    port.Devices = {{"FT2232X", "dual", {true, true}, 0x6010}};
    loader.Serial = "FT2232X";
    loader.Port = 1;
    Start(&image);
    auto* box = window->findChild<QComboBox*>("ComboBoxCOM");
    ASSERT_EQ(box->count(), 2);
    EXPECT_EQ(box->itemText(0), "FT2232XA");
    EXPECT_EQ(box->itemText(1), "FT2232XB");
    EXPECT_EQ(port.OpenInterface, 0) << "the first entry is opened at start";
    Probe();
    EXPECT_EQ(FwUp.DevReady, 0) << "the boot loader is not on port A";

    box->setCurrentIndex(1);
    Button("BitBtnFind")->click();
    EXPECT_EQ(port.OpenSerial, "FT2232X");
    EXPECT_EQ(port.OpenInterface, 1);
    EXPECT_EQ(Probe(), 2);
    EXPECT_EQ(FwUp.DevReady, 1);
}

TEST_F(FlowTest, IdentifyAccepted)
{
    Start(&image);
    EXPECT_EQ(Probe(), 2) << "one request, one listen";
    EXPECT_EQ(FwUp.DevReady, 1);
    EXPECT_EQ(DevLabel(), "Telvic200Cy BootLoader V3.0");
    EXPECT_TRUE(Button("SpdBtnDownLoad")->isEnabled());
    EXPECT_TRUE(Button("SpdBtnVerify")->isEnabled());
    // n + 1 = 27 bytes from reply byte 5, the rest of the 52 stays zero.
    EXPECT_EQ(0, std::memcmp(FwUp.DevInfo, "TL200Cy Boot Loader.Telvic2", 27));
    EXPECT_EQ(FwUp.DevInfo[27], 0);
    EXPECT_EQ(sleptMs, 20);
}

TEST_F(FlowTest, IdentifyWhoseNameLengthOverstatesTheReply)
{
    // n = 255 claims 256 name bytes; the reply holds 27 after byte 25.
    loader.NameLengthByte = 255;
    Start(&image);
    EXPECT_EQ(Probe(), 2);
    EXPECT_EQ(FwUp.DevReady, 1);
    EXPECT_EQ(DevLabel(), "Telvic200Cy BootLoader V3.0") << "the name ends with the decoded reply";
    EXPECT_EQ(0, std::memcmp(FwUp.DevInfo, "TL200Cy Boot Loader.Telvic200Cy BootLoader V3.0", 47));
    EXPECT_EQ(FwUp.DevInfo[47], 0) << "nothing past the reply is copied";
}

TEST_F(FlowTest, IdentifyRejected)
{
    struct Case {
        const char* what;
        bool answers;
        const char* info; // reply bytes 5 to 24
        bool zeroLength;
        int ticks, requests;
        QString label, lastLog;
    };
    const QString notFound = QString::fromUtf8("未发现设备!，请检查连接！");
    const QString mismatch = QString::fromUtf8("设备不匹配，请检查并确认");
    const char* good = "TL200Cy Boot Loader.";
    const Case cases[] = {
        {"no answer", false, good, false, 17, 9, QString::fromUtf8("设备......"), notFound},
        {"name length 0", true, good, true, 2, 1, QString::fromUtf8("设备......"), notFound},
        {"not the programmer", true, "TL200Xx Boot Loader.", false, 2, 1, mismatch, ""},
        {"only the C", true, "TL200Cx Boot Loader.", false, 2, 1, mismatch, ""},
        {"only the y", true, "TL200Dy Boot Loader.", false, 2, 1, mismatch, ""},
        {"Cy one byte early", true, "TL20Cy0 Boot Loader.", false, 2, 1, mismatch, ""},
        {"Cy one byte late", true, "TL2000Cy Boot Loader", false, 2, 1, mismatch, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ResetFwUpStateForTest();
        loader.AnswerIdentify = c.answers;
        loader.Info = c.info;
        loader.ZeroNameLength = c.zeroLength;
        loader.IdentifyRequests = 0;
        Start(&image);
        EXPECT_EQ(Probe(), c.ticks);
        EXPECT_EQ(loader.IdentifyRequests, c.requests);
        EXPECT_EQ(FwUp.DevReady, 0);
        EXPECT_FALSE(Button("SpdBtnDownLoad")->isEnabled());
        EXPECT_EQ(DevLabel(), c.label);
        EXPECT_EQ(LastLog(), c.lastLog);
    }
}

TEST_F(FlowTest, ProbeOfOneDeviceNeverLeavesAnotherReady)
{
    StartReady(&image);
    auto* box = window->findChild<QComboBox*>("ComboBoxCOM");
    box->setCurrentIndex(box->findText("FTZZ9999"));
    Button("BitBtnFind")->click();
    EXPECT_EQ(port.OpenSerial, "FTZZ9999");
    EXPECT_EQ(FwUp.DevReady, 0) << "cleared when the search starts";
    Probe(); // the emulator only answers for its own serial
    EXPECT_EQ(FwUp.DevReady, 0);
    const std::size_t writes = port.Writes.size();
    Button("SpdBtnDownLoad")->click(); // still enabled, as the buttons stay
    EXPECT_EQ(port.Writes.size(), writes);
    EXPECT_EQ(boxes.errors, QStringList{QString::fromUtf8("初始化串口错误！")});

}

TEST_F(FlowTest, FindOnUnknownDeviceLogsPortError)
{
    Start(&image);
    window->findChild<QComboBox*>("ComboBoxCOM")->setEditText("NOSUCH");
    Button("BitBtnFind")->click();
    EXPECT_EQ(LastLog(), QString::fromUtf8("串口错误!"));
}

TEST_F(FlowTest, RefreshDisablesButtonsUntilTheNextProbe)
{
    StartReady(&image);
    Button("BitBtnFresh")->click();
    EXPECT_FALSE(Button("SpdBtnDownLoad")->isEnabled());
    EXPECT_FALSE(Button("SpdBtnVerify")->isEnabled());
    EXPECT_EQ(FwUp.DevReady, 0);
    EXPECT_FALSE(timers["Timer1"].Enabled());
    EXPECT_EQ(port.OpenSerial, kSerial) << "the first device is open again";
}

TEST_F(FlowTest, FullUpgradeWritesEveryBlockAndRoundTrips)
{
    image.MakeBlockScrambleToC0(5);
    StartReady(&image);
    loader.ReplyAfterPolls = 3;
    const std::size_t before = port.Writes.size();
    RunTransfer(Button("SpdBtnDownLoad"));

    EXPECT_FALSE(sawProbeRunning) << "the probe is stopped before the dialog opens";
    EXPECT_TRUE(stillOpenAfterCloseAttempts) << "Esc and close do not end the transfer";
    EXPECT_EQ(caption, "Firmware Program Dialog");
    EXPECT_EQ(label, "Programming the Block...");
    EXPECT_EQ(progressMax, 16);
    EXPECT_EQ(txIntervalMs, 40);
    EXPECT_EQ(rxIntervalMs, 20);
    EXPECT_EQ(FwUp.OpResult, kResultOk);
    std::vector<unsigned> expected(16);
    for (unsigned k = 0; k < 16; ++k)
        expected[k] = k;
    EXPECT_EQ(loader.BlocksWritten, expected);
    EXPECT_EQ(loader.BadProgramChecks, 0);
    EXPECT_EQ(loader.BadFrames, 0);
    EXPECT_TRUE(std::equal(loader.Flash.begin(), loader.Flash.end(), image.Image()))
        << "the descrambled bytes are the image";
    ASSERT_EQ(port.Writes.size(), before + 17) << "identify, then 16 blocks";
    EXPECT_EQ(rxFires, 16 * 3) << "each block polled until its delayed reply";
    // Block 5 travels as 2,048 escaped delimiters: the largest frame of a block.
    const auto& frame5 = port.Writes[before + 6];
    EXPECT_EQ(frame5[3], 0x34);
    EXPECT_GE(frame5.size(), 1 + 8 + 4096 + 2 + 1 + 4);
    EXPECT_LE(frame5.size(), kFwFrameBufSize);
    EXPECT_EQ(boxes.beeps, 1);
    EXPECT_EQ(boxes.information, QStringList{QString::fromUtf8("操作成功！")});
    EXPECT_EQ(LastLog(), QString::fromUtf8("操作成功！"));
    EXPECT_EQ(sleptMs, 20 + 200);
}

// A reply that reaches the tool in two parts, the first one byte short of
// what the poll waits for, is taken whole at the next poll.
TEST_F(FlowTest, ReplyInTwoPartsIsTakenAtTheNextPoll)
{
    struct Case {
        const char* what;
        const char* button;
        std::size_t firstPart;
        int polls;
    };
    const Case cases[] = {
        {"every block reply", "SpdBtnDownLoad", 9, 16 * 2},
        {"verify reply", "SpdBtnVerify", 27, 2},
    };
    StartReady(&image);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        loader.SplitAt = c.firstPart;
        loader.BlocksWritten.clear();
        boxes.errors.clear();
        boxes.information.clear();
        RunTransfer(Button(c.button));
        EXPECT_EQ(FwUp.OpResult, kResultOk);
        EXPECT_EQ(rxFires, c.polls);
        EXPECT_TRUE(boxes.errors.isEmpty());
        EXPECT_EQ(boxes.information, QStringList{QString::fromUtf8("操作成功！")});
    }
}

TEST_F(FlowTest, UpgradeFailures)
{
    struct Case {
        const char* what;
        Answer answer;
        std::uint8_t status;
        bool repeat;
        std::uint8_t result;
        const char* text;
    };
    const Case cases[] = {
        {"no reply", Answer::Silent, 0, false, 15, "串口接收超时！"},
        {"bad check value", Answer::BadCheck, 0, true, 35, "数据包校验和不正确！"},
        {"device status", Answer::Status, 73, true, 73, "编程过程出错，数据无法写入！"},
        {"device status once, then silence", Answer::Status, 75, false, 15, "串口接收超时！"},
        {"short reply", Answer::Short, 0, true, 37, "数据包长度与其指示不一致！"},
        {"bad escape", Answer::BadEscape, 0, true, 39, "数据包格式不对！"},
        {"length field 0", Answer::ZeroLength, 0, true, 43, "数据包的数据与其长度值不一致！"},
        {"unlisted status", Answer::Status, 200, true, 200, "操作失败！"},
    };
    StartReady(&image);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        loader.BlockAnswer = c.answer;
        loader.Status = c.status;
        loader.Repeat = c.repeat;
        loader.BlocksWritten.clear();
        boxes.errors.clear();
        RunTransfer(Button("SpdBtnDownLoad"));
        EXPECT_EQ(FwUp.OpResult, c.result);
        EXPECT_EQ(rxFires, 100) << "the poll limit ends the transfer";
        EXPECT_EQ(txFires, 1) << "a request is not resent";
        EXPECT_EQ(loader.BlocksWritten, std::vector<unsigned>{0});
        EXPECT_EQ(boxes.errors, QStringList{QString::fromUtf8(c.text)});
        EXPECT_EQ(LastLog(), QString::fromUtf8(c.text));
    }
}

TEST_F(FlowTest, Verification)
{
    struct Case {
        const char* what;
        std::uint16_t sum2At8, sum1At10, sum1At24, sum2At26;
        bool lengthOne;
        std::uint8_t result;
    };
    const Case cases[] = {
        {"right sums", 0x8D81, 0x15F5, 0x15F5, 0x8D81, false, 0},
        {"sum 2 at 26", 0x8D81, 0x15F5, 0x15F5, 0x8D80, false, 77},
        {"sum 1 at 24", 0x8D81, 0x15F5, 0x15F4, 0x8D81, false, 77},
        {"sum 2 at 8", 0x8D82, 0x15F5, 0x15F5, 0x8D81, false, 77},
        {"sum 1 at 10", 0x8D81, 0x15F6, 0x15F5, 0x8D81, false, 77},
        {"length 1 and status 0 is compared", 0x8D81, 0x15F5, 0x15F5, 0x8D81, true, 77},
    };
    StartReady(nullptr); // verification needs no firmware image
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        loader.Sum2At8 = c.sum2At8;
        loader.Sum1At10 = c.sum1At10;
        loader.Sum1At24 = c.sum1At24;
        loader.Sum2At26 = c.sum2At26;
        loader.VerifyLengthOne = c.lengthOne;
        loader.Status = 0;
        loader.Requests.clear();
        boxes.errors.clear();
        boxes.information.clear();
        RunTransfer(Button("SpdBtnVerify"));
        EXPECT_EQ(caption, "Firmware Verification Dialog");
        EXPECT_EQ(label, "Verify the Program Block...");
        EXPECT_EQ(progressMax, 100);
        EXPECT_EQ(FwUp.OpResult, c.result);
        ASSERT_EQ(loader.Requests.size(), 2u);
        EXPECT_EQ(loader.Requests[1][0], 0xBA);
        EXPECT_EQ(loader.BadFrames, 0);
        const QString text = QString::fromUtf8(c.result == 0 ? "操作成功！" : "总数据校验和不一致！");
        EXPECT_EQ(c.result == 0 ? boxes.information : boxes.errors, QStringList{text});
        EXPECT_EQ(LastLog(), text);
    }
}

TEST_F(FlowTest, VerificationWithoutAnswerTimesOut)
{
    loader.VerifyAnswer = Answer::Silent;
    StartReady(&image);
    RunTransfer(Button("SpdBtnVerify"));
    EXPECT_EQ(FwUp.OpResult, kResultTimeout);
    EXPECT_EQ(rxFires, 100);
    EXPECT_EQ(window->ProgressForm().ProgressBar()->value(), 100);
}

TEST_F(FlowTest, BuildWithoutImageRefusesUpgradeAndSendsNothing)
{
#if FWUP_FIRMWARE_BUILT_IN == 0
    ASSERT_EQ(BuiltInFirmwareImage(), nullptr) << "this build carries no firmware image";
#endif
    StartReady(nullptr);
    const std::size_t writes = port.WrittenBytes();
    Button("SpdBtnDownLoad")->click(); // refused before any dialog: nothing drives it here
    EXPECT_EQ(port.WrittenBytes(), writes) << "not even an identify request";
    EXPECT_FALSE(timers["TimerTx"].Enabled());
    EXPECT_FALSE(window->ProgressForm().isVisible());
    EXPECT_EQ(FwUp.OpResult, kResultNoFirmware);
    ASSERT_EQ(boxes.errors.size(), 1);
    EXPECT_TRUE(boxes.errors[0].contains("No firmware image is built in"));
    EXPECT_EQ(LastLog(), boxes.errors[0]);
    EXPECT_TRUE(boxes.information.isEmpty());
}

TEST_F(FlowTest, ExitClosesTheDevice)
{
    StartReady(&image);
    Button("SpdBtnExit")->click();
    EXPECT_FALSE(port.IsOpen);
    EXPECT_FALSE(port.Rts);
    EXPECT_FALSE(port.Dtr);
    EXPECT_EQ(FwUp.FtHandle, 0u);
}

TEST(FwResultText, TableAndFallback)
{
    EXPECT_EQ(ResultText(3), QString::fromUtf8("串口同通讯错误！"));
    EXPECT_EQ(ResultText(79), QString::fromUtf8("写Security Byte出错！"));
    EXPECT_EQ(ResultText(96), QString::fromUtf8("Flash损坏或出错!"));
    EXPECT_EQ(ResultText(1), QString::fromUtf8("操作失败！"));
}

} // namespace
