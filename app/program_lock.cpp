#include "app/program_lock.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <cstdio>

namespace qvr {

QString SecondProgramMessage(const std::string& folder) {
    return QCoreApplication::translate(
               "ProgramLock", "このフォルダでは QVR-series Monitor がすでに動いています。\n") +
           QString::fromStdString(folder) +
           QCoreApplication::translate("ProgramLock",
                                       "\n同じフォルダで二つ目を起動すると、設定と記録のファイルが"
                                       "混ざるため終了します。");
}

std::unique_ptr<FolderLock> LockProgramFolder(const std::string& folder, bool unattended) {
    auto lock = std::make_unique<FolderLock>(folder);
    if (!lock->Problem().empty())
        std::fprintf(stderr, "qvr-monitor: %s; starting without the folder lock\n",
                     lock->Problem().c_str());
    if (!lock->Busy()) return lock;
    const QString message = SecondProgramMessage(folder);
    std::fprintf(stderr, "qvr-monitor: %s\n", qPrintable(message));
    if (!unattended) QMessageBox::critical(nullptr, QStringLiteral("QVR Monitor"), message);
    return nullptr;
}

QString FolderLockNotice(const FolderLock& lock) {
    if (lock.Problem().empty()) return {};
    return QCoreApplication::translate("ProgramLock",
                                       "このフォルダのロックファイルを作れないため、"
                                       "二つ目の起動を防げません。同じフォルダで二つ目の "
                                       "QVR-series Monitor を起動しないでください。\n") +
           QString::fromStdString(lock.Problem());
}

} // namespace qvr
