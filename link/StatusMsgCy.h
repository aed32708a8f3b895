// StatusMsgCy: the log lines of the programmers' status codes and of the PC's
// own frame and check results, and the per-channel line prefixes.
#pragma once

#include <cstdint>
#include <string>

class TLogSink;

// "芯片N ：" and "编程器N ：" for channel index 0..3 (shown as 1..4).
std::string ChipLinePrefix(int channel);
std::string ProgrammerLinePrefix(int channel);

// The line for a status code (only its low byte counts) on a channel: the
// text of the code, or the catch-all "操作失败！错误代码: 0<code>".
std::string StatusMessageText(int channel, unsigned code);

// Logs StatusMessageText through the log sink (which adds the time). Changes
// no channel state. A null sink logs nothing.
void ShowStatusMessage(TLogSink* log, int channel, unsigned code);
