#include "serial/qt_com_hand_over.h"

#include "serial/com_setup_frm.h"
#include "serial/custom_com_port.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace qvr {

void InstallQtComSupport(TComHandOver& handOver) {
    TComHandOver* target = &handOver;
    handOver.SetWakeUp([target] {
        // Runs on the event thread; posting is safe from any thread.
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, [target] { target->ProcessPending(); },
                                      Qt::QueuedConnection);
    });
    TCustomComPort::SetSetupDialog([](TCustomComPort& port) { EditComPort(port); });
}

} // namespace qvr
