// HdlRxInfoPkt: the programmers' stand-alone stage and result reports: gauge,
// log lines, good/failed counters and the log saved after every 1000th result.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Local date and time as the log-file names use them: "yyyy/MM/dd", "HH:mm:ss".
struct TDateTimeText {
    std::string Date;
    std::string Time;
};
using TDateTimeSource = std::function<TDateTimeText()>;
TDateTimeText SystemDateTimeText();

// Results between two automatic log saves.
constexpr std::uint32_t kResultsPerLogSave = 1000;

// appDir + "ZAz4_" + date + "_" + time + ".log", with every "-", ":" and "/"
// of the date and time turned into "_".
std::string ResultLogFileName(const std::string& appDir, const TDateTimeText& now);

// The clock of the log-file names; empty means the system clock. Tests set it.
extern TDateTimeSource ResultLogClock;

// Handles the report in Channels[channel].PktBuf (bytes 0..7), logging
// through LinkHost. A report whose eight bytes do not sum to 0, or with an
// unknown stage, changes nothing.
void HandleInfoPacket(int channel);

// After every result: the totals line and, at each 1000th result, the save of
// the whole log into AppDir. A failed save is logged and handling goes on.
void ReportTotals();
