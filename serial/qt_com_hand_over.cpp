#include "serial/qt_com_hand_over.h"

#include "serial/com_setup_frm.h"
#include "serial/custom_com_port.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <map>
#include <memory>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace qvr {

namespace {

#ifdef Q_OS_UNIX
// The event thread wakes the user-interface thread through a pipe watched by
// the event loop. All data still passes through the hand-over's own lock;
// the pipe only says "look now", so nothing the threads share goes through
// the toolkit's internal queue.
struct WakePipe {
    int fds[2] = {-1, -1};
    WakePipe() {
        if (pipe(fds) != 0) return;
        for (int fd : fds) {
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
            fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }
    ~WakePipe() {
        for (int fd : fds)
            if (fd >= 0) close(fd);
    }
    void Wake() const {
        const char byte = 1;
        [[maybe_unused]] ssize_t n = write(fds[1], &byte, 1); // a full pipe is awake already
    }
    // One read: a wake is one byte, and a byte written after it wakes again.
    void Drain() const {
        char sink[256];
        [[maybe_unused]] ssize_t n = read(fds[0], sink, sizeof sink);
    }
};

QObject* CreateWaker(TComHandOver& handOver, QCoreApplication* app) {
    auto pipe = std::make_shared<WakePipe>();
    if (pipe->fds[0] < 0) return nullptr;
    auto* notifier = new QSocketNotifier(pipe->fds[0], QSocketNotifier::Read, app);
    TComHandOver* target = &handOver;
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [pipe, target] {
        pipe->Drain();
        target->ProcessPending();
    });
    handOver.SetWakeUp([pipe] { pipe->Wake(); });
    return notifier;
}
#else
QObject* CreateWaker(TComHandOver& handOver, QCoreApplication* app) {
    TComHandOver* target = &handOver;
    QPointer<QCoreApplication> guard(app);
    handOver.SetWakeUp([target, guard] {
        if (QCoreApplication* a = guard.data())
            QMetaObject::invokeMethod(
                a, [target] { target->ProcessPending(); }, Qt::QueuedConnection);
    });
    return app;
}
#endif

} // namespace

void InstallQtComSupport(TComHandOver& handOver) {
    TCustomComPort::SetSetupDialog([](TCustomComPort& port) { EditComPort(port); });
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    static std::map<TComHandOver*, QPointer<QObject>> installed;
    QPointer<QObject>& waker = installed[&handOver];
    if (!waker) waker = CreateWaker(handOver, app);
}

} // namespace qvr
