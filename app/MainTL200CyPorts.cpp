// MainTL200CyPorts: the main window's serial-port side: the four ports and
// their receive and hang-up events, the programmer search, the hidden refresh
// and the port list.
#include "app/MainTL200Cy.h"

#include "app/GaugeBar.h"
#include "link/DefinCyX4.h"
#include "link/LinkPortEvents.h"
#include "link/TelvicComm.h"
#include "link/VcpPortLister.h"
#include "serial/SerialComm.h"

namespace {

constexpr std::uint32_t kLinkBaudRate = 1000000;
// A received chunk is handed on after this much quiet on the line.
constexpr std::uint32_t kLinkReadIntervalMs = 5;

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
        port->SetTxContinueOnXoff(false);
        port->SetReadIntervalTimeout(kLinkReadIntervalMs);
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
    gauges_[static_cast<std::size_t>(ch)].SetEnabled(enabled);
}

void TTelvic200CyPrg::BitBtn1Click()
{
    // A port that cannot be opened ends the search at that channel with the
    // serial component's message.
    const TSearchResult result = SearchProgrammers(PortLister(), lang_);
    if (result.Stopped) Msg().Error(this, QString::fromStdString(result.Message));
}

void TTelvic200CyPrg::FreshBtnClick()
{
    RefreshPortList(PortLister());
}

void TTelvic200CyPrg::ComboBoxCOMChange(int index)
{
    Channels[0].ComPortName = index >= 0 && index < portList_.Count() ? portList_.Item(index) : std::string();
}

void TTelvic200CyPrg::CommPortRequestHangup(int ch)
{
    // The link closes the port, disables the gauge and takes this channel's
    // own port name off the list.
    ChannelRequestHangup(ch);
}

void TTelvic200CyPrg::CommPortReceiveData(int ch, const std::uint8_t* data, std::uint16_t length)
{
    ChannelReceiveData(ch, data, length);
}

void TTelvic200CyPrg::Timer1Timer()
{
    ::Timer1Timer(lang_);
}
