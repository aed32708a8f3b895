// AppPortSettings: gives a TComm the line settings and time-outs that the programmer
// application's four ports use, for tests and benchmarks that open a port like it does.
#pragma once

#include "serial/SerialComm.h"

#include <cstdint>
#include <string>

inline constexpr std::uint32_t kAppPortBaud = 1000000;
inline constexpr std::uint32_t kAppPortReadIntervalMs = 5;

// 1,000,000 baud, 8 data bits, no parity, two stop bits, no flow control, DTR and RTS off,
// a chunk after 5 ms without a byte.
inline void UseAppPortSettings(TComm& comm, const std::string& name)
{
    comm.SetCommName(name);
    comm.SetBaudRate(kAppPortBaud);
    comm.SetStopBits(TStopBits::_2);
    comm.SetDtrControl(TDtrControl::DtrDisable);
    comm.SetRtsControl(TRtsControl::RtsDisable);
    comm.SetTxContinueOnXoff(false);
    comm.SetOutx_XonXoffFlow(false);
    comm.SetInx_XonXoffFlow(false);
    comm.SetReadIntervalTimeout(kAppPortReadIntervalMs);
}
