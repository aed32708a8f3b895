// DefinFwUgCy: the one instance of the upgrade tool's shared state.
// Zero and empty at start; the main window sets the sums and the area.
#include "fwupgrade/DefinFwUgCy.h"

TFwUpState FwUp;

void ResetFwUpStateForTest()
{
    FwUp = TFwUpState{};
}
