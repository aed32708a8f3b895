// The senders over a real serial port: the framed bytes reach the far end of a
// pseudo-terminal unchanged.
#include <gtest/gtest.h>

#include <vector>

#include "link/CyIniComRT.h"
#include "link/DefinCyX4.h"
#include "link/TelvicCmdChkCy.h"
#include "serial/SerialComm.h"
#include "support/PtyPair.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(SendersOverPort, FramesReachTheFarEndOfTheChannelsPort)
{
    ResetSharedStateForTest();
    InitCommonVars();
    TPtyPair pty;
    ASSERT_FALSE(pty.SlavePath().empty());
    TComm comm;
    comm.SetCommName(pty.SlavePath());
    comm.OpenComm();
    Channels[1].Port = &comm;
    TTelvicCmdChk& chk = TelvicCmdChk[1];

    chk.SendOpCommand(kCmdOperation, kOpErase);
    const Bytes erase(Channels[1].TxFrameBuf, Channels[1].TxFrameBuf + chk.LastFrameLen());
    ImageBufs.EepSFlashBuf[0] = 0xC0;
    CtrlSettings.WriteEep = 1;
    CurChip.EepSize = 2048;
    ASSERT_TRUE(chk.SendConfigBlock(kCmdConfig, chk.DrawConfigSeed()));
    const Bytes config(Channels[1].TxFrameBuf, Channels[1].TxFrameBuf + chk.LastFrameLen());

    Bytes expected = erase;
    expected.insert(expected.end(), config.begin(), config.end());
    EXPECT_EQ(pty.Read(expected.size()), expected);

    comm.CloseComm();
    chk.SendOpCommand(kCmdOperation, kOpVerify);  // a closed port sends nothing and does not fail
    EXPECT_TRUE(pty.Read(1, std::chrono::milliseconds(100)).empty());
    Channels[1].Port = nullptr;
}

} // namespace
