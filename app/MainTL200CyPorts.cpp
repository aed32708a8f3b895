// MainTL200CyPorts: the main window's serial-port side: the four ports and
// their receive and hang-up events, the programmer search, the hidden refresh
// and the port list.
#include "app/MainTL200Cy.h"

#include <QThread>

#include "app/GaugeBar.h"
#include "link/DefinCyX4.h"
#include "link/ParsRxPktRT.h"
#include "link/VcpPortLister.h"
#include "serial/SerialComm.h"

namespace {

constexpr std::uint32_t kLinkBaudRate = 1000000;
constexpr std::uint16_t kSearchTimeout = 500;   // ticks a searched channel waits for its identify reply
constexpr std::uint16_t kRxTimeout = 1000;      // ticks set by every received chunk
constexpr unsigned long kOpenSettleMs = 20;

} // namespace

void TTelvic200CyPrg::CreatePorts()
{
    for (std::size_t i = 0; i < CommPorts.size(); ++i) {
        auto port = std::make_unique<TComm>();
        port->setObjectName(QStringLiteral("CommPort%1").arg(i + 1));
        port->SetBaudRate(kLinkBaudRate);
        port->SetByteSize(TByteSize::_8);
        port->SetParity(TParity::None);
        port->SetStopBits(TStopBits::_2);
        port->SetParityCheck(false);
        port->SetOutx_CtsFlow(false);
        port->SetOutx_DsrFlow(false);
        port->SetOutx_XonXoffFlow(false);
        port->SetInx_XonXoffFlow(false);
        port->SetDtrControl(TDtrControl::DtrDisable);
        port->SetRtsControl(TRtsControl::RtsDisable);
        const int ch = static_cast<int>(i);
        port->OnReceiveData = [this, ch](TComm*, void* buffer, std::uint16_t length) {
            RunGuarded([&] { CommPortReceiveData(ch, static_cast<const std::uint8_t*>(buffer), length); });
        };
        port->OnRequestHangup = [this, ch](TComm*) { RunGuarded([&] { CommPortRequestHangup(ch); }); };
        CommPorts[i] = std::move(port);
    }
}

TPortLister& TTelvic200CyPrg::PortLister()
{
    if (!portLister_) {
        defaultLister_ = std::make_unique<TFtdiPortLister>();
        portLister_ = defaultLister_.get();
    }
    return *portLister_;
}

void TTelvic200CyPrg::BindChannelPorts()
{
    for (int i = 0; i < kChannelCount; ++i) Channels[i].Port = CommPorts[static_cast<std::size_t>(i)].get();
    ::LinkHost = MakeLinkHost();
}

void TTelvic200CyPrg::ListPorts()
{
    ListVcpPorts(portList_, PortLister());
}

void TTelvic200CyPrg::CloseChannel1Port()
{
    TComm* port = CommPorts[0].get();
    if (port && port->PortHandle() != 0) port->CloseComm();
}

void TTelvic200CyPrg::SetGaugeEnabled(int ch, bool enabled)
{
    Gauges[static_cast<std::size_t>(ch)]->setEnabled(enabled);
}

void TTelvic200CyPrg::BitBtn1Click()
{
    ProgrammerCount = 0;
    portList_.Clear();
    for (int i = 0; i < kChannelCount; ++i) {
        TChannelState& ch = Channels[i];
        ch.RxLen = 0;
        ch.Busy = 0;
        ch.Connected = 0;
        SetGaugeEnabled(i, false);
        gauges_[static_cast<std::size_t>(i)].SetProgress(0);
        gauges_[static_cast<std::size_t>(i)].SetForeColor(TGaugeColor::Blue);
        TComm* port = CommPorts[static_cast<std::size_t>(i)].get();
        if (port->PortHandle() != 0) port->CloseComm();
    }
    ListPorts();
    const QString format = English() ? QStringLiteral("Find the device %1 : %2............")
                                     : QStringLiteral("查找设备%1 ：%2............");
    for (int i = 0; i < portList_.Count() && i < kChannelCount; ++i) {
        TChannelState& ch = Channels[i];
        LogLine(format.arg(i + 1).arg(QString::fromStdString(portList_.Item(i))));
        ch.Connected = 0;
        ch.OpTimeout = kSearchTimeout;
        ch.ComPortName = portList_.Item(i);
        TComm* port = CommPorts[static_cast<std::size_t>(i)].get();
        port->SetCommName(ch.ComPortName);
        // A port that cannot be opened raises its error here, which ends the
        // search at this channel with the message shown.
        port->OpenComm();
        QThread::msleep(kOpenSettleMs);
        if (port->PortHandle() != 0) SendIdentifyOn(i);
    }
}

void TTelvic200CyPrg::FreshBtnClick()
{
    portList_.Clear();
    CloseChannel1Port();
    Channels[0].Connected = 0;
    Channels[0].Busy = 0;
    ListPorts();
    Channels[0].ComPortName = portList_.Text();
}

void TTelvic200CyPrg::ComboBoxCOMChange(int index)
{
    Channels[0].ComPortName = index >= 0 && index < portList_.Count() ? portList_.Item(index) : std::string();
}

void TTelvic200CyPrg::CommPortRequestHangup(int ch)
{
    CommPorts[static_cast<std::size_t>(ch)]->CloseComm();
    Channels[ch].Connected = 0;
    SetGaugeEnabled(ch, false);
    // Only this channel's own port leaves the list; a name not listed removes nothing.
    const int index = portList_.IndexOf(Channels[ch].ComPortName);
    if (index >= 0) portList_.Delete(index);
}

void TTelvic200CyPrg::CommPortReceiveData(int ch, const std::uint8_t* data, std::uint16_t length)
{
    TChannelState& state = Channels[ch];
    state.OpTimeout = kRxTimeout;
    ReceiveRxChunk(state, data, length, [this, ch](std::uint16_t frameLen) { RouteFrame(ch, frameLen); });
}

void TTelvic200CyPrg::RouteFrame(int ch, std::uint16_t frameLen)
{
    (void)ch;
    (void)frameLen;
}

void TTelvic200CyPrg::SendIdentifyOn(int ch)
{
    (void)ch;
}

void TTelvic200CyPrg::Timer1Timer()
{
}
