// SerialCustomBaud: line rates that have no B-constant, set and read through the kernel's
// termios2 interface. Kept apart because its header clashes with <termios.h>.
#pragma once

#include <cstdint>

// Sets input and output rate of the tty to Baud bits per second; false when refused.
bool SetCustomBaudRate(int Fd, std::uint32_t Baud);
// Reads the output rate in bits per second; false when the tty does not tell.
bool GetBaudRate(int Fd, std::uint32_t& Baud);
