#pragma once

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace qvr::test {

// A real pseudo-terminal: the port opens the slave by its path, the test
// plays the far end on the master.
class PtyPair {
public:
    PtyPair() {
        char name[128] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) return;
        path_ = name;
        termios t{};
        tcgetattr(master_, &t);
        cfmakeraw(&t);
        tcsetattr(master_, TCSANOW, &t);
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() {
        HangUp();
        if (slave_ >= 0) close(slave_);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& Path() const { return path_; }
    int Slave() const { return slave_; }

    void Send(const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
            if (n > 0)
                done += static_cast<std::size_t>(n);
            else if (n < 0 && errno != EAGAIN)
                return;
        }
    }

    // What the port sent, waiting up to timeout for count bytes.
    std::string Receive(std::size_t count,
                        std::chrono::milliseconds timeout = std::chrono::milliseconds(2000)) {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (got.size() < count && std::chrono::steady_clock::now() < end) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            char buf[256];
            const ssize_t n = read(master_, buf, sizeof buf);
            if (n > 0) got.append(buf, static_cast<std::size_t>(n));
        }
        return got;
    }

    // The far end goes away: the port's side sees a hang-up.
    void HangUp() {
        if (master_ >= 0) close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

} // namespace qvr::test
