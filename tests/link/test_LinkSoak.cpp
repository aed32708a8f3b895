// Soak run: 1,000 PC-driven automatic sequences on four emulated units with
// the serial number advancing after every good chip, then 4,000 stand-alone
// result reports with the totals and the log saved at every 1,000th result.
// Prints its figures; resident memory must stay flat once the log is cleared.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QString>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "app/ChkSumViews.h"
#include "app/ConfigSN.h"
#include "app/MsgBoxes.h"
#include "link/HdlRxInfoPkt.h"
#include "link/OpsTestUtil.h"

namespace {

constexpr int kSequences = 1000;
constexpr int kCheckpointEvery = 100;
constexpr long kMaxGrowthBytes = 5L * 1024 * 1024;
constexpr std::uint16_t kImageKB = 8;
constexpr std::uint32_t kFirstSerial = 5000;
constexpr std::uint16_t kSerialStep = 4;  // one number per channel
constexpr int kReports = 4000;
constexpr int kNgEvery = 7;  // every seventh result is a failed chip
constexpr std::uint8_t kStageResult = 0xF0;
constexpr std::uint8_t kResultGood = 6;
constexpr std::uint8_t kResultFailed = 0x31;

long ResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// Message boxes are not expected in a soak run: each one is counted.
class TCountingBoxes : public TMessageBoxes {
public:
    void Information(QWidget*, const QString&) override { ++Shown; }
    void Warning(QWidget*, const QString&) override { ++Shown; }
    void Plain(QWidget*, const QString&) override { ++Shown; }
    void Error(QWidget*, const QString&) override { ++Shown; }
    int Shown = 0;
};

// The main window's serial-number side: the real advance after a good chip,
// with the PC's serial numbers switched on.
class TSoakSerials : public TImageHost, public TSNHost {
public:
    explicit TSoakSerials(TLogSink* log) : log_(log), views_(TBuildLang::Chinese, log, nullptr, nullptr) {}
    void AdvanceSerialNumber() override
    {
        ++Advances;
        ::AdvanceSerialNumber(*this);
    }
    void RefreshAfterReadBack(int) override {}
    bool SNBoxChecked(TSNBox box) const override
    {
        return box == TSNBox::CheckBoxSN || box == TSNBox::ChkBoxPCSN || box == TSNBox::ChkBoxSNDP;
    }
    void SetSNBoxChecked(TSNBox, bool) override {}
    QString SNEditText() const override { return SNEdit; }
    void SetSNEditText(const QString& text) override { SNEdit = text; }
    void SetAddrEditText(const QString&) override {}
    TChecksumViews& Views() override { return views_; }
    TLogSink* Log() override { return log_; }
    TMessageBoxes& Boxes() override { return Boxes_; }
    QWidget* BoxParent() override { return nullptr; }

