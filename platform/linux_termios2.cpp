// Only kernel headers here: <asm/termbits.h> defines its own struct termios.
#include "platform/linux_termios2.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <cerrno>

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace dabrix::platform::linux_termios2 {

int SetBaudRate(int fd, uint32_t rate)
{
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return errno;
    tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = rate;
    tio.c_ospeed = rate;
    if (ioctl(fd, TCSETS2, &tio) != 0)
        return errno;
    return 0;
}

int GetBaudRate(int fd, uint32_t* rate)
{
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return errno;
    *rate = tio.c_ospeed;
    return 0;
}

} // namespace dabrix::platform::linux_termios2
