// SerialCustomBaud: line rates that have no B-constant, set and read through the kernel's
// termios2 interface. Kept apart because its header clashes with <termios.h>.
#include "serial/SerialCustomBaud.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

bool SetCustomBaudRate(int Fd, std::uint32_t Baud)
{
    struct termios2 tio {};
    if (ioctl(Fd, TCGETS2, &tio) != 0)
        return false;
    tio.c_cflag &= ~CBAUD;
    tio.c_cflag |= BOTHER;
    tio.c_cflag &= ~(CBAUD << IBSHIFT);
    tio.c_cflag |= BOTHER << IBSHIFT;
    tio.c_ospeed = Baud;
    tio.c_ispeed = Baud;
    return ioctl(Fd, TCSETS2, &tio) == 0;
}

bool GetBaudRate(int Fd, std::uint32_t& Baud)
{
    struct termios2 tio {};
    if (ioctl(Fd, TCGETS2, &tio) != 0)
        return false;
    Baud = tio.c_ospeed;
    return true;
}
