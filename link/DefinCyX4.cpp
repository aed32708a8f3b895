// DefinCyX4: the one instance of each shared record, of the four channel
// records and of the plain values, and the reset that tests start from.
#include "link/DefinCyX4.h"

#include <cstring>

TChipParam CurChip;
TControlSettings CtrlSettings;
TSNSettings SNSettings;
TChecksumSet Checksums;
TImageInfo ImageInfo;
TImageBuffers ImageBufs;
TChannelState Channels[kChannelCount];

std::uint8_t ProgrammerCount = 0;
std::uint8_t ChipSelected = 0;
std::uint8_t ObjFileLoaded = 0;
std::uint32_t TotalOkCount = 0;
std::uint32_t TotalNgCount = 0;
std::uint32_t ResultsSinceLogSave = 0;
std::uint8_t PrjFlagsA = 0;
std::uint8_t PrjFlagsB = 0;
std::uint8_t ReservedFlag6 = 0;
std::uint8_t ReservedFlag7 = 0;
std::string AppDir;

void ResetSharedStateForTest()
{
    CurChip = TChipParam{};
    CtrlSettings = TControlSettings{};
    SNSettings = TSNSettings{};
    Checksums = TChecksumSet{};
    ImageInfo = TImageInfo{};
    std::memset(&ImageBufs, 0, sizeof ImageBufs);
    for (auto& ch : Channels)
        ch = TChannelState{};
    ProgrammerCount = 0;
    ChipSelected = 0;
    ObjFileLoaded = 0;
    TotalOkCount = 0;
    TotalNgCount = 0;
    ResultsSinceLogSave = 0;
    PrjFlagsA = 0;
    PrjFlagsB = 0;
    ReservedFlag6 = 0;
    ReservedFlag7 = 0;
    AppDir.clear();
}
