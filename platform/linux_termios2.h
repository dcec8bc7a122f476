#pragma once
// Line speed through the kernel's termios2 interface (BOTHER), which takes any rate,
// not only those of the standard table. Kept apart because the kernel's termios
// declarations clash with glibc's <termios.h>.
#include <cstdint>

namespace dabrix::platform::linux_termios2 {

// Sets the input and output rate of the tty. 0, or an errno value.
int SetBaudRate(int fd, uint32_t rate);

// The output rate of the tty. 0, or an errno value.
int GetBaudRate(int fd, uint32_t* rate);

} // namespace dabrix::platform::linux_termios2
