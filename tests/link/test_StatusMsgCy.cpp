#include <gtest/gtest.h>

#include "CoreTestSinks.h"
#include "link/StatusMsgCy.h"

namespace {

TEST(StatusMessage, EveryTableTextVerbatim)
{
    struct Case {
        unsigned code;
        const char* text;
    };
    const Case cases[] = {
        {4, "芯片1 ：芯片未擦除！"},
        {16, "芯片1 ：芯片已被写保护"},
        {19, "芯片1 ：芯片已被读保护"},
        {35, "芯片1 ：数据包校验错误！"},
        {37, "芯片1 ：不认识的命令！"},
        {42, "芯片1 ：数据包错误！"},
        {44, "芯片1 ：Flash Memory错误！"},
        {49, "芯片1 ：数据校验错误！"},
        {52, "芯片1 ：芯片校验和不正确！"},
        {54, "芯片1 ：芯片类型不正确！"},
        {56, "芯片1 ：芯片厂家型号不正确！"},
        {64, "芯片1 ：命令执行超时"},
        {69, "芯片1 ：命令执行错误"},
        {71, "芯片1 ：写序列号数据错误"},
        {79, "芯片1 ：写保护数据位错误！"},
        {81, "芯片1 ：Flash的大小与芯片不匹配"},
        {85, "芯片1 ：地址空间超出芯片范围！"},
        {96, "芯片1 ：初始化编程接口错误！"},
        {224, "芯片1 ：串口同通讯错误！"},
        {230, "芯片1 ：串口接收超时！"},
        // The catch-all puts a literal 0 before the decimal code.
        {7, "芯片1 ：操作失败！错误代码: 07"},
        {21, "芯片1 ：操作失败！错误代码: 021"},
        {32, "芯片1 ：操作失败！错误代码: 032"},
        {200, "芯片1 ：操作失败！错误代码: 0200"},
        {255, "芯片1 ：操作失败！错误代码: 0255"},
        {0x113, "芯片1 ：芯片已被读保护"},  // only the low byte counts
    };
    for (const auto& c : cases)
        EXPECT_EQ(StatusMessageText(0, c.code), c.text) << c.code;
}

TEST(StatusMessage, LogsWithTheChannelsOwnDigit)
{
    TRecordingLog log;
    ShowStatusMessage(&log, 2, 42);
    ShowStatusMessage(&log, 3, 32);
    ShowStatusMessage(nullptr, 0, 42);
    ASSERT_EQ(log.Lines.size(), 2u);
    EXPECT_EQ(log.Lines[0], "芯片3 ：数据包错误！");
    EXPECT_EQ(log.Lines[1], "芯片4 ：操作失败！错误代码: 032");
    EXPECT_EQ(ProgrammerLinePrefix(1), "编程器2 ：");
}

} // namespace
