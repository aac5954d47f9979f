#include "serial/posix_com_device.h"

#include "serial/posix_custom_baud.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#if defined(__linux__)
#include <sys/timerfd.h>
#endif
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace qvr {

namespace {

using Clock = std::chrono::steady_clock;

// A frame written is mostly answered within milliseconds. Reporting its end
// together with the answer's arrival makes one hand-over of the two and keeps
// the owner's thread asleep in between; a line that stays silent gets the
// report when the hold is up.
constexpr std::chrono::milliseconds kTxEmptyHold{50};

// Modem-control requests a device does not support (pseudo-terminals have no
// modem lines) are not failures.
bool Unsupported(int error) {
    return error == ENOTTY || error == EINVAL || error == ENOTSUP;
}

speed_t StandardSpeed(int rate) {
    switch (rate) {
    case 50:
        return B50;
    case 75:
        return B75;
    case 110:
        return B110;
    case 134:
        return B134;
    case 150:
        return B150;
    case 200:
        return B200;
    case 300:
        return B300;
    case 600:
        return B600;
    case 1200:
        return B1200;
    case 1800:
        return B1800;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    default:
        return B0;
    }
}

std::uint32_t ErrorBit(TComError e) {
    return TComErrors{e}.Bits();
}

class TPosixWaiter : public TComEventWaiter {
public:
    TPosixWaiter(int fd, std::shared_ptr<TPosixComDevice::Shared> shared, TComEvents mask)
        : fd_(fd), shared_(std::move(shared)), mask_(mask) {}
    ~TPosixWaiter() override {
        shared_->holdsTxEnd.store(false);
        if (stop_[0] >= 0) close(stop_[0]);
        if (stop_[1] >= 0) close(stop_[1]);
    }

    int Init() {
        if (pipe2(stop_, O_CLOEXEC | O_NONBLOCK) != 0) return errno;
        const TComEvents lineEvents{evCTS, evDSR, evRLSD, evRing};
        int lines = 0;
        if (!(mask_ & lineEvents).Empty() && ioctl(fd_, TIOCMGET, &lines) == 0) {
            watchLines_ = true;
            lines_ = lines;
        }
        shared_->holdsTxEnd.store(mask_.Contains(evTxEmpty) && mask_.Contains(evRxChar) &&
                                  shared_->txAlarm >= 0);
        return 0;
    }

    void Stop() override {
        stopped_.store(true, std::memory_order_release);
        const char byte = 1;
        [[maybe_unused]] ssize_t n = write(stop_[1], &byte, 1);
    }

    bool Wait(TComEvents& happened) override {
        happened = {};
        for (;;) {
            if (stopped_.load(std::memory_order_acquire)) return false;
            TComEvents events;
            const bool hungUp = shared_->hungUp.load();
            int timeout = -1;
            if (!hungUp && !TakeWriteEnd()) timeout = 10; // bytes still leaving: look again shortly
            if (txEmptyHeld_) {
                const auto left =
                    std::chrono::ceil<std::chrono::milliseconds>(txEmptyDue_ - Clock::now())
                        .count();
                if (left <= 0 || hungUp) {
                    ReleaseTxEmpty(events);
                } else {
                    timeout = timeout < 0 ? static_cast<int>(left)
                                          : std::min(timeout, static_cast<int>(left));
                }
            }
            if (watchLines_ && !hungUp) timeout = timeout < 0 ? 100 : std::min(timeout, 100);
            // Announced before sleeping, or a drain on the other thread kicks
            // the poll: one of the two always sees the other's flag.
            shared_->polling.store(true);
            if (shared_->unannounced.exchange(false)) events.Include(evRxChar);
            if (!events.Empty()) timeout = 0;

            pollfd fds[4] = {{stop_[0], POLLIN, 0},
                             {shared_->kick[0], POLLIN, 0},
                             {hungUp ? -1 : fd_, POLLIN, 0},
                             {shared_->txAlarm, POLLIN, 0}};
            if (!mask_.Contains(evRxChar)) fds[2].events = 0;
            const int r = poll(fds, 4, timeout);
            shared_->polling.store(false);
            if (r < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            if (fds[0].revents != 0 || stopped_.load(std::memory_order_acquire)) return false;
            if (fds[1].revents & POLLIN) {
                // One read: a kick is one byte, and a kick after it wakes again.
                char sink[256];
                [[maybe_unused]] ssize_t n = read(shared_->kick[0], sink, sizeof sink);
            }
            if (fds[3].revents & POLLIN) {
                std::uint64_t expirations = 0;
                [[maybe_unused]] ssize_t n =
                    read(shared_->txAlarm, &expirations, sizeof expirations);
            }
            const short rev = fds[2].revents;
            if (rev & (POLLHUP | POLLERR | POLLNVAL)) {
                // The device has gone; its descriptor never recovers, so it is
                // reported once and not polled again.
                shared_->hungUp.store(true);
                shared_->errors.fetch_or(ErrorBit(ceIO));
                shared_->txPending.store(false);
                events.Include(evError);
            }
            if (rev & POLLIN) {
                events.Include(evRxChar);
                // A line delivers an answer a byte or a few at a time; let the
                // burst finish so that it costs one hand-over, not one per byte.
                if (!events.Contains(evError) && !Settle(events)) return false;
            }
            if (watchLines_ && !shared_->hungUp.load()) LineChanges(events);
            events = events & mask_;
            if (!events.Empty()) {
                // A write made while this thread slept goes with its answer.
                if (!shared_->hungUp.load()) TakeWriteEnd();
                // A held report goes with whatever is handed over first.
                if (txEmptyHeld_) ReleaseTxEmpty(events);
                happened = events;
                return true;
            }
        }
    }

private:
    // Holds the end of the last write when its bytes have left; false while
    // they are still leaving.
    bool TakeWriteEnd() {
        if (!shared_->txPending.load()) return true;
        int queued = 0;
        if (const std::int64_t left = shared_->txLeftAt.exchange(0); left != 0) {
            shared_->txPending.store(false);
            alarmSet_ = true;
            HoldTxEmpty(Clock::time_point(Clock::duration(left)));
        } else if (ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued <= 0) {
            shared_->txPending.store(false);
            HoldTxEmpty(Clock::now());
        } else {
            return false;
        }
        return true;
    }
    // Holds the end of a write whose bytes had all left at `left` (see
    // kTxEmptyHold); without reception to wait for, it is reported at once.
    void HoldTxEmpty(Clock::time_point left) {
        if (!mask_.Contains(evTxEmpty)) return;
        if (!mask_.Contains(evRxChar)) {
            txEmptyHeld_ = true;
            txEmptyDue_ = left;
            return;
        }
        if (!txEmptyHeld_) txEmptyDue_ = left + kTxEmptyHold;
        txEmptyHeld_ = true;
    }
    // Reports the held write end. An alarm the owner set for it is taken
    // back before the next look at txPending, so a later write's alarm,
    // set after its flag, is never lost.
    void ReleaseTxEmpty(TComEvents& events) {
        txEmptyHeld_ = false;
        events.Include(evTxEmpty);
        if (std::exchange(alarmSet_, false)) shared_->SetTxAlarm({});
    }

    // Lets a burst of received bytes finish before it is announced. A short
    // burst has ended when a first look finds nothing new; a longer one (an
    // answer still arriving a few bytes at a time) is announced when the
    // settle time is up, when most answers are complete: two looks at most,
    // each a wake-up. The event character (a frame's line end) ends the
    // burst at once; where one is set, a burst without it is a frame still
    // arriving, so the first look is left out. False when stopped meanwhile.
    // A hang-up only ends the wait: the next poll reports it.
    bool Settle(TComEvents& events) {
        static constexpr int kQuietMs = 3;   // a few character times at 9600 baud and up
        static constexpr int kSettleMs = 30; // far below any poll period of the program
        const auto ended = [&] {
            if (!TookEventChar()) return false;
            events.Include(evRxFlag);
            return true;
        };
        if (ended()) return true;
        bool hungUp = false;
        if (mask_.Contains(evRxFlag) && shared_->eventChar.load() != 0) {
            if (!Look(kSettleMs, hungUp)) return false;
            ended();
            return true;
        }
        const std::uint64_t before = Waiting();
        if (!Look(kQuietMs, hungUp)) return false;
        if (ended() || hungUp || Waiting() == before) return true;
        if (!Look(kSettleMs - kQuietMs, hungUp)) return false;
        ended();
        return true;
    }
    // With evRxFlag asked for: moves what the device holds to the taken
    // bytes and tells whether it held the event character.
    bool TookEventChar() {
        drained_ = false;
        if (!mask_.Contains(evRxFlag)) return false;
        const int eventChar = shared_->eventChar.load();
        if (eventChar == 0 && shared_->discardNull.load()) return false;
        std::lock_guard lock(shared_->takenMutex);
        // About what a device holds itself; the rest waits there, as it would
        // without the event character.
        static constexpr std::size_t kMaxTaken = 4096;
        bool found = false;
        std::uint8_t chunk[512];
        while (shared_->taken.size() < kMaxTaken) {
            const ssize_t n = read(fd_, chunk, sizeof chunk);
            if (n <= 0) { // nothing more, or a hang-up the next poll reports
                drained_ = n == 0 || errno == EAGAIN;
                break;
            }
            found = found || std::memchr(chunk, eventChar, static_cast<std::size_t>(n)) != nullptr;
            shared_->taken.insert(shared_->taken.end(), chunk, chunk + n);
            takenTotal_ += static_cast<std::uint64_t>(n);
            // A short read took all there was.
            if (static_cast<std::size_t>(n) < sizeof chunk) {
                drained_ = true;
                return found;
            }
        }
        return found;
    }
    // Sleeps for `ms` unless stopped (false) or the device hangs up.
    bool Look(int ms, bool& hungUp) {
        pollfd fds[2] = {{stop_[0], POLLIN, 0}, {fd_, 0, 0}};
        const int r = poll(fds, 2, ms);
        if (stopped_.load(std::memory_order_acquire) || fds[0].revents != 0) return false;
        hungUp = r > 0 && fds[1].revents != 0;
        return true;
    }
    // A count that grows with every byte received: when the waiter has just
    // taken all the device held, the bytes it took tell, without asking the
    // device (the owner may take some meanwhile, which a count cannot miss).
    std::uint64_t Waiting() const {
        if (drained_) return takenTotal_;
        int n = 0;
        if (ioctl(fd_, FIONREAD, &n) != 0 || n < 0) n = 0;
        return takenTotal_ + static_cast<std::uint64_t>(n);
    }

    void LineChanges(TComEvents& events) {
        int lines = 0;
        if (ioctl(fd_, TIOCMGET, &lines) != 0) return;
        const int changed = lines ^ lines_;
        if (changed & TIOCM_CTS) events.Include(evCTS);
        if (changed & TIOCM_DSR) events.Include(evDSR);
        if (changed & TIOCM_CD) events.Include(evRLSD);
        if ((changed & TIOCM_RNG) && !(lines & TIOCM_RNG)) events.Include(evRing);
        lines_ = lines;
    }

    const int fd_;
    std::shared_ptr<TPosixComDevice::Shared> shared_;
    const TComEvents mask_;
    int stop_[2] = {-1, -1};
    std::atomic<bool> stopped_{false};
    bool watchLines_ = false;
    int lines_ = 0;
    bool txEmptyHeld_ = false;
    bool alarmSet_ = false;        // the owner's alarm may be running for the held report
    std::uint64_t takenTotal_ = 0; // bytes the waiter has taken from the device
    bool drained_ = false;         // the last take found the device empty
    Clock::time_point txEmptyDue_{};
};

struct TPosixWrite : TAsyncState {
    std::size_t done = 0;
};

} // namespace

std::string PosixDevicePath(const std::string& port) {
    if (!port.empty() && port.front() == '/') return port;
    if (port.size() > 3 && (port[0] == 'C' || port[0] == 'c') &&
        (port[1] == 'O' || port[1] == 'o') && (port[2] == 'M' || port[2] == 'm') &&
        std::all_of(port.begin() + 3, port.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const long n = std::strtol(port.c_str() + 3, nullptr, 10);
        if (n >= 1 && n <= 9999) return "/dev/ttyS" + std::to_string(n - 1);
    }
    return "/dev/" + port;
}

TPosixComDevice::Shared::Shared() {
    if (pipe2(kick, O_CLOEXEC | O_NONBLOCK) != 0) kick[0] = kick[1] = -1;
#if defined(__linux__)
    // Without it, every write kicks the waiter.
    txAlarm = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
#endif
}

TPosixComDevice::Shared::~Shared() {
    if (kick[0] >= 0) close(kick[0]);
    if (kick[1] >= 0) close(kick[1]);
    if (txAlarm >= 0) close(txAlarm);
}

// Zero disarms.
void TPosixComDevice::Shared::SetTxAlarm(std::chrono::milliseconds after) {
#if defined(__linux__)
    itimerspec when{};
    when.it_value.tv_sec = static_cast<time_t>(after.count() / 1000);
    when.it_value.tv_nsec = static_cast<long>(after.count() % 1000) * 1000000L;
    timerfd_settime(txAlarm, 0, &when, nullptr);
#else
    (void)after;
#endif
}

void TPosixComDevice::Shared::Kick() {
    const char byte = 1;
    [[maybe_unused]] ssize_t n = write(kick[1], &byte, 1);
}

TPosixComDevice::~TPosixComDevice() {
    if (fd_ >= 0) Close();
}

int TPosixComDevice::Open(const std::string& port) {
    if (fd_ >= 0) return EBUSY;
    if (port.empty()) return ENOENT;
    const std::string path = PosixDevicePath(port);
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    auto fail = [fd](int error) {
        close(fd);
        return error;
    };
    termios t{};
    if (tcgetattr(fd, &t) != 0) return fail(errno);
    // No second opener: TIOCEXCL keeps out other users, flock keeps out root too.
    ioctl(fd, TIOCEXCL);
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(errno == EWOULDBLOCK ? EBUSY : errno);
    cfmakeraw(&t);
    t.c_cflag |= CREAD | CLOCAL;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &t) != 0) return fail(errno);
    tcflush(fd, TCIOFLUSH);
    auto shared = std::make_shared<Shared>();
    if (shared->kick[0] < 0) return fail(errno);
    fd_ = fd;
    shared_ = std::move(shared);
    input_.clear();
    return 0;
}

int TPosixComDevice::Close() {
    if (fd_ < 0) return EBADF;
    const int fd = fd_;
    fd_ = -1;
    shared_.reset();
    input_.clear();
    // The exclusive mode outlives the descriptor on a pseudo-terminal whose
    // master stays open; lift it so that the next open (by anyone) succeeds.
    ioctl(fd, TIOCNXCL);
    if (close(fd) != 0 && errno != EIO) return errno;
    return 0;
}

int TPosixComDevice::SetBuffers(std::int32_t inputSize, std::int32_t outputSize) {
    if (fd_ < 0) return EBADF;
    if (inputSize <= 0 || outputSize <= 0) return EINVAL;
    inputLimit_ = static_cast<std::size_t>(inputSize);
    return 0;
}

int TPosixComDevice::SetLine(const TComLineSettings& s) {
    if (fd_ < 0) return EBADF;
    if (s.ByteSize < 5 || s.ByteSize > 8 || s.BaudRate <= 0) return EINVAL;
    termios t{};
    if (tcgetattr(fd_, &t) != 0) return errno;
    cfmakeraw(&t);
    t.c_iflag = 0;
    if (s.ParityCheck) t.c_iflag |= INPCK;
    if (s.OutX) t.c_iflag |= IXON;
    if (s.InX) t.c_iflag |= IXOFF;
    t.c_oflag = 0;
    t.c_lflag = 0;
    t.c_cflag = CREAD | CLOCAL;
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= kSizes[s.ByteSize - 5];
    if (s.StopBits != sbOneStopBit) t.c_cflag |= CSTOPB;
    switch (s.Parity) {
    case prNone:
        break;
    case prOdd:
        t.c_cflag |= PARENB | PARODD;
        break;
    case prEven:
        t.c_cflag |= PARENB;
        break;
#ifdef CMSPAR
    case prMark:
        t.c_cflag |= PARENB | PARODD | CMSPAR;
        break;
    case prSpace:
        t.c_cflag |= PARENB | CMSPAR;
        break;
#else
    case prMark:
    case prSpace:
        return EINVAL;
#endif
    }
#ifdef CRTSCTS
    if (s.OutCTSFlow || s.RtsControl == rtsHandshake) t.c_cflag |= CRTSCTS;
#endif
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    t.c_cc[VSTART] = static_cast<cc_t>(s.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(s.XoffChar);
    const speed_t speed = StandardSpeed(s.BaudRate);
    cfsetispeed(&t, speed == B0 ? B38400 : speed);
    cfsetospeed(&t, speed == B0 ? B38400 : speed);
    if (tcsetattr(fd_, TCSANOW, &t) != 0) return errno;
    if (speed == B0) {
        if (int error = SetCustomBaudRate(fd_, s.BaudRate)) return error;
    }

    const int dtr = TIOCM_DTR;
    const int rts = TIOCM_RTS;
    if (ioctl(fd_, s.DtrControl == dtrDisable ? TIOCMBIC : TIOCMBIS, &dtr) != 0 &&
        !Unsupported(errno))
        return errno;
    if (s.RtsControl != rtsHandshake &&
        ioctl(fd_, s.RtsControl == rtsDisable ? TIOCMBIC : TIOCMBIS, &rts) != 0 &&
        !Unsupported(errno))
        return errno;
    discardNull_ = s.DiscardNull;
    shared_->discardNull.store(s.DiscardNull);
    shared_->eventChar.store(static_cast<unsigned char>(s.EventChar));
    return 0;
}

int TPosixComDevice::SetTimeouts(const TComTimeoutSettings& timeouts) {
    if (fd_ < 0) return EBADF;
    timeouts_ = timeouts;
    return 0;
}

int TPosixComDevice::Purge(int actions) {
    if (fd_ < 0) return EBADF;
    if (actions & paClearInput) {
        input_.clear();
        std::lock_guard lock(shared_->takenMutex);
        shared_->taken.clear();
        shared_->unannounced.store(false);
    }
    if (shared_->hungUp.load()) return 0; // nothing left to discard
    const bool in = actions & paClearInput, out = actions & paClearOutput;
    if (!in && !out) return 0;
    if (tcflush(fd_, in && out ? TCIOFLUSH : in ? TCIFLUSH : TCOFLUSH) != 0) {
        if (errno != EIO) return errno;
        shared_->hungUp.store(true);
        shared_->errors.fetch_or(ErrorBit(ceIO));
    }
    return 0;
}

void TPosixComDevice::Drain() {
    if (fd_ < 0) return;
    std::lock_guard lock(shared_->takenMutex);
    if (!shared_->taken.empty()) {
        Queue(shared_->taken.data(), shared_->taken.size());
        shared_->taken.clear();
    }
    if (shared_->hungUp.load()) return;
    std::uint8_t chunk[512];
    for (;;) {
        const ssize_t n = read(fd_, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EIO) {
                shared_->hungUp.store(true);
                shared_->errors.fetch_or(ErrorBit(ceIO));
            }
            return;
        }
        if (n == 0) return; // raw mode without VMIN: nothing waiting
        Queue(chunk, static_cast<std::size_t>(n));
        // A short read took all there was; what comes later the waiter sees.
        if (static_cast<std::size_t>(n) < sizeof chunk) return;
    }
}

void TPosixComDevice::Queue(const std::uint8_t* bytes, std::size_t count) {
    const std::size_t before = input_.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (discardNull_ && bytes[i] == 0) continue;
        if (input_.size() < inputLimit_)
            input_.push_back(bytes[i]);
        else
            shared_->errors.fetch_or(ErrorBit(ceRxOver));
    }
    if (input_.size() > before) {
        shared_->unannounced.store(true);
        if (shared_->polling.load()) shared_->Kick();
    }
}

