// HdlRxInfoPkt: the programmers' stand-alone stage and result reports: gauge,
// log lines, good/failed counters and the log saved after every 1000th result.
#include "link/HdlRxInfoPkt.h"

#include <cstdio>
#include <ctime>
#include <exception>

#include "link/DefinCyX4.h"
#include "link/LinkSinks.h"

namespace {
constexpr std::size_t kReportLen = 8;
constexpr std::uint8_t kResultGood = 6;
constexpr int kStageFullScale = 100;
constexpr int kStageMidway = 50;
constexpr int kStartProgress = 5;
constexpr int kProgressOffset = 2;

enum : std::uint8_t {
    kStageStart = 0x10,
    kStageBlank = 0x20,
    kStageErase = 0x30,
    kStageProgram = 0x40,
    kStageEep = 0x50,
    kStageVerify = 0x70,
    kStageEepVerify = 0x80,
    kStageOption = 0xA0,
    kStageResult = 0xF0,
};

// Stages that only show a line and a half-full gauge.
struct TMidwayStage {
    std::uint8_t Stage;
    const char* Text;  // after "Channel N : "
};
constexpr TMidwayStage kMidwayStages[] = {
    {kStageBlank, "Chip Blank Checking...."},
    {kStageErase, "Do Chip Erasing...."},
    {kStageVerify, "Do Main Flash Verification...."},
    {kStageEepVerify, "Do EEP Data Verification...."},
    {kStageOption, "Do Chip Option Byte Programming...."},
};

constexpr const char* kSaveFailedText = "Write Log File error!";

std::string ChannelPrefix(int channel) { return "Channel " + std::to_string(channel + 1) + " : "; }

void Log(TLogSink* log, const std::string& text)
{
    if (log) log->LogLine(text);
}

// Progress first, maximum second: the gauge clamps progress to the maximum
// it has at that moment.
void SetGauge(TGauge* g, int progress, int maximum)
{
    if (!g) return;
    g->SetProgress(progress);
    g->SetMaxValue(maximum);
}

void SaveResultLog(TLogSink* log)
{
    const TDateTimeText now = ResultLogClock ? ResultLogClock() : SystemDateTimeText();
    const std::string path = ResultLogFileName(AppDir, now);
    bool saved = false;
    try {
        saved = log->SaveToFile(path);
    } catch (const std::exception&) {
        saved = false;
    }
    if (!saved) log->LogLine(kSaveFailedText);
}
}  // namespace

TDateTimeSource ResultLogClock;

TDateTimeText SystemDateTimeText()
{
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char date[16], time[16];
    std::strftime(date, sizeof date, "%Y/%m/%d", &tm);
    std::strftime(time, sizeof time, "%H:%M:%S", &tm);
    return {date, time};
}

std::string ResultLogFileName(const std::string& appDir, const TDateTimeText& now)
{
    std::string stamp = now.Date + "_" + now.Time;
    for (char& c : stamp) {
        if (c == '-' || c == ':' || c == '/') c = '_';
    }
    return appDir + "ZAz4_" + stamp + ".log";
}

void HandleInfoPacket(int channel)
{
    TLogSink* log = LinkHost.Log;
    TChannelState& ch = Channels[channel];
    const std::uint8_t* p = ch.PktBuf;
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < kReportLen; ++i) sum = static_cast<std::uint8_t>(sum + p[i]);
    if (sum != 0) return;
    const std::uint8_t stage = p[1];
    const std::uint8_t result = p[2];
    const int progress = p[3] | (p[4] << 8);
    const int maximum = p[5] | (p[6] << 8);
    const std::string prefix = ChannelPrefix(channel);
    TGauge* g = ch.Gauge;

    for (const TMidwayStage& s : kMidwayStages) {
        if (s.Stage != stage) continue;
        Log(log, prefix + s.Text);
        SetGauge(g, kStageMidway, kStageFullScale);
        return;
    }
    switch (stage) {
    case kStageStart:
        Log(log, prefix + (channel == 0 ? "Initial Programming Interface ...." : "Start Auto-Programming...."));
        SetGauge(g, kStartProgress, kStageFullScale);
        if (g) g->SetForeColor(TGaugeColor::Blue);
        return;
    case kStageProgram:
        if (progress == 0) Log(log, prefix + "Do Main Flash Programming....");
        SetGauge(g, progress + kProgressOffset, maximum);
        return;
    case kStageEep:
        Log(log, prefix + "Do EEP Data Programming....");
        SetGauge(g, progress + kProgressOffset, maximum);
        return;
    case kStageResult:
        if (result == kResultGood) {
            ++ch.OkCount;
            ++TotalOkCount;
        } else {
            ++ch.NgCount;
            ++TotalNgCount;
            if (g) g->SetForeColor(TGaugeColor::Red);
        }
        if (g) g->SetProgress(g->MaxValue());
        Log(log, prefix + "OK=" + std::to_string(static_cast<std::int32_t>(ch.OkCount)) +
                     ", NG=" + std::to_string(static_cast<std::int32_t>(ch.NgCount)) + ".");
        ReportTotals();
        return;
    default:
        return;
    }
}

void ReportTotals()
{
    TLogSink* log = LinkHost.Log;
    ++ResultsSinceLogSave;
    if (!log) {
        if (ResultsSinceLogSave >= kResultsPerLogSave) ResultsSinceLogSave = 0;
        return;
    }
    log->AddLine("----Total OK Number is : " + std::to_string(static_cast<std::int32_t>(TotalOkCount)) +
                 ", NG is " + std::to_string(static_cast<std::int32_t>(TotalNgCount)) + "----");
    if (ResultsSinceLogSave >= kResultsPerLogSave) {
        ResultsSinceLogSave = 0;
        SaveResultLog(log);
    }
}
