// LinkPortEvents: what the main window's port events and search command do
// for the link, without the window: receive path, hang-up, search, refresh.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "link/LangBuild.h"

class TPortLister;

// Receive event of one channel: refreshes its time-out, appends the chunk,
// and hands each complete frame to the identify handler while the channel
// is not connected, else to the reply dispatcher.
void ChannelReceiveData(int channel, const void* buffer, std::uint16_t length);

// Hang-up event of one channel: closes its port, marks it not connected,
// disables its gauge and removes the channel's own port name from the port
// list (nothing when it is not listed). A running operation ends by its time-out.
void ChannelRequestHangup(int channel);

// How the search ended. A port that could not be opened stops the search at
// that channel; Message is the serial component's error text, for the
// window to show.
struct TSearchResult {
    bool Stopped = false;
    int Channel = -1;
    std::string Message;
};

using TSleepMs = std::function<void(int ms)>;

// The search command: resets the four channels, lists the ports again and
// opens the first four, one per channel in list order, sending the identify
// request on each after a 20 ms pause. Replies arrive later through
// ChannelReceiveData. sleep may be empty (the calling thread sleeps).
TSearchResult SearchProgrammers(TPortLister& lister, TBuildLang lang, const TSleepMs& sleep = {});

// The refresh command: lists the ports again for channel 1 and names its
// port after the list box text.
void RefreshPortList(TPortLister& lister);
