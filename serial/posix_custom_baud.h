#pragma once

namespace qvr {

// Sets a rate that has no termios constant; 0 or the error number.
int SetCustomBaudRate(int fd, int rate);

} // namespace qvr
