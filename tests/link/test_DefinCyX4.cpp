#include <gtest/gtest.h>

#include <algorithm>

#include "link/CyIniComRT.h"
#include "link/DefinCyX4.h"

namespace {

bool AllZero(const std::uint8_t* p, std::size_t n)
{
    return std::all_of(p, p + n, [](std::uint8_t b) { return b == 0; });
}

TEST(SharedState, PowerOnDefaultsAfterInitCommonVars)
{
    ResetSharedStateForTest();
    CurChip.FamilyCode = 0xD8;
    ImageBufs.SecurityBuf[100] = 7;
    ImageBufs.EepSFlashBuf[65535] = 1;
    Channels[2].Connected = 1;
    Channels[3].ComPortName = "ttyUSB3";

    InitCommonVars();

    EXPECT_EQ(CurChip.FamilyCode, 0);
    EXPECT_EQ(CurChip.FlashSizeKB, 16);
    EXPECT_EQ(CurChip.BlockSize, 128);
    EXPECT_EQ(CurChip.BlockNum, 64);
    EXPECT_EQ(CtrlSettings.PowerUpTime, 10);
    EXPECT_EQ(SNSettings.SNAddr, 0x00FFFFFFu);
    for (const auto& ch : Channels) {
        EXPECT_EQ(ch.OpCode, 0);
        EXPECT_EQ(ch.Connected, 0);
        EXPECT_TRUE(ch.ComPortName.empty());
    }
    EXPECT_TRUE(AllZero(ImageBufs.SecurityBuf, sizeof ImageBufs.SecurityBuf));
    EXPECT_TRUE(AllZero(ImageBufs.EepSFlashBuf, sizeof ImageBufs.EepSFlashBuf));
    EXPECT_TRUE(AllZero(ImageBufs.EccWFlashBuf, sizeof ImageBufs.EccWFlashBuf));
}

TEST(SharedState, InitCommonVarsLeavesMainFlashAlone)
{
    ResetSharedStateForTest();
    ImageBufs.MainFlashBuf[0x123456] = 0xA5;
    InitCommonVars();
    EXPECT_EQ(ImageBufs.MainFlashBuf[0x123456], 0xA5);
    ResetSharedStateForTest();
    EXPECT_EQ(ImageBufs.MainFlashBuf[0x123456], 0);
}

TEST(SharedState, BuffersHoldTheWorstCaseFrames)
{
    EXPECT_GE(kTxFrameBufSize, 9371u);
    EXPECT_GE(kRxFrameBufSize, 8214u);
    EXPECT_GE(kRxRawBufSize, 8214u + 2048u);
}

} // namespace
