#include "sim/pseudo_terminal.h"

#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace qvr::sim {

namespace {

[[noreturn]] void ThrowErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

void MakeRaw(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) ThrowErrno("tcgetattr");
    cfmakeraw(&tio);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, B38400);
    cfsetospeed(&tio, B38400);
    if (tcsetattr(fd, TCSANOW, &tio) != 0) ThrowErrno("tcsetattr");
    tcflush(fd, TCIOFLUSH);
}

} // namespace

void PseudoTerminal::Open() {
    Close();
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) ThrowErrno("posix_openpt");
    char name[128];
    if (grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, name, sizeof name) != 0) {
        const int saved = errno;
        ::close(master);
        errno = saved;
        ThrowErrno("pseudo-terminal setup");
    }
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0) {
        const int saved = errno;
        ::close(master);
        errno = saved;
        ThrowErrno(std::string("open ") + name);
    }
    try {
        MakeRaw(slave);
    } catch (...) {
        ::close(slave);
        ::close(master);
        throw;
    }
    master_ = master;
    slaveHeld_ = slave;
    slavePath_ = name;
}

void PseudoTerminal::ClearExclusive() {
    if (slaveHeld_ >= 0) ioctl(slaveHeld_, TIOCNXCL);
}

void PseudoTerminal::Close() {
    if (slaveHeld_ >= 0) ::close(slaveHeld_);
    if (master_ >= 0) ::close(master_);
    slaveHeld_ = -1;
    master_ = -1;
    slavePath_.clear();
}

void PointLink(const std::string& linkPath, const std::string& target) {
    struct stat st {};
    if (lstat(linkPath.c_str(), &st) == 0 && !S_ISLNK(st.st_mode))
        throw std::runtime_error(linkPath + " exists and is not a symbolic link; not replaced");
    const std::string temp = linkPath + ".new" + std::to_string(getpid());
    ::unlink(temp.c_str());
    if (::symlink(target.c_str(), temp.c_str()) != 0) ThrowErrno("symlink " + temp);
    if (::rename(temp.c_str(), linkPath.c_str()) != 0) {
        const int saved = errno;
        ::unlink(temp.c_str());
        errno = saved;
        ThrowErrno("rename to " + linkPath);
    }
}

void RemoveLink(const std::string& linkPath, const std::string& target) {
    char buffer[4096];
    const ssize_t n = ::readlink(linkPath.c_str(), buffer, sizeof buffer);
    if (n > 0 && std::string(buffer, static_cast<std::size_t>(n)) == target)
        ::unlink(linkPath.c_str());
}

} // namespace qvr::sim