void TPosixComDevice::RxCounted() {
    if (shared_) shared_->unannounced.store(false);
}

int TPosixComDevice::StartWrite(TAsync& async) {
    if (fd_ < 0) return EBADF;
    auto state = std::make_unique<TPosixWrite>();
    if (!async.Data.empty()) {
        const ssize_t n = write(fd_, async.Data.data(), async.Data.size());
        if (n < 0 && errno != EAGAIN && errno != EINTR) return errno;
        if (n > 0) state->done = static_cast<std::size_t>(n);
    }
    async.State = std::move(state);
    return 0;
}

int TPosixComDevice::StartRead(TAsync& async, std::size_t count) {
    if (fd_ < 0) return EBADF;
    Drain();
    if (input_.empty() && shared_->hungUp.load()) return EIO;
    const std::size_t n = std::min(count, input_.size());
    async.Data.assign(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(n));
    input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(n));
    async.State = std::make_unique<TAsyncState>();
    return 0;
}

int TPosixComDevice::Finish(TAsync& async, std::size_t& transferred) {
    transferred = 0;
    if (async.Kind == okRead) {
        transferred = async.Data.size();
        return 0;
    }
    auto* state = dynamic_cast<TPosixWrite*>(async.State.get());
    if (!state) return EINVAL;
    if (fd_ < 0) return EBADF;
    const std::size_t total = async.Data.size();
    const long long limit = static_cast<long long>(std::max(timeouts_.WriteTotalMultiplier, 0)) *
                                static_cast<long long>(total) +
                            std::max(timeouts_.WriteTotalConstant, 0);
    const auto deadline = Clock::now() + std::chrono::milliseconds(limit);
    while (state->done < total) {
        int wait = -1;
        if (limit > 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count();
            if (left <= 0) break;
            wait = static_cast<int>(std::min<long long>(left, 1 << 30));
        }
        pollfd p{fd_, POLLOUT, 0};
        const int r = poll(&p, 1, wait);
        if (r < 0 && errno != EINTR) return errno;
        if (r == 0) break; // timed out: a short count
        const ssize_t n = write(fd_, async.Data.data() + state->done, total - state->done);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) continue;
            return errno;
        }
        state->done += static_cast<std::size_t>(n);
    }
    transferred = state->done;
    if (transferred > 0) NoteWritten();
    return 0;
}