    int Advances = 0;
    QString SNEdit;
    TCountingBoxes Boxes_;

private:
    TLogSink* log_;
    TChecksumViews views_;
};

// Empties the log window's lines, as an operator clearing the memo would.
void ClearLog(TRigLog& log)
{
    log.Lines.clear();
    log.Lines.shrink_to_fit();
}

TEST(Soak, ThousandAutomaticSequencesOnFourChannels)
{
    TLinkRig rig(Units(kChannelCount));
    TSoakSerials serials(&rig.Log);
    LinkHost.Image = &serials;
    rig.Search({}, kChannelCount);
    ASSERT_EQ(ProgrammerCount, kChannelCount);
    CurChip.FamilyCode = 0x20;
    LoadImage(kImageKB, 21);
    SNSettings.SNValue = kFirstSerial;
    SNSettings.SNRoundStep = kSerialStep;

    long firstRss = 0, peakRss = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int run = 1; run <= kSequences; ++run) {
        for (int ch = 0; ch < kChannelCount; ++ch) rig.Start(ch, TRigOp::Auto);
        ASSERT_TRUE(rig.WaitAllIdle()) << "sequence " << run;
        for (int ch = 0; ch < kChannelCount; ++ch) {
            ASSERT_EQ(rig.Gauges[ch].ForeColor(), TGaugeColor::Blue) << "sequence " << run << ", channel " << ch + 1;
            ASSERT_EQ(ChannelLines(rig.Log, "芯片", ch).back(), "芯片烧写成功！") << "sequence " << run;
        }
        ASSERT_EQ(serials.Advances, kChannelCount * run);
        if (run % kCheckpointEvery == 0) {
            ClearLog(rig.Log);
            for (int ch = 0; ch < kChannelCount; ++ch) rig.UnitOf(ch)->ClearRequests();
            const long rss = ResidentBytes();
            if (run == kCheckpointEvery) firstRss = rss;
            peakRss = std::max(peakRss, rss);
            std::printf("soak: %4d sequences, resident %.1f MiB\n", run, rss / 1048576.0);
        } else {
            ClearLog(rig.Log);
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long lastRss = ResidentBytes();
    const std::uint32_t expected = kFirstSerial + static_cast<std::uint32_t>(kSequences) * kChannelCount * kSerialStep;
    std::printf("soak: %d sequences x %d channels in %.1f s; serial %u -> %u; resident first %.1f MiB, last %.1f MiB, "
                "peak %.1f MiB, growth %+.2f MiB\n",
                kSequences, kChannelCount, seconds, kFirstSerial, SNSettings.SNValue, firstRss / 1048576.0,
                lastRss / 1048576.0, peakRss / 1048576.0, (lastRss - firstRss) / 1048576.0);
    EXPECT_EQ(SNSettings.SNValue, expected);
    EXPECT_EQ(serials.SNEdit, QString::number(expected));
    EXPECT_EQ(serials.Boxes_.Shown, 0);
    for (int ch = 0; ch < kChannelCount; ++ch) EXPECT_TRUE(rig.UnitOf(ch)->Errors().empty());
    EXPECT_LT(lastRss - firstRss, kMaxGrowthBytes);
}

TEST(Soak, FourThousandResultReportsKeepExactTotals)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("telvic-soak-" + std::to_string(static_cast<long>(getpid())));
    std::filesystem::create_directories(dir);
    TLinkRig rig(Units(kChannelCount));
    rig.Search({}, kChannelCount);
    ASSERT_EQ(ProgrammerCount, kChannelCount);
    AppDir = dir.string() + "/";

    std::uint32_t ok[kChannelCount] = {}, ng[kChannelCount] = {};
    const int perSave = static_cast<int>(kResultsPerLogSave);
    const auto start = std::chrono::steady_clock::now();
    for (int sent = 0; sent < kReports;) {
        // One thousand results, a quarter from each unit, then wait for the
        // next second so that every save gets its own file name.
        for (int i = 0; i < perSave; ++i, ++sent) {
            const int ch = sent % kChannelCount;
            const bool good = sent % kNgEvery != 0;
            (good ? ok : ng)[ch]++;
            rig.UnitOf(ch)->SendReport(kStageResult, good ? kResultGood : kResultFailed, 0, 0);
        }
        ASSERT_TRUE(rig.Pump([&] { return TotalOkCount + TotalNgCount == static_cast<std::uint32_t>(sent); }, 30000))
            << TotalOkCount + TotalNgCount << " of " << sent;
        ClearLog(rig.Log);
        const auto now = std::chrono::system_clock::now();
        const auto nextSecond = std::chrono::ceil<std::chrono::seconds>(now) + std::chrono::milliseconds(50);
        std::this_thread::sleep_until(nextSecond);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::uint32_t okTotal = 0, ngTotal = 0;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        EXPECT_EQ(Channels[ch].OkCount, ok[ch]) << "channel " << ch + 1;
        EXPECT_EQ(Channels[ch].NgCount, ng[ch]) << "channel " << ch + 1;
        okTotal += ok[ch];
        ngTotal += ng[ch];
    }
    EXPECT_EQ(TotalOkCount, okTotal);
    EXPECT_EQ(TotalNgCount, ngTotal);
    const std::set<std::string> saved(rig.Log.SavedPaths.begin(), rig.Log.SavedPaths.end());
    EXPECT_EQ(rig.Log.SavedPaths.size(), static_cast<std::size_t>(kReports / perSave));
    EXPECT_EQ(saved.size(), rig.Log.SavedPaths.size()) << "two saves in one second";
    for (const std::string& p : saved) {
        EXPECT_EQ(std::filesystem::path(p).filename().string().rfind("ZAz4_", 0), 0u) << p;
        EXPECT_TRUE(std::filesystem::exists(p)) << p;
    }
    std::printf("soak: %d result reports in %.1f s; OK %u, NG %u; %zu logs saved in %s\n", kReports, seconds,
                TotalOkCount, TotalNgCount, saved.size(), dir.c_str());
    AppDir.clear();
    std::filesystem::remove_all(dir);
}

}  // namespace
