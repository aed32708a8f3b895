// LinkPortEvents: what the main window's port events and search command do
// for the link, without the window: receive path, hang-up, search, refresh.
#include "link/LinkPortEvents.h"

#include <chrono>
#include <thread>

#include "link/DefinCyX4.h"
#include "link/LinkSinks.h"
#include "link/ParsRxPktRT.h"
#include "link/TelvicCmdChkCy.h"
#include "link/TelvicComm.h"
#include "link/VcpPortLister.h"
#include "serial/SerialComm.h"

namespace {
constexpr int kSearchOpenPauseMs = 20;
constexpr std::uint16_t kSearchTimeout = 500;

TPortListBox* PortList() { return LinkHost.PortList; }

void ClosePort(TChannelState& ch)
{
    if (ch.Port && ch.Port->PortHandle() != 0) ch.Port->CloseComm();
}

std::string SearchLine(TBuildLang lang, int channel, const std::string& port)
{
    const std::string digit = std::to_string(channel + 1);
    if (lang == TBuildLang::English) return "Find the device " + digit + " : " + port + "............";
    return "查找设备" + digit + " ：" + port + "............";
}
}  // namespace

void ChannelReceiveData(int channel, const void* buffer, std::uint16_t length)
{
    TChannelState& ch = Channels[channel];
    ch.OpTimeout = kReplyTimeout;
    ReceiveRxChunk(ch, static_cast<const std::uint8_t*>(buffer), length, [channel](std::uint16_t frameLen) {
        if (Channels[channel].Connected == 0) {
            TelvicCmdChk[channel].HandleIdReply(frameLen);
        } else {
            TelvicComm[channel].DispatchReply(frameLen);
        }
    });
}

void ChannelRequestHangup(int channel)
{
    TChannelState& ch = Channels[channel];
    if (ch.Port) ch.Port->CloseComm();
    ch.Connected = 0;
    if (ch.Gauge) ch.Gauge->SetEnabled(false);
    // Only the port that hung up leaves the list; a name not listed removes
    // nothing. The port's own name counts: choosing an entry in the list
    // renames channel 1's ComPortName but not the port it has open.
    if (TPortListBox* list = PortList()) {
        const int index = list->IndexOf(ch.Port ? ch.Port->CommName() : ch.ComPortName);
        if (index >= 0) list->Delete(index);
    }
}

TSearchResult SearchProgrammers(TPortLister& lister, TBuildLang lang, const TSleepMs& sleep)
{
    ProgrammerCount = 0;
    if (TPortListBox* list = PortList()) list->Clear();
    for (TChannelState& ch : Channels) {
        ch.RxLen = 0;
        ch.Busy = 0;
        ch.Connected = 0;
        if (TGauge* g = ch.Gauge) {
            g->SetEnabled(false);
            g->SetProgress(0);
            g->SetForeColor(TGaugeColor::Blue);
        }
        ClosePort(ch);
    }
    TPortListBox scratch;  // without a window the listing still decides the ports
    TPortListBox& list = PortList() ? *PortList() : scratch;
    ListVcpPorts(list, lister);

    TSearchResult result;
    for (int i = 0; i < list.Count() && i < kChannelCount; ++i) {
        TChannelState& ch = Channels[i];
        if (LinkHost.Log) LinkHost.Log->LogLine(SearchLine(lang, i, list.Item(i)));
        ch.Connected = 0;
        ch.OpTimeout = kSearchTimeout;
        ch.ComPortName = list.Item(i);
        if (!ch.Port) continue;
        ch.Port->SetCommName(ch.ComPortName);
        try {
            ch.Port->OpenComm();
        } catch (const ECommsError& e) {
            result.Stopped = true;
            result.Channel = i;
            result.Message = e.what();
            return result;
        }
        if (sleep) {
            sleep(kSearchOpenPauseMs);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(kSearchOpenPauseMs));
        }
        if (ch.Port->PortHandle() != 0) TelvicCmdChk[i].SendIdentify();
    }
    return result;
}

void RefreshPortList(TPortLister& lister)
{
    TPortListBox scratch;
    TPortListBox& list = PortList() ? *PortList() : scratch;
    list.Clear();
    TChannelState& ch = Channels[0];
    ClosePort(ch);
    ch.Connected = 0;
    ch.Busy = 0;
    ListVcpPorts(list, lister);
    ch.ComPortName = list.Text();
}