void TPosixComDevice::NoteWritten() {
    // Bytes that left at once need no wake-up now: the answer mostly wakes
    // the waiter first and carries the report; the alarm covers a silent line.
    int queued = 0;
    if (shared_->holdsTxEnd.load() && ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued <= 0) {
        shared_->txLeftAt.store(Clock::now().time_since_epoch().count());
        shared_->txPending.store(true);
        shared_->SetTxAlarm(kTxEmptyHold);
        return;
    }
    shared_->txLeftAt.store(0);
    shared_->txPending.store(true);
    shared_->Kick();
}

int TPosixComDevice::ClearError(TComErrors& errors, std::uint32_t& inputCount,
                                std::uint32_t& outputCount) {
    if (fd_ < 0) return EBADF;
    Drain();
    errors = TComErrors::FromBits(shared_->errors.exchange(0));
    inputCount = static_cast<std::uint32_t>(input_.size());
    int queued = 0;
    outputCount = ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued > 0 ? std::uint32_t(queued) : 0;
    return 0;
}

int TPosixComDevice::ModemStatus(TComSignals& signals) {
    signals = {};
    if (fd_ < 0) return EBADF;
    int lines = 0;
    if (ioctl(fd_, TIOCMGET, &lines) != 0) {
        if (Unsupported(errno) || errno == EIO) return 0;
        return errno;
    }
    if (lines & TIOCM_CTS) signals.Include(csCTS);
    if (lines & TIOCM_DSR) signals.Include(csDSR);
    if (lines & TIOCM_RNG) signals.Include(csRing);
    if (lines & TIOCM_CD) signals.Include(csRLSD);
    return 0;
}

std::unique_ptr<TComEventWaiter> TPosixComDevice::CreateWaiter(TComEvents mask, int& error) {
    error = 0;
    if (fd_ < 0) {
        error = EBADF;
        return nullptr;
    }
    auto waiter = std::make_unique<TPosixWaiter>(fd_, shared_, mask);
    if ((error = waiter->Init()) != 0) return nullptr;
    return waiter;
}

#ifndef _WIN32
std::unique_ptr<TComDevice> CreatePlatformComDevice() {
    return std::make_unique<TPosixComDevice>();
}
#endif

} // namespace qvr
