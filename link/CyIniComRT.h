// CyIniComRT: the power-on defaults of the shared programming state.
#pragma once

// Called once, by the main window's first showing, before the ports and
// gauges are bound to the channels.
void InitCommonVars();
