#include "serial/posix_custom_baud.h"

#include <cerrno>

#if defined(__linux__)
// The kernel's termios2 cannot be mixed with the C library's termios.h, so it
// lives in a file of its own.
#include <asm/termbits.h>
#include <sys/ioctl.h>
#endif

namespace qvr {

int SetCustomBaudRate(int fd, int rate) {
#if defined(__linux__) && defined(BOTHER)
    struct termios2 t;
    if (ioctl(fd, TCGETS2, &t) != 0) return errno;
    t.c_cflag &= ~CBAUD;
    t.c_cflag |= BOTHER;
    t.c_ispeed = static_cast<speed_t>(rate);
    t.c_ospeed = static_cast<speed_t>(rate);
    if (ioctl(fd, TCSETS2, &t) != 0) return errno;
    return 0;
#else
    (void)fd;
    (void)rate;
    return EINVAL;
#endif
}

} // namespace qvr
