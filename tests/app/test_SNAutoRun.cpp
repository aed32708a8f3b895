// The serial number across a four-channel Auto run against emulated units:
// inserted once into the one image, advanced once per good chip by the round step.
#include <gtest/gtest.h>

#include <map>

#include "ProjectsTestSinks.h"
#include "app/ConfigSN.h"
#include "link/DefinCyX4.h"
#include "link/LinkRig.h"
#include "link/TelvicCmdChkCy.h"
#include "link/OpsTestUtil.h"

namespace {

// The main window's serial-number side with the boxes PC S/N and S/N checked.
class TRigSNHost : public TSNHost, public TImageHost {
public:
    explicit TRigSNHost(TLogSink& log) : views(TBuildLang::Chinese, &log, nullptr, nullptr), log_(log) {}
    bool SNBoxChecked(TSNBox box) const override { return box == TSNBox::CheckBoxSN || box == TSNBox::ChkBoxPCSN; }
    void SetSNBoxChecked(TSNBox, bool) override {}
    QString SNEditText() const override { return snEdit; }
    void SetSNEditText(const QString& t) override { snEdit = t; }
    void SetAddrEditText(const QString&) override {}
    TChecksumViews& Views() override { return views; }
    TLogSink* Log() override { return &log_; }
    TMessageBoxes& Boxes() override { return boxes; }
    QWidget* BoxParent() override { return nullptr; }
    void AdvanceSerialNumber() override { ::AdvanceSerialNumber(*this); }
    void RefreshAfterReadBack(int) override {}

    QString snEdit = QStringLiteral("0x00000064");
    TChecksumViews views;
    TTextBoxes boxes;

private:
    TLogSink& log_;
};

TEST(SNAutoRun, FourChannelsThreeGoodChipsAdvanceByThreeRoundSteps)
{
    TLinkRig rig(Units(4));
    rig.Search({}, 4);
    ASSERT_EQ(ProgrammerCount, 4);
    CurChip.FamilyCode = 0x20;
    LoadImage(8, 7);
    SNSettings.SNStep = 1;
    SNSettings.SNRoundStep = static_cast<std::uint16_t>(SNSettings.SNStep * ProgrammerCount);
    SNSettings.SNValue = 100;
    SNSettings.SNAddr = 0x1000;
    TRigSNHost host(rig.Log);
    LinkHost.Image = &host;
    TConfigSNForm form(host);
    ASSERT_TRUE(form.InsertSerialNumber());

    // The third unit fails its security write.
    rig.Unit(2).AddFault({kCmdOperation, kOpWriteSecurity, 1, {emu::TFault::Kind::Status, 21}});
    for (int ch = 0; ch < kChannelCount; ++ch) rig.Start(ch, TRigOp::Auto);
    ASSERT_TRUE(rig.WaitAllIdle());
    rig.Settle();

    EXPECT_EQ(SNSettings.SNValue, 112u) << "three good chips, round step 4";
    EXPECT_EQ(host.snEdit.toStdString(), "0x00000070");
    const std::vector<std::uint8_t> sn = {100, 0, 0, 0};
    for (int i = 0; i < rig.UnitCount(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rig.Unit(i).ChipFlash(0x1000, 4), sn) << "every chip got the one inserted number";
    }
}

}  // namespace
