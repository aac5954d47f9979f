#include "ui/port_failure.h"

#include <QCoreApplication>

#ifndef _WIN32
#include <cerrno>
#endif

namespace qvr {

QString PortFailureText(const std::string& failure, int systemCode) {
    QString text = QString::fromStdString(failure);
#ifndef _WIN32
    // On Windows "access denied" means another program holds the port; the
    // system's words say that well enough.
    if (systemCode == EACCES)
        text += QCoreApplication::translate(
            "PortFailure", "\nこのポートを使う権限がありません。利用者を dialout グループに加え"
                           "（sudo usermod -a -G dialout $USER）、ログインし直してください。");
#else
    (void)systemCode;
#endif
    return text;
}

} // namespace qvr
