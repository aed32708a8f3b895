// StatusMsgCy: status code to log line, one table for the programmers' codes
// and the PC's own unpack and check results.
#include "link/StatusMsgCy.h"

#include "link/LinkSinks.h"

namespace {
struct TStatusText {
    std::uint8_t Code;
    const char* Text;
};

// Codes 0 and 6 mean success and never reach this table.
constexpr TStatusText kStatusTexts[] = {
    {0x04, "芯片未擦除！"},
    {0x10, "芯片已被写保护"},
    {0x13, "芯片已被读保护"},
    {0x23, "数据包校验错误！"},
    {0x25, "不认识的命令！"},
    {0x2A, "数据包错误！"},
    {0x2C, "Flash Memory错误！"},
    {0x31, "数据校验错误！"},
    {0x34, "芯片校验和不正确！"},
    {0x36, "芯片类型不正确！"},
    {0x38, "芯片厂家型号不正确！"},
    {0x40, "命令执行超时"},
    {0x45, "命令执行错误"},
    {0x47, "写序列号数据错误"},
    {0x4F, "写保护数据位错误！"},
    {0x51, "Flash的大小与芯片不匹配"},
    {0x55, "地址空间超出芯片范围！"},
    {0x60, "初始化编程接口错误！"},
    {0xE0, "串口同通讯错误！"},
    {0xE6, "串口接收超时！"},
};

// The catch-all puts a literal 0 before the decimal code.
constexpr const char* kCatchAllText = "操作失败！错误代码: 0";
constexpr std::uint8_t kCodeMask = 0xFF;

std::string ChannelDigit(int channel) { return std::to_string(channel + 1); }
} // namespace

std::string ChipLinePrefix(int channel) { return "芯片" + ChannelDigit(channel) + " ："; }

std::string ProgrammerLinePrefix(int channel) { return "编程器" + ChannelDigit(channel) + " ："; }

std::string StatusMessageText(int channel, unsigned code)
{
    const auto low = static_cast<std::uint8_t>(code & kCodeMask);
    for (const auto& entry : kStatusTexts)
        if (entry.Code == low) return ChipLinePrefix(channel) + entry.Text;
    return ChipLinePrefix(channel) + kCatchAllText + std::to_string(low);
}

void ShowStatusMessage(TLogSink* log, int channel, unsigned code)
{
    if (log) log->LogLine(StatusMessageText(channel, code));
}
